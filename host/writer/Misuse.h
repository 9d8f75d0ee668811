#pragma once

#include "host/DomException.h"

#include <string>

namespace Kestrune::Soa::Common::Xml::Writer {

// Refuses a use of XmlStream that would write a document that is not
// well-formed, or one a reader would refuse.
[[noreturn]] inline void misuse(std::string const& what) { throw Exceptions::DomException("XmlStream: " + what); }

}  // namespace Kestrune::Soa::Common::Xml::Writer
