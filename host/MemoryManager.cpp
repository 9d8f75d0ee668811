#include "host/MemoryManager.h"

#include <atomic>

namespace Kestrune::Soa::Common {

namespace {
std::atomic<MemoryManager*> installedManager{nullptr};
}

MemoryManager::~MemoryManager() = default;

MemoryManager* MemoryManager::getMemoryManager() noexcept { return installedManager.load(std::memory_order_acquire); }

MemoryManager* MemoryManager::setMemoryManager(MemoryManager* manager) noexcept {
    return installedManager.exchange(manager, std::memory_order_acq_rel);
}

}  // namespace Kestrune::Soa::Common
