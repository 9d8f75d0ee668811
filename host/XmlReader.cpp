#include "host/XmlReader.h"

#include "host/reader/EventReader.h"
#include "host/reader/TextInput.h"
#include "host/reader/TextSource.h"

namespace Kestrune::Soa::Common::Xml {

XmlReader::XmlReader(XmlReadLimits const& limits)
    : m_limits(limits), m_events(std::make_unique<Reader::XmlEventReader>(limits)) {}

XmlReader::XmlReader(XmlReader&&) noexcept = default;
XmlReader& XmlReader::operator=(XmlReader&&) noexcept = default;
XmlReader::~XmlReader() = default;

void XmlReader::read(std::string_view xml, XmlEventHandler& handler) {
    Reader::MemorySource source(xml);
    Reader::TextInput input(source, m_limits);
    m_events->read(input, handler);
}

void XmlReader::read(std::istream& in, XmlEventHandler& handler) {
    Reader::StreamSource source(in);
    Reader::TextInput input(source, m_limits);
    m_events->read(input, handler);
}

}  // namespace Kestrune::Soa::Common::Xml
