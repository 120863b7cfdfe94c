#include "platform/sim/sim_run_loop.h"

#include <gtest/gtest.h>

#include <string>

namespace tilvane::sim {
namespace {

using namespace std::chrono_literals;

// The simulated loop runs work only when asked, in order; delayed work when
// the clock reaches it, never while the program sleeps.
TEST(SimRunLoop, RunsWorkInOrderOnlyWhenAskedAndDelayedWorkWhenTheClockReachesIt) {
    SimRunLoop loop;
    std::string trace;
    loop.async([&] {
        trace += "a";
        loop.async([&] { trace += "c"; });
    });
    loop.async([&] { trace += "b"; });
    loop.after(500ms, [&] { trace += ",late"; });
    loop.after(100ms, [&] { trace += ",early"; });
    EXPECT_EQ(trace, "");
    EXPECT_EQ(loop.runUntilIdle(), 3);
    EXPECT_EQ(trace, "abc");
    loop.sleepFor(200ms);
    EXPECT_EQ(trace, "abc");
    loop.runUntilIdle();
    EXPECT_EQ(trace, "abc,early");
    loop.advance(299ms);
    EXPECT_EQ(trace, "abc,early");
    loop.advance(1ms);
    EXPECT_EQ(trace, "abc,early,late");
    EXPECT_EQ(loop.elapsed(), 500ms);
}

}  // namespace
}  // namespace tilvane::sim
