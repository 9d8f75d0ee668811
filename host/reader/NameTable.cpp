#include "host/reader/NameTable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <iterator>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

constexpr std::size_t kBlockBytes = 4096;

std::uint64_t load64(char const* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

std::uint64_t load32(char const* p) noexcept {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

std::uint64_t mix(std::uint64_t h) noexcept {
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    h ^= h >> 32;
    return h;
}

// A numbering not given before in this process: a 64-bit count does not wrap.
std::uint64_t newNumbering() noexcept {
    static std::atomic<std::uint64_t> given{0};
    return given.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

// A seed of its own for each table, from its address and the time: no two
// readers share what an input would have to be shaped after to collide.
NameTable::NameTable() noexcept
    : m_seed(mix(reinterpret_cast<std::uintptr_t>(this) ^
                 static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()))),
      m_numbering(newNumbering()) {}

std::uint64_t NameTable::hashOf(char const* text, std::size_t length) const noexcept {
    std::uint64_t h = m_seed ^ (length * 0x9E3779B97F4A7C15ULL);
    char const* const end = text + length;
    if (length >= 8) {
        for (; end - text > 8; text += 8) h = (h ^ load64(text)) * 0xBF58476D1CE4E5B9ULL, h ^= h >> 31;
        h ^= load64(end - 8);  // the last eight, overlapping what came before
    } else if (length >= 4) {
        h ^= load32(text) | load32(end - 4) << 32;
    } else {
        h ^= static_cast<unsigned char>(text[0]) |
             static_cast<std::uint64_t>(static_cast<unsigned char>(text[length / 2])) << 8 |
             static_cast<std::uint64_t>(static_cast<unsigned char>(text[length - 1])) << 16;
    }
    return mix(h * 0x94D049BB133111EBULL);
}

NameTable::Slot const* NameTable::slotOf(std::string_view text, std::uint64_t hash) const noexcept {
    std::size_t const mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot const& slot = m_slots[i];
        if (slot.text == nullptr) return nullptr;
        if (slot.hash == hash && slot.length == text.size() && std::memcmp(slot.text, text.data(), text.size()) == 0)
            return &slot;
    }
}

XmlName NameTable::find(std::string_view text) const noexcept {
    if (m_slots.empty()) return XmlName{};
    Slot const* const slot = slotOf(text, hashOf(text.data(), text.size()));
    return slot != nullptr ? XmlName{std::string_view(slot->text, slot->length), slot->number} : XmlName{};
}

XmlName NameTable::intern(std::string_view text) {
    for (Slot const& slot : m_recent)
        if (slot.length == text.size() && slot.text != nullptr && std::memcmp(slot.text, text.data(), text.size()) == 0)
            return {std::string_view(slot.text, slot.length), slot.number};
    if (m_slots.empty()) grow();
    std::uint64_t const hash = hashOf(text.data(), text.size());
    Slot const* found = slotOf(text, hash);
    if (found == nullptr) {
        if ((m_size + 1) * 2 > m_slots.size()) grow();
        char const* const own = copy(text);
        std::size_t const mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i].text != nullptr) i = (i + 1) & mask;
        m_slots[i] = Slot{hash, own, static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(m_size++)};
        found = &m_slots[i];
    }
    m_recent[m_nextRecent++ % std::size(m_recent)] = *found;
    return {std::string_view(found->text, found->length), found->number};
}

char const* NameTable::copy(std::string_view text) {
    for (;;) {
        if (m_block < m_blocks.size()) {
            Block& block = m_blocks[m_block];
            if (block.size - m_used >= text.size()) {
                char* const place = block.bytes.get() + m_used;
                std::memcpy(place, text.data(), text.size());
                m_used += text.size();
                return place;
            }
            ++m_block, m_used = 0;  // the rest of this one is wasted
            continue;
        }
        std::size_t const size = std::max(kBlockBytes, text.size());
        m_blocks.push_back(Block{std::unique_ptr<char[]>(new char[size]), size});
    }
}

void NameTable::grow() {
    std::vector<Slot> old(m_slots.empty() ? 64 : m_slots.size() * 2, Slot{0, nullptr, 0, 0});
    old.swap(m_slots);
    std::size_t const mask = m_slots.size() - 1;
    for (Slot const& slot : old) {
        if (slot.text == nullptr) continue;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].text != nullptr) i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

std::size_t NameTable::keptBytes() const noexcept {
    std::size_t bytes = m_slots.capacity() * sizeof(Slot) + m_blocks.capacity() * sizeof(Block);
    for (Block const& block : m_blocks) bytes += block.size;
    return bytes;
}

void NameTable::release() noexcept {
    std::vector<Slot>().swap(m_slots);
    std::vector<Block>().swap(m_blocks);
    m_size = 0;
    m_block = 0;
    m_used = 0;
    std::fill(std::begin(m_recent), std::end(m_recent), Slot{0, nullptr, 0, 0});
    m_numbering = newNumbering();  // the next names are numbered from 0 again
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
