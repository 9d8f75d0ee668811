// The benchmark's counting allocator: a scope counts what its thread
// allocates and frees, through operator new and through libxml2, from its
// own start; and on two threads at once, as the threads case runs it, not
// what another thread allocates meanwhile.

#include "CountingAllocator.h"

#include <gtest/gtest.h>
#include <libxml/xmlmemory.h>

#include <array>
#include <atomic>
#include <new>
#include <thread>

namespace {

using kxsoa_bench::HeapScope;

// What malloc reserves for blocks of `bytes` in all: at least those, and
// less than a further `slack` (64 bytes for a block or two).
void expectHeld(std::size_t held, std::size_t bytes, std::size_t slack = 64) {
    EXPECT_GE(held, bytes);
    EXPECT_LT(held, bytes + slack);
}

TEST(CountingAllocator, AScopeCountsFromItsStartWhatItsThreadAllocatesAndFrees) {
    {
        char* volatile before = new char[1 << 20];  // a peak before the scope, not the scope's
        delete[] before;
    }
    HeapScope const scope;
    char* volatile block = new char[1000];
    expectHeld(scope.liveAbove(), 1000);
    delete[] block;
    EXPECT_EQ(0u, scope.liveAbove());
    // The nothrow forms, which the library's objects are allocated with.
    void* const single = ::operator new(1000, std::nothrow);
    char* const array = new (std::nothrow) char[1000];
    expectHeld(scope.liveAbove(), 2000);
    ::operator delete(single, std::nothrow);
    delete[] array;
    EXPECT_EQ(3u, scope.allocations());
    EXPECT_EQ(0u, scope.liveAbove());
    expectHeld(scope.peakAbove(), 2000);

    // libxml2's blocks, once its allocator goes through the counters: a
    // block it grows is counted at its new size alone.
    kxsoa_bench::installCountingXmlMemory();
    HeapScope const xml;
    void* grown = xmlMalloc(100);
    ASSERT_NE(nullptr, grown);
    grown = xmlRealloc(grown, 5000);
    ASSERT_NE(nullptr, grown);
    char* const copy = xmlMemStrdup("text");
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ("text", copy);
    EXPECT_EQ(3u, xml.allocations());
    expectHeld(xml.liveAbove(), 5000 + 5);
    xmlFree(copy);
    xmlFree(grown);
    EXPECT_EQ(0u, xml.liveAbove());
}

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
    expectHeld(peak, kBlocks * kBytes, 64 * kBlocks);
    EXPECT_EQ(peak, live);
}

}  // namespace
