#include "host/writer/Text.h"

#include <algorithm>
#include <stdexcept>

namespace Kestrune::Soa::Common::Xml::Writer {

namespace {

// Room is made at least this much at a time: the zeroing of a step is a
// small part of writing it.
constexpr std::size_t kStep = 4096;

}  // namespace

void Text::grow(std::size_t count) {
    if (count > m_bytes.max_size() - m_size) throw std::length_error("XmlStream: the text is too long for a string");
    m_bytes.resize(m_size + std::max(count, kStep));  // the string's own growth keeps the copies linear
}

void Text::eraseFront(std::size_t count) noexcept {
    count = std::min(count, m_size);
    std::memmove(&m_bytes[0], m_bytes.data() + count, m_size - count);
    m_size -= count;
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
