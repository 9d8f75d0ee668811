#pragma once

// A message to text and back in one call each: what most callers want from
// outputXML and parse, with the stream and the parsed tree kept out of sight.

#include "host/XMLNode.h"
#include "host/XmlReadLimits.h"
#include "host/XmlStream.h"
#include "xml/Export.h"
#include "xml/MessageReader.h"

#include <istream>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

// `message` written as a document of its own, its root element named
// `elementName` and declaring every namespace the message uses. Throws what
// outputXML throws (a DomException for text that XML cannot carry).
template <class Message>
std::string writeMessage(Message const& message, std::string const& elementName) {
    XmlStream stream;
    message.outputXML(stream, elementName);
    return stream.str();
}

// Throws a DomException naming both URIs, at the root's line and column and
// with its path, when `root` is not in the namespace `uri`; the root's own
// name is not checked, as a message may be written under any name.
KXSOAIMPORTEXPORT_EXPORT void checkRootNamespace(XMLNode const& root, std::string_view uri);

namespace Detail {

// The one place where a message is read from text: straight into a fresh
// Message (no tree), within `limits`, its root first checked against the
// namespace of Message's schema version.
template <class Message, class Source>
Message readMessageFrom(Source& source, XmlReadLimits const& limits) {
    return MessageReader(limits, MessageReader::Root::InTheTypesNamespace).read<Message>(source);
}

}  // namespace Detail

// The message of type Message (one of the fifteen message types) that the
// document `xml` holds. Throws a DomException when the text is not
// acceptable XML, when its root element is in another namespace than
// Message's version (another version's message, for instance), and when the
// type does not accept a child element.
template <class Message>
Message readMessage(std::string_view xml, XmlReadLimits const& limits = {}) {
    return Detail::readMessageFrom<Message>(xml, limits);
}

// The same, read from a stream: no further than the parser has got, nor
// past limits.maxBytes.
template <class Message>
Message readMessage(std::istream& in, XmlReadLimits const& limits = {}) {
    return Detail::readMessageFrom<Message>(in, limits);
}

// The message of any of the fifteen types that the document holds, its type
// told by its root element (see MessageReader::readAny).
inline AnyMessage readAnyMessage(std::string_view xml, XmlReadLimits const& limits = {}) {
    return MessageReader(limits).readAny(xml);
}
inline AnyMessage readAnyMessage(std::istream& in, XmlReadLimits const& limits = {}) {
    return MessageReader(limits).readAny(in);
}

}  // namespace Kestrune::Soa::Common::Xml
