#include "host/ClassAllocation.h"

#include "host/MemoryManager.h"

#include <new>

namespace Kestrune::Soa::Common::Xml::ClassAllocation {

void* allocate(std::size_t size, char const* typeName) noexcept {
    if (MemoryManager* const manager = MemoryManager::getMemoryManager()) {
        try {
            return manager->allocate(size, typeName);
        } catch (...) {
            return nullptr;  // a manager that throws has no memory to give either
        }
    }
    return ::operator new(size, std::nothrow);
}

void deallocate(void* memory) noexcept {
    if (!memory) return;
    if (MemoryManager* const manager = MemoryManager::getMemoryManager()) {
        manager->deallocate(memory);
    } else {
        ::operator delete(memory);
    }
}

void* placementAllocate(std::size_t size, void* place) noexcept {
    if (MemoryManager* const manager = MemoryManager::getMemoryManager()) {
        try {
            return manager->placementallocate(size, place);
        } catch (...) {
            return nullptr;
        }
    }
    return place;
}

void placementDeallocate(void* memory, void* place) noexcept {
    if (MemoryManager* const manager = MemoryManager::getMemoryManager()) {
        try {
            manager->placementdeallocate(memory, place);
        } catch (...) {
            // Nothing to give back: a placement release frees no memory.
        }
    }
}

}  // namespace Kestrune::Soa::Common::Xml::ClassAllocation
