#pragma once

#include "host/Export.h"

#include <cstdint>
#include <string>

namespace Kestrune::Soa::Internal::Common {

/// Timing probes. A probe is a name; markStart and markEnd bracket one call.
/// For each name the monitor keeps how many calls completed and their total
/// time. A call left by an exception is abandoned (markAbandoned); it does
/// not add to the completed calls or their time. A start that is never ended
/// is counted as abandoned when the same probe starts again; an end without
/// a start is counted as unmatched. Safe to use from several threads: each thread times its
/// own calls and keeps its own figures, which figures() sums; timing a call
/// takes no lock that another thread's calls take, unless an observer is
/// installed (it is called under the monitor's one lock). After its first
/// call, a probe costs no allocation.
class KXSOACOMMON_EXPORT Monitor {
public:
    struct Figures {
        std::uint64_t calls = 0;  ///< completed start/end pairs
        std::uint64_t totalNanoseconds = 0;
        std::uint64_t abandoned = 0;      ///< starts that were never ended
        std::uint64_t unmatchedEnds = 0;  ///< ends without a start
    };

    /// Receives every probe event, in order, for tracing or tests.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void onStart(std::string const& probe) = 0;
        virtual void onEnd(std::string const& probe) = 0;
        virtual void onAbandoned(std::string const& /*probe*/) {}
    };

    static void markStart(std::string const& probe);
    static void markEnd(std::string const& probe);
    /// Ends this thread's open start of `probe` as a call left by an
    /// exception; without an open start, counts an abandoned call all the same.
    static void markAbandoned(std::string const& probe);
    /// A call of `probe` timed by the caller, reported as a start and an end
    /// of that length: for work that is known to have completed only after
    /// the fact (a message read straight from its text, whose text could yet
    /// have turned out broken).
    static void markCompleted(std::string const& probe, std::uint64_t nanoseconds);

    /// The figures of one probe; all zero for a probe never used.
    static Figures figures(std::string const& probe);
    /// Forgets all figures, and the calling thread's open starts (an observer
    /// stays installed).
    static void reset();
    /// Installs `observer` (null removes it) and returns the one it replaces.
    static Observer* setObserver(Observer* observer);
};

}  // namespace Kestrune::Soa::Internal::Common
