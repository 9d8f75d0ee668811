#include "host/reader/Tokenizer.h"

#include "host/XmlCharacters.h"
#include "host/reader/ByteClasses.h"
#include "host/reader/TextPosition.h"

#include <algorithm>
#include <cstring>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

// The length of the UTF-8 sequence that `lead` begins (1 for a byte that
// begins none: decodeUtf8 refuses it).
std::size_t sequenceLength(unsigned char lead) noexcept { return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

char32_t decoded(char const* p, char const* end) noexcept {
    return detail::decodeUtf8(std::string_view(p, static_cast<std::size_t>(end - p)), 0).codePoint;
}

// The bytes of a broken UTF-8 sequence at `p`, as far as they show it
// broken (up to the first byte that does not continue it), said as what is
// "not UTF-8": "the byte 0xF5 is", "the bytes 0xC3 0x3C are".
std::string brokenBytes(char const* p, char const* end) {
    unsigned char const lead = static_cast<unsigned char>(*p);
    std::size_t const length =
        lead < 0xC2 || lead > 0xF4 ? 1 : sequenceLength(lead);  // a byte no character begins with
    std::string bytes;
    for (std::size_t i = 0; i < length && p + i < end; ++i) {
        bytes += (i == 0 ? "" : " ") + detail::byteNotation(static_cast<unsigned char>(p[i]));
        if (i > 0 && (static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) break;
    }
    bool const one = bytes.find(' ') == std::string::npos;
    return (one ? "the byte " : "the bytes ") + bytes + (one ? " is" : " are");
}

}  // namespace

void Tokenizer::start(TextInput& input, Guesses guesses) noexcept {
    m_input = &input;
    m_guesses = guesses;
    m_cur = m_token = input.begin();
    m_end = input.end();
    m_final = input.final();
    m_inside = "";
    m_where = Where::BeforeRoot;
    m_depth = 0;
    m_textBytes = 0;
    m_cdataEnd = nullptr;
}

void Tokenizer::fail(char const* at, std::string const& reason) const { refuse(at, Refusal::NotWellFormed, reason); }

void Tokenizer::refuse(char const* at, Refusal kind, std::string const& reason) const {
    throw errorAt(kind, m_input->position().at(at), reason);
}

// The token goes on at the end of the text at hand: read it again with
// more text, or, at the end of the text, fail inside it. While a reference
// is read, the text at hand ends where its token passes maxTokenBytes (see
// reference()): there the token is refused.
void Tokenizer::atEnd() const {
    if (m_end != m_input->end()) overLimit(m_end, Limit::TokenBytes);
    if (!m_final) throw NeedMore{};
    endsInside();
}

void Tokenizer::endsInside() const { fail(m_end, std::string("the document ends inside ") + m_inside); }

void Tokenizer::outsideTheRoot(char const* at) const {
    fail(at, m_where == Where::BeforeRoot ? "the root element's start tag is expected here"
                                          : "the document goes on after its root element ends");
}

Tokenizer::Token Tokenizer::next() {
    for (;;) {
        try {
            return step();
        } catch (NeedMore const&) {
            m_input->more(m_token);
            m_cur = m_token = m_input->begin();
            m_end = m_input->end();
            m_final = m_input->final();
        }
    }
}

Tokenizer::Token Tokenizer::step() {
    if (m_cdataEnd != nullptr) {  // the rest of a CDATA section, in its pieces
        Token const token = cdata();
        if (token == Token::Text) return token;
    }
    for (;;) {
        m_token = m_cur;
        if (m_cur == m_end) {
            if (!m_final) throw NeedMore{};
            if (m_where == Where::BeforeRoot) fail(m_end, "the document has no root element");
            m_at = m_end;
            return Token::End;
        }
        if (*m_cur == '<') {
            m_textBytes = 0;
            Token const token = markup();
            if (token != Token::End) return token;  // End: markup that makes no token
            continue;
        }
        if (m_depth > 0) return characterData();
        outside();
    }
}

// White space before or after the root element; anything else there fails.
void Tokenizer::outside() {
    char const* p = m_cur;
    while (p < m_end && (classOf(*p) & kSpace)) ++p;
    countText(m_cur, p);
    m_cur = p;
    if (p == m_end || *p == '<') return;
    outsideTheRoot(p);
}

// The character (not ASCII) that begins at `p`, checked: valid UTF-8 and
// allowed by XML. Returns what follows it. `limit` is where the text at
// hand ends for the caller.
char const* Tokenizer::character(char const* p, char const* limit) {
    unsigned char const lead = static_cast<unsigned char>(*p);
    if (lead < 0x80)
        fail(p, "the text holds the character " + quoted(std::string_view(p, 1)) + ", which XML does not allow");
    std::size_t const length = sequenceLength(lead);
    if (lead >= 0xC2 && lead <= 0xF4 && static_cast<std::size_t>(limit - p) < length) {
        // Cut by the end of the text at hand: read again with the rest (or
        // refused with its token), unless what is there already shows it is
        // broken.
        bool continues = true;
        for (char const* q = p + 1; q < limit; ++q)
            continues = continues && (static_cast<unsigned char>(*q) & 0xC0) == 0x80;
        if (continues && limit == m_end && !(m_final && m_end == m_input->end())) atEnd();
    }
    detail::Utf8Sequence const sequence =
        detail::decodeUtf8(std::string_view(p, static_cast<std::size_t>(limit - p)), 0);
    if (sequence.length == 0) {
        refuse(p, Refusal::Undecodable, brokenBytes(p, m_end) + " not UTF-8");
    }
    if (!detail::isXmlChar(sequence.codePoint)) {
        fail(p, "the text holds the character " + quoted(std::string_view(p, sequence.length)) +
                    ", which XML does not allow");
    }
    return p + sequence.length;
}

// The name that starts at `p`, up to the first byte that cannot continue
// it; fails with `missing` when no name starts there.
char const* Tokenizer::scanName(char const* p, Name& name, char const* missing) {
    char const* const start = p;
    need(p);
    if (classOf(*p) & kStartsName) {
        ++p;
    } else if (*p != ':' && !startsName(p)) {
        fail(p, missing);
    }
    std::uint64_t colons = 0;
    for (;;) {
        p = skipAsciiName(p, m_end, start, colons);
        if (static_cast<std::size_t>(p - start) > m_limits->maxNameBytes)
            overLimit(start + m_limits->maxNameBytes, Limit::NameBytes);
        need(p);
        if (static_cast<unsigned char>(*p) < 0x80) break;
        char const* const after = character(p, m_end);
        if (!detail::isNameChar(decoded(p, after))) break;
        p = after;
    }
    name.text = start;
    name.length = static_cast<std::uint32_t>(p - start);
    // A qualified name: one colon at most, between two names (a name
    // beginning with a colon, or holding one past 2^32 bytes, is not one).
    name.colon = static_cast<std::uint32_t>(colons);
    bool const first = *start == ':';
    name.qualified =
        !first && (colons == 0 || (colons >> 32 == 0 && name.colon != 0 && startsName(start + name.colon + 1, p)));
    if (first) name.colon = 0;
    return p;
}

// Whether a name may begin at `p` (before `end`): a letter, '_', or a
// character that XML lets begin a name (not ':': a qualified name's parts
// never begin with one).
bool Tokenizer::startsName(char const* p, char const* end) {
    if (p >= end) return false;
    if (static_cast<unsigned char>(*p) < 0x80) return (classOf(*p) & kStartsName) != 0;
    return detail::isNameStartChar(decoded(p, character(p, end)));
}

Tokenizer::Token Tokenizer::markup() {
    m_inside = "a start tag";
    need(m_cur + 1);
    switch (m_cur[1]) {
        case '/':
            endTag();
            return Token::EndTag;
        case '?':
            return processingInstruction();
        case '!':
            need(m_cur + 2);
            if (m_cur[2] == '-') {
                comment();
                return Token::End;
            }
            if (m_cur[2] == '[') return cdata();
            doctype();
            return Token::End;
        default:
            startTag();
            return Token::StartTag;
    }
}

void Tokenizer::startTag() {
    if (m_where == Where::AfterRoot) outsideTheRoot(m_cur);
    // The last name at this depth, else the one that followed it the last
    // time (one place that compares, kept inline).
    std::uint32_t guess = m_depth < m_guesses.atDepth->size() ? (*m_guesses.atDepth)[m_depth] : kUnknown;
    char const* p = nullptr;
    for (int tries = 0; guess != kUnknown; guess = (*m_guesses.names)[guess].next) {
        p = guessedName(m_cur + 1, guess, m_name);
        if (p != nullptr || ++tries == 2) break;
    }
    KnownName const* const known = p != nullptr ? &(*m_guesses.names)[guess] : nullptr;
    if (p == nullptr) {
        p = scanName(m_cur + 1, m_name, "'<' is not followed by an element name (write '&lt;' for '<')");
        m_name.known = kUnknown;
    }
    m_attributes.clear();
    m_values.clear();
    for (;;) {
        char const* const name = spaces(p);
        if (*name == '>') {
            m_emptyElement = false;
            m_at = name;
            m_cur = name + 1;
            break;
        }
        if (*name == '/') {
            need(name + 1);
            if (name[1] != '>') fail(name + 1, "'/' in a start tag is not followed by '>'");
            m_emptyElement = true;
            m_at = name + 1;  // the end of the start tag, its '>', as for an element with content
            m_cur = name + 2;
            break;
        }
        unsigned char const c = static_cast<unsigned char>(*name);
        if ((classOf(*name) & kStartsName) == 0 && c < 0x80) {
            fail(name, "a start tag holds " + quoted(std::string_view(name, 1)) +
                           " where '>', '/>' or an attribute name is expected");
        }
        if (name == p) fail(name, "an attribute is not separated from what comes before it by white space");
        Attribute& attribute = m_attributes.emplace_back();
        std::size_t const index = m_attributes.size() - 1;
        std::uint32_t const attributeGuess = known != nullptr && index < known->attributeCount
                                                 ? (*m_guesses.attributes)[known->attributesAt + index]
                                                 : kUnknown;
        p = guessedName(name, attributeGuess, attribute.name);
        if (p == nullptr) {
            p = scanName(name, attribute.name, "a start tag holds a character that cannot begin an attribute name");
            attribute.name.known = kUnknown;
        }
        p = spaces(p);
        if (*p != '=') {
            fail(p, "attribute " + quoted(attribute.name.whole()) + " has no value ('=' and a quoted value expected)");
        }
        if (m_attributes.size() > m_limits->maxAttributes) overLimit(p, Limit::Attributes);
        p = spaces(p + 1);
        if (*p != '"' && *p != '\'') {
            fail(p, "the value of attribute " + quoted(attribute.name.whole()) + " is not in quotes");
        }
        p = value(p, attribute);
    }
    for (Attribute& attribute : m_attributes) {
        if (attribute.decoded)
            attribute.value = std::string_view(m_values).substr(attribute.decodedAt, attribute.decodedLength);
    }
    if (m_where == Where::BeforeRoot) m_where = Where::InRoot;
    if (!m_emptyElement) {
        ++m_depth;
    } else if (m_depth == 0) {
        m_where = Where::AfterRoot;
    }
}

// The attribute value whose opening quote is at `p`; returns what follows
// its closing quote. A value that references or white space do not change
// is kept where it is; another is decoded into m_values.
char const* Tokenizer::value(char const* p, Attribute& attribute) {
    char const quote = *p++;
    char const* const start = p;
    attribute.valueAt = start;
    // A value longer than the limit is refused at its first byte past it.
    char const* const limit = bounded(start, m_limits->maxTokenBytes);
    p = skipValue(p, limit);
    if (p < limit && *p == quote) {
        attribute.value = std::string_view(start, static_cast<std::size_t>(p - start));
        attribute.decoded = false;
        return p + 1;
    }
    std::size_t const decodedAt = m_values.size();
    m_values.append(start, p);
    for (;;) {
        if (p >= limit) {
            if (limit == m_end) need(p);
            if (p > limit || *p != quote) overLimit(limit, Limit::TokenBytes);
        }
        char const c = *p;
        if (c == quote) break;
        switch (c) {
            case '<':
                fail(p, "'<' is not allowed in an attribute value (write '&lt;')");
            case '&': {
                char decoded[4];
                std::size_t length = 0;
                p = reference(p, decoded, length, limit);
                m_values.append(decoded, length);
                break;
            }
            case '\r':
                need(p + 1);
                if (p[1] == '\n') ++p;  // the line feed becomes the space
                [[fallthrough]];
            case '\t':
            case '\n':
                m_values += ' ';
                ++p;
                break;
            default: {
                char const* const after = c == '"' || c == '\'' ? p + 1 : character(p, m_end);
                m_values.append(p, after);
                p = after;
            }
        }
        char const* const run = skipValue(p, std::max(p, limit));
        m_values.append(p, run);
        p = run;
    }
    attribute.decodedAt = decodedAt;
    attribute.decodedLength = m_values.size() - decodedAt;
    attribute.decoded = true;
    return p + 1;
}

// A piece of character data, [from, to), counted against the limit.
Tokenizer::Token Tokenizer::piece(char const* from, char const* to) {
    countText(from, to);
    m_text = std::string_view(from, static_cast<std::size_t>(to - from));
    m_cur = to;
    return Token::Text;
}

// Character data of the open element, up to the next markup, in pieces: a
// run as written, a reference's character, a line end made one line feed.
Tokenizer::Token Tokenizer::characterData() {
    // A run already past the limit is refused for it before the character
    // (or "]]>") that ends it is judged, as in pieces of any size.
    auto const runPastLimit = [this](char const* p) { return static_cast<std::size_t>(p - m_cur) > textRoom(); };
    char const* p = m_cur;
    for (;;) {
        p = skipText(p, m_end);
        if (p == m_end) {
            if (p > m_cur) return piece(m_cur, p);
            throw NeedMore{};  // at the end of the text, step() ends it
        }
        switch (*p) {
            case '<':
                return piece(m_cur, p);
            case '&': {
                if (p > m_cur) return piece(m_cur, p);
                std::size_t length = 0;
                char const* const after = reference(p, m_character, length, bounded(p, textRoom()));
                countText(p, after);
                m_text = std::string_view(m_character, length);
                m_cur = after;
                return Token::Text;
            }
            case ']':
                if (m_end - p < 3 && !m_final) {  // "]]>" may be cut by the window
                    if (p > m_cur) return piece(m_cur, p);
                    throw NeedMore{};
                }
                if (startsWith(p, m_end, "]]>")) {
                    if (runPastLimit(p)) return piece(m_cur, p);
                    fail(p, "the sequence ']]>' is not allowed in character data");
                }
                ++p;
                continue;
            case '\r':
                if (p > m_cur) return piece(m_cur, p);
                if (p + 1 == m_end && !m_final) throw NeedMore{};
                if (p + 1 < m_end && p[1] == '\n') {
                    countText(p, p + 1);
                    m_token = m_cur = ++p;  // the line feed goes on with what follows
                    continue;
                }
                countText(p, p + 1);
                m_text = "\n";
                m_cur = p + 1;
                return Token::Text;
            default: {
                if (static_cast<unsigned char>(*p) >= 0x80 && m_end - p < 4 && !m_final && p > m_cur)
                    return piece(m_cur, p);  // a character cut by the window: the rest after it
                if (runPastLimit(p)) return piece(m_cur, p);
                p = character(p, m_end);
            }
        }
    }
}

void Tokenizer::endTag() {
    m_inside = "an end tag";
    if (m_depth == 0) {
        if (m_where == Where::AfterRoot) outsideTheRoot(m_cur);
        fail(m_cur, "an end tag comes before any start tag");
    }
    char const* p = m_cur + 2;
    // Mostly the name of the open element, as the EventReader said: taken
    // whole when it is there, followed by what cannot continue a name.
    std::size_t const expected = m_expectedEnd.size();
    if (static_cast<std::size_t>(m_end - p) > expected && sameBytes(p, m_expectedEnd.data(), expected) &&
        (p[expected] == '>' || (classOf(p[expected]) & kSpace))) {
        m_name.text = p;
        m_name.length = static_cast<std::uint32_t>(expected);
        m_endMatches = true;
        p += expected;
    } else {
        p = scanName(p, m_name, "'</' is not followed by an element name");
        m_endMatches = false;
    }
    p = spaces(p);
    if (*p != '>') {
        // A character beyond ASCII is taken whole (read on when the window
        // cuts it), so that the message is the same however the text came.
        char const* const after = static_cast<unsigned char>(*p) < 0x80 ? p + 1 : character(p, m_end);
        fail(p, "an end tag holds " + quoted(std::string_view(p, static_cast<std::size_t>(after - p))) +
                    " after its name, not '>'");
    }
    m_at = m_cur = p + 1;
    if (--m_depth == 0) m_where = Where::AfterRoot;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
