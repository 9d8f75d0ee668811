#include "host/XmlCharacters.h"

#include <cstdio>

namespace Kestrune::Soa::Common::Xml::detail {

Utf8Sequence decodeUtf8(std::string_view text, std::size_t position) noexcept {
    constexpr Utf8Sequence invalid{0, 0};
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[position + i]); };
    unsigned char const lead = byte(0);
    if (lead < 0x80) return {lead, 1};

    std::size_t length;
    char32_t codePoint;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return invalid;
    }
    if (text.size() - position < length) return invalid;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return invalid;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return invalid;
    return {codePoint, length};
}

bool isNameStartChar(char32_t c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c) noexcept {
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool isNCName(std::string_view name) noexcept {
    if (name.empty()) return false;
    for (std::size_t position = 0; position < name.size();) {
        Utf8Sequence const sequence = decodeUtf8(name, position);
        if (sequence.length == 0 || sequence.codePoint == ':') return false;
        if (position == 0 ? !isNameStartChar(sequence.codePoint) : !isNameChar(sequence.codePoint))
            return false;
        position += sequence.length;
    }
    return true;
}

std::string codePointNotation(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

}  // namespace Kestrune::Soa::Common::Xml::detail
