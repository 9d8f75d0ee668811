#pragma once

// The namespace URI of the base schema types (business objects, service
// data). Internal to the host library; the namespace host is compiled in.

#ifndef KXSOA_NAMESPACE_HOST
#error "KXSOA_NAMESPACE_HOST is set by the build"
#endif

namespace Kestrune::Schemas::Soa::_2006_03::Base {

inline constexpr char baseNamespaceURI[] = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
