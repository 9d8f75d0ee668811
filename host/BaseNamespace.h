#pragma once

#include "host/Export.h"

namespace Kestrune::Schemas::Soa::_2006_03::Base {

/// The XML namespace URI of the base types (business objects, service data):
/// "http://", the namespace host the library was built with ("kestrune.com"
/// unless configured otherwise), then "/Schemas/Soa/2006-03/Base".
extern KXSOACOMMON_EXPORT char const baseNamespaceURI[];

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
