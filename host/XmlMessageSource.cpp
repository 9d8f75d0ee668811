#include "host/XmlMessageSource.h"

#include "host/reader/MessageSource.h"

namespace Kestrune::Soa::Common::Xml {

XmlMessageSource::XmlMessageSource(std::istream& in) : m_source(std::make_unique<Reader::MessageSource>(in)) {}

XmlMessageSource::XmlMessageSource(int fileDescriptor)
    : m_source(std::make_unique<Reader::MessageSource>(fileDescriptor)) {}

XmlMessageSource::~XmlMessageSource() = default;

bool XmlMessageSource::atEnd() { return m_source->atEnd(); }

std::size_t XmlMessageSource::messagesRead() const noexcept { return m_source->messages(); }

}  // namespace Kestrune::Soa::Common::Xml
