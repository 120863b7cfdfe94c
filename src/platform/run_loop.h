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

}  // namespace tilvane
