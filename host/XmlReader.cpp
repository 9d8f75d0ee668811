#include "host/XmlReader.h"

#include "host/DomException.h"
#include "host/reader/EventReader.h"
#include "host/reader/TextInput.h"
#include "host/reader/TextSource.h"

namespace Kestrune::Soa::Common::Xml {

XmlReader::XmlReader(XmlReadLimits const& limits)
    : m_limits(limits), m_events(std::make_unique<Reader::XmlEventReader>(limits, kDefaultMaxKeptBytes)) {}

XmlReader::XmlReader(XmlReader&&) noexcept = default;
XmlReader& XmlReader::operator=(XmlReader&&) noexcept = default;
XmlReader::~XmlReader() = default;

Reader::XmlEventReader& XmlReader::events() const {
    if (m_events == nullptr) {
        throw Exceptions::DomException("XmlReader: this reader was moved from; read with the reader it was moved to");
    }
    return *m_events;
}

void XmlReader::read(std::string_view xml, XmlEventHandler& handler) {
    Reader::XmlEventReader& events = this->events();
    Reader::MemorySource source(xml);
    Reader::TextInput input(source, m_limits);
    events.read(input, handler);
}

void XmlReader::read(std::istream& in, XmlEventHandler& handler) {
    Reader::XmlEventReader& events = this->events();
    Reader::StreamSource source(in);
    Reader::TextInput input(source, m_limits);
    events.read(input, handler);
}

std::size_t XmlReader::keptBytes() const noexcept { return m_events == nullptr ? 0 : m_events->keptBytes(); }

void XmlReader::setMaxKeptBytes(std::size_t bytes) noexcept {
    if (m_events != nullptr) m_events->setMaxKeptBytes(bytes);
}

std::size_t XmlReader::maxKeptBytes() const noexcept {
    return m_events == nullptr ? kDefaultMaxKeptBytes : m_events->maxKeptBytes();
}

}  // namespace Kestrune::Soa::Common::Xml
