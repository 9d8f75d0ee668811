#pragma once

// The class allocation functions that every public and implementation class
// declares, the host's own handle classes included. Their bodies are these
// four functions: with an installed MemoryManager they go to it under the
// class's type name, without one to the global allocator.
//
// The allocating forms are noexcept, so that an allocation that yields no
// memory makes a `new` expression give null (and a public constructor throw
// TryingToCreateNullHandle) instead of constructing into a null pointer.

#include "host/Export.h"

#include <cstddef>
#include <utility>

namespace Kestrune::Soa::Common::Xml::ClassAllocation {

KXSOACOMMON_EXPORT void* allocate(std::size_t size, char const* typeName) noexcept;
KXSOACOMMON_EXPORT void deallocate(void* memory) noexcept;
KXSOACOMMON_EXPORT void* placementAllocate(std::size_t size, void* place) noexcept;
KXSOACOMMON_EXPORT void placementDeallocate(void* memory, void* place) noexcept;

/// Allocates and constructs an implementation object through its class
/// allocation functions; null when no memory could be had. Memory is given
/// back when the constructor throws, and the exception passes on.
template <class Impl, class... Args>
Impl* newObject(Args&&... args) {
    void* const memory = Impl::operator new(sizeof(Impl));
    if (!memory) return nullptr;
    try {
        return ::new (memory) Impl(std::forward<Args>(args)...);
    } catch (...) {
        Impl::operator delete(memory);
        throw;
    }
}

}  // namespace Kestrune::Soa::Common::Xml::ClassAllocation

/// Declares the six class allocation functions inside a class body.
#define KXSOA_CLASS_ALLOCATION_FUNCTIONS                                 \
    static void* operator new(std::size_t size) noexcept;                \
    static void operator delete(void* memory) noexcept;                  \
    static void* operator new(std::size_t size, void* place) noexcept;   \
    static void operator delete(void* memory, void* place) noexcept;     \
    static void* operator new[](std::size_t size, void* place) noexcept; \
    static void operator delete[](void* memory, void* place) noexcept;

/// Defines them for `Class`, whose type name for the memory manager is `typeName`.
#define KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(Class, typeName)                              \
    void* Class::operator new(std::size_t size) noexcept {                                    \
        return ::Kestrune::Soa::Common::Xml::ClassAllocation::allocate(size, typeName);       \
    }                                                                                         \
    void Class::operator delete(void* memory) noexcept {                                      \
        ::Kestrune::Soa::Common::Xml::ClassAllocation::deallocate(memory);                    \
    }                                                                                         \
    void* Class::operator new(std::size_t size, void* place) noexcept {                       \
        return ::Kestrune::Soa::Common::Xml::ClassAllocation::placementAllocate(size, place); \
    }                                                                                         \
    void Class::operator delete(void* memory, void* place) noexcept {                         \
        ::Kestrune::Soa::Common::Xml::ClassAllocation::placementDeallocate(memory, place);    \
    }                                                                                         \
    void* Class::operator new[](std::size_t, void* place) noexcept { return place; }          \
    void Class::operator delete[](void*, void*) noexcept {}
