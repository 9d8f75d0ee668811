#pragma once

// Which name: the distinct names of one document (element and attribute
// names, prefixes, namespace names, processing instruction targets), each
// with its own copy of the text and its number in the order the names were
// met. A hash table over all of each name's bytes, seeded per table, so that
// finding a name costs its length whatever names came before; forgetting
// them all for the next document costs nothing, and their memory is kept.

#include "host/XmlEvents.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class NameTable {
public:
    NameTable() noexcept;

    // The name whose text is `text` (not empty): its own copy of the text,
    // valid until clear(), and its number.
    XmlName intern(std::string_view text);

    // How many names there are.
    std::size_t size() const noexcept { return m_size; }

    // Forgets every name, keeping the memory.
    void clear() noexcept;

    // What it keeps between documents, in bytes; and giving it back.
    std::size_t keptBytes() const noexcept;
    void release() noexcept;

private:
    struct Slot {
        std::uint64_t hash;
        char const* text;
        std::uint32_t length;
        std::uint32_t number;
        std::uint32_t generation;  // the slot is in use when this is the table's
    };
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };

    std::uint64_t hashOf(char const* text, std::size_t length) const noexcept;
    char const* copy(std::string_view text);
    void grow();

    std::uint64_t m_seed;
    std::vector<Slot> m_slots;
    std::uint32_t m_generation = 1;
    std::size_t m_size = 0;
    std::vector<Block> m_blocks;  // the copies of the names' text
    std::size_t m_block = 0;      // the block being filled
    std::size_t m_used = 0;       // bytes of it in use
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
