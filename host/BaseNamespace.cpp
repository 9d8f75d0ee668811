#include "host/BaseNamespace.h"

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Soa::_2006_03::Base {

char const baseNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/Soa/2006-03/Base");

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
