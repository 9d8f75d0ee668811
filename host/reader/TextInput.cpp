#include "host/reader/TextInput.h"

#include "host/DomException.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

// The window's first size: a small message fits it whole, and a stream is
// read no further ahead of the tokenizer than this.
constexpr std::size_t kWindowBytes = std::size_t{64} * 1024;
// What a fill of a stream reads at least, of the bytes it has ready.
constexpr std::size_t kReadAhead = 4096;

}  // namespace

TextInput::TextInput(TextSource& source, XmlReadLimits const& limits, WindowMemory& window)
    : m_source(source), m_limits(limits), m_window(window) {
    std::string_view const* const memory = source.memory();
    if (memory != nullptr && memory->size() <= m_limits.maxBytes) {
        try {
            m_decoder.tellInMemory(*memory);
        } catch (TextFault const& fault) {
            throw errorAt(fault.kind, fault.place, fault.reason);
        }
        if (m_decoder.encoding() == TextDecoder::Encoding::Utf8) {
            m_begin = memory->data() + m_decoder.markSize();
            m_end = memory->data() + memory->size();
            m_final = true;
            m_position.startAt(m_begin);
            return;
        }
        m_decoder = TextDecoder();  // UTF-16: decoded into the window from the start
    }
    if (m_window.capacity < kWindowBytes) {
        m_window.bytes.reset(new char[kWindowBytes]);
        m_window.capacity = kWindowBytes;
    }
    m_decoder.swapMemory(m_window.raw);
    m_loan.decoder = &m_decoder;
    m_loan.memory = &m_window;
    m_begin = m_end = m_window.bytes.get();
    m_position.startAt(m_begin);
    fill(wanted(1));
}

void TextInput::checkDeclared(std::string_view encoding, char const* at) {
    try {
        if (!m_decoder.checkDeclared(encoding)) return;
    } catch (TextFault const& fault) {
        throw errorAt(fault.kind, m_position.at(at), fault.reason);
    }
    m_ascii = encoding;
    checkAscii(at, m_end);
}

// Refuses the first byte in [from, to) that is not ASCII, in a text
// declared US-ASCII.
void TextInput::checkAscii(char const* from, char const* to) {
    if (m_ascii.empty()) return;
    char const* const p = std::find_if(from, to, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (p == to) return;
    throw errorAt(Refusal::Undecodable, m_position.at(p),
                  "the text declares the encoding " + quoted(m_ascii) + " but holds the byte " +
                      detail::byteNotation(static_cast<unsigned char>(*p)) + ", which is not ASCII");
}

// How much more to decode: text in memory as much as fits; a stream at least
// `needed`, read on while it has bytes ready up to kReadAhead, so that the
// tokenizer does not stop for more inside a small message (a stop costs
// more than the message), and never waiting for bytes past the first.
std::size_t TextInput::wanted(std::size_t needed) const noexcept {
    return m_source.memory() != nullptr ? m_window.capacity : std::max(needed, kReadAhead);
}

std::size_t TextInput::pull(char* buffer, std::size_t size) {
    std::size_t const room = m_limits.maxBytes - m_pulled;
    if (room == 0) {
        // The end of the text, as the decoder sees it; fill() tells why.
        m_overMaxBytes = m_overMaxBytes || m_source.more();
        return 0;
    }
    std::size_t const got = m_source.read(buffer, std::min(size, room));
    m_pulled += got;
    return got;
}

void TextInput::more(char const* keep) {
    m_position.advanceTo(keep, keep);
    std::size_t const kept = static_cast<std::size_t>(m_end - keep);
    m_dropped += static_cast<std::size_t>(keep - m_begin);
    std::size_t const capacity = std::max(kWindowBytes, 2 * kept + kWindowBytes / 4);
    char* const bytes = m_window.bytes.get();
    if (m_window.capacity < capacity) {
        std::unique_ptr<char[]> grown(new char[capacity]);
        std::memcpy(grown.get(), keep, kept);
        m_window.bytes = std::move(grown);
        m_window.capacity = capacity;
    } else {
        std::memmove(bytes, keep, kept);
    }
    m_begin = m_window.bytes.get();
    m_end = m_begin + kept;
    m_position.movedTo(m_begin);
    fill(wanted(std::max<std::size_t>(kept, 1)));
}

// Decodes into the window what the source gives, at least `wanted` bytes
// (or all there is, or as much as fits): a stream is read no further than
// needed, and a token read again has at least doubled since it was last
// read. A fault found by the decoder, or the text passing maxBytes, is
// thrown at once, before the tokenizer has read what came before it.
void TextInput::fill(std::size_t wanted) {
    char* const bytes = m_window.bytes.get();
    std::size_t const before = static_cast<std::size_t>(m_end - bytes);
    std::size_t size = before;
    while (!m_decoded && !m_overMaxBytes && m_window.capacity - size >= 4 && size - before < wanted &&
           (size == before || (m_source.ready() && (!m_source.message() || m_pulled < m_limits.maxBytes)))) {
        std::size_t more = 0;
        try {
            more = m_decoder.read(*this, bytes + size, m_window.capacity - size);
        } catch (TextFault const& fault) {
            // The decoder has written the text before the fault.
            TextPlace const place = fault.placed ? fault.place : m_position.at(bytes + size + fault.offset);
            if (!m_overMaxBytes) throw errorAt(fault.kind, place, fault.reason);
            more = fault.offset;  // cut short by the limit, not broken
        }
        m_decoded = more == 0;
        checkAscii(bytes + size, bytes + size + more);
        size += more;
    }
    m_end = bytes + size;
    m_final = m_decoded;
    if (m_overMaxBytes) {
        throw errorAt(Refusal::Limit, m_position.at(m_end), pastLimit(Limit::Bytes, m_limits));
    }
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
