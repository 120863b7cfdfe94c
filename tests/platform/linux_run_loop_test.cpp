#include "platform/linux/linux_run_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tilvane::linux_platform {
namespace {

using namespace std::chrono_literals;

TEST(LinuxRunLoop, AsyncRunsOnALaterTurnInOrder) {
    LinuxRunLoop loop;
    std::vector<int> ran;
    loop.async([&] {
        ran.push_back(1);
        loop.async([&] { ran.push_back(3); });
    });
    loop.async([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    loop.runOnce();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(LinuxRunLoop, TimersRunInDeadlineOrder) {
    LinuxRunLoop loop;
    std::vector<int> ran;
    loop.after(30ms, [&] {
        ran.push_back(30);
        loop.stop();
    });
    loop.after(10ms, [&] { ran.push_back(10); });
    loop.after(20ms, [&] { ran.push_back(20); });
    loop.after(20ms, [&] { ran.push_back(21); });  // same delay: after the first one
    loop.run();
    EXPECT_EQ(ran, (std::vector<int>{10, 20, 21, 30}));
}

TEST(LinuxRunLoop, AsyncOrStopFromAnotherThreadWakesTheBlockedLoop) {
    LinuxRunLoop loop;
    std::thread::id ranOn;
    std::thread other([&] { loop.async([&] { ranOn = std::this_thread::get_id(), loop.stop(); }); });
    loop.run();  // would block for ever without the wake-up
    other.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    LinuxRunLoop second;
    std::thread stopper([&] { second.stop(); });
    second.run();
    stopper.join();
    EXPECT_TRUE(second.stopped());
    second.run();  // returns at once
}

TEST(LinuxRunLoop, WatchedDescriptorCallsBackWhenReadable) {
    LinuxRunLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    loop.watchFd(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) received += c;
        if (c == '!') loop.unwatchFd(fds[0]);  // removing itself while it runs is safe
    });
    ASSERT_EQ(::write(fds[1], "a!", 2), 2);
    for (int i = 0; i < 100 && received.size() < 2; ++i) loop.runOnce(100ms);
    EXPECT_EQ(received, "a!");

    ASSERT_EQ(::write(fds[1], "b", 1), 1);
    loop.runOnce();
    EXPECT_EQ(received, "a!");  // no longer watched
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(LinuxRunLoop, BeforeWaitHooksRunBeforeEveryWait) {
    LinuxRunLoop loop;
    int flushes = 0;
    std::vector<int> flushesSeenByTasks;
    loop.addBeforeWait([&] { ++flushes; });
    loop.async([&] {
        flushesSeenByTasks.push_back(flushes);
        loop.async([&] { flushesSeenByTasks.push_back(flushes); });
    });
    loop.runOnce();
    ASSERT_EQ(flushesSeenByTasks.size(), 2u);
    EXPECT_LT(flushesSeenByTasks[0], flushesSeenByTasks[1]);
}

}  // namespace
}  // namespace tilvane::linux_platform
