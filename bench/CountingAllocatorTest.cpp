// The benchmark's counting allocator on two threads at once, as the threads
// case runs it: a scope counts the blocks and bytes of its own thread, not
// those another thread allocates meanwhile.

#include "CountingAllocator.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace {

using kxsoa_bench::HeapScope;

TEST(CountingAllocator, AScopeCountsTheBlocksOfItsOwnThreadAlone) {
    std::atomic<bool> stop{false};
    std::atomic<unsigned long> rounds{0};
    std::thread other([&] {
        while (!stop.load()) {
            char* volatile block = new char[4096];  // volatile: a pair the compiler cannot elide
            delete[] block;
            rounds.fetch_add(1);
        }
    });
    while (rounds.load() == 0) std::this_thread::yield();

    constexpr std::size_t kBlocks = 100, kBytes = 1000;
    std::array<char*, kBlocks> held{};
    HeapScope const scope;
    unsigned long const before = rounds.load();
    for (char*& block : held) block = new char[kBytes];
    // The other thread allocated and freed while this one held its blocks.
    while (rounds.load() < before + 100) std::this_thread::yield();
    std::size_t const allocations = scope.allocations(), peak = scope.peakAbove(), live = scope.liveAbove();
    stop = true;
    other.join();
    for (char* block : held) delete[] block;

    EXPECT_EQ(kBlocks, allocations);
    // What malloc reserves for a block of 1000 bytes: at least those, and
    // less than a further 64.
    EXPECT_GE(peak, kBlocks * kBytes);
    EXPECT_LT(peak, kBlocks * (kBytes + 64));
    EXPECT_EQ(peak, live);
}

}  // namespace
