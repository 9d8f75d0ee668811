#pragma once

#include "host/DomException.h"

#include <string>

namespace Kestrune::Soa::Common::Xml::Writer {

// Refuses a use of XmlStream that would write a document that is not
// well-formed, or one a reader would refuse: a call out of order
// (ErrorKind::Misuse), a name or value that XML cannot carry (Unwritable),
// a token or name past the stream's limit (Limit).
[[noreturn]] inline void refuse(Exceptions::ErrorKind kind, std::string const& what) {
    throw Exceptions::DomException("XmlStream: " + what, kind);
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
