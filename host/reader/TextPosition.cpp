#include "host/reader/TextPosition.h"

#include <cstdint>
#include <cstring>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

// UTF-8 characters in `size` bytes: the bytes that are not continuation
// bytes (10xxxxxx), counted eight at a time.
std::size_t characters(unsigned char const* bytes, std::size_t size) {
    std::size_t continuation = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        std::uint64_t const marks = (word & ~(word << 1) & 0x8080808080808080ULL) >> 7;  // 0 or 1 per byte
        continuation += static_cast<std::size_t>(marks * 0x0101010101010101ULL >> 56);
    }
    for (; i < size; ++i) continuation += (bytes[i] & 0xC0) == 0x80;
    return size - continuation;
}

}  // namespace

void TextPosition::take(std::string_view piece) {
    if (piece.empty()) return;
    unsigned char const* const bytes = reinterpret_cast<unsigned char const*>(piece.data());
    std::size_t start = 0;
    for (void const* found; (found = std::memchr(bytes + start, '\n', piece.size() - start)) != nullptr;) {
        ++m_line;
        m_column = 0;
        start = static_cast<std::size_t>(static_cast<unsigned char const*>(found) - bytes) + 1;
    }
    m_column += characters(bytes + start, piece.size() - start);
}

Exceptions::DomException errorAt(char const* what, TextPlace place, std::string const& reason) {
    return Exceptions::DomException(std::string(what) + " at line " + std::to_string(place.line) + ", column " +
                                        std::to_string(place.column) + ": " + reason,
                                    place.line, place.column);
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
