#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <map>
#include <memory>
#include <vector>

#include "platform/run_loop.h"

namespace tilvane::qt {

// The desktop application's main loop is Qt's: queued calls and timers are
// Qt's, descriptors are watched with socket notifiers, and the hooks run
// when Qt's event dispatcher is about to block. Idle means blocked in Qt's
// wait with nothing due: no periodic wake-ups. It may be made before the
// application object, so that what needs a loop can be set up before Qt
// starts; connectToDispatcher() once the application object exists. Use it
// on the application's thread.
class QtRunLoop : public RunLoop, public DescriptorWatcher {
public:
    QtRunLoop();
    ~QtRunLoop() override;
    void connectToDispatcher();

    void async(Task task) override;
    void after(std::chrono::nanoseconds delay, Task task) override;
    void sleepFor(std::chrono::nanoseconds duration) override;
    Clock::time_point now() const override { return Clock::now(); }

    void watchFd(int fd, std::function<void()> onReadable) override;
    void unwatchFd(int fd) override;
    void addBeforeWait(std::function<void()> hook) override;

private:
    void beforeWait();

    std::unique_ptr<QObject> context_;  // queued calls and timers die with the loop
    std::map<int, std::unique_ptr<QSocketNotifier>> notifiers_;
    std::vector<std::function<void()>> hooks_;
    bool inHooks_ = false;
};

}  // namespace tilvane::qt
