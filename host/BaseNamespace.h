#pragma once

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Soa::_2006_03::Base {

// The namespace of the base schema types (business objects, service data).
inline constexpr char baseNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/Soa/2006-03/Base");

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
