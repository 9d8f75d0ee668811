#pragma once

// Line and column of places in the text the tokenizer reads (UTF-8, without
// a byte order mark), as a person counts them: a line ends at a line feed, a
// carriage return, or the two together (as XML reads them); a column is a
// character. Counted forward only, from the last place asked
// for, so that the places of every element of a document cost one pass.

#include "host/DomException.h"
#include "host/XmlCharacters.h"
#include "host/reader/Refusal.h"

#include <cstddef>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrune::Soa::Common::Xml::Reader {

struct TextPlace {
    std::size_t line = 1;
    std::size_t column = 1;
};

class TextPosition {
public:
    // Counting starts at `start`, the first character of the text.
    void startAt(char const* start) noexcept { *this = TextPosition(), m_at = start; }

    // The place of `p`, which is at or after the place counted to.
    TextPlace at(char const* p) const noexcept {
        TextPosition ahead = *this;
        return ahead.advanceTo(p, p);
    }
    // The same, counted to `p` from now on; the text may be read (not
    // counted) up to `readable`, which is at or after `p`. Between two
    // elements the text is mostly ASCII without a line end, one column a
    // byte: that is told here, inline, and anything else counted by count().
    TextPlace advanceTo(char const* p, char const* readable) noexcept {
        if (!plainTo(p, readable)) return count(p, readable);
        m_afterReturn = m_afterReturn && p == m_at;
        m_column += static_cast<std::size_t>(p - m_at);
        m_at = p;
        return {m_line, m_column + 1};
    }

    // The text moved in memory: the place counted to is now at `p`.
    void movedTo(char const* p) noexcept { m_at = p; }

private:
    TextPlace count(char const* p, char const* readable) noexcept;
    // Whether the bytes from the place counted to up to `p` are all ASCII
    // and no line end: none below 0x0E or above 0x7F (below 0x0E as signed
    // bytes), sixteen at a time. Near the end of what may be read, it says
    // no, and count() looks at the bytes one by one.
    bool plainTo(char const* p, char const* readable) const noexcept {
#if defined(__SSE2__)
        char const* q = m_at;
        auto const marked = [](char const* block) {
            __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(block));
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x0E))));
        };
        for (; p - q >= 32; q += 32)
            if ((marked(q) | marked(q + 16)) != 0) return false;
        if (p - q >= 16) {
            if (marked(q) != 0) return false;
            q += 16;
        }
        if (q == p) return true;
        return readable - q >= 16 && (marked(q) & ((1U << (p - q)) - 1)) == 0;
#else
        (void)p, (void)readable;
        return false;
#endif
    }

    char const* m_at = nullptr;  // the place counted to
    std::size_t m_line = 1;
    std::size_t m_column = 0;    // characters of the current line before m_at
    bool m_afterReturn = false;  // the byte before m_at is a carriage return
};

// The refusal of something found at `place`: the reason is the message, and
// the line and column are the error's place (what() shows them after it).
Exceptions::DomException errorAt(Refusal kind, TextPlace place, std::string const& reason);

// A name or a text of the input as a refusal quotes it: 'text', every byte
// visible (see detail::quotedInput).
inline std::string quoted(std::string_view text) { return detail::quotedInput(text); }

}  // namespace Kestrune::Soa::Common::Xml::Reader
