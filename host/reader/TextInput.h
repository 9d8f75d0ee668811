#pragma once

// The path of the text from its source to the parser: raw bytes taken from
// the source, never past XmlReadLimits::maxBytes; decoded to UTF-8; scanned
// for the limits on attributes and tokens; counted for line and column.

#include "host/XmlReadLimits.h"
#include "host/reader/TextDecoder.h"
#include "host/reader/TextPosition.h"
#include "host/reader/TextScanner.h"
#include "host/reader/TextSource.h"

#include <cstddef>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

class TextInput final : private RawText {
public:
    TextInput(TextSource& source, XmlReadLimits const& limits);

    // Fills `buffer` with the next piece of the text in UTF-8, at most
    // `size` (at least 4) bytes, and returns its size; 0 at the end of the
    // text. A refusal or a text that cannot be decoded throws DomException,
    // with the line and column where it was found.
    std::size_t read(char* buffer, std::size_t size);

    // The whole text has been handed on.
    bool ended() const noexcept { return m_decoded; }

private:
    std::size_t pull(char* buffer, std::size_t size) override;
    // The place of the byte at `offset` of `piece`, the piece that follows
    // what was handed on so far.
    TextPlace placeIn(std::string_view piece, std::size_t offset) const;
    // The text handed on so far with what follows it, when it is the
    // source's own memory (then places are counted only when one is needed).
    std::string_view const* handedInMemory() const;

    TextSource& m_source;
    std::size_t m_maxBytes;
    std::size_t m_maxAttributes;
    std::size_t m_maxTokenBytes;
    TextDecoder m_decoder;
    TextScanner m_scanner;
    TextPosition m_position;   // where the text handed on ends, unless it is in memory
    std::size_t m_pulled = 0;  // raw bytes taken from the source
    std::size_t m_handed = 0;  // bytes of UTF-8 handed on
    bool m_overMaxBytes = false;
    bool m_decoded = false;  // the decoder has handed on the whole text
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
