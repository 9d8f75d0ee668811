#pragma once

// What character each byte of the text is: the reader accepts UTF-8 and
// UTF-16 (either byte order, with or without a byte order mark) and hands
// the parser UTF-8 alone, so that the limits are checked on exactly the
// characters the parser reads.

#include "host/reader/Refusal.h"
#include "host/reader/TextPosition.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

// Where the decoder takes the raw bytes from: fills `buffer` with up to
// `size` bytes and returns how many, 0 only at the end of the text.
class RawText {
public:
    virtual std::size_t pull(char* buffer, std::size_t size) = 0;

protected:
    ~RawText() = default;
};

// Why the text cannot be read: thrown by the decoder, placed by its caller
// when `placed` is false (then at `offset` of the output of the failed read).
struct TextFault {
    Refusal kind;
    std::string reason;
    std::size_t offset = 0;
    bool placed = false;
    TextPlace place;
};

// Tells the encoding from the first bytes, as XML 1.0 (appendix F) does:
// a byte order mark, or "<?" in UTF-16 without one; anything else is read as
// UTF-8. UCS-4 and EBCDIC are refused. The encoding that the XML
// declaration names must agree with it: "UTF-8" for UTF-8, "UTF-16" (or
// "UTF-16LE"/"UTF-16BE" in that byte order) for UTF-16, in any case. Any
// other name is refused, and so is a name that contradicts the byte order
// mark, but for US-ASCII (or one of its other names) on a text without one:
// read as UTF-8, which it is while every byte is ASCII (TextInput refuses
// the first that is not). The byte order mark is not handed on.
class TextDecoder {
public:
    enum class Encoding { Unknown, Utf8, Utf16LittleEndian, Utf16BigEndian };

    // Up to `size` (at least 4) bytes of the text in UTF-8; 0 at its end.
    // Pulls from `raw` only before producing anything, so that whatever
    // `raw` throws leaves no decoded text unhanded. Throws TextFault.
    std::size_t read(RawText& raw, char* out, std::size_t size);

    // For a text held whole in memory, instead of read(): tells its encoding
    // from its first bytes (a text in UTF-8 is then read in place, after
    // markSize() bytes). Throws TextFault. A text in UTF-16 is read by a new
    // decoder.
    void tellInMemory(std::string_view text);

    // Refuses the encoding that the XML declaration names (a valid name),
    // unless it is this text's: throws TextFault, which the caller places.
    // Whether it names US-ASCII: then every byte of the text must be ASCII.
    bool checkDeclared(std::string_view declared) const;

    // The memory for the raw bytes, lent by whoever keeps it from one text
    // to the next: swapped in before reading, and back after.
    void swapMemory(std::string& raw) noexcept { m_raw.swap(raw); }

    Encoding encoding() const noexcept { return m_encoding; }
    // Raw bytes taken from the source and not handed on yet: of a UTF-8
    // text, what follows the text decoded so far.
    std::string_view held() const noexcept { return std::string_view(m_raw).substr(std::min(m_rawAt, m_raw.size())); }
    // Bytes of the raw text before the first character handed on (a byte order mark).
    std::size_t markSize() const noexcept { return m_markSize; }

private:
    void start(RawText& raw);
    void tell(std::string_view first);
    std::size_t fromUtf16(char* out, std::size_t size, bool ended);

    Encoding m_encoding = Encoding::Unknown;
    std::size_t m_markSize = 0;
    std::string m_raw;  // bytes pulled and not yet decoded
    std::size_t m_rawAt = 0;
    bool m_started = false;  // the first bytes were handed on
    bool m_ended = false;    // the raw text has ended
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
