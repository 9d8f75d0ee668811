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

std::size_t encodeUtf8(char32_t c, char* out) noexcept {
    std::size_t const length = utf8Length(c);
    if (length == 1) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    unsigned char const leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t i = length - 1; i > 0; --i, c >>= 6) out[i] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>(leads[length] | c);
    return length;
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

std::string byteNotation(unsigned char byte) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(byte));
    return buffer;
}

namespace {

// Characters that a message names instead of showing.
bool named(char32_t c) noexcept {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF || !isXmlChar(c);
}

}  // namespace

std::string inNamespace(std::string_view name, std::string_view uri) {
    std::string const quotedName = '"' + std::string(name) + '"';
    return quotedName + (uri.empty() ? " in no namespace" : " in namespace \"" + std::string(uri) + '"');
}

std::string quotedInput(std::string_view text) {
    std::string out;
    bool open = false;  // within a quoted run
    auto const shown = [&](std::string_view part) {
        if (!open) out += out.empty() ? "'" : " '";
        out += part;
        open = true;
    };
    auto const notation = [&](std::string const& name) {
        if (open) out += '\'';
        if (!out.empty()) out += ' ';
        out += name;
        open = false;
    };
    for (std::size_t at = 0; at < text.size();) {
        Utf8Sequence const sequence = decodeUtf8(text, at);
        if (sequence.length == 0) {
            notation(byteNotation(static_cast<unsigned char>(text[at])));
            ++at;
            continue;
        }
        if (named(sequence.codePoint)) {
            notation(codePointNotation(sequence.codePoint));
        } else {
            shown(text.substr(at, sequence.length));
        }
        at += sequence.length;
    }
    if (out.empty()) return "''";
    if (open) out += '\'';
    return out;
}

}  // namespace Kestrune::Soa::Common::Xml::detail
