#include "host/reader/TextDecoder.h"

#include "host/XmlCharacters.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

enum class Start { Utf8, Utf8Mark, Utf16LittleMark, Utf16BigMark, Utf16Little, Utf16Big, Ucs4, Ebcdic };

// What the first four bytes tell, checked in an order where no pattern
// hides another (a UCS-4 byte order mark begins like UTF-16's).
Start detect(std::string_view bytes) {
    auto starts = [&](std::initializer_list<unsigned char> pattern) {
        return bytes.size() >= pattern.size() &&
               std::equal(pattern.begin(), pattern.end(), reinterpret_cast<unsigned char const*>(bytes.data()));
    };
    // UCS-4 in its four byte orders, with a byte order mark and without.
    if (starts({0x00, 0x00, 0xFE, 0xFF}) || starts({0xFF, 0xFE, 0x00, 0x00}) || starts({0x00, 0x00, 0xFF, 0xFE}) ||
        starts({0xFE, 0xFF, 0x00, 0x00}) || starts({0x00, 0x00, 0x00, 0x3C}) || starts({0x3C, 0x00, 0x00, 0x00}) ||
        starts({0x00, 0x00, 0x3C, 0x00}) || starts({0x00, 0x3C, 0x00, 0x00})) {
        return Start::Ucs4;
    }
    if (starts({0x4C, 0x6F, 0xA7, 0x94})) return Start::Ebcdic;
    if (starts({0xEF, 0xBB, 0xBF})) return Start::Utf8Mark;
    if (starts({0xFF, 0xFE})) return Start::Utf16LittleMark;
    if (starts({0xFE, 0xFF})) return Start::Utf16BigMark;
    if (starts({0x3C, 0x00, 0x3F, 0x00})) return Start::Utf16Little;
    if (starts({0x00, 0x3C, 0x00, 0x3F})) return Start::Utf16Big;
    return Start::Utf8;
}

constexpr std::size_t kStartBytes = 8;  // enough to tell the encoding after a byte order mark

char const* const kParseError = "XML parse error";
char const* const kRefused = "XML document refused";

[[noreturn]] void faultAt(char const* what, TextPlace place, std::string reason) {
    throw TextFault{what, std::move(reason), 0, true, place};
}

[[noreturn]] void faultAtOffset(std::size_t offset, std::string reason) {
    throw TextFault{kParseError, std::move(reason), offset, false, {}};
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

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The value of the "encoding" pseudo-attribute of an XML declaration, and
// its offset; an empty view when there is none, or when the declaration is
// malformed (the parser reports that).
std::pair<std::string_view, std::size_t> declaredEncoding(std::string_view declaration) {
    std::size_t i = 5;  // after "<?xml"
    auto skipSpace = [&] {
        while (i < declaration.size() && isSpace(declaration[i])) ++i;
    };
    for (;;) {
        skipSpace();
        std::size_t const nameStart = i;
        while (i < declaration.size() && declaration[i] >= 'a' && declaration[i] <= 'z') ++i;
        std::string_view const name = declaration.substr(nameStart, i - nameStart);
        skipSpace();
        if (name.empty() || i >= declaration.size() || declaration[i] != '=') return {};
        ++i;
        skipSpace();
        if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return {};
        std::size_t const end = declaration.find(declaration[i], i + 1);
        if (end == std::string_view::npos) return {};
        if (name == "encoding") return {declaration.substr(i + 1, end - i - 1), i + 1};
        i = end + 1;
    }
}

}  // namespace

void TextDecoder::start(RawText& raw) {
    m_raw.resize(kStartBytes);
    std::size_t got = 0;
    while (got < kStartBytes) {
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
    if (m_encoding != Encoding::Utf8) return;
    // The declaration, looked for in pieces as read() hands them on.
    for (std::size_t at = m_markSize; m_declarationState != Declaration::Done; at += 256)
        followDeclaration(text.substr(std::min(at, text.size()), 256));
}

void TextDecoder::tell(std::string_view first) {
    switch (detect(first)) {
        case Start::Ucs4:
        case Start::Ebcdic:
            faultAt(kRefused, {},
                    std::string("the text is in ") + (detect(first) == Start::Ucs4 ? "UCS-4" : "EBCDIC") +
                        ", which is not accepted: send UTF-8 or UTF-16");
        case Start::Utf8Mark:
            m_encoding = Encoding::Utf8, m_markSize = 3;
            // A second mark, of another encoding, would contradict the first.
            if (detect(first.substr(3)) != Start::Utf8)
                faultAt(kParseError, {}, "the text after the UTF-8 byte order mark is not UTF-8");
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
    followDeclaration(std::string_view(out, produced));
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
                faultAtOffset(produced, "the UTF-16 text holds an unpaired surrogate (" +
                                            detail::codePointNotation(c) + ")");
            }
            char32_t const low = unitAt(m_rawAt + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                faultAtOffset(produced, "the UTF-16 text holds an unpaired surrogate (" +
                                            detail::codePointNotation(c) + ")");
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            units = 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            faultAtOffset(produced,
                          "the UTF-16 text holds an unpaired surrogate (" + detail::codePointNotation(c) + ")");
        } else if (c == 0) {
            // The parser would take it for the end of the text.
            faultAtOffset(produced, "the text holds the character U+0000, which XML does not allow");
        } else if (c == 0xFEFF && !m_started) {
            // The parser would take it for a byte order mark and skip it.
            faultAtOffset(produced, "the text starts with a second byte order mark");
        }
        std::size_t const length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (produced + length > size) break;
        unsigned char* const place = reinterpret_cast<unsigned char*>(out + produced);
        if (length == 1) {
            place[0] = static_cast<unsigned char>(c);
        } else {
            unsigned char const leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
            for (std::size_t i = length - 1; i > 0; --i, c >>= 6) place[i] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            place[0] = static_cast<unsigned char>(leads[length] | c);
        }
        produced += length;
        m_rawAt += 2 * units;
        m_started = true;
    }
    if (produced == 0 && ended && m_rawAt < m_raw.size()) {
        faultAtOffset(0, "the text ends in the middle of a UTF-16 character");
    }
    return produced;
}

void TextDecoder::followDeclaration(std::string_view out) {
    if (m_declarationState == Declaration::Done) return;
    if (m_declaration.empty() && m_declarationState == Declaration::Undecided && out.size() >= 6) {
        // The usual case, the whole declaration in the first piece, without a copy.
        bool const declared = out.compare(0, 5, "<?xml") == 0 && isSpace(out[5]);
        std::size_t const end = declared ? out.find("?>") : 0;
        if (!declared || end != std::string_view::npos) {
            m_declarationState = Declaration::Done;
            if (declared) checkDeclaration(out.substr(0, end));
            return;
        }
    }
    std::size_t const before = m_declaration.size();
    m_declaration.append(out);
    if (m_declarationState == Declaration::Undecided) {
        if (m_declaration.size() < 6 && !out.empty()) return;
        bool const declared = m_declaration.compare(0, 5, "<?xml") == 0 && m_declaration.size() > 5 &&
                              isSpace(m_declaration[5]);
        m_declarationState = declared ? Declaration::Reading : Declaration::Done;
    }
    if (m_declarationState == Declaration::Reading) {
        std::size_t const end = m_declaration.find("?>", before > 0 ? before - 1 : 0);
        if (end == std::string::npos && !out.empty()) return;
        if (end != std::string::npos) m_declaration.resize(end);
        m_declarationState = Declaration::Done;
        checkDeclaration(m_declaration);
    }
    m_declaration.clear();
}

void TextDecoder::checkDeclaration(std::string_view declaration) const {
    auto const [declared, at] = declaredEncoding(declaration);
    if (declared.empty()) return;
    std::string const name = upper(declared);
    bool const utf16 = m_encoding != Encoding::Utf8;
    bool const sameByteOrder = (name == "UTF-16LE" && m_encoding == Encoding::Utf16LittleEndian) ||
                               (name == "UTF-16BE" && m_encoding == Encoding::Utf16BigEndian);
    if (utf16 ? name == "UTF-16" || sameByteOrder : name == "UTF-8") return;
    TextPlace const place = TextPosition::of(declaration, at);
    std::string const quoted =
        "\"" + std::string(declared.substr(0, 64)) + (declared.size() > 64 ? "...\"" : "\"");
    if (m_markSize > 0) {
        faultAt(kParseError, place,
                std::string("the byte order mark says ") + nameOf(m_encoding) + " but the declaration says " +
                    quoted);
    }
    if (name == "UTF-8" || name == "UTF-16" || name == "UTF-16LE" || name == "UTF-16BE") {
        faultAt(kParseError, place,
                std::string("the text is ") + nameOf(m_encoding) + " (as its first bytes show) but the declaration says " +
                    quoted);
    }
    faultAt(kRefused, place, "encoding " + quoted + " is not accepted: send UTF-8 or UTF-16");
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
