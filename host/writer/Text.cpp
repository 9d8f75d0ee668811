#include "host/writer/Text.h"

#include <algorithm>
#include <stdexcept>

namespace Kestrune::Soa::Common::Xml::Writer {

namespace {

// Room is made as much again as the string holds, from 256 bytes to steps
// of 4 KiB: a short message zeroes little, and the zeroing of a step is a
// small part of writing it.
constexpr std::size_t kFirstStep = 256;
constexpr std::size_t kStep = 4096;

}  // namespace

void Text::grow(std::size_t count) {
    if (count > m_bytes.max_size() - m_size) throw std::length_error("XmlStream: the text is too long for a string");
    std::size_t const step = std::clamp(m_bytes.size(), kFirstStep, kStep);
    m_bytes.resize(m_size + std::max(count, step));  // the string's own growth keeps the copies linear
}

void Text::eraseFront(std::size_t count) noexcept {
    count = std::min(count, m_size);
    std::memmove(&m_bytes[0], m_bytes.data() + count, m_size - count);
    m_size -= count;
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
