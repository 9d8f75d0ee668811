// The markup of a document that is not an element: processing
// instructions, the XML declaration, comments, CDATA sections, and the
// document type declaration, which is refused.
#include "host/reader/ByteClasses.h"
#include "host/reader/TextPosition.h"
#include "host/reader/Tokenizer.h"

#include <algorithm>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

Tokenizer::Token Tokenizer::processingInstruction() {
    m_inside = "a processing instruction";
    char const* const content = m_cur + 2;
    char const* p = scanName(content, m_name, "'<?' is not followed by a target name");
    std::string_view const target = m_name.whole();
    bool const xml =
        target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
    if (xml) {
        if (target == "xml" && m_cur == m_input->begin() && m_input->offsetOf(m_cur) == 0) {
            declaration(content);
            return Token::End;
        }
        fail(content, target == "xml"
                          ? "XML declaration allowed only at the start of the document"
                          : "the processing instruction target " + quoted(target) + " is reserved (any case of 'xml')");
    }
    if (m_name.colon != 0 || !m_name.qualified) {
        fail(content, "the processing instruction target " + quoted(target) +
                          " holds a colon, which Namespaces in XML does not allow");
    }
    need(p);
    if (!(classOf(*p) & kSpace) && !startsWith(p, m_end, "?>")) {
        need(p + 1);
        fail(p, "the target of a processing instruction is not followed by white space or '?>'");
    }
    m_at = m_cur = untilMark<kEndsPi>(content, p, "?>") + 2;
    return Token::Target;
}

// The content of a processing instruction, comment or CDATA section that
// begins at `content`, read from `p` up to its end mark (`mark`: "?>",
// "-->" or "]]>") within maxTokenBytes: returns where the mark begins.
// `doubled`, when not null, refuses the mark's bytes but its last in the
// content ("--" in a comment).
template <ByteClass Ends>
char const* Tokenizer::untilMark(char const* content, char const* p, std::string_view mark, char const* doubled) {
    std::size_t const marks = mark.size() - 1;  // how many times mark[0] begins it
    char const* const limit = tokenLimit(content, mark.size());
    for (;;) {
        p = skipRun<Ends>(p, limit);
        if (p >= limit) atLimit(p, limit, content, mark[0], marks);
        if (*p == mark[0]) {
            std::size_t matched = 1;
            for (; matched < mark.size(); ++matched) {
                // A mark that reaches the limit begins past the longest content.
                if (p + matched >= limit) atLimit(p + matched, limit, content, mark[0], marks);
                if (p[matched] != mark[matched]) break;
            }
            if (matched == mark.size()) return p;
            if (doubled != nullptr && matched == marks) fail(p, doubled);
            ++p;
        } else if (classOf(*p) & kSpace) {
            ++p;  // a line end, which a CDATA section's pieces make one line feed
        } else {
            p = character(p, m_end);
        }
    }
}

// The XML declaration, whose "xml" is at `content`: version, encoding and
// standalone, in that order, the first required. A token like a processing
// instruction: every scan stops at `limit`, past its longest content and
// its "?>", where it is refused.
void Tokenizer::declaration(char const* content) {
    m_inside = "the XML declaration";
    char const* const limit = tokenLimit(content, 2);
    auto const reach = [&](char const* q) {
        if (q >= limit) atLimit(q, limit, content, '?', 1);
    };
    auto const spacesFrom = [&](char const* q) {
        while (q < limit && (classOf(*q) & kSpace)) ++q;
        reach(q);
        return q;
    };
    char const* p = content + 3;
    // One pseudo-attribute: white space, its name, "=", a quoted value;
    // returns the value, or an empty view when another name comes.
    auto pseudo = [&](std::string_view name, char const*& valueAt) -> std::string_view {
        char const* const before = p;
        char const* q = spacesFrom(p);
        std::size_t const there = std::min(name.size(), static_cast<std::size_t>(limit - q));
        if (std::memcmp(q, name.data(), there) == 0) reach(q + name.size());  // perhaps cut by the window
        if (q == before || !startsWith(q, limit, name)) return {};
        q = spacesFrom(q + name.size());
        if (*q != '=') fail(q, "'=' is expected after " + quoted(name) + " in the XML declaration");
        q = spacesFrom(q + 1);
        char const quote = *q;
        if (quote != '"' && quote != '\'')
            fail(q, "the " + std::string(name) + " in the XML declaration is not in quotes");
        valueAt = ++q;
        while (q < limit && *q != quote && *q != '<' && static_cast<unsigned char>(*q) < 0x80 && *q != '?') ++q;
        reach(q);
        if (*q != quote) fail(q, "the " + std::string(name) + " in the XML declaration is not closed by its quote");
        p = q + 1;
        return std::string_view(valueAt, static_cast<std::size_t>(q - valueAt));
    };
    char const* at = nullptr;
    std::string_view const version = pseudo("version", at);
    if (at == nullptr) fail(p, "the XML declaration does not begin with its version (version=\"1.0\")");
    bool const versionOk = version.size() > 2 && version.compare(0, 2, "1.") == 0 &&
                           std::all_of(version.begin() + 2, version.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!versionOk) fail(at, "the XML version " + quoted(version) + " is not 1.x");
    at = nullptr;
    std::string_view const encoding = pseudo("encoding", at);
    if (at != nullptr) {
        auto const encodingCharacter = [](char c, bool first) {
            bool const letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            return letter || (!first && ((c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-'));
        };
        for (std::size_t i = 0; i <= encoding.size(); ++i)
            if (i == encoding.size() ? i == 0 : !encodingCharacter(encoding[i], i == 0))
                fail(at + i,
                     "the encoding " + quoted(encoding) +
                         " in the XML declaration is not a name (a letter, then letters, digits, '.', '_' or '-')");
        m_input->checkDeclared(encoding, at);
    }
    at = nullptr;
    std::string_view const standalone = pseudo("standalone", at);
    if (at != nullptr && standalone != "yes" && standalone != "no") {
        fail(at, "standalone in the XML declaration is " + quoted(standalone) + ", not 'yes' or 'no'");
    }
    p = spacesFrom(p);
    reach(p + 1);
    if (!startsWith(p, m_end, "?>")) fail(p, "the XML declaration holds something other than white space before '?>'");
    m_cur = p + 2;
}

void Tokenizer::comment() {
    m_inside = "a comment";
    need(m_cur + 3);
    if (m_cur[3] != '-') fail(m_cur, "'<!-' does not begin a comment ('<!--')");
    char const* const content = m_cur + 4;
    m_cur = untilMark<kEndsComment>(content, content, "-->", "'--' is not allowed inside a comment") + 3;
}

// A CDATA section: checked whole, then handed on in pieces (a line end
// made one line feed) from the next call on.
Tokenizer::Token Tokenizer::cdata() {
    if (m_cdataEnd == nullptr) {
        m_inside = "a CDATA section";
        need(m_cur + 8);
        if (!startsWith(m_cur, m_end, "<![CDATA[")) {
            fail(m_cur, m_where == Where::BeforeRoot ? "'<!' begins neither a comment nor the document type declaration"
                                                     : "'<![' does not begin a CDATA section ('<![CDATA[')");
        }
        if (m_depth == 0) outsideTheRoot(m_cur);
        char const* const content = m_cur + 9;
        m_cdataEnd = untilMark<kEndsCdata>(content, content, "]]>");
        m_cur = content;
    }
    // The next piece: up to a carriage return, which is one line feed with
    // the line feed after it, if any.
    char const* const from = m_cur;
    if (from == m_cdataEnd) {
        m_cur = m_cdataEnd + 3;
        m_cdataEnd = nullptr;
        return Token::End;
    }
    if (*from == '\r') {
        m_cur = from + 1 < m_cdataEnd && from[1] == '\n' ? from + 2 : from + 1;
        m_text = "\n";
        return Token::Text;
    }
    char const* const cr =
        static_cast<char const*>(std::memchr(from, '\r', static_cast<std::size_t>(m_cdataEnd - from)));
    m_cur = cr != nullptr ? cr : m_cdataEnd;
    m_text = std::string_view(from, static_cast<std::size_t>(m_cur - from));
    return Token::Text;
}

// A document type declaration: refused before the root element, where it
// may stand, at its "[" or ">"; not well-formed anywhere else.
void Tokenizer::doctype() {
    m_inside = "a document type declaration";
    need(m_cur + 8);
    if (!startsWith(m_cur, m_end, "<!DOCTYPE")) fail(m_cur, "'<!' begins neither a comment nor a CDATA section");
    if (m_where != Where::BeforeRoot) {
        fail(m_cur, "a document type declaration (DOCTYPE) is not allowed after the root element's start");
    }
    // Read until it is refused, its body (after "<!DOCTYPE") within maxTokenBytes.
    char const* const body = m_cur + 9;
    char quote = 0;
    for (char const* p = body;; ++p) {
        if (p == m_end) {
            if (!m_final) throw NeedMore{};
            refuse(p, Refusal::NotAccepted, "a document type declaration (DOCTYPE) is not accepted");
        }
        if (quote != 0) {
            if (*p == quote) quote = 0;
        } else if (*p == '"' || *p == '\'') {
            quote = *p;
        } else if (*p == '[' || *p == '>') {
            refuse(p, Refusal::NotAccepted, "a document type declaration (DOCTYPE) is not accepted");
        }
        if (static_cast<std::size_t>(p - body) >= m_limits->maxTokenBytes) {
            overLimit(p, Limit::TokenBytes, "a document type declaration is longer");
        }
    }
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
