#pragma once

// Where the raw text comes from: a caller's memory or a std::istream.

#include <cstddef>
#include <ios>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

class TextSource {
public:
    // Fills `buffer` with up to `size` bytes and returns how many; 0 only at
    // the end of the text.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Whether a byte follows what was read, without taking it.
    virtual bool more() = 0;
    // Whether bytes can be read now without waiting for them: a source that
    // says no is read no further than the bytes the reader needs (a message
    // on a connection, whose peer may send nothing more until answered).
    virtual bool ready() { return true; }
    // Whether the text is one message of several on the input, which ends
    // at its root's end tag, not at the input's end: maxBytes is then passed
    // only when the reader needs a byte past it.
    virtual bool message() const noexcept { return false; }
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
// known). The end of the text is no failure, whatever exceptions the caller
// asked the stream for: while it is read, only a bad stream throws, and the
// caller's mask is the stream's again after.
class StreamSource final : public TextSource {
public:
    explicit StreamSource(std::istream& in) noexcept;
    ~StreamSource();
    StreamSource(StreamSource const&) = delete;
    StreamSource& operator=(StreamSource const&) = delete;
    std::size_t read(char* buffer, std::size_t size) override;
    bool more() override;

private:
    [[noreturn]] void fail(char const* why, bool atLeast = false) const;

    std::istream& m_in;
    std::ios_base::iostate m_exceptions;  // the caller's
    std::size_t m_total = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
