#include "platform/qt/qt_run_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <thread>

namespace tilvane::qt {

QtRunLoop::QtRunLoop() : context_(std::make_unique<QObject>()) {}

void QtRunLoop::connectToDispatcher() {
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, context_.get(), [this] { beforeWait(); });
}

QtRunLoop::~QtRunLoop() {
    notifiers_.clear();
}

void QtRunLoop::async(Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

void QtRunLoop::after(std::chrono::nanoseconds delay, Task task) {
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(delay);
    QTimer::singleShot(ms, Qt::PreciseTimer, context_.get(), std::move(task));
}

void QtRunLoop::sleepFor(std::chrono::nanoseconds duration) {
    std::this_thread::sleep_for(duration);
}

void QtRunLoop::watchFd(int fd, std::function<void()> onReadable) {
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, context_.get(),
                     [handler = std::move(onReadable)] { handler(); });
    notifiers_[fd] = std::move(notifier);
}

void QtRunLoop::unwatchFd(int fd) {
    auto it = notifiers_.find(fd);
    if (it == notifiers_.end()) return;
    // The notifier may be the one whose signal is running now: let it go later.
    it->second->setEnabled(false);
    it->second.release()->deleteLater();
    notifiers_.erase(it);
}

void QtRunLoop::addBeforeWait(std::function<void()> hook) {
    hooks_.push_back(std::move(hook));
}

void QtRunLoop::beforeWait() {
    if (inHooks_) return;
    inHooks_ = true;
    for (size_t i = 0; i < hooks_.size(); ++i) hooks_[i]();
    inHooks_ = false;
}

}  // namespace tilvane::qt
