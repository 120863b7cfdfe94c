#include "platform/sim/sim_run_loop.h"

#include <gtest/gtest.h>

#include <string>

namespace tilvane::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimRunLoop, RunsAsyncWorkInOrderOnlyWhenAsked) {
    SimRunLoop loop;
    std::string trace;
    loop.async([&] {
        trace += "a";
        loop.async([&] { trace += "c"; });
    });
    loop.async([&] { trace += "b"; });
    EXPECT_EQ(trace, "");
    EXPECT_EQ(loop.runUntilIdle(), 3);
    EXPECT_EQ(trace, "abc");
}

TEST(SimRunLoop, DelayedWorkRunsWhenTheClockReachesItNotWhenSleeping) {
    SimRunLoop loop;
    std::string trace;
    loop.after(500ms, [&] { trace += "late"; });
    loop.after(100ms, [&] { trace += "early,"; });
    loop.sleepFor(200ms);  // moves the clock, runs nothing
    EXPECT_EQ(trace, "");
    loop.runUntilIdle();
    EXPECT_EQ(trace, "early,");
    loop.advance(299ms);
    EXPECT_EQ(trace, "early,");
    loop.advance(1ms);
    EXPECT_EQ(trace, "early,late");
    EXPECT_EQ(loop.elapsed(), 500ms);
}

}  // namespace
}  // namespace tilvane::sim
