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

/// `message` written as a document of its own, its root element named
/// `elementName` and declaring every namespace the message uses. Throws what
/// outputXML throws (a DomException for text that XML cannot carry).
template <class Message>
std::string writeMessage(Message const& message, std::string const& elementName) {
    XmlStream stream;
    message.outputXML(stream, elementName);
    return stream.str();
}

/// Throws a DomException of kind WrongRoot naming both URIs, at the root's
/// line and column and with its path, when `root` is not in the namespace
/// `uri`; the root's own name is not checked.
KXSOAIMPORTEXPORT_EXPORT void checkRootNamespace(XMLNode const& root, std::string_view uri);

namespace Detail {

/// The one place where a message is read from text: straight into a fresh
/// Message (no tree), within `limits`, as `options` say.
template <class Message, class Source>
Message readMessageFrom(Source& source, XmlReadLimits const& limits, ReadOptions const& options) {
    return MessageReader(limits, options).read<Message>(source);
}

}  // namespace Detail

/// The message of type Message (any message type) that the document `xml`
/// holds. Throws a DomException when the text is not acceptable XML, when
/// its root element is not Message's own (by default: in the namespace of
/// Message's version and named after it; see ReadOptions::root), and when
/// the type does not accept a child element; with ReadPolicy::Validate, for
/// whatever the published schemas refuse, every error at once.
template <class Message>
Message readMessage(std::string_view xml, XmlReadLimits const& limits = {}, ReadOptions const& options = {}) {
    return Detail::readMessageFrom<Message>(xml, limits, options);
}

/// The same, read from a stream: no further than the parser has got, nor
/// past limits.maxBytes.
template <class Message>
Message readMessage(std::istream& in, XmlReadLimits const& limits = {}, ReadOptions const& options = {}) {
    return Detail::readMessageFrom<Message>(in, limits, options);
}

/// The same from a parsed element: what `root`'s message type's parse()
/// reads, its root checked and held to the schemas as `options` say.
template <class Message>
Message readMessage(XMLNode const& root, ReadOptions const& options = {}) {
    Message message;
    XmlElementType const& type = ImplOf<Message>::xmlElementType();
    readTree(root, HandleAccess::object(message), type, options.binderOptions(type.rules));
    return message;
}

}  // namespace Kestrune::Soa::Common::Xml
