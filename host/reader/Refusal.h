#pragma once

// Why the reader does not read a text, in one table: the kinds of refusal,
// each with the kind of error it is, and the limits of XmlReadLimits, each
// with what passing it means. A program acts on the
// kind (read the input again, send another encoding, raise a limit, fix the
// text); a person reads the message.

#include "host/DomException.h"
#include "host/XmlReadLimits.h"

#include <cstddef>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

enum class Refusal : unsigned char {
    Unreadable,     // the input could not be read: a stream failed
    Undecodable,    // bytes that are not text in the encoding they show or declare
    Encoding,       // an encoding that the reader does not accept
    Limit,          // a limit of XmlReadLimits was passed
    NotWellFormed,  // not well-formed, or not namespace-well-formed, XML
    NotAccepted,    // well-formed, but not read by choice: a document type declaration
};

// The kind of error a refusal is.
constexpr Exceptions::ErrorKind kindOf(Refusal refusal) noexcept {
    switch (refusal) {
        case Refusal::Unreadable:
            return Exceptions::ErrorKind::Unreadable;
        case Refusal::Undecodable:
        case Refusal::Encoding:
            return Exceptions::ErrorKind::Encoding;
        case Refusal::Limit:
            return Exceptions::ErrorKind::Limit;
        case Refusal::NotWellFormed:
            return Exceptions::ErrorKind::NotWellFormed;
        case Refusal::NotAccepted:
            break;
    }
    return Exceptions::ErrorKind::Unsupported;
}

enum class Limit : unsigned char { Bytes, Depth, Attributes, Names, TokenBytes, NameBytes, TreeBytesPerByte };

// The reason of a refusal for passing `limit`: "<what> than
// XmlReadLimits::<field> (<value><unit>)". `what` says what passed it,
// when the limit bounds more than one thing ("a namespace URI is longer");
// null for the usual one ("a name is longer").
std::string pastLimit(Limit limit, XmlReadLimits const& limits, char const* what = nullptr);

}  // namespace Kestrune::Soa::Common::Xml::Reader
