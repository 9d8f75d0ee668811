#include "Stats.h"

#include <cstdlib>
#include <iomanip>
#include <ostream>

namespace kxsoa_ie {

using Kestrune::Soa::Common::MemoryManager;
using Kestrune::Soa::Internal::Common::Monitor;

Stats::Stats()
    : m_previousManager(MemoryManager::setMemoryManager(this)), m_previousObserver(Monitor::setObserver(this)) {
    Monitor::reset();
}

Stats::~Stats() {
    Monitor::setObserver(m_previousObserver);
    MemoryManager::setMemoryManager(m_previousManager);
}

void* Stats::allocate(std::size_t size, char const* typeName) {
    ++m_allocations[typeName ? typeName : "(no type name)"];
    return std::malloc(size == 0 ? 1 : size);
}

void Stats::deallocate(void* memory) { std::free(memory); }

void* Stats::placementallocate(std::size_t, void* place) { return place; }

void Stats::placementdeallocate(void*, void*) {}

void Stats::onStart(std::string const& probe) { m_probes.insert(probe); }

void Stats::print(std::ostream& out) const {
    out << "allocations by type name:\n";
    for (auto const& [typeName, count] : m_allocations) out << std::setw(10) << count << "  " << typeName << '\n';
    out << "timing probes (calls, total milliseconds):\n";
    for (std::string const& probe : m_probes) {
        Monitor::Figures const figures = Monitor::figures(probe);
        out << std::setw(10) << figures.calls << std::setw(12) << std::fixed << std::setprecision(3)
            << static_cast<double>(figures.totalNanoseconds) / 1e6 << "  " << probe << '\n';
    }
}

}  // namespace kxsoa_ie
