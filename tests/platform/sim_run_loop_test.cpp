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

TEST(SimRunLoop, DelayedWorkRunsWhenTheClockReachesIt) {
    SimRunLoop loop;
    std::string trace;
    loop.after(500ms, [&] { trace += "late"; });
    loop.after(100ms, [&] { trace += "early,"; });
    loop.runUntilIdle();
    EXPECT_EQ(trace, "");
    loop.advance(499ms);
    EXPECT_EQ(trace, "early,");
    loop.advance(1ms);
    EXPECT_EQ(trace, "early,late");
    EXPECT_EQ(loop.elapsed(), 500ms);
}

TEST(SimRunLoop, SleepingMovesTheClockButRunsNothing) {
    SimRunLoop loop;
    bool ran = false;
    loop.after(100ms, [&] { ran = true; });
    loop.sleepFor(600ms);
    EXPECT_FALSE(ran);
    EXPECT_EQ(loop.elapsed(), 600ms);
    loop.runUntilIdle();
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace tilvane::sim
