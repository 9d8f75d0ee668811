// The timing probes' figures, and the observer that sees each call.

#include "host/Monitor.h"

#include "support/ProbeRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using Kestrune::Soa::Internal::Common::Monitor;

namespace {

using Calls = std::vector<std::string>;

// What a sequence of calls left: each probe's counts, and what an observer saw.
struct Left {
    std::vector<std::string> counts;
    std::vector<std::string> events;
    bool operator==(Left const& other) const { return counts == other.counts && events == other.events; }
};

std::ostream& operator<<(std::ostream& out, Left const& left) {
    for (std::string const& line : left.counts) out << line << "; ";
    for (std::string const& event : left.events) out << event << ", ";
    return out;
}

// Runs "start P", "end P", "abandoned P", "completed P" (timed by the caller
// at 5000 ns), "thread P" (a start and an end of P on a thread of its own,
// which then ends) and "wait" (a quarter of a second).
Left run(Calls const& calls) {
    kxsoa_test::ProbeRecorder recorder;
    for (std::string const& call : calls) {
        std::string const probe = call.substr(call.find(' ') + 1);
        if (call.rfind("start ", 0) == 0) Monitor::markStart(probe);
        if (call.rfind("end ", 0) == 0) Monitor::markEnd(probe);
        if (call.rfind("abandoned ", 0) == 0) Monitor::markAbandoned(probe);
        if (call.rfind("completed ", 0) == 0) Monitor::markCompleted(probe, 5000);
        if (call.rfind("thread ", 0) == 0)
            std::thread([&] {
                Monitor::markStart(probe);
                Monitor::markEnd(probe);
            }).join();
        if (call == "wait") std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    Left left{{}, recorder.events};
    for (char const* probe : {"a", "p", "q"}) {
        Monitor::Figures const f = Monitor::figures(probe);
        left.counts.push_back(std::string(probe) + ": " + std::to_string(f.calls) + " calls, " +
                              std::to_string(f.abandoned) + " abandoned, " + std::to_string(f.unmatchedEnds) +
                              " unmatched");
    }
    return left;
}

}  // namespace

// Each sequence runs after a reset, and then a plain one, which must leave
// what it leaves on a fresh monitor: a reset forgets every thread's figures,
// ended threads' too, and the starts still open, whose ends no longer match.
TEST(Monitor, EachSequenceLeavesItsFiguresAndAResetLeavesNone) {
    Calls const plain{"end q", "start a", "end a", "start a", "end a"};
    Left const fresh{{"a: 2 calls, 0 abandoned, 0 unmatched", "p: 0 calls, 0 abandoned, 0 unmatched",
                      "q: 0 calls, 0 abandoned, 1 unmatched"},
                     plain};
    Monitor::reset();
    ASSERT_EQ(run(plain), fresh);
    struct Case {
        Calls calls;
        Left left;
    };
    for (Case const& c : {
             // A start left by an exception, and an end without a start; q is left open.
             Case{{"start p", "wait", "start p", "start a", "end a", "end p", "end p", "start q"},
                  {{"a: 1 calls, 0 abandoned, 0 unmatched", "p: 1 calls, 1 abandoned, 1 unmatched",
                    "q: 0 calls, 0 abandoned, 0 unmatched"},
                   {"start p", "start p", "start a", "end a", "end p", "end p", "start q"}}},
             // Threads time their own calls of a probe; their figures outlive them.
             Case{{"start p", "thread p", "thread p", "end p", "start q"},
                  {{"a: 0 calls, 0 abandoned, 0 unmatched", "p: 3 calls, 0 abandoned, 0 unmatched",
                    "q: 0 calls, 0 abandoned, 0 unmatched"},
                   {"start p", "start p", "end p", "start p", "end p", "end p", "start q"}}},
             // A call left by an exception is abandoned at once, with or without a start
             // still open; a call timed by its caller counts as completed.
             Case{{"start p", "abandoned p", "end p", "abandoned p", "completed p", "start p", "end p"},
                  {{"a: 0 calls, 0 abandoned, 0 unmatched", "p: 2 calls, 2 abandoned, 1 unmatched",
                    "q: 0 calls, 0 abandoned, 0 unmatched"},
                   {"start p", "abandoned p", "end p", "abandoned p", "start p", "end p", "start p", "end p"}}},
             // Probes taken in turn each keep their own figures, the first one after a
             // reset too (the sequence before the reset ended with it).
             Case{{"completed a", "completed q", "completed a", "abandoned q", "completed p", "completed a"},
                  {{"a: 3 calls, 0 abandoned, 0 unmatched", "p: 1 calls, 0 abandoned, 0 unmatched",
                    "q: 1 calls, 1 abandoned, 0 unmatched"},
                   {"start a", "end a", "start q", "end q", "start a", "end a", "abandoned q", "start p", "end p",
                    "start a", "end a"}}},
         }) {
        Monitor::reset();
        EXPECT_EQ(run(c.calls), c.left);
        Monitor::reset();
        EXPECT_EQ(run(plain), fresh);
    }
    // The abandoned start's quarter of a second is not counted, a call timed
    // by its caller counts its own time; an observer removed sees nothing
    // more, and the one it replaced is given back.
    Monitor::reset();
    run({"start p", "wait", "start p", "end p"});
    EXPECT_LT(Monitor::figures("p").totalNanoseconds, 250'000'000u);
    run({"start a", "wait", "end a"});
    EXPECT_GE(Monitor::figures("a").totalNanoseconds, 250'000'000u);
    run({"completed q"});
    EXPECT_EQ(Monitor::figures("q").totalNanoseconds, 5000u);
    kxsoa_test::ProbeRecorder outer;
    Monitor::Observer* const replaced = Monitor::setObserver(nullptr);
    EXPECT_EQ(replaced, &outer);
    Monitor::markStart("a");
    EXPECT_EQ(Monitor::setObserver(replaced), nullptr);
    Monitor::markEnd("a");
    EXPECT_EQ(outer.events, std::vector<std::string>{"end a"});
}
