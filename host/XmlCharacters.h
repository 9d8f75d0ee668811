#pragma once

// Character classes of XML 1.0 (fifth edition) over UTF-8 text. Internal to
// the host library: the escaping and the writer's name checks share them.

#include <cstddef>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::detail {

// One UTF-8 sequence: its code point and byte length; length 0 means the
// bytes at that place are not valid UTF-8 (bad lead or continuation byte,
// overlong form, surrogate, beyond U+10FFFF, or cut short).
struct Utf8Sequence {
    char32_t codePoint;
    std::size_t length;
};

Utf8Sequence decodeUtf8(std::string_view text, std::size_t position) noexcept;

// The bytes that `c` (at most U+10FFFF) takes in UTF-8.
constexpr std::size_t utf8Length(char32_t c) noexcept { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Writes `c` (at most U+10FFFF) in UTF-8 at `out`, which has room for
// utf8Length(c) bytes; returns that length.
std::size_t encodeUtf8(char32_t c, char* out) noexcept;

// Char of XML 1.0: tab, LF, CR, U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF.
constexpr bool isXmlChar(char32_t c) noexcept {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

constexpr bool isNameStartChar(char32_t c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

constexpr bool isNameChar(char32_t c) noexcept {
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// True when `name` is an NCName: a Name without any colon.
bool isNCName(std::string_view name) noexcept;

// "U+0001"-style notation, for messages.
std::string codePointNotation(char32_t c);

// "0xC3"-style notation of a byte, for messages.
std::string byteNotation(unsigned char byte);

// Text from the input as a message quotes it, every byte of it visible:
// runs of characters a person can read between single quotes, and between
// them each character that would not show or would garble the line (a
// control character, a line or direction mark, one that XML does not allow)
// named as U+XXXX, and each byte that is not UTF-8 as 0xNN. "'<a' U+001B
// '[31mRED/>'"; a single character named shows alone ("U+0000"); an empty
// text as "''".
std::string quotedInput(std::string_view text);

// A name of the schemas' as a message gives it with its namespace:
// "\"name\" in namespace \"uri\"", or "\"name\" in no namespace".
std::string inNamespace(std::string_view name, std::string_view uri);

}  // namespace Kestrune::Soa::Common::Xml::detail
