// How the tokenizer refuses a token that passes maxTokenBytes, and where;
// the bookkeeping on the way of every token (the room left to a run of
// character data, where the search for an end mark stops) is inline in
// Tokenizer.h.
#include "host/reader/TextPosition.h"
#include "host/reader/Tokenizer.h"

#include <algorithm>

namespace Kestrune::Soa::Common::Xml::Reader {

void Tokenizer::overLimit(char const* at, Limit limit, char const* what) const {
    refuse(at, Refusal::Limit, pastLimit(limit, *m_limits, what));
}

// A content token, or a CDATA section, comment or processing instruction
// too long for maxTokenBytes, refused at the first byte known to pass it:
// a byte that may still be part of the end mark (`marks` times `mark`, then
// ">") is not known to be content until what follows it is seen.
void Tokenizer::tokenTooLong(char const* content, char mark, std::size_t marks) const {
    char const* p = content + m_limits->maxTokenBytes;
    for (;; ++p) {
        std::size_t run = 0;
        while (run < marks && p - run >= content && p[-static_cast<std::ptrdiff_t>(run)] == mark) ++run;
        if (static_cast<std::size_t>(p - content) + 1 - run > m_limits->maxTokenBytes) break;
    }
    overLimit(p, Limit::TokenBytes);
}

// `p` reached the limit that tokenLimit() set: the token is too long, or
// the window ends there.
void Tokenizer::atLimit(char const* p, char const* limit, char const* content, char mark, std::size_t marks) const {
    if (limit != m_end) tokenTooLong(content, mark, marks);
    need(p);
}

// The run of white space [from, to) in a tag, at least maxTokenBytes long
// or going on at the end of the text at hand.
void Tokenizer::longSpaces(char const* from, char const* to) const {
    if (static_cast<std::size_t>(to - from) > m_limits->maxTokenBytes) {
        overLimit(from + m_limits->maxTokenBytes, Limit::TokenBytes, "white space in a tag is longer");
    }
    need(to);
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
