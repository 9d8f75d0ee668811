#include "host/reader/TextDecoder.h"

#include "host/XmlCharacters.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

enum class Start { Utf8, Utf8Mark, Utf16LittleMark, Utf16BigMark, Utf16Little, Utf16Big, Ucs4, Ebcdic };

// The first bytes that tell an encoding, in an order where no pattern hides
// another (a UCS-4 byte order mark begins like UTF-16's); any other start
// is UTF-8.
struct Pattern {
    unsigned char bytes[4];
    std::size_t size;
    Start start;
};
constexpr Pattern kPatterns[] = {
    // UCS-4 in its four byte orders, with a byte order mark and without.
    {{0x00, 0x00, 0xFE, 0xFF}, 4, Start::Ucs4},        {{0xFF, 0xFE, 0x00, 0x00}, 4, Start::Ucs4},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, Start::Ucs4},        {{0xFE, 0xFF, 0x00, 0x00}, 4, Start::Ucs4},
    {{0x00, 0x00, 0x00, 0x3C}, 4, Start::Ucs4},        {{0x3C, 0x00, 0x00, 0x00}, 4, Start::Ucs4},
    {{0x00, 0x00, 0x3C, 0x00}, 4, Start::Ucs4},        {{0x00, 0x3C, 0x00, 0x00}, 4, Start::Ucs4},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, Start::Ebcdic},      {{0xEF, 0xBB, 0xBF}, 3, Start::Utf8Mark},
    {{0xFF, 0xFE}, 2, Start::Utf16LittleMark},         {{0xFE, 0xFF}, 2, Start::Utf16BigMark},
    {{0x3C, 0x00, 0x3F, 0x00}, 4, Start::Utf16Little}, {{0x00, 0x3C, 0x00, 0x3F}, 4, Start::Utf16Big},
};

// The first byte is compared on its own: it tells most patterns apart
// without a call to compare the rest.
bool begins(std::string_view bytes, Pattern const& pattern, std::size_t size) {
    return bytes.size() >= size && static_cast<unsigned char>(bytes[0]) == pattern.bytes[0] &&
           std::equal(pattern.bytes, pattern.bytes + size, reinterpret_cast<unsigned char const*>(bytes.data()));
}

Start detect(std::string_view bytes) {
    for (Pattern const& pattern : kPatterns)
        if (begins(bytes, pattern, pattern.size)) return pattern.start;
    return Start::Utf8;
}

// Whether more bytes could change what detect() says of `bytes` (after a
// UTF-8 byte order mark, of what follows it, which must not be another):
// a stream is read no further than its encoding needs, so that a short
// message on a connection is not held back waiting for bytes after it.
bool undecided(std::string_view bytes) {
    for (Pattern const& pattern : kPatterns) {
        if (bytes.size() < pattern.size &&
            std::equal(bytes.begin(), bytes.end(), pattern.bytes,
                       [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; })) {
            return true;
        }
        if (pattern.start == Start::Utf8Mark && begins(bytes, pattern, pattern.size))
            return undecided(bytes.substr(pattern.size));
    }
    return false;
}

constexpr std::size_t kStartBytes = 8;  // enough to tell the encoding after a byte order mark

[[noreturn]] void faultAt(Refusal kind, TextPlace place, std::string reason) {
    throw TextFault{kind, std::move(reason), 0, true, place};
}

[[noreturn]] void faultAtOffset(std::size_t offset, std::string reason, Refusal kind = Refusal::Undecodable) {
    throw TextFault{kind, std::move(reason), offset, false, {}};
}

char const* nameOf(TextDecoder::Encoding encoding) {
    switch (encoding) {
        case TextDecoder::Encoding::Utf16LittleEndian:
            return "UTF-16LE";
        case TextDecoder::Encoding::Utf16BigEndian:
            return "UTF-16BE";
        default:
            return "UTF-8";
    }
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

void TextDecoder::start(RawText& raw) {
    m_raw.resize(kStartBytes);
    std::size_t got = 0;
    while (got < kStartBytes && undecided(std::string_view(m_raw.data(), got))) {
        std::size_t const more = raw.pull(&m_raw[got], kStartBytes - got);
        if (more == 0) {
            m_ended = true;
            break;
        }
        got += more;
    }
    m_raw.resize(got);
    tell(m_raw);
}

void TextDecoder::tellInMemory(std::string_view text) {
    tell(text.substr(0, kStartBytes));
    m_rawAt = m_raw.size();  // nothing held: the text is read where it is
}

void TextDecoder::tell(std::string_view first) {
    switch (detect(first)) {
        case Start::Ucs4:
        case Start::Ebcdic:
            faultAt(Refusal::Encoding, {},
                    std::string("the text is in ") + (detect(first) == Start::Ucs4 ? "UCS-4" : "EBCDIC") +
                        ", which is not accepted: send UTF-8 or UTF-16");
        case Start::Utf8Mark:
            m_encoding = Encoding::Utf8, m_markSize = 3;
            // A second mark, of another encoding, would contradict the first.
            if (detect(first.substr(3)) != Start::Utf8)
                faultAt(Refusal::Undecodable, {}, "the text after the UTF-8 byte order mark is not UTF-8");
            break;
        case Start::Utf16LittleMark:
            m_encoding = Encoding::Utf16LittleEndian, m_markSize = 2;
            break;
        case Start::Utf16BigMark:
            m_encoding = Encoding::Utf16BigEndian, m_markSize = 2;
            break;
        case Start::Utf16Little:
            m_encoding = Encoding::Utf16LittleEndian;
            break;
        case Start::Utf16Big:
            m_encoding = Encoding::Utf16BigEndian;
            break;
        case Start::Utf8:
            m_encoding = Encoding::Utf8;
            break;
    }
    m_rawAt = m_markSize;
}

std::size_t TextDecoder::read(RawText& raw, char* out, std::size_t size) {
    if (m_encoding == Encoding::Unknown) start(raw);
    std::size_t produced = 0;
    if (m_encoding == Encoding::Utf8) {
        if (m_rawAt < m_raw.size()) {
            produced = std::min(size, m_raw.size() - m_rawAt);
            std::memcpy(out, m_raw.data() + m_rawAt, produced);
            m_rawAt += produced;
        } else if (!m_ended) {
            produced = raw.pull(out, size);  // straight into the parser's buffer
            m_ended = produced == 0;
        }
    } else {
        // Two raw bytes make at most three of UTF-8, four make four.
        std::size_t const wanted = std::max<std::size_t>(size / 3 * 2, 4);
        while (produced == 0) {
            if (m_raw.size() - m_rawAt < 4 && !m_ended) {
                m_raw.erase(0, m_rawAt);
                m_rawAt = 0;
                std::size_t const kept = m_raw.size();
                m_raw.resize(kept + wanted);
                std::size_t const got = raw.pull(&m_raw[kept], wanted);
                m_raw.resize(kept + got);
                m_ended = got == 0;
            }
            produced = fromUtf16(out, size, m_ended);
            if (produced == 0 && m_ended) break;
        }
    }
    return produced;
}

std::size_t TextDecoder::fromUtf16(char* out, std::size_t size, bool ended) {
    bool const little = m_encoding == Encoding::Utf16LittleEndian;
    auto unitAt = [&](std::size_t at) {
        unsigned char const first = static_cast<unsigned char>(m_raw[at]);
        unsigned char const second = static_cast<unsigned char>(m_raw[at + 1]);
        return little ? static_cast<char32_t>(first | second << 8) : static_cast<char32_t>(first << 8 | second);
    };
    std::size_t produced = 0;
    while (m_rawAt + 2 <= m_raw.size()) {
        char32_t c = unitAt(m_rawAt);
        std::size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (m_rawAt + 4 > m_raw.size()) {
                if (!ended) break;  // its second half comes with the next bytes
                faultAtOffset(produced,
                              "the UTF-16 text holds an unpaired surrogate (" + detail::codePointNotation(c) + ")");
            }
            char32_t const low = unitAt(m_rawAt + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                faultAtOffset(produced,
                              "the UTF-16 text holds an unpaired surrogate (" + detail::codePointNotation(c) + ")");
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            units = 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            faultAtOffset(produced,
                          "the UTF-16 text holds an unpaired surrogate (" + detail::codePointNotation(c) + ")");
        } else if (c == 0) {
            // The parser would take it for the end of the text.
            faultAtOffset(produced, "the text holds the character U+0000, which XML does not allow",
                          Refusal::NotWellFormed);
        } else if (c == 0xFEFF && !m_started) {
            // The parser would take it for a byte order mark and skip it.
            faultAtOffset(produced, "the text starts with a second byte order mark");
        }
        if (produced + detail::utf8Length(c) > size) break;
        produced += detail::encodeUtf8(c, out + produced);
        m_rawAt += 2 * units;
        m_started = true;
    }
    if (produced == 0 && ended && m_rawAt < m_raw.size()) {
        faultAtOffset(0, "the text ends in the middle of a UTF-16 character");
    }
    return produced;
}

bool TextDecoder::checkDeclared(std::string_view declared) const {
    std::string const name = upper(declared);
    bool const utf16 = m_encoding != Encoding::Utf8;
    bool const sameByteOrder = (name == "UTF-16LE" && m_encoding == Encoding::Utf16LittleEndian) ||
                               (name == "UTF-16BE" && m_encoding == Encoding::Utf16BigEndian);
    if (utf16 ? name == "UTF-16" || sameByteOrder : name == "UTF-8") return false;
    // US-ASCII's registered names that an XML declaration can carry.
    bool const ascii = name == "US-ASCII" || name == "ASCII" || name == "ANSI_X3.4-1968" || name == "ANSI_X3.4-1986" ||
                       name == "ISO646-US" || name == "US" || name == "IBM367" || name == "CP367" || name == "CSASCII";
    if (ascii && !utf16 && m_markSize == 0) return true;
    std::string const quoted = "\"" + std::string(declared.substr(0, 64)) + (declared.size() > 64 ? "...\"" : "\"");
    if (m_markSize > 0) {
        faultAt(Refusal::Undecodable, {},
                std::string("the byte order mark says ") + nameOf(m_encoding) + " but the declaration says " + quoted);
    }
    if (ascii || name == "UTF-8" || name == "UTF-16" || name == "UTF-16LE" || name == "UTF-16BE") {
        faultAt(Refusal::Undecodable, {},
                std::string("the text is ") + nameOf(m_encoding) +
                    " (as its first bytes show) but the declaration says " + quoted);
    }
    faultAt(Refusal::Encoding, {}, "encoding " + quoted + " is not accepted: send UTF-8, UTF-16 or US-ASCII");
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
