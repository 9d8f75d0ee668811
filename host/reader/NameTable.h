#pragma once

// The distinct names of one document, known by the address of the parser's
// own copy in its dictionary, which stays put for the whole read.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class NameTable {
public:
    // The number of the name at `key` among the names met so far, in the
    // order they were met; `added` tells whether it is new.
    std::uint32_t numberOf(void const* key, bool& added) {
        if ((m_size + 1) * 2 > m_slots.size()) grow();
        std::size_t i = slotOf(key);
        for (; m_slots[i].key != nullptr; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].key == key) {
                added = false;
                return m_slots[i].number;
            }
        }
        m_slots[i] = Slot{key, static_cast<std::uint32_t>(m_size)};
        added = true;
        return static_cast<std::uint32_t>(m_size++);
    }

    std::size_t size() const noexcept { return m_size; }

private:
    struct Slot {
        void const* key = nullptr;
        std::uint32_t number = 0;
    };

    std::size_t slotOf(void const* key) const {
        std::uint64_t const bits = reinterpret_cast<std::uintptr_t>(key);
        return static_cast<std::size_t>((bits >> 3) * 0x9E3779B97F4A7C15ULL >> 20) & (m_slots.size() - 1);
    }

    void grow() {
        std::vector<Slot> old(m_slots.empty() ? 64 : m_slots.size() * 2);
        old.swap(m_slots);
        for (Slot const& slot : old) {
            if (slot.key == nullptr) continue;
            std::size_t i = slotOf(slot.key);
            while (m_slots[i].key != nullptr) i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_size = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
