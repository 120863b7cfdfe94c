#include "platform/linux/linux_run_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tilvane::linux_platform {

struct LinuxRunLoop::Impl {
    int wakeFd = -1;
    std::atomic<bool> stopped{false};

    // Tasks from async() and after(); other threads may add to them.
    std::mutex mutex;
    std::deque<Task> queued;
    std::multimap<Clock::time_point, Task> timers;  // equal deadlines keep their order

    // Loop-thread only. Shared pointers keep a callback alive while it runs,
    // even when it unwatches its own descriptor.
    std::map<int, std::shared_ptr<std::function<void()>>> watched;
    std::vector<std::function<void()>> beforeWait;

    void wake() {
        uint64_t one = 1;
        // A full counter still leaves the descriptor readable, so a failed write loses nothing.
        while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }

    void drainWake() {
        uint64_t count;
        while (::read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }

    // How long poll may wait: zero when work is queued, until the nearest
    // timer otherwise, and at most maxWait (negative: no limit).
    int timeoutMs(std::chrono::milliseconds maxWait) {
        std::lock_guard lock(mutex);
        if (!queued.empty()) return 0;
        int64_t ms = maxWait.count() < 0 ? -1 : maxWait.count();
        if (!timers.empty()) {
            auto left = timers.begin()->first - Clock::now();
            // Round up so a timer is never woken for early and found not yet due.
            int64_t untilTimer = left.count() <= 0 ? 0 : std::chrono::ceil<std::chrono::milliseconds>(left).count();
            if (ms < 0 || untilTimer < ms) ms = untilTimer;
        }
        return ms > INT32_MAX ? INT32_MAX : static_cast<int>(ms);
    }

    // One turn: hooks, one wait in poll, then ready descriptors, due timers
    // and the tasks queued before the turn began. True when anything ran.
    bool turn(std::chrono::milliseconds maxWait) {
        for (size_t i = 0; i < beforeWait.size(); ++i) beforeWait[i]();

        std::vector<pollfd> fds;
        fds.push_back({wakeFd, POLLIN, 0});
        for (const auto& entry : watched) fds.push_back({entry.first, POLLIN, 0});
        int timeout = timeoutMs(maxWait);
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) throw std::runtime_error(std::string("poll: ") + std::strerror(errno));

        bool ran = false;
        if (ready > 0) {
            if (fds[0].revents & POLLIN) drainWake();
            for (size_t i = 1; i < fds.size(); ++i) {
                // Hang-ups and errors are reported too: the owner reads and finds out.
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                auto it = watched.find(fds[i].fd);
                if (it == watched.end()) continue;  // unwatched by an earlier callback
                auto callback = it->second;
                (*callback)();
                ran = true;
            }
        }

        std::vector<Task> due;
        {
            std::lock_guard lock(mutex);
            auto now = Clock::now();
            while (!timers.empty() && timers.begin()->first <= now) {
                due.push_back(std::move(timers.begin()->second));
                timers.erase(timers.begin());
            }
            while (!queued.empty()) {
                due.push_back(std::move(queued.front()));
                queued.pop_front();
            }
        }
        for (auto& task : due) task();
        return ran || !due.empty();
    }
};

LinuxRunLoop::LinuxRunLoop() : impl_(std::make_unique<Impl>()) {
    impl_->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl_->wakeFd < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
}

LinuxRunLoop::~LinuxRunLoop() {
    ::close(impl_->wakeFd);
}

void LinuxRunLoop::async(Task task) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->queued.push_back(std::move(task));
    }
    impl_->wake();
}

void LinuxRunLoop::after(std::chrono::nanoseconds delay, Task task) {
    auto deadline = Clock::now() + std::max(delay, std::chrono::nanoseconds{0});
    {
        std::lock_guard lock(impl_->mutex);
        impl_->timers.emplace(deadline, std::move(task));
    }
    impl_->wake();
}

void LinuxRunLoop::sleepFor(std::chrono::nanoseconds duration) {
    if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

void LinuxRunLoop::watchFd(int fd, std::function<void()> onReadable) {
    impl_->watched[fd] = std::make_shared<std::function<void()>>(std::move(onReadable));
}

void LinuxRunLoop::unwatchFd(int fd) {
    impl_->watched.erase(fd);
}

void LinuxRunLoop::addBeforeWait(std::function<void()> hook) {
    impl_->beforeWait.push_back(std::move(hook));
}

void LinuxRunLoop::run() {
    while (!impl_->stopped.load()) impl_->turn(std::chrono::milliseconds{-1});
}

void LinuxRunLoop::runOnce(std::chrono::milliseconds maxWait) {
    // The first turn may wait; later turns only pick up what the earlier ones made due.
    bool ran = impl_->turn(std::max(maxWait, std::chrono::milliseconds{0}));
    while (ran) ran = impl_->turn(std::chrono::milliseconds{0});
}

void LinuxRunLoop::stop() {
    impl_->stopped.store(true);
    impl_->wake();
}

bool LinuxRunLoop::stopped() const {
    return impl_->stopped.load();
}

}  // namespace tilvane::linux_platform
