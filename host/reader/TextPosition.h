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

private:
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
