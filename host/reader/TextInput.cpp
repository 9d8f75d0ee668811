#include "host/reader/TextInput.h"

#include "host/DomException.h"

#include <algorithm>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

TextInput::TextInput(TextSource& source, XmlReadLimits const& limits)
    : m_source(source),
      m_maxBytes(limits.maxBytes),
      m_maxAttributes(limits.maxAttributes),
      m_maxTokenBytes(limits.maxTokenBytes),
      m_scanner(limits.maxAttributes, limits.maxTokenBytes) {}

std::size_t TextInput::pull(char* buffer, std::size_t size) {
    std::size_t const room = m_maxBytes - m_pulled;
    if (room == 0) {
        // The end of the text, as the decoder sees it; read() tells why.
        m_overMaxBytes = m_overMaxBytes || m_source.more();
        return 0;
    }
    std::size_t const got = m_source.read(buffer, std::min(size, room));
    m_pulled += got;
    return got;
}

std::string_view const* TextInput::handedInMemory() const {
    return m_decoder.encoding() == TextDecoder::Encoding::Utf8 ? m_source.memory() : nullptr;
}

TextPlace TextInput::placeIn(std::string_view piece, std::size_t offset) const {
    if (std::string_view const* const text = handedInMemory()) {
        return TextPosition::of(text->substr(m_decoder.markSize()), m_handed + offset);
    }
    return m_position.at(piece, offset);
}

std::size_t TextInput::read(char* buffer, std::size_t size) {
    char const* const refused = "XML document refused";
    // The parser's buffer is filled as far as it goes: libxml2 2.9 misreads
    // a name cut by the end of a piece a few bytes long.
    std::size_t got = 0;
    while (!m_decoded && !m_overMaxBytes && size - got >= 4) {
        std::size_t more = 0;
        try {
            more = m_decoder.read(*this, buffer + got, size - got);
        } catch (TextFault const& fault) {
            std::size_t const at = got + fault.offset;
            TextPlace const place = fault.placed ? fault.place : placeIn({buffer, at}, at);
            if (!m_overMaxBytes) throw errorAt(fault.what, place, fault.reason);
            more = fault.offset;  // cut short by the limit, not broken
        }
        m_decoded = more == 0;
        got += more;
    }
    if (m_overMaxBytes) {
        throw errorAt(refused, placeIn({buffer, got}, got),
                      "the XML text is larger than XmlReadLimits::maxBytes (" + std::to_string(m_maxBytes) +
                          " bytes)");
    }
    std::size_t where = 0;
    switch (m_scanner.scan(buffer, got, where)) {
        case TextScanner::Excess::None:
            break;
        case TextScanner::Excess::Attributes:
            throw errorAt(refused, placeIn({buffer, got}, where),
                          "an element has more attributes than XmlReadLimits::maxAttributes (" +
                              std::to_string(m_maxAttributes) + ")");
        case TextScanner::Excess::Token:
            throw errorAt(refused, placeIn({buffer, got}, where),
                          "a token (text, attribute value, comment, CDATA section or processing instruction) is "
                          "longer than XmlReadLimits::maxTokenBytes (" +
                              std::to_string(m_maxTokenBytes) + " bytes)");
    }
    if (handedInMemory() == nullptr) m_position.take({buffer, got});
    m_handed += got;
    return got;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
