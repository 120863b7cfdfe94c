#include "platform/sim/sim_run_loop.h"

namespace tilvane::sim {

void SimRunLoop::async(Task task) {
    after(std::chrono::nanoseconds{0}, std::move(task));
}

void SimRunLoop::after(std::chrono::nanoseconds delay, Task task) {
    if (delay.count() < 0) delay = std::chrono::nanoseconds{0};
    tasks_.emplace(std::make_pair(now_ + delay, sequence_++), std::move(task));
}

void SimRunLoop::sleepFor(std::chrono::nanoseconds duration) {
    if (duration.count() > 0) now_ += duration;
}

int SimRunLoop::runUntilIdle() {
    int ran = 0;
    while (!tasks_.empty() && tasks_.begin()->first.first <= now_) {
        auto node = tasks_.extract(tasks_.begin());
        node.mapped()();
        ++ran;
    }
    return ran;
}

void SimRunLoop::advance(std::chrono::nanoseconds duration) {
    auto end = now_ + duration;
    while (!tasks_.empty() && tasks_.begin()->first.first <= end) {
        auto node = tasks_.extract(tasks_.begin());
        if (node.key().first > now_) now_ = node.key().first;
        node.mapped()();
    }
    if (end > now_) now_ = end;
}

}  // namespace tilvane::sim
