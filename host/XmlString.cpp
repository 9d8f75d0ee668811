#include "host/XmlString.h"

#include "host/DomException.h"
#include "host/XmlCharacters.h"
#include "host/writer/Text.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace Kestrune::Soa::Common::Xml {

namespace {

enum ByteClass : unsigned char { Plain, Escape, Control, NonAscii };

constexpr std::array<unsigned char, 256> makeByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 0x20; ++b) classes[b] = Control;
    for (int b = 0x80; b < 0x100; ++b) classes[b] = NonAscii;
    for (unsigned char b : {'&', '<', '>', '"', '\'', '\t', '\n', '\r'}) classes[b] = Escape;
    return classes;
}

constexpr std::array<unsigned char, 256> byteClasses = makeByteClasses();

// True when the eight bytes at `at` are all Plain: printable ASCII, none of
// them markup or a quote. Tested a word at a time, since most text is
// plain: a byte below 0x20 or with its high bit set, or one equal to a byte
// that is escaped, makes the word fail.
inline bool plainWord(char const* at) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    // Nonzero when some byte of `x` is below `n` (n <= 0x80).
    auto anyBelow = [](std::uint64_t x, unsigned n) { return (x - ones * n) & ~x & highs; };
    auto anyEqual = [&](unsigned char c) { return anyBelow(word ^ (ones * c), 1); };
    return ((word & highs) | anyBelow(word, 0x20) | anyBelow(word ^ (ones * '&'), 2) /* '&' and '\'' */ |
            anyEqual('<') | anyEqual('>') | anyEqual('"')) == 0;
}

std::string_view replacementOf(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&apos;";
        case '\t':
            return "&#9;";
        case '\n':
            return "&#10;";
        default:
            return "&#13;";
    }
}

[[noreturn]] void refuse(std::string_view text, std::size_t offset, std::string const& what) {
    throw Exceptions::DomException("toXmlString: " + what + " at byte offset " + std::to_string(offset) + " of a " +
                                       std::to_string(text.size()) + "-byte text cannot be carried by XML 1.0",
                                   Exceptions::ErrorKind::Unwritable);
}

// Escapes `text` onto `out` (a std::string, or a stream's Text), which is
// left as it was on refusal.
template <class Out>
void escapeOnto(Out& out, std::string_view text) {
    std::size_t const originalSize = out.size();
    std::size_t plainStart = 0;
    std::size_t position = 0;
    try {
        while (true) {
            // Runs of plain bytes are copied in one append.
            while (text.size() - position >= 8 && plainWord(text.data() + position)) position += 8;
            while (position < text.size() && byteClasses[static_cast<unsigned char>(text[position])] == Plain)
                ++position;
            if (position == text.size()) break;
            unsigned char const byte = static_cast<unsigned char>(text[position]);
            switch (byteClasses[byte]) {
                case Escape: {
                    std::string_view const replacement = replacementOf(text[position]);
                    out.append(text.data() + plainStart, position - plainStart);
                    out.append(replacement.data(), replacement.size());
                    plainStart = ++position;
                    break;
                }
                case Control:
                    refuse(text, position, "the control character " + detail::codePointNotation(byte));
                default: {
                    detail::Utf8Sequence const sequence = detail::decodeUtf8(text, position);
                    if (sequence.length == 0)
                        refuse(text, position, "the invalid UTF-8 byte " + detail::byteNotation(byte));
                    if (!detail::isXmlChar(sequence.codePoint))
                        refuse(text, position, "the character " + detail::codePointNotation(sequence.codePoint));
                    position += sequence.length;
                    break;
                }
            }
        }
    } catch (...) {
        out.resize(originalSize);
        throw;
    }
    out.append(text.data() + plainStart, position - plainStart);
}

}  // namespace

void appendXmlString(std::string& out, std::string_view text) { escapeOnto(out, text); }

void Writer::appendXmlString(Text& out, std::string_view text) { escapeOnto(out, text); }

std::string toXmlString(std::string const& text) {
    std::string escaped;
    escaped.reserve(text.size());
    appendXmlString(escaped, text);
    return escaped;
}

}  // namespace Kestrune::Soa::Common::Xml
