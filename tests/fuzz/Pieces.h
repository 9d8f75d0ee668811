#pragma once

// A stream buffer that gives a text in pieces of varied sizes, for the fuzz
// targets that read from a std::istream.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <string>

namespace kxsoa_fuzz {

// Gives the text in pieces whose sizes cycle through a pattern.
class Pieces : public std::streambuf {
public:
    Pieces(std::string const& text, std::uint8_t pattern) : m_text(text), m_pattern(pattern) {}

private:
    int_type underflow() override {
        if (m_at >= m_text.size()) return traits_type::eof();
        static std::size_t const sizes[] = {1, 2, 3, 5, 64, 4093, 4096, 65536};
        std::size_t const size = std::min(sizes[(m_pattern >> (m_turn++ % 3 * 3)) & 7], m_text.size() - m_at);
        char* const start = &m_text[m_at];
        setg(start, start, start + size);
        m_at += size;
        return traits_type::to_int_type(*start);
    }

    std::string m_text;
    std::uint8_t m_pattern;
    std::size_t m_at = 0;
    unsigned m_turn = 0;
};

}  // namespace kxsoa_fuzz
