// Character and entity references: the five predefined entities and
// references to the characters XML allows, decoded to UTF-8.
#include "host/XmlCharacters.h"
#include "host/reader/TextPosition.h"
#include "host/reader/Tokenizer.h"

#include <algorithm>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

// The reference whose "&" is at `p`: its character, in UTF-8, goes to
// `out`. Returns what follows its ";". The token it is part of ends at
// `limit` at the latest: the text at hand ends there while the reference is
// read, so that one that goes on past it is refused there (see need()).
char const* Tokenizer::reference(char const* p, char* out, std::size_t& length, char const* limit) {
    char const* const inside = m_inside;
    m_inside = "a reference";
    struct Within {
        char const*& end;
        char const* const whole;
        ~Within() { end = whole; }
    } const within{m_end, m_end};
    m_end = limit;
    char const* q = p + 1;
    need(q);
    if (*q == '#') {
        ++q;
        need(q);
        bool const hex = *q == 'x';
        if (hex) ++q;
        char32_t c = 0;
        char const* const digits = q;
        for (;; ++q) {
            need(q);
            unsigned const d = static_cast<unsigned char>(*q);
            unsigned value;
            if (d >= '0' && d <= '9') {
                value = d - '0';
            } else if (hex && (d | 0x20) >= 'a' && (d | 0x20) <= 'f') {
                value = (d | 0x20) - 'a' + 10;
            } else {
                break;
            }
            c = std::min<char32_t>(c * (hex ? 16 : 10) + value, 0x110000);  // past the last character, it stays past
        }
        if (q == digits) fail(q, "a character reference has no digits");
        if (*q != ';') fail(q, "a character reference does not end with ';'");
        if (!detail::isXmlChar(c)) {
            fail(p, "the character reference " + quoted(std::string_view(p, static_cast<std::size_t>(q + 1 - p))) +
                        " is to a character that XML does not allow");
        }
        length = detail::encodeUtf8(c, out);
    } else {
        Name name;
        q = scanName(q, name, "'&' does not begin a reference (write '&amp;' for '&')");
        need(q);
        if (*q != ';')
            fail(q, "the reference " + quoted(std::string_view(p, static_cast<std::size_t>(q - p))) +
                        " does not end with ';'");
        std::string_view const entity = name.whole();
        char const predefined = entity == "lt"     ? '<'
                                : entity == "gt"   ? '>'
                                : entity == "amp"  ? '&'
                                : entity == "apos" ? '\''
                                : entity == "quot" ? '"'
                                                   : '\0';
        if (predefined == '\0')
            fail(q + 1,
                 "the entity " + quoted(entity) + " is not declared (the document can use amp, lt, gt, apos and quot)");
        out[0] = predefined;
        length = 1;
    }
    m_inside = inside;
    return q + 1;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
