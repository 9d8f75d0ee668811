// The timing probes' figures.

#include "host/Monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using Kestrune::Soa::Internal::Common::Monitor;

TEST(Monitor, CountsCompletedCallsPerProbeAndThreadButNotAStartNeverEnded) {
    Monitor::reset();
    Monitor::markStart("a");
    Monitor::markEnd("a");
    Monitor::markStart("p");  // left by an exception
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    Monitor::markStart("p");
    std::thread other([] {  // times its own call of the same probe
        Monitor::markStart("p");
        Monitor::markEnd("p");
    });
    other.join();
    Monitor::markStart("a");  // inside another probe
    Monitor::markEnd("a");
    Monitor::markEnd("p");
    Monitor::markEnd("p");  // nothing open any more
    Monitor::Figures const figures = Monitor::figures("p");
    EXPECT_EQ(figures.calls, 2u);
    EXPECT_EQ(figures.abandoned, 1u);
    EXPECT_EQ(figures.unmatchedEnds, 1u);
    EXPECT_LT(figures.totalNanoseconds, 250'000'000u);  // the abandoned start's time is not counted
    EXPECT_EQ(Monitor::figures("a").calls, 2u);
    EXPECT_EQ(Monitor::figures("never").calls, 0u);

    // A reset forgets every thread's figures, ended threads' too, and the
    // starts still open: their ends no longer match.
    Monitor::markStart("a");
    Monitor::reset();
    Monitor::markEnd("a");
    EXPECT_EQ(Monitor::figures("p").calls, 0u);
    EXPECT_EQ(Monitor::figures("a").calls, 0u);
    EXPECT_EQ(Monitor::figures("a").unmatchedEnds, 1u);
}

// A call left by an exception is abandoned at once, with or without a start
// still open; a call timed by its caller counts as completed, with its time.
TEST(Monitor, AbandonedAndCompletedCallsAreCountedAndObserved) {
    struct Events : Monitor::Observer {
        std::vector<std::string> seen;
        void onStart(std::string const& probe) override { seen.push_back("start " + probe); }
        void onEnd(std::string const& probe) override { seen.push_back("end " + probe); }
        void onAbandoned(std::string const& probe) override { seen.push_back("abandoned " + probe); }
    } events;
    Monitor::reset();
    Monitor::Observer* const previous = Monitor::setObserver(&events);
    Monitor::markStart("p");
    Monitor::markAbandoned("p");
    Monitor::markEnd("p");  // the start was closed: this end matches nothing
    Monitor::markAbandoned("p");
    Monitor::markCompleted("p", 5000);
    Monitor::markStart("p");  // nothing left open to count as abandoned here
    Monitor::markEnd("p");
    Monitor::setObserver(previous);
    Monitor::Figures const figures = Monitor::figures("p");
    EXPECT_EQ(figures.abandoned, 2u);
    EXPECT_EQ(figures.unmatchedEnds, 1u);
    EXPECT_EQ(figures.calls, 2u);
    EXPECT_GE(figures.totalNanoseconds, 5000u);
    EXPECT_EQ(events.seen, (std::vector<std::string>{"start p", "abandoned p", "end p", "abandoned p", "start p",
                                                     "end p", "start p", "end p"}));
}
