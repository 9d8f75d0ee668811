#include "host/XmlReader.h"

#include "host/DomException.h"
#include "host/reader/EventReader.h"
#include "host/reader/TextInput.h"
#include "host/reader/TextSource.h"

namespace Kestrune::Soa::Common::Xml {

namespace {

// One document read from `source`; an error of the text gets the path of
// the element the handler was in.
void readFrom(Reader::XmlEventReader& events, Reader::TextSource& source, XmlReadLimits const& limits,
              XmlEventHandler& handler) {
    Reader::TextInput input(source, limits);
    try {
        events.read(input, handler);
    } catch (Exceptions::DomException& e) {
        if (e.path().empty()) e.setPath(handler.path());
        throw;
    }
}

}  // namespace

XmlReader::XmlReader(XmlReadLimits const& limits)
    : m_limits(limits), m_events(std::make_unique<Reader::XmlEventReader>(limits)) {}

XmlReader::XmlReader(XmlReader&&) noexcept = default;
XmlReader& XmlReader::operator=(XmlReader&&) noexcept = default;
XmlReader::~XmlReader() = default;

void XmlReader::read(std::string_view xml, XmlEventHandler& handler) {
    Reader::MemorySource source(xml);
    readFrom(*m_events, source, m_limits, handler);
}

void XmlReader::read(std::istream& in, XmlEventHandler& handler) {
    Reader::StreamSource source(in);
    readFrom(*m_events, source, m_limits, handler);
}

}  // namespace Kestrune::Soa::Common::Xml
