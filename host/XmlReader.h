#pragma once

#include "host/Export.h"
#include "host/XmlEvents.h"
#include "host/XmlMessageSource.h"
#include "host/XmlReadLimits.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

namespace Reader {
class XmlEventReader;
class MessageSource;
class TextSource;
}  // namespace Reader

/// Reads XML documents one after the other and reports each one's elements
/// to a handler, as XmlDocument::parse reads them (the same encodings, limits
/// and refusals) but without building a tree.
///
/// What the reader needs (the names it has met, its buffers and stacks) is
/// kept from one document to the next, so that once it has read a document
/// of a given shape, reading another of that shape allocates nothing and
/// learns no name again; each document still counts its own distinct names
/// against XmlReadLimits::maxNames, as on a new reader. It is a
/// cache: no outcome depends on it. It is bounded: after each document, when
/// it holds more than maxKeptBytes() beyond a new reader, it is released.
///
/// A reader reads one document at a time: not from two threads at once (give
/// each thread a reader of its own; readers share nothing), and not from its
/// own handler, where a read is refused with a DomException before it
/// changes anything.
class KXSOACOMMON_EXPORT XmlReader {
public:
    /// The default bound on what a reader keeps between documents.
    static constexpr std::size_t kDefaultMaxKeptBytes = std::size_t{1} << 20;

    explicit XmlReader(XmlReadLimits const& limits = {});
    /// A moved-from reader refuses to read (DomException) until it is
    /// assigned another.
    XmlReader(XmlReader&&) noexcept;
    XmlReader& operator=(XmlReader&&) noexcept;
    ~XmlReader();

    XmlReadLimits const& limits() const noexcept { return m_limits; }

    /// Reads the whole text as one document. The first failure, a refusal
    /// (DomException with line and column) or an exception of the handler,
    /// ends the read and is thrown; the reader is then ready for the next. A
    /// read started from a handler of a read in progress on the same reader
    /// throws a DomException at once, and so does a reader moved from.
    void read(std::string_view xml, XmlEventHandler& handler);
    void read(std::istream& in, XmlEventHandler& handler);
    /// Reads the next message of `source` as one document, returning when its
    /// root element ends (see XmlMessageSource for what frames a message).
    /// Ask source.atEnd() first: an input that ends before a message begins
    /// is refused here as a document without a root element.
    void read(XmlMessageSource& source, XmlEventHandler& handler);

    /// What the reader holds between documents, in bytes. When that passes
    /// maxKeptBytes() beyond what a new reader holds after a document (one
    /// that was large, or had many names), the reader gives it back and is
    /// as new. 1 MiB unless set.
    std::size_t keptBytes() const noexcept;
    std::size_t maxKeptBytes() const noexcept { return m_maxKeptBytes; }
    void setMaxKeptBytes(std::size_t bytes) noexcept { m_maxKeptBytes = bytes; }

    /// Which way the reader numbers the names it reports (XmlName::number):
    /// while this stays the same, from one read to the next, each name keeps
    /// its number, so that a handler may keep what it learnt by the numbers.
    /// It changes when the reader gives back its memory. No two readers
    /// give the same value, and a reader moved from gives 0.
    std::uint64_t nameNumbering() const noexcept;

private:
    template <class Source>
    void readFrom(Source& source, XmlEventHandler& handler);
    /// The read of any source: with `message`, one message of a stream of them.
    void readText(Reader::TextSource& source, XmlEventHandler& handler, Reader::MessageSource* message);

    XmlReadLimits m_limits;
    std::unique_ptr<Reader::XmlEventReader> m_events;
    std::size_t m_maxKeptBytes = kDefaultMaxKeptBytes;
    bool m_reading = false;
};

}  // namespace Kestrune::Soa::Common::Xml
