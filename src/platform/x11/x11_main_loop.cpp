// Ties the X connection to the program's main loop.

#include "platform/linux/linux_run_loop.h"
#include "platform/x11/x11_desktop.h"

namespace tilvane::x11 {

void X11Desktop::attach(linux_platform::LinuxRunLoop& loop, std::function<void()> onLost) {
    loop_ = &loop;
    onLost_ = std::move(onLost);
    auto handle = [this] {
        conn_->dispatchPending();
        if (!conn_->isUsable() && onLost_) {
            auto lost = std::move(onLost_);
            onLost_ = nullptr;
            loop_->unwatchFd(conn_->fd());
            lost();
        }
    };
    loop.watchFd(conn_->fd(), handle);
    // xcb may have read events while waiting for a reply; they sit in its
    // queue where poll() cannot see them, so handle them before every wait.
    loop.addBeforeWait([this, handle] {
        handle();
        if (!onLost_) return;
        // The writes of the turn are out: the window manager's answer comes while the loop waits.
        accessibility_->askAfterWrites();
        conn_->flush();
    });
}

}  // namespace tilvane::x11
