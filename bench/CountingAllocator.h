#pragma once

// Every heap allocation of the benchmark process is counted: the global
// operator new and delete are replaced in this binary, and libxml2's
// allocator is routed through counting functions (installCountingXmlMemory,
// called before libxml2 is first used). Each thread counts its own blocks
// in counters of its own, so that the threads case neither races on them
// nor has both cores fight over one cache line at every allocation: a
// scope measures the thread it is on. A block freed on another thread than
// the one that allocated it lowers the freeing thread's live count, hence
// signed counts.

#include <cstddef>
#include <cstdint>

namespace kxsoa_bench {

struct HeapCounters {
    std::int64_t live = 0;        // bytes held now (allocated less freed, on this thread)
    std::int64_t peak = 0;        // the most held at once since the last resetPeak
    std::size_t allocations = 0;  // blocks handed out, ever
};

HeapCounters const& heap() noexcept;
// Starts a new peak from what is held now.
void resetPeak() noexcept;

void installCountingXmlMemory();

// What the heap did over one scope: blocks allocated, and the peak above
// what was held when the scope began.
class HeapScope {
public:
    HeapScope() noexcept : m_live(heap().live), m_allocations(heap().allocations) { resetPeak(); }
    std::size_t allocations() const noexcept { return heap().allocations - m_allocations; }
    std::size_t peakAbove() const noexcept { return static_cast<std::size_t>(heap().peak - m_live); }
    // Bytes held now beyond what was held at the start (0 if fewer).
    std::size_t liveAbove() const noexcept {
        return heap().live > m_live ? static_cast<std::size_t>(heap().live - m_live) : 0;
    }

private:
    std::int64_t m_live;
    std::size_t m_allocations;
};

}  // namespace kxsoa_bench
