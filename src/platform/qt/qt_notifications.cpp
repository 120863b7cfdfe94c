#include "platform/qt/qt_notifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace tilvane::qt {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// How long the service waits before it gives up on a call, in milliseconds.
constexpr int kCallTimeout = 2000;

}  // namespace

bool QtNotifications::available() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    auto registered = bus.interface()->isServiceRegistered(kService);
    if (registered.isValid() && registered.value()) return true;
    // A service started on demand is listed as activatable instead.
    auto activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kService);
}

bool QtNotifications::notify(const QString& title, const QString& body, const QString& actionTitle,
                             std::function<void()> onAction) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!listening_) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
        listening_ = true;
    }
    QStringList actions;
    if (!actionTitle.isEmpty()) actions << kDefaultAction << actionTitle;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Tilvane") << uint(0) << QStringLiteral("tilvane") << title << body << actions
         << QVariantMap() << int(-1);
    QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    uint id = reply.arguments().first().toUInt();
    if (onAction) actions_[id] = std::move(onAction);
    return true;
}

void QtNotifications::actionInvoked(uint id, const QString& action) {
    auto found = actions_.find(id);
    if (found == actions_.end() || action != kDefaultAction) return;
    auto act = std::move(found->second);
    actions_.erase(found);
    act();
}

void QtNotifications::notificationClosed(uint id, uint) {
    actions_.erase(id);
}

}  // namespace tilvane::qt
