#pragma once

// A file read as a message, and how the tool reports a refusal: one line per
// error, FILE:LINE:COLUMN: PATH: MESSAGE (the form compilers use, so that an
// editor goes to the place), with the exit status that the error's kind gives.

#include "MessageTypes.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <fstream>
#include <optional>
#include <string>

namespace kxsoa_ie {

// "FILE:LINE:COLUMN: PATH: MESSAGE" for `error` of the file `source`, each
// part of the place left out when it is not known ("FILE: MESSAGE" for an
// error without a place).
std::string errorLine(std::string const& source, Kestrune::Soa::Common::Exceptions::XmlError const& error);

// Every error of `refusal`, a line each, on standard error.
void reportErrors(std::string const& source, Kestrune::Soa::Common::Exceptions::DomException const& refusal);

// The exit status of a refusal of kind `kind`: an input that cannot be read,
// text that is not acceptable XML, or (`notTheMessageStatus`) XML that is not
// the message.
int statusOf(Kestrune::Soa::Common::Exceptions::ErrorKind kind, int notTheMessageStatus);

// Opens `path` into `file` ("-": standard input, left as it is); the reason
// when it cannot be read (a directory included), empty otherwise.
std::string openInput(std::string const& path, std::ifstream& file);

struct Reading {
    std::string source;  // as reported: the path, or <stdin>
    int status = 0;      // the exit status of its refusal; 0 when it is read
    std::optional<Kestrune::Soa::Common::Xml::XmlDocument> document;
    MessageType const* type = nullptr;
};

// `path` ("-" for standard input) read into a tree within `limits` as
// `type`: its root element in type's namespace and, when it is named after
// a type of that version, after this one. When `type` is null, the type is
// the one that the root's namespace and name give (the library's
// messageIndex). A refusal is reported (reportErrors), and its status is
// `notTheMessageStatus` when the text is XML but not the message.
Reading readMessageFile(std::string const& path, MessageType const* type,
                        Kestrune::Soa::Common::Xml::XmlReadLimits const& limits, int notTheMessageStatus);

}  // namespace kxsoa_ie
