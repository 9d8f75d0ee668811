#include "CountingAllocator.h"

#include <libxml/xmlmemory.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace kxsoa_bench {

namespace {

thread_local HeapCounters counters;

// Sizes are what malloc really reserved for the block (malloc_usable_size),
// so that a block's size is known again when it is freed without a header
// of our own in front of it.
void* counted(void* block) noexcept {
    if (block != nullptr) {
        counters.live += static_cast<std::int64_t>(malloc_usable_size(block));
        ++counters.allocations;
        if (counters.live > counters.peak) counters.peak = counters.live;
    }
    return block;
}

void uncount(void* block) noexcept {
    if (block != nullptr) counters.live -= static_cast<std::int64_t>(malloc_usable_size(block));
}

void* countedMalloc(std::size_t size) noexcept { return counted(std::malloc(size)); }

void countedFree(void* block) noexcept {
    uncount(block);
    std::free(block);
}

void* xmlCountedMalloc(std::size_t size) { return countedMalloc(size); }

void xmlCountedFree(void* block) { countedFree(block); }

void* xmlCountedRealloc(void* block, std::size_t size) {
    std::size_t const before = block != nullptr ? malloc_usable_size(block) : 0;
    void* const moved = std::realloc(block, size);
    if (moved == nullptr) return nullptr;  // the old block is still held
    counters.live -= static_cast<std::int64_t>(before);
    return counted(moved);
}

char* xmlCountedStrdup(char const* text) {
    std::size_t const size = std::strlen(text) + 1;
    void* const copy = countedMalloc(size);
    if (copy != nullptr) std::memcpy(copy, text, size);
    return static_cast<char*>(copy);
}

void* allocateOrThrow(std::size_t size) {
    void* const block = countedMalloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

HeapCounters const& heap() noexcept { return counters; }

void resetPeak() noexcept { counters.peak = counters.live; }

void installCountingXmlMemory() {
    if (xmlMemSetup(xmlCountedFree, xmlCountedMalloc, xmlCountedRealloc, xmlCountedStrdup) != 0)
        throw std::runtime_error("libxml2 refused the counting allocator");
}

}  // namespace kxsoa_bench

// The replaceable global allocation functions, plain, array, nothrow and
// sized. The over-aligned forms stay the standard library's: nothing here
// allocates over-aligned memory.
void* operator new(std::size_t size) { return kxsoa_bench::allocateOrThrow(size); }
void* operator new[](std::size_t size) { return kxsoa_bench::allocateOrThrow(size); }
void* operator new(std::size_t size, std::nothrow_t const&) noexcept {
    return kxsoa_bench::countedMalloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, std::nothrow_t const&) noexcept {
    return kxsoa_bench::countedMalloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { kxsoa_bench::countedFree(block); }
void operator delete[](void* block) noexcept { kxsoa_bench::countedFree(block); }
void operator delete(void* block, std::size_t) noexcept { kxsoa_bench::countedFree(block); }
void operator delete[](void* block, std::size_t) noexcept { kxsoa_bench::countedFree(block); }
void operator delete(void* block, std::nothrow_t const&) noexcept { kxsoa_bench::countedFree(block); }
void operator delete[](void* block, std::nothrow_t const&) noexcept { kxsoa_bench::countedFree(block); }
