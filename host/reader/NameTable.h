#pragma once

// Which name: the distinct names a reader has met (element and attribute
// names, prefixes, namespace names, processing instruction targets), each
// with its own copy of the text and its number in the order the names were
// met. A hash table over all of each name's bytes, seeded per table, so that
// finding a name costs its length whatever names came before. The names
// stay from one document to the next until release().

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
    // valid until release(), and its number. A name is added whole or, when
    // memory runs out, not at all.
    XmlName intern(std::string_view text);
    // The same when the table has it, else a name numbered kUncounted.
    XmlName find(std::string_view text) const noexcept;

    // What it keeps between documents, in bytes; and giving it back.
    std::size_t keptBytes() const noexcept;
    void release() noexcept;

    // Which way it numbers names: the same while each name keeps its
    // number, from its making to its release(), and never the same for two
    // tables, or for one before and after a release() (never 0).
    std::uint64_t numbering() const noexcept { return m_numbering; }

private:
    struct Slot {
        std::uint64_t hash;
        char const* text;  // nullptr: the slot is free
        std::uint32_t length;
        std::uint32_t number;
    };
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };

    std::uint64_t hashOf(char const* text, std::size_t length) const noexcept;
    // The slot of `text`, whose hash is `hash`, or nullptr.
    Slot const* slotOf(std::string_view text, std::uint64_t hash) const noexcept;
    char const* copy(std::string_view text);
    void grow();

    std::uint64_t m_seed;
    std::uint64_t m_numbering;
    std::vector<Slot> m_slots;
    std::size_t m_size = 0;
    std::vector<Block> m_blocks;  // the copies of the names' text
    std::size_t m_block = 0;      // the block being filled
    std::size_t m_used = 0;       // bytes of it in use
    // The last names interned, found again by their bytes alone: a document
    // declares the namespaces of the one before it, and their URIs are long
    // to hash. A cache; forgotten on release().
    Slot m_recent[4] = {};
    unsigned m_nextRecent = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
