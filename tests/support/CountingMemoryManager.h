#pragma once

// A memory manager for tests: counts what it hands out and gives back, per
// type name, and can be told to refuse allocations from a given one on.

#include "host/MemoryManager.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <string_view>

namespace kxsoa_test {

class CountingMemoryManager : public Kestrune::Soa::Common::MemoryManager {
public:
    std::map<std::string, int, std::less<>> allocationsByType;
    int allocations = 0;
    int deallocations = 0;
    int placementAllocations = 0;
    int placementDeallocations = 0;
    int refuseFrom = -1;           // allocations with this ordinal and later return null; -1: never
    bool placementThrows = false;  // the placement forms throw std::bad_alloc
    int refusals = 0;

    void* allocate(std::size_t size, char const* typeName) override {
        if (refuseFrom >= 0 && allocations >= refuseFrom) {
            ++refusals;
            return nullptr;
        }
        ++allocations;
        // Looked up without a temporary string: a type seen before costs no allocation.
        auto known = allocationsByType.find(std::string_view(typeName));
        if (known == allocationsByType.end()) known = allocationsByType.emplace(typeName, 0).first;
        ++known->second;
        return std::malloc(size);
    }
    void deallocate(void* memory) override {
        ++deallocations;
        std::free(memory);
    }
    void* placementallocate(std::size_t, void* place) override {
        if (placementThrows) throw std::bad_alloc();
        ++placementAllocations;
        return place;
    }
    void placementdeallocate(void*, void*) override {
        if (placementThrows) throw std::bad_alloc();
        ++placementDeallocations;
    }

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
