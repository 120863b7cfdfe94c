#pragma once

#include <functional>

#include "platform/run_loop.h"

namespace tilvane::linux_platform {

// SIGINT and SIGTERM delivered on the main loop instead of interrupting it,
// so that the program can end in order. Made before any thread starts: the
// two signals are blocked from then on (also after it goes) and read from a
// descriptor.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the descriptor could not be made; the signals then act as usual.
    bool ok() const { return fd_ >= 0; }
    // Calls onSignal with the signal's number on the loop's thread.
    void watch(DescriptorWatcher& loop, std::function<void(int)> onSignal);

private:
    int fd_ = -1;
    DescriptorWatcher* loop_ = nullptr;
};

}  // namespace tilvane::linux_platform
