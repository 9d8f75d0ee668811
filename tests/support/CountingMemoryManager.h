#pragma once

// A memory manager for tests: counts what it hands out and gives back, per
// type name, and can be told to refuse allocations from a given one on.

#include "host/MemoryManager.h"

#include <cstdlib>
#include <map>
#include <string>

namespace kxsoa_test {

class CountingMemoryManager : public Kestrune::Soa::Common::MemoryManager {
public:
    std::map<std::string, int> allocationsByType;
    int allocations = 0;
    int deallocations = 0;
    int placementAllocations = 0;
    int placementDeallocations = 0;
    int refuseFrom = -1;  // allocations with this ordinal and later return null; -1: never

    void* allocate(std::size_t size, char const* typeName) override {
        if (refuseFrom >= 0 && allocations >= refuseFrom) return nullptr;
        ++allocations;
        ++allocationsByType[typeName];
        return std::malloc(size);
    }
    void deallocate(void* memory) override {
        ++deallocations;
        std::free(memory);
    }
    void* placementallocate(std::size_t, void* place) override {
        ++placementAllocations;
        return place;
    }
    void placementdeallocate(void*, void*) override { ++placementDeallocations; }

    int live() const { return allocations - deallocations; }
};

// Installs a manager for one scope and restores the previous one after.
class ScopedMemoryManager {
public:
    explicit ScopedMemoryManager(Kestrune::Soa::Common::MemoryManager& manager)
        : m_previous(Kestrune::Soa::Common::MemoryManager::setMemoryManager(&manager)) {}
    ~ScopedMemoryManager() { Kestrune::Soa::Common::MemoryManager::setMemoryManager(m_previous); }
    ScopedMemoryManager(ScopedMemoryManager const&) = delete;
    ScopedMemoryManager& operator=(ScopedMemoryManager const&) = delete;

private:
    Kestrune::Soa::Common::MemoryManager* m_previous;
};

}  // namespace kxsoa_test
