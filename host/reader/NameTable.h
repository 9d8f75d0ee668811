#pragma once

// The distinct names of one document, known by the address of the parser's
// own copy in its dictionary, which stays put for the whole read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class NameTable {
public:
    struct Name {
        void const* key = nullptr;
        std::uint32_t number = 0;  // among the names met so far, in the order they were met
        std::uint32_t length = 0;
    };

    // The name at `key`, or null when it is new.
    Name const* find(void const* key) const noexcept {
        if (m_slots.empty()) return nullptr;
        for (std::size_t i = slotOf(key);; i = (i + 1) & (m_slots.size() - 1)) {
            Name const& slot = m_slots[i];
            if (slot.key == key) return &slot;
            if (slot.key == nullptr) return nullptr;
        }
    }

    // Adds a new name; returns its number.
    std::uint32_t add(void const* key, std::size_t length) {
        if ((m_size + 1) * 2 > m_slots.size()) grow();
        place(Name{key, static_cast<std::uint32_t>(m_size), static_cast<std::uint32_t>(length)});
        return static_cast<std::uint32_t>(m_size++);
    }

    std::size_t size() const noexcept { return m_size; }

    // The memory the table holds.
    std::size_t bytes() const noexcept { return m_slots.capacity() * sizeof(Name); }

    // Forgets every name and gives all its room back.
    void release() noexcept {
        std::vector<Name>().swap(m_slots);
        m_size = 0;
    }

    // Forgets every name; a large table gives its room back.
    void clear() noexcept {
        if (m_slots.size() > 1024) {
            std::vector<Name>().swap(m_slots);
        } else {
            std::fill(m_slots.begin(), m_slots.end(), Name{});
        }
        m_size = 0;
    }

private:
    std::size_t slotOf(void const* key) const noexcept {
        std::uint64_t const bits = reinterpret_cast<std::uintptr_t>(key);
        return static_cast<std::size_t>((bits >> 3) * 0x9E3779B97F4A7C15ULL >> 20) & (m_slots.size() - 1);
    }

    void place(Name const& name) noexcept {
        std::size_t i = slotOf(name.key);
        while (m_slots[i].key != nullptr) i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = name;
    }

    void grow() {
        std::vector<Name> old(m_slots.empty() ? 64 : m_slots.size() * 2);
        old.swap(m_slots);
        for (Name const& name : old)
            if (name.key != nullptr) place(name);
    }

    std::vector<Name> m_slots;
    std::size_t m_size = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
