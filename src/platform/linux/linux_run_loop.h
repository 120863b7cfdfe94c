#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/run_loop.h"

namespace tilvane::linux_platform {

// The program's main loop on Linux: one thread waiting in poll() on the file
// descriptors it watches (the X connection, inotify, the wake-up eventfd) and
// on the nearest timer. Idle means blocked in poll with no timeout: no
// periodic wake-ups.
class LinuxRunLoop : public RunLoop, public DescriptorWatcher {
public:
    LinuxRunLoop();
    ~LinuxRunLoop() override;

    void async(Task task) override;  // safe from any thread and from signal-free contexts
    void after(std::chrono::nanoseconds delay, Task task) override;
    void sleepFor(std::chrono::nanoseconds duration) override;
    Clock::time_point now() const override { return Clock::now(); }

    // Call watchFd and unwatchFd on the loop's thread.
    void watchFd(int fd, std::function<void()> onReadable) override;
    void unwatchFd(int fd) override;
    // Work to do before each wait in poll (for example flushing a connection).
    void addBeforeWait(std::function<void()> hook) override;

    // Runs until stop() is called. Returns at once if already stopped.
    void run();
    // Runs due work; returns when nothing more is due. When nothing is due
    // at first, waits at most maxWait for something to become due.
    void runOnce(std::chrono::milliseconds maxWait = std::chrono::milliseconds{0});
    void stop();
    bool stopped() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tilvane::linux_platform
