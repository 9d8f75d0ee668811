// The timing probes' figures.

#include "host/Monitor.h"

#include <gtest/gtest.h>

#include <thread>

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
