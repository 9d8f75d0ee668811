#pragma once

// The class allocation functions that every public and implementation class
// declares. Their bodies are these four functions: with an installed
// MemoryManager they go to it under the class's type name, without one to
// the global allocator.
//
// The allocating forms are noexcept, so that an allocation that yields no
// memory makes a `new` expression give null (and a public constructor throw
// TryingToCreateNullHandle) instead of constructing into a null pointer.

#include "xml/Export.h"

#include <cstddef>

namespace Kestrune::Soa::Common::Xml::ClassAllocation {

KXSOAIMPORTEXPORT_EXPORT void* allocate(std::size_t size, char const* typeName) noexcept;
KXSOAIMPORTEXPORT_EXPORT void deallocate(void* memory) noexcept;
KXSOAIMPORTEXPORT_EXPORT void* placementAllocate(std::size_t size, void* place) noexcept;
KXSOAIMPORTEXPORT_EXPORT void placementDeallocate(void* memory, void* place) noexcept;

}  // namespace Kestrune::Soa::Common::Xml::ClassAllocation

// Declares the six class allocation functions inside a class body.
#define KXSOA_CLASS_ALLOCATION_FUNCTIONS                                 \
    static void* operator new(std::size_t size) noexcept;                \
    static void operator delete(void* memory) noexcept;                  \
    static void* operator new(std::size_t size, void* place) noexcept;   \
    static void operator delete(void* memory, void* place) noexcept;     \
    static void* operator new[](std::size_t size, void* place) noexcept; \
    static void operator delete[](void* memory, void* place) noexcept;

// Defines them for `Class`, whose type name for the memory manager is `typeName`.
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
