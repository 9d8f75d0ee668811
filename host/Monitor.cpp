#include "host/Monitor.h"

#include <chrono>
#include <mutex>
#include <unordered_map>

namespace Kestrune::Soa::Internal::Common {

namespace {

using Clock = std::chrono::steady_clock;

struct State {
    std::mutex mutex;
    std::unordered_map<std::string, Monitor::Figures> probes;
    Monitor::Observer* observer = nullptr;
};

// Each thread times its own calls: the starts it has not ended yet.
thread_local std::unordered_map<std::string, Clock::time_point> pendingStarts;

State& state() {
    static State instance;
    return instance;
}

}  // namespace

void Monitor::markStart(std::string const& probe) {
    auto const pending = pendingStarts.try_emplace(probe, Clock::time_point{});
    State& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        Monitor::Figures& figures = s.probes[probe];
        if (!pending.second) ++figures.abandoned;
        if (s.observer) s.observer->onStart(probe);
    }
    pending.first->second = Clock::now();
}

void Monitor::markEnd(std::string const& probe) {
    auto const now = Clock::now();
    auto const pending = pendingStarts.find(probe);
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Monitor::Figures& figures = s.probes[probe];
    if (pending != pendingStarts.end()) {
        ++figures.calls;
        figures.totalNanoseconds += static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(now - pending->second).count());
        pendingStarts.erase(pending);
    } else {
        ++figures.unmatchedEnds;
    }
    if (s.observer) s.observer->onEnd(probe);
}

Monitor::Figures Monitor::figures(std::string const& probe) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto const found = s.probes.find(probe);
    return found == s.probes.end() ? Figures{} : found->second;
}

void Monitor::reset() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.probes.clear();
    pendingStarts.clear();
}

Monitor::Observer* Monitor::setObserver(Observer* observer) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Observer* const previous = s.observer;
    s.observer = observer;
    return previous;
}

}  // namespace Kestrune::Soa::Internal::Common
