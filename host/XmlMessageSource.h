#pragma once

#include "host/Export.h"

#include <cstddef>
#include <iosfwd>
#include <memory>

namespace Kestrune::Soa::Common::Xml {

class XmlReader;
namespace Reader {
class MessageSource;
}

/// Messages one after another on one stream or file descriptor (a pipe, a
/// socket, a file): each read of a message from it (XmlReader::read,
/// MessageReader::readNext) returns as soon as the message's root element
/// ends, without asking the input for more, and what follows stays for the
/// next read. What it reads past a message's end and keeps for the next is
/// at most 8 KiB, or the message's size for a larger one.
///
/// What frames a message: it is one XML document in UTF-8 (or US-ASCII),
/// from its first byte to its root's end tag, which may begin with its own
/// XML declaration; white space may come between two messages. The end of
/// the input between two messages is the clean end: atEnd() says so. Inside
/// a message it is the error it is for any document. Each message is held to
/// the reader's limits from its first byte (maxBytes bounds one message, not
/// the connection), and its lines and columns count from there. Bytes are
/// read no further than they are there to be read past the first one a
/// message needs, so a read never waits for bytes after its message.
///
/// A message refused after its end (the wrong root, content the type does
/// not take, or the schemas refuse) leaves the next one to read. A message
/// refused before its end (text that is not XML, a limit, the input failing,
/// a handler that throws) leaves no way to tell where the next one begins:
/// every later read is refused (ErrorKind::Misuse); close the connection.
class KXSOACOMMON_EXPORT XmlMessageSource {
public:
    /// Messages read from `in`, which must outlive the source.
    explicit XmlMessageSource(std::istream& in);
    /// Messages read with read(2) from `fileDescriptor`, which the source
    /// does not close.
    explicit XmlMessageSource(int fileDescriptor);
    ~XmlMessageSource();
    XmlMessageSource(XmlMessageSource const&) = delete;
    XmlMessageSource& operator=(XmlMessageSource const&) = delete;

    /// Whether the input ends before another message: passes over the white
    /// space before the next message, waiting for bytes while it sees no
    /// other. Throws as a read does after a message refused before its end.
    bool atEnd();
    /// The messages read to their end so far.
    std::size_t messagesRead() const noexcept;

private:
    friend class XmlReader;
    std::unique_ptr<Reader::MessageSource> m_source;
};

}  // namespace Kestrune::Soa::Common::Xml
