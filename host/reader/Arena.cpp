#include "host/reader/Arena.h"

#include <cstring>
#include <mutex>
#include <new>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

// Where arena blocks of the standard sizes go when a document is released,
// for the next documents to take. Memory fresh from the system costs a page
// fault per page on first touch, which for a big message costs more than
// parsing it; blocks kept here are already mapped. What is kept is bounded.
class ArenaBlockPool {
public:
    static constexpr std::size_t kSmallestBlock = std::size_t{4} * 1024;
    static constexpr unsigned kSizeClasses = 9;  // 4 KiB, 8 KiB, ... 1 MiB
    static constexpr std::size_t kLargestBlock = kSmallestBlock << (kSizeClasses - 1);
    static constexpr std::size_t kRetainedAtMost = std::size_t{16} * 1024 * 1024;

    static constexpr std::size_t blockSize(unsigned sizeClass) { return kSmallestBlock << sizeClass; }

    // Never destroyed, so that a document released during static
    // destruction still has a pool to return its blocks to.
    static ArenaBlockPool& instance() {
        static ArenaBlockPool* const pool = new ArenaBlockPool;
        return *pool;
    }

    // A block of blockSize(sizeClass) bytes: a kept one when there is one.
    void* take(unsigned sizeClass) {
        {
            std::lock_guard<std::mutex> const lock(m_mutex);
            if (FreeBlock* block = m_free[sizeClass]) {
                m_free[sizeClass] = block->next;
                m_retained -= blockSize(sizeClass);
                return block;
            }
        }
        return ::operator new(blockSize(sizeClass));
    }

    void give(void* memory, unsigned sizeClass) noexcept {
        {
            std::lock_guard<std::mutex> const lock(m_mutex);
            if (m_retained + blockSize(sizeClass) <= kRetainedAtMost) {
                m_free[sizeClass] = new (memory) FreeBlock{m_free[sizeClass]};
                m_retained += blockSize(sizeClass);
                return;
            }
        }
        ::operator delete(memory);
    }

private:
    struct FreeBlock {
        FreeBlock* next;
    };

    ArenaBlockPool() = default;

    std::mutex m_mutex;
    FreeBlock* m_free[kSizeClasses] = {};
    std::size_t m_retained = 0;
};

constexpr unsigned kOwnSize = ~0U;  // the size class of a block of its own

}  // namespace

Arena::~Arena() {
    while (m_blocks != nullptr) {
        Block* const block = m_blocks;
        m_blocks = block->next;
        unsigned const sizeClass = block->sizeClass;
        block->~Block();
        if (sizeClass == kOwnSize) {
            ::operator delete(block);
        } else {
            ArenaBlockPool::instance().give(block, sizeClass);
        }
    }
}

std::string_view Arena::copy(std::string_view text) {
    if (text.empty()) return {};
    char* const place = static_cast<char*>(allocate(text.size(), 1));
    std::memcpy(place, text.data(), text.size());
    return {place, text.size()};
}

void* Arena::allocateFromNewBlock(std::size_t size, std::size_t alignment) {
    constexpr std::size_t header =
        (sizeof(Block) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
    std::size_t const needed = header + size + alignment;
    if (needed > ArenaBlockPool::kLargestBlock / 4) {
        // A block of its own, linked behind the current one so that the
        // room left in the current block still serves the next requests.
        Block* const block = new (::operator new(needed)) Block{nullptr, kOwnSize};
        if (m_blocks != nullptr) {
            block->next = m_blocks->next;
            m_blocks->next = block;
        } else {
            m_blocks = block;
        }
        return reinterpret_cast<void*>(alignUp(reinterpret_cast<std::uintptr_t>(block) + header, alignment));
    }
    unsigned sizeClass = m_nextSizeClass;
    while (ArenaBlockPool::blockSize(sizeClass) < needed) ++sizeClass;
    m_nextSizeClass = sizeClass + 1 < ArenaBlockPool::kSizeClasses ? sizeClass + 1 : sizeClass;
    Block* const block = new (ArenaBlockPool::instance().take(sizeClass)) Block{m_blocks, sizeClass};
    m_blocks = block;
    char* const start = reinterpret_cast<char*>(block);
    m_end = start + ArenaBlockPool::blockSize(sizeClass);
    char* const place = reinterpret_cast<char*>(alignUp(reinterpret_cast<std::uintptr_t>(start) + header, alignment));
    m_cursor = place + size;
    return place;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
