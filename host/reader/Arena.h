#pragma once

// Where a parsed document's nodes, names and text live: blocks handed out by
// bumping a pointer, released all at once with the document.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

// A list of blocks handed out by bumping a pointer. Blocks grow
// geometrically, so a small message costs one block and a big one wastes
// little; a request too large for the usual block size gets a block of its
// own. Nothing placed here has a destructor: releasing it is releasing the
// blocks, in a loop, whatever the shape of the tree they hold. Blocks of the
// standard sizes go back to a process-wide pool (see Arena.cpp).
class Arena {
public:
    Arena() = default;
    Arena(Arena const&) = delete;
    Arena& operator=(Arena const&) = delete;
    ~Arena();

    void* allocate(std::size_t size, std::size_t alignment) {
        std::uintptr_t const aligned = alignUp(reinterpret_cast<std::uintptr_t>(m_cursor), alignment);
        std::uintptr_t const end = reinterpret_cast<std::uintptr_t>(m_end);
        if (m_cursor != nullptr && aligned <= end && size <= end - aligned) {
            m_cursor = reinterpret_cast<char*>(aligned + size);
            return reinterpret_cast<void*>(aligned);
        }
        return allocateFromNewBlock(size, alignment);
    }

    // The arena's own copy of `text`.
    std::string_view copy(std::string_view text);

private:
    struct Block {
        Block* next;
        unsigned sizeClass;
    };

    static std::uintptr_t alignUp(std::uintptr_t value, std::size_t alignment) {
        return (value + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    }

    void* allocateFromNewBlock(std::size_t size, std::size_t alignment);

    Block* m_blocks = nullptr;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    unsigned m_nextSizeClass = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
