#pragma once

// Line and column of a place in the text the parser reads (UTF-8, without
// a byte order mark), counted as libxml2 counts them: a line ends at a line
// feed, a column is a character.

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
    // The place of the character at `offset` in `piece`, the counts having
    // reached the piece's start (the piece itself not yet taken).
    TextPlace at(std::string_view piece, std::size_t offset) const {
        TextPosition ahead = *this;
        ahead.take(piece.substr(0, offset));
        return {ahead.m_line, ahead.m_column + 1};
    }

    // The place of the character at `offset` in a text that starts the document.
    static TextPlace of(std::string_view text, std::size_t offset) { return TextPosition().at(text, offset); }

    // Counts `piece`, which follows what was counted before.
    void take(std::string_view piece);

private:
    std::size_t m_line = 1;
    std::size_t m_column = 0;  // characters of the current line so far
};

// The error of something found at `place`: "<what> at line L, column C:
// <reason>", carrying the line and column for callers that point at them.
Exceptions::DomException errorAt(char const* what, TextPlace place, std::string const& reason);

}  // namespace Kestrune::Soa::Common::Xml::Reader
