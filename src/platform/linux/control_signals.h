#pragma once

#include <functional>

#include "platform/run_loop.h"

namespace tilvane::linux_platform {

// The signals a user sends the serving program, delivered on the main loop
// instead of interrupting it: SIGINT and SIGTERM end it in order, SIGHUP has
// it read its settings file again. SIGPIPE is ignored, so that a reader of its
// output going away does not end it. Made before any thread starts: the three
// signals are blocked from then on (also after it goes) and read from a
// descriptor. Other signals act as usual (SIGUSR1 ends the program at once).
class ControlSignals {
public:
    ControlSignals();
    ~ControlSignals();
    ControlSignals(const ControlSignals&) = delete;
    ControlSignals& operator=(const ControlSignals&) = delete;

    // False when the descriptor could not be made; the signals then act as usual.
    bool ok() const { return fd_ >= 0; }
    // Calls onEnd for SIGINT and SIGTERM and onReread for SIGHUP, on the loop's thread.
    void watch(DescriptorWatcher& loop, std::function<void()> onEnd, std::function<void()> onReread);

private:
    int fd_ = -1;
    DescriptorWatcher* loop_ = nullptr;
};

}  // namespace tilvane::linux_platform
