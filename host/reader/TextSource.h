#pragma once

// Where the raw text comes from: a caller's memory or a std::istream.

#include <cstddef>
#include <iosfwd>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

class TextSource {
public:
    // Fills `buffer` with up to `size` bytes and returns how many; 0 only at
    // the end of the text.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Whether a byte follows what was read, without taking it.
    virtual bool more() = 0;
    // The whole text, when it is in memory; null otherwise.
    virtual std::string_view const* memory() const noexcept { return nullptr; }

protected:
    ~TextSource() = default;
};

class MemorySource final : public TextSource {
public:
    explicit MemorySource(std::string_view text) noexcept : m_text(text) {}
    std::size_t read(char* buffer, std::size_t size) override;
    bool more() override { return m_at < m_text.size(); }
    std::string_view const* memory() const noexcept override { return &m_text; }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// Reads the stream straight into the caller's buffer. A stream that fails
// (bad, or throwing) is reported as such, with the number of bytes it gave
// before: "XML input could not be read: the stream failed after N bytes", or
// "after at least N bytes" when it failed in the middle of a read that the
// stream could not serve from its buffer (the bytes that read gave are not
// known).
class StreamSource final : public TextSource {
public:
    explicit StreamSource(std::istream& in) noexcept : m_in(in) {}
    std::size_t read(char* buffer, std::size_t size) override;
    bool more() override;

private:
    [[noreturn]] void fail(char const* why, bool atLeast = false) const;

    std::istream& m_in;
    std::size_t m_total = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
