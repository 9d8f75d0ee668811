#pragma once

// The text the tokenizer reads, in UTF-8: a UTF-8 text held in memory is
// read where it is, whole; any other (a stream, UTF-16) through a window
// that the decoder fills, never taking from the source past
// XmlReadLimits::maxBytes. The window keeps the token being read when it
// slides on, and grows as the token does, at least twice over, so that a
// long token is read again only a bounded number of times.

#include "host/XmlReadLimits.h"
#include "host/reader/TextDecoder.h"
#include "host/reader/TextPosition.h"
#include "host/reader/TextSource.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace Kestrune::Soa::Common::Xml::Reader {

// The memory of a window, kept by a reader from one document to the next.
struct WindowMemory {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::string raw;  // the decoder's raw bytes not yet decoded

    std::size_t keptBytes() const noexcept {
        return capacity + (raw.capacity() > std::string().capacity() ? raw.capacity() : 0);
    }
    void release() noexcept {
        WindowMemory released;
        std::swap(*this, released);
    }
};

class TextInput final : private RawText {
public:
    // Takes the first piece of the text; `limits` outlive the input. Throws
    // DomException: an encoding that is not accepted, a text that cannot be
    // decoded, a stream that fails, a text over maxBytes.
    TextInput(TextSource& source, XmlReadLimits const& limits, WindowMemory& window);
    TextInput(TextInput const&) = delete;
    TextInput& operator=(TextInput const&) = delete;

    // The text at hand: [begin(), end()). final(): the text ends at end().
    char const* begin() const noexcept { return m_begin; }
    char const* end() const noexcept { return m_end; }
    bool final() const noexcept { return m_final; }

    // At end() of a text that is not final: keeps the text from `keep` on
    // (now at begin()) and appends what follows it, at least as much again
    // as is kept (or a byte when none is), or all there is. Throws as the
    // constructor does.
    void more(char const* keep);

    // Where places are counted: every place asked for is at or after the
    // last one counted to (and the text before `keep` is counted by more()).
    TextPosition& position() noexcept { return m_position; }
    // Refuses the encoding that the XML declaration names at `at` (a valid
    // name), unless it is the text's (see TextDecoder); a text declared
    // US-ASCII is refused from then on at its first byte that is not.
    void checkDeclared(std::string_view encoding, char const* at);

    // Whether the text is UTF-8 (or US-ASCII), read as it came.
    bool utf8() const noexcept { return m_decoder.encoding() == TextDecoder::Encoding::Utf8; }
    // What the source gave after `p` that was not read: the text from `p`
    // to end(), and what the decoder holds after it. For a UTF-8 text.
    std::string_view unread(char const* p) const noexcept {
        return std::string_view(p, static_cast<std::size_t>(m_end - p));
    }
    std::string_view held() const noexcept { return m_decoder.held(); }

    // Bytes of UTF-8 text before `p`, from the start of the document.
    std::size_t offsetOf(char const* p) const noexcept { return m_dropped + static_cast<std::size_t>(p - m_begin); }

private:
    std::size_t pull(char* buffer, std::size_t size) override;
    std::size_t wanted(std::size_t needed) const noexcept;
    void fill(std::size_t wanted);
    void checkAscii(char const* from, char const* to);

    TextSource& m_source;
    XmlReadLimits const& m_limits;
    WindowMemory& m_window;
    TextDecoder m_decoder;
    // The window's memory for the decoder, lent to it and given back with
    // the input (even when its constructor throws).
    struct Loan {
        TextDecoder* decoder = nullptr;
        WindowMemory* memory = nullptr;
        Loan() = default;
        Loan(Loan const&) = delete;
        Loan& operator=(Loan const&) = delete;
        ~Loan() {
            if (decoder != nullptr) decoder->swapMemory(memory->raw);
        }
    } m_loan;
    TextPosition m_position;
    char const* m_begin = nullptr;
    char const* m_end = nullptr;
    bool m_final = false;
    std::size_t m_dropped = 0;  // bytes of UTF-8 slid out of the window
    std::size_t m_pulled = 0;   // raw bytes taken from the source
    bool m_overMaxBytes = false;
    bool m_decoded = false;  // the decoder has handed on the whole text
    std::string m_ascii;     // the name of US-ASCII that the declaration gives, or empty
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
