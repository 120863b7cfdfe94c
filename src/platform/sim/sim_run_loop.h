#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "platform/run_loop.h"

namespace tilvane::sim {

// A run loop on a virtual clock. Nothing sleeps: tests run queued work with
// runUntilIdle and move time forward with advance.
class SimRunLoop : public RunLoop {
public:
    void async(Task task) override;
    void after(std::chrono::nanoseconds delay, Task task) override;
    // Blocking the main thread: time passes, but no queued work runs meanwhile.
    void sleepFor(std::chrono::nanoseconds duration) override;
    Clock::time_point now() const override { return now_; }

    // Runs every task that is due now, including tasks they queue for now.
    // Returns the number of tasks run.
    int runUntilIdle();
    // Moves the clock forward, running due tasks in the order of their times.
    void advance(std::chrono::nanoseconds duration);
    size_t pendingTasks() const { return tasks_.size(); }
    std::chrono::nanoseconds elapsed() const { return now_ - Clock::time_point{}; }

private:
    Clock::time_point now_{};
    uint64_t sequence_ = 0;
    std::map<std::pair<Clock::time_point, uint64_t>, Task> tasks_;
};

}  // namespace tilvane::sim
