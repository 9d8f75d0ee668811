#pragma once

#include "host/Export.h"

#include <cstddef>

namespace Kestrune::Soa::Common {

/// The allocator that an application may install for every framework object
/// that has class allocation functions. Install it before creating any object
/// and keep it installed while objects it allocated are alive: memory goes
/// back to the manager that is installed at the time of release.
class KXSOACOMMON_EXPORT MemoryManager {
public:
    virtual ~MemoryManager();

    /// The installed manager, or null when the application installed none
    /// (then the global allocation functions are used).
    static MemoryManager* getMemoryManager() noexcept;

    /// Installs `manager` (null uninstalls) and returns the one it replaces.
    static MemoryManager* setMemoryManager(MemoryManager* manager) noexcept;

    /// Memory for one object of the class named `typeName`; null when none can be had.
    virtual void* allocate(std::size_t size, char const* typeName) = 0;
    virtual void deallocate(void* memory) = 0;
    /// The placement forms: where an object of `size` bytes is to be built in `place`.
    virtual void* placementallocate(std::size_t size, void* place) = 0;
    virtual void placementdeallocate(void* memory, void* place) = 0;

protected:
    MemoryManager() = default;
    MemoryManager(MemoryManager const&) = default;
    MemoryManager& operator=(MemoryManager const&) = default;
};

}  // namespace Kestrune::Soa::Common
