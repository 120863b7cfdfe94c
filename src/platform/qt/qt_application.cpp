#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tilvane::qt {

QtApplication::QtApplication(int& argc, char** argv, const std::string& name, const std::string& version,
                             const std::string& desktopFileName)
    : application_(std::make_unique<QApplication>(argc, argv)) {
    QApplication::setApplicationName(QString::fromStdString(name));
    QApplication::setApplicationVersion(QString::fromStdString(version));
    QApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
    QApplication::setQuitOnLastWindowClosed(false);
}

QtApplication::~QtApplication() = default;

void QtApplication::onSessionEnd(std::function<void()> handler) {
    QObject::connect(application_.get(), &QGuiApplication::commitDataRequest, application_.get(),
                     [handler = std::move(handler)] { handler(); });
}

bool QtApplication::trayAvailable() {
    // Asked of Qt on Wayland, the answer would stay Qt's for good (see QtStatusItem).
    if (QGuiApplication::platformName() == QLatin1String("wayland")) return waylandTrayRuns();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtApplication::waylandTrayRuns() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

int QtApplication::exec() {
    return QApplication::exec();
}

int QtApplication::endWithoutServing(int status) {
    QTimer::singleShot(0, application_.get(), [status] { QApplication::exit(status); });
    return QApplication::exec();
}

void QtApplication::exit(int status) {
    QApplication::exit(status);
}

}  // namespace tilvane::qt
