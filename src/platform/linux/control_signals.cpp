#include "platform/linux/control_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tilvane::linux_platform {

namespace {

sigset_t controlSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

ControlSignals::ControlSignals() {
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t set = controlSet();
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return;
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

ControlSignals::~ControlSignals() {
    if (fd_ < 0) return;
    if (loop_) loop_->unwatchFd(fd_);
    ::close(fd_);
    // The signals stay blocked: one that comes while the program ends must
    // not turn an orderly exit into death by signal.
}

void ControlSignals::watch(DescriptorWatcher& loop, std::function<void()> onEnd, std::function<void()> onReread) {
    if (fd_ < 0) return;
    loop_ = &loop;
    loop.watchFd(fd_, [this, onEnd = std::move(onEnd), onReread = std::move(onReread)] {
        signalfd_siginfo info;
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo == SIGHUP)
                onReread();
            else
                onEnd();
        }
    });
}

}  // namespace tilvane::linux_platform
