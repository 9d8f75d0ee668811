#pragma once

// The limits that libxml2 would reach only after spending more than linear
// time, checked on the UTF-8 text before libxml2 parses it.

#include <cstddef>
#include <cstdint>

namespace Kestrune::Soa::Common::Xml::Reader {

// Recognises just enough of XML (tags, quoted values, comments, CDATA
// sections, processing instructions) to count the attributes of each start
// tag and the length of every token. It does not judge well-formedness:
// libxml2 does, on the same bytes. Most of the text is passed over by a
// quick way that only looks for "<" and "=" (see scanQuick).
class TextScanner {
public:
    enum class Excess { None, Attributes, Token };

    TextScanner(std::size_t maxAttributes, std::size_t maxTokenBytes)
        : m_maxAttributes(maxAttributes), m_maxTokenBytes(maxTokenBytes) {}

    // Scans the next `size` bytes; when a limit is passed, says which and
    // sets `where` to the offset in `data` of the byte that passed it.
    Excess scan(char const* data, std::size_t size, std::size_t& where);

private:
    class Marks;
    enum class State : unsigned char {
        Content,
        Open,
        Bang,
        BangDash,
        CdataHeader,
        Declaration,
        Comment,
        Cdata,
        Pi,
        Tag,
        Value,
        EndTag
    };

    bool step(unsigned char c);
    bool lengthen(std::size_t run, std::size_t offset, std::size_t& where);
    std::size_t scanQuick(Marks& marks, unsigned char const* data, std::size_t offset, std::size_t end,
                          std::size_t& where);
    std::size_t scanExact(unsigned char const* data, std::size_t offset, std::size_t end, std::size_t& where);
    void enter(State state) {
        m_state = state;
        m_length = 0;
        m_marks = 0;
    }

    std::size_t m_maxAttributes;
    std::size_t m_maxTokenBytes;
    State m_state = State::Content;
    Excess m_excess = Excess::None;
    std::size_t m_length = 0;      // bytes of the current token so far
    std::size_t m_attributes = 0;  // attributes of the current start tag so far
    unsigned m_marks = 0;          // end marks seen in a row
    unsigned char m_quote = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
