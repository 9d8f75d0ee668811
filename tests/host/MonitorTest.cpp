// The timing probes' figures.

#include "host/Monitor.h"

#include "support/ProbeRecorder.h"

#include <gtest/gtest.h>

#include <thread>

using Kestrune::Soa::Internal::Common::Monitor;

TEST(Monitor, CountsCompletedCallsPerProbe) {
    Monitor::reset();
    Monitor::markStart("a");
    Monitor::markEnd("a");
    Monitor::markStart("a");
    Monitor::markStart("b");
    Monitor::markEnd("b");
    Monitor::markEnd("a");
    EXPECT_EQ(Monitor::figures("a").calls, 2u);
    EXPECT_EQ(Monitor::figures("b").calls, 1u);
    EXPECT_EQ(Monitor::figures("never").calls, 0u);
}

TEST(Monitor, AStartNeverEndedDoesNotCorruptLaterFigures) {
    Monitor::reset();
    Monitor::markStart("p");  // left by an exception
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    Monitor::markStart("p");
    Monitor::markEnd("p");
    Monitor::markEnd("p");  // nothing open any more
    Monitor::Figures const figures = Monitor::figures("p");
    EXPECT_EQ(figures.calls, 1u);
    EXPECT_EQ(figures.abandoned, 1u);
    EXPECT_EQ(figures.unmatchedEnds, 1u);
    EXPECT_LT(figures.totalNanoseconds, 250'000'000u);  // the abandoned start's time is not counted
}

TEST(Monitor, ThreadsTimeTheirOwnCalls) {
    Monitor::reset();
    Monitor::markStart("shared");
    std::thread other([] {
        Monitor::markStart("shared");
        Monitor::markEnd("shared");
    });
    other.join();
    Monitor::markEnd("shared");
    EXPECT_EQ(Monitor::figures("shared").calls, 2u);
    EXPECT_EQ(Monitor::figures("shared").abandoned, 0u);
}

TEST(Monitor, ObserverSeesEveryEventInOrder) {
    kxsoa_test::ProbeRecorder recorder;
    Monitor::markStart("x");
    Monitor::markEnd("x");
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start x", "end x"}));
}
