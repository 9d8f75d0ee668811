#pragma once

// Namespace URIs are "http://", the namespace host, then a path. The host is
// set by the build and compiled in; this header is internal to the libraries.

#ifndef KXSOA_NAMESPACE_HOST
#error "KXSOA_NAMESPACE_HOST is set by the build"
#endif

#define KXSOA_NAMESPACE_URI(path) "http://" KXSOA_NAMESPACE_HOST path
