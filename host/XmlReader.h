#pragma once

#include "host/Export.h"
#include "host/XmlEvents.h"
#include "host/XmlReadLimits.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

namespace Reader {
class XmlEventReader;
}

// Reads XML documents one after the other and reports each one's elements
// to a handler, as XmlDocument::parse reads them (the same encodings, limits
// and refusals) but without building a tree.
//
// What the reader keeps from one document to the next (the parser's context
// and its dictionary of names) is a cache: many small documents pay for
// setting it up once, and no outcome depends on it. It is bounded: after
// each document, when it holds more than maxKeptBytes() beyond a fresh
// reader, it is released.
//
// A reader reads one document at a time: not from two threads at once (give
// each thread a reader of its own), and not from its own handler, where a
// read is refused with a DomException before it changes anything.
class KXSOACOMMON_EXPORT XmlReader {
public:
    // The default bound on what a reader keeps between documents.
    static constexpr std::size_t kDefaultMaxKeptBytes = std::size_t{1} << 20;

    explicit XmlReader(XmlReadLimits const& limits = {});
    // A moved-from reader refuses to read (DomException) until it is
    // assigned another.
    XmlReader(XmlReader&&) noexcept;
    XmlReader& operator=(XmlReader&&) noexcept;
    ~XmlReader();

    XmlReadLimits const& limits() const noexcept { return m_limits; }

    // Reads the whole text as one document. The first failure, a refusal
    // (DomException with line and column) or an exception of the handler,
    // ends the read and is thrown; the reader is then ready for the next.
    void read(std::string_view xml, XmlEventHandler& handler);
    void read(std::istream& in, XmlEventHandler& handler);

    // What the reader holds now beyond a fresh reader, in bytes (an estimate
    // of libxml2's part from above), and the bound on it after a document.
    std::size_t keptBytes() const noexcept;
    void setMaxKeptBytes(std::size_t bytes) noexcept;
    std::size_t maxKeptBytes() const noexcept;

private:
    Reader::XmlEventReader& events() const;

    XmlReadLimits m_limits;
    std::unique_ptr<Reader::XmlEventReader> m_events;
};

}  // namespace Kestrune::Soa::Common::Xml
