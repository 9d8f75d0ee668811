#pragma once

#include "host/Export.h"
#include "host/XmlEvents.h"
#include "host/XmlReadLimits.h"

#include <iosfwd>
#include <memory>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

namespace Reader {
class XmlEventReader;
}

// Reads XML documents one after the other and reports each one's elements
// to a handler, as XmlDocument::parse reads them (the same encodings, limits
// and refusals) but without building a tree. The parser's context and its
// dictionary of names are kept from one document to the next, so that many
// small documents pay for setting it up once. Not for use from two threads
// at once: give each thread a reader of its own.
class KXSOACOMMON_EXPORT XmlReader {
public:
    explicit XmlReader(XmlReadLimits const& limits = {});
    XmlReader(XmlReader&&) noexcept;
    XmlReader& operator=(XmlReader&&) noexcept;
    ~XmlReader();

    XmlReadLimits const& limits() const noexcept { return m_limits; }

    // Reads the whole text as one document. The first failure, a refusal
    // (DomException with line and column) or an exception of the handler,
    // ends the read and is thrown; the reader is then ready for the next.
    void read(std::string_view xml, XmlEventHandler& handler);
    void read(std::istream& in, XmlEventHandler& handler);

private:
    XmlReadLimits m_limits;
    std::unique_ptr<Reader::XmlEventReader> m_events;
};

}  // namespace Kestrune::Soa::Common::Xml
