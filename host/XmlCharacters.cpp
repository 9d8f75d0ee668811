#include "host/XmlCharacters.h"

#include <array>
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
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return invalid;
    return {codePoint, length};
}

namespace {

// ASCII bytes that may start a name (1) or continue one (2); names are
// nearly always ASCII, so most checks never decode.
enum : unsigned char { StartsName = 1, ContinuesName = 2 };

constexpr std::array<unsigned char, 128> makeAsciiNameTable() {
    std::array<unsigned char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        if (isNameStartChar(static_cast<char32_t>(c))) table[c] |= StartsName;
        if (isNameChar(static_cast<char32_t>(c))) table[c] |= ContinuesName;
    }
    return table;
}

}  // namespace

bool isNCName(std::string_view name) noexcept {
    static constexpr std::array<unsigned char, 128> asciiName = makeAsciiNameTable();
    if (name.empty()) return false;
    for (std::size_t position = 0; position < name.size();) {
        unsigned char const byte = static_cast<unsigned char>(name[position]);
        unsigned char const wanted = position == 0 ? StartsName : ContinuesName;
        if (byte < 0x80) {
            if (byte == ':' || !(asciiName[byte] & wanted)) return false;
            ++position;
            continue;
        }
        Utf8Sequence const sequence = decodeUtf8(name, position);
        if (sequence.length == 0) return false;
        if (position == 0 ? !isNameStartChar(sequence.codePoint) : !isNameChar(sequence.codePoint)) return false;
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
