#pragma once

// Every heap allocation of the benchmark process is counted: the global
// operator new and delete are replaced in this binary, and libxml2's
// allocator is routed through counting functions (installCountingXmlMemory,
// called before libxml2 is first used). The counters are plain integers:
// the benchmarks run on one thread.

#include <cstddef>

namespace kxsoa_bench {

struct HeapCounters {
    std::size_t live = 0;         // bytes held now
    std::size_t peak = 0;         // the most bytes held at once since the last resetPeak
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
    std::size_t peakAbove() const noexcept { return heap().peak - m_live; }
    // Bytes held now beyond what was held at the start (0 if fewer).
    std::size_t liveAbove() const noexcept { return heap().live > m_live ? heap().live - m_live : 0; }

private:
    std::size_t m_live;
    std::size_t m_allocations;
};

}  // namespace kxsoa_bench
