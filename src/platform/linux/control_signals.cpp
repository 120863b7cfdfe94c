#include "platform/linux/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tilvane::linux_platform {

namespace {

sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

TerminationSignals::TerminationSignals() {
    sigset_t set = terminationSet();
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return;
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (fd_ < 0) return;
    if (loop_) loop_->unwatchFd(fd_);
    ::close(fd_);
    // The signals stay blocked: one that comes while the program ends must
    // not turn an orderly exit into death by signal.
}

void TerminationSignals::watch(DescriptorWatcher& loop, std::function<void(int)> onSignal) {
    if (fd_ < 0) return;
    loop_ = &loop;
    loop.watchFd(fd_, [this, onSignal = std::move(onSignal)] {
        signalfd_siginfo info;
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            onSignal(static_cast<int>(info.ssi_signo));
    });
}

}  // namespace tilvane::linux_platform
