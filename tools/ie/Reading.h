#pragma once

// A file read as a message: its bytes, its document and the type it is read
// as, or the one line that says why it cannot be.

#include "MessageTypes.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <optional>
#include <string>

namespace kxsoa_ie {

enum class Problem { none, unreadable, notXml, notTheMessage };

struct Reading {
    std::string source;  // as reported: the path, or <stdin>
    Problem problem = Problem::none;
    std::string error;  // one line, when there is a problem
    std::string text;
    std::optional<Kestrune::Soa::Common::Xml::XmlDocument> document;
    MessageType const* type = nullptr;
};

// The library's refusal with where it is, after its message: " (line L,
// column C, at PATH)", each part that it knows and that its message does
// not say already.
std::string located(Kestrune::Soa::Common::Exceptions::DomException const& error);

// `path` ("-" for standard input) read within `limits` as `type`: its root
// element in type's namespace and, when it is named after a type of that
// version, after this one. When `type` is null, the type is the one that
// the root's namespace and name give (the library's messageIndex); when
// they give none, the error lists the types the document is valid as.
Reading readMessageFile(std::string const& path, MessageType const* type,
                        Kestrune::Soa::Common::Xml::XmlReadLimits const& limits);

}  // namespace kxsoa_ie
