#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>

namespace tilvane::qt {

// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), with one button each.
class QtNotifications : public QObject {
    Q_OBJECT

public:
    // Whether a notification service answers on the session bus now.
    static bool available();
    // Shows the notification; false when the service did not take it.
    bool notify(const QString& title, const QString& body, const QString& actionTitle, std::function<void()> onAction);

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    bool listening_ = false;
    std::map<uint, std::function<void()>> actions_;
};

}  // namespace tilvane::qt
