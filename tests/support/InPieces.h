#pragma once

// A stream buffer that gives a text a fixed number of bytes at a time, as a
// connection or a pipe may.

#include <algorithm>
#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

namespace kxsoa_test {

// A stream that gives its text `piece` bytes at a time.
class InPieces : public std::streambuf {
public:
    InPieces(std::string_view text, std::size_t piece) : m_text(text), m_piece(piece) {}

private:
    int_type underflow() override {
        if (m_at >= m_text.size()) return traits_type::eof();
        std::size_t const n = std::min(m_piece, m_text.size() - m_at);
        setg(&m_text[m_at], &m_text[m_at], &m_text[m_at] + n);
        m_at += n;
        return traits_type::to_int_type(m_text[m_at - n]);
    }
    std::string m_text;
    std::size_t m_piece;
    std::size_t m_at = 0;
};

}  // namespace kxsoa_test
