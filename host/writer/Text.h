#pragma once

// The text a stream writes into: appended to in pieces of a few bytes (a
// name, a quote, a value), each copied inline. A std::string appends each
// piece through a call that checks, copies and terminates; here the string
// is grown ahead of the text, in steps, and a piece is a bounds check and a
// copy. str() gives the text as a std::string.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Writer {

class Text {
public:
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    char const* data() const noexcept { return m_bytes.data(); }

    void clear() noexcept { m_size = 0; }
    // Cuts the text back to `size` bytes, no more than it holds (what a
    // refused write appended is taken back so).
    void resize(std::size_t size) noexcept { m_size = size < m_size ? size : m_size; }
    // Drops the first `count` bytes (those handed on).
    void eraseFront(std::size_t count) noexcept;

    void push_back(char c) {
        if (m_size == m_bytes.size()) grow(1);
        m_bytes[m_size++] = c;
    }
    // `bytes` lie outside the text (making room may move it).
    Text& append(char const* bytes, std::size_t count) {
        if (count > m_bytes.size() - m_size) grow(count);
        copy(&m_bytes[m_size], bytes, count);
        m_size += count;
        return *this;
    }
    Text& append(std::string_view bytes) { return append(bytes.data(), bytes.size()); }

    // The text as a string, valid until the next change of the text.
    std::string const& str() const {
        m_bytes.resize(m_size);  // a cut, which allocates nothing
        return m_bytes;
    }

private:
    // Makes room for `count` more bytes past the text.
    void grow(std::size_t count);

    // Up to sixteen bytes by two overlapping loads and stores of the largest
    // size that fits, so that a short piece costs no call.
    static void copy(char* to, char const* from, std::size_t count) noexcept {
        if (count > 16) {
            std::memcpy(to, from, count);
        } else if (count >= 8) {
            move<std::uint64_t>(to, from, count);
        } else if (count >= 4) {
            move<std::uint32_t>(to, from, count);
        } else if (count > 0) {
            to[0] = from[0];
            to[count / 2] = from[count / 2];
            to[count - 1] = from[count - 1];
        }
    }
    template <class Word>
    static void move(char* to, char const* from, std::size_t count) noexcept {
        Word first, last;
        std::memcpy(&first, from, sizeof first);
        std::memcpy(&last, from + count - sizeof last, sizeof last);
        std::memcpy(to, &first, sizeof first);
        std::memcpy(to + count - sizeof last, &last, sizeof last);
    }

    // The text is its first m_size bytes; the rest is room, zeroed when it
    // was made. str() cuts the string to the text, and the next append
    // makes room again.
    mutable std::string m_bytes;
    std::size_t m_size = 0;
};

// The escaping of appendXmlString (host/XmlString.h) onto a Text, which is
// left as it was on refusal.
void appendXmlString(Text& out, std::string_view text);

}  // namespace Kestrune::Soa::Common::Xml::Writer
