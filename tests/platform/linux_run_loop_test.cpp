#include "platform/linux/linux_run_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace tilvane::linux_platform {
namespace {

using namespace std::chrono_literals;

// Work runs on a later turn in the order it came, what it queues after the
// hooks that run before every wait (the X connection's flush); timers run in
// deadline order, those with the same delay in the order they were set.
TEST(LinuxRunLoop, AsyncRunsOnALaterTurnInOrderAndTimersInDeadlineOrder) {
    LinuxRunLoop loop;
    std::vector<int> ran, hooksSeen;
    int hooks = 0;
    loop.addBeforeWait([&] { ++hooks; });
    loop.async([&] {
        ran.push_back(1);
        hooksSeen.push_back(hooks);
        loop.async([&] {
            ran.push_back(3);
            hooksSeen.push_back(hooks);
        });
    });
    loop.async([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    loop.runOnce();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(hooksSeen.size(), 2u);
    EXPECT_LT(hooksSeen[0], hooksSeen[1]);

    ran.clear();
    loop.after(30ms, [&] {
        ran.push_back(30);
        loop.stop();
    });
    loop.after(10ms, [&] { ran.push_back(10); });
    loop.after(20ms, [&] { ran.push_back(20); });
    loop.after(20ms, [&] { ran.push_back(21); });
    loop.run();
    EXPECT_EQ(ran, (std::vector<int>{10, 20, 21, 30}));
}

TEST(LinuxRunLoop, AWatchedDescriptorCallsBackWhenReadableUntilItRemovesItself) {
    LinuxRunLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    loop.watchFd(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) received += c;
        if (c == '!') loop.unwatchFd(fds[0]);
    });
    ASSERT_EQ(::write(fds[1], "a!b", 3), 3);
    for (int i = 0; i < 100 && received.size() < 2; ++i) loop.runOnce(100ms);
    loop.runOnce();
    EXPECT_EQ(received, "a!");  // "b" came after it was no longer watched
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace tilvane::linux_platform
