#pragma once

#include <chrono>
#include <functional>

namespace tilvane {

// The one main thread's loop. Everything the program does runs on it.
class RunLoop {
public:
    using Task = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    virtual ~RunLoop() = default;
    // Runs the task on a later turn of the loop, after the current work returns.
    virtual void async(Task task) = 0;
    // Runs the task on the loop once the delay has passed.
    virtual void after(std::chrono::nanoseconds delay, Task task) = 0;
    // Blocks the calling (main) thread for the given time; nothing else runs meanwhile.
    virtual void sleepFor(std::chrono::nanoseconds duration) = 0;
    virtual Clock::time_point now() const = 0;
};

// What a backend asks of the main loop to be served without a thread of its
// own and without polling: a call when a descriptor (a server connection,
// inotify, a signal descriptor) has something to read, and work to do just
// before the loop waits (flushing a connection, say). The plain Linux loop
// and the desktop application's loop both offer it. Called on the loop's thread.
class DescriptorWatcher {
public:
    virtual ~DescriptorWatcher() = default;
    // Calls onReadable whenever fd has data, a hang-up or an error.
    virtual void watchFd(int fd, std::function<void()> onReadable) = 0;
    virtual void unwatchFd(int fd) = 0;
    virtual void addBeforeWait(std::function<void()> hook) = 0;
};

}  // namespace tilvane
