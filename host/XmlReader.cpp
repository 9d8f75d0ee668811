#include "host/XmlReader.h"

#include "host/DomException.h"
#include "host/reader/EventReader.h"
#include "host/reader/MessageSource.h"
#include "host/reader/TextSource.h"

namespace Kestrune::Soa::Common::Xml {

XmlReader::XmlReader(XmlReadLimits const& limits)
    : m_limits(limits), m_events(std::make_unique<Reader::XmlEventReader>(m_limits)) {}

XmlReader::XmlReader(XmlReader&&) noexcept = default;
XmlReader& XmlReader::operator=(XmlReader&&) noexcept = default;

XmlReader::~XmlReader() = default;

std::size_t XmlReader::keptBytes() const noexcept { return m_events ? m_events->keptBytes() : 0; }

std::uint64_t XmlReader::nameNumbering() const noexcept { return m_events ? m_events->nameNumbering() : 0; }

template <class Source>
void XmlReader::readFrom(Source& source, XmlEventHandler& handler) {
    readText(source, handler, nullptr);
}

void XmlReader::readText(Reader::TextSource& source, XmlEventHandler& handler, Reader::MessageSource* message) {
    if (!m_events) {
        throw Exceptions::DomException("XmlReader: this reader was moved from; read with the reader it was moved to",
                                       Exceptions::ErrorKind::Misuse);
    }
    if (m_reading) {
        throw Exceptions::DomException(
            "XmlReader: a read was started while this reader is reading (from one of its own handlers); a reader "
            "reads one document at a time: read the inner document with a reader of its own",
            Exceptions::ErrorKind::Misuse);
    }
    // After the read, however it ends: not reading, and no more kept than allowed.
    struct Reading {
        XmlReader& reader;
        explicit Reading(XmlReader& r) : reader(r) { reader.m_reading = true; }
        ~Reading() {
            reader.m_reading = false;
            if (reader.m_events->keptBytes() > reader.m_maxKeptBytes) reader.m_events->release();
        }
    } const reading(*this);
    m_events->read(source, handler, message);
}

void XmlReader::read(std::string_view xml, XmlEventHandler& handler) {
    Reader::MemorySource source(xml);
    readFrom(source, handler);
}

void XmlReader::read(std::istream& in, XmlEventHandler& handler) {
    Reader::StreamSource source(in);
    readFrom(source, handler);
}

void XmlReader::read(XmlMessageSource& source, XmlEventHandler& handler) {
    source.m_source->atEnd();  // the white space before a message is no part of it
    readText(*source.m_source, handler, source.m_source.get());
}

}  // namespace Kestrune::Soa::Common::Xml
