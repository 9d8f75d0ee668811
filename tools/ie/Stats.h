#pragma once

// What --stats reports: the allocations of the library's objects by type
// name, counted by a memory manager the tool installs, and the calls and
// total time of every timing probe that fired.

#include "host/MemoryManager.h"
#include "host/Monitor.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <set>
#include <string>

namespace kxsoa_ie {

class Stats : private Kestrune::Soa::Common::MemoryManager, private Kestrune::Soa::Internal::Common::Monitor::Observer {
public:
    // Installs the counting manager and the probe observer; the destructor
    // removes both. Create it before any message object, destroy it after.
    Stats();
    ~Stats() override;
    Stats(Stats const&) = delete;
    Stats& operator=(Stats const&) = delete;

    void print(std::ostream& out) const;

private:
    void* allocate(std::size_t size, char const* typeName) override;
    void deallocate(void* memory) override;
    void* placementallocate(std::size_t size, void* place) override;
    void placementdeallocate(void* memory, void* place) override;
    void onStart(std::string const& probe) override;
    void onEnd(std::string const&) override {}

    std::map<std::string, std::size_t> m_allocations;
    std::set<std::string> m_probes;
    Kestrune::Soa::Common::MemoryManager* m_previousManager;
    Kestrune::Soa::Internal::Common::Monitor::Observer* m_previousObserver;
};

}  // namespace kxsoa_ie
