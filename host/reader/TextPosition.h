#pragma once

// Line and column of places in the text the tokenizer reads (UTF-8, without
// a byte order mark), as a person counts them: a line ends at a line feed, a
// column is a character. Counted forward only, from the last place asked
// for, so that the places of every element of a document cost one pass.

#include "host/DomException.h"

#include <cstddef>
#include <string>
#include <string_view>

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
    // counted) up to `readable`, which is at or after `p`.
    TextPlace advanceTo(char const* p, char const* readable) noexcept;

    // The text moved in memory: the place counted to is now at `p`.
    void movedTo(char const* p) noexcept { m_at = p; }

    // The place of the byte at `offset` of `text`, a text that starts the document.
    static TextPlace of(std::string_view text, std::size_t offset) noexcept;

private:
    char const* m_at = nullptr;  // the place counted to
    std::size_t m_line = 1;
    std::size_t m_column = 0;    // characters of the current line before m_at
};

// The error of something found at `place`: "<what> at line L, column C:
// <reason>", carrying the line and column for callers that point at them.
Exceptions::DomException errorAt(char const* what, TextPlace place, std::string const& reason);

// A name or a text as a refusal quotes it: 'text'.
inline std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace Kestrune::Soa::Common::Xml::Reader
