#include "host/Monitor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Kestrune::Soa::Internal::Common {

namespace {

using Clock = std::chrono::steady_clock;
using FigureMap = std::unordered_map<std::string, Monitor::Figures>;

void add(Monitor::Figures& to, Monitor::Figures const& from) {
    to.calls += from.calls;
    to.totalNanoseconds += from.totalNanoseconds;
    to.abandoned += from.abandoned;
    to.unmatchedEnds += from.unmatchedEnds;
}

struct ThreadProbes;

// What all threads share: the threads' figures are reached through it only
// to read or forget them, and the observer is called under its lock. Never
// destroyed, so that a thread ending during static destruction can still
// hand its figures over.
struct Registry {
    std::mutex mutex;
    std::vector<ThreadProbes*> threads;
    FigureMap ended;  // of threads that have ended
    Monitor::Observer* observer = nullptr;
    std::atomic<bool> observed{false};
};

Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

// One thread's figures and its starts not ended yet. Only the thread itself
// changes them; its lock is shared with nothing but a reader of the figures,
// so that timing a call never waits for another thread. A thread's strings
// keep their memory from call to call, so that a probe costs no allocation
// once it has run.
struct ThreadProbes {
    struct Open {
        std::string probe;
        Clock::time_point start;
        bool open = false;
    };

    std::mutex mutex;
    FigureMap figures;
    std::vector<Open> starts;
    // The figures of the probe used last, found again without hashing its
    // name: most threads time one or two probes over and over. A cache of
    // one entry; forgotten whenever `figures` is cleared.
    std::string lastProbe;
    Monitor::Figures* lastFigures = nullptr;

    ThreadProbes() {
        Registry& r = registry();
        std::lock_guard<std::mutex> const lock(r.mutex);
        r.threads.push_back(this);
    }
    ThreadProbes(ThreadProbes const&) = delete;
    ThreadProbes& operator=(ThreadProbes const&) = delete;
    ~ThreadProbes() {
        Registry& r = registry();
        std::lock_guard<std::mutex> const lock(r.mutex);
        for (auto const& [probe, f] : figures) add(r.ended[probe], f);
        r.threads.erase(std::find(r.threads.begin(), r.threads.end(), this));
    }

    // The figures of `probe`, made when it has none (under `mutex`).
    Monitor::Figures& figuresOf(std::string const& probe) {
        if (lastFigures == nullptr || lastProbe != probe) {
            lastFigures = nullptr;  // stays so if either step below throws
            Monitor::Figures& found = figures[probe];
            lastProbe = probe;
            lastFigures = &found;
        }
        return *lastFigures;
    }
    void forgetFigures() {
        figures.clear();
        lastFigures = nullptr;
    }

    Open* find(std::string const& probe) {
        for (Open& s : starts)
            if (s.open && s.probe == probe) return &s;
        return nullptr;
    }
};

ThreadProbes& thisThread() {
    thread_local ThreadProbes probes;
    return probes;
}

template <class Call>
void notify(Call&& call) {
    Registry& r = registry();
    if (!r.observed.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> const lock(r.mutex);
    if (r.observer != nullptr) call(*r.observer);
}

}  // namespace

void Monitor::markStart(std::string const& probe) {
    ThreadProbes& t = thisThread();
    ThreadProbes::Open* open = nullptr;
    {
        std::lock_guard<std::mutex> const lock(t.mutex);
        open = t.find(probe);
        if (open != nullptr) {
            ++t.figuresOf(probe).abandoned;  // the earlier start was left by an exception
        } else {
            auto const free = std::find_if(t.starts.begin(), t.starts.end(), [](auto const& s) { return !s.open; });
            open = free != t.starts.end() ? &*free : &t.starts.emplace_back();
            open->probe = probe;
            open->open = true;
            t.figuresOf(probe);
        }
    }
    notify([&](Observer& observer) { observer.onStart(probe); });
    open->start = Clock::now();
}

void Monitor::markEnd(std::string const& probe) {
    auto const now = Clock::now();
    ThreadProbes& t = thisThread();
    {
        std::lock_guard<std::mutex> const lock(t.mutex);
        Figures& figures = t.figuresOf(probe);
        if (ThreadProbes::Open* const open = t.find(probe)) {
            ++figures.calls;
            figures.totalNanoseconds += static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - open->start).count());
            open->open = false;
        } else {
            ++figures.unmatchedEnds;
        }
    }
    notify([&](Observer& observer) { observer.onEnd(probe); });
}

void Monitor::markAbandoned(std::string const& probe) {
    ThreadProbes& t = thisThread();
    {
        std::lock_guard<std::mutex> const lock(t.mutex);
        ++t.figuresOf(probe).abandoned;
        if (ThreadProbes::Open* const open = t.find(probe)) open->open = false;
    }
    notify([&](Observer& observer) { observer.onAbandoned(probe); });
}

void Monitor::markCompleted(std::string const& probe, std::uint64_t nanoseconds) {
    ThreadProbes& t = thisThread();
    {
        std::lock_guard<std::mutex> const lock(t.mutex);
        Figures& figures = t.figuresOf(probe);
        ++figures.calls;
        figures.totalNanoseconds += nanoseconds;
    }
    notify([&](Observer& observer) {
        observer.onStart(probe);
        observer.onEnd(probe);
    });
}

Monitor::Figures Monitor::figures(std::string const& probe) {
    Registry& r = registry();
    std::lock_guard<std::mutex> const lock(r.mutex);
    Figures sum;
    if (auto const found = r.ended.find(probe); found != r.ended.end()) add(sum, found->second);
    for (ThreadProbes* t : r.threads) {
        std::lock_guard<std::mutex> const threadLock(t->mutex);
        if (auto const found = t->figures.find(probe); found != t->figures.end()) add(sum, found->second);
    }
    return sum;
}

void Monitor::reset() {
    ThreadProbes& own = thisThread();
    Registry& r = registry();
    std::lock_guard<std::mutex> const lock(r.mutex);
    r.ended.clear();
    for (ThreadProbes* t : r.threads) {
        std::lock_guard<std::mutex> const threadLock(t->mutex);
        t->forgetFigures();
        if (t == &own)
            for (ThreadProbes::Open& s : t->starts) s.open = false;
    }
}

Monitor::Observer* Monitor::setObserver(Observer* observer) {
    Registry& r = registry();
    std::lock_guard<std::mutex> const lock(r.mutex);
    Observer* const previous = r.observer;
    r.observer = observer;
    r.observed.store(observer != nullptr, std::memory_order_release);
    return previous;
}

}  // namespace Kestrune::Soa::Internal::Common
