#pragma once

#include <functional>
#include <memory>
#include <string>

class QApplication;

namespace tilvane::qt {

// The Qt application of the desktop program: it lives in the tray, so
// closing its last window does not end it.
class QtApplication {
public:
    // argc and argv stay valid as long as the application does.
    QtApplication(int& argc, char** argv, const std::string& name, const std::string& version,
                  const std::string& desktopFileName);
    ~QtApplication();

    // The session ends (the user logs out).
    void onSessionEnd(std::function<void()> handler);
    // Whether a system tray runs on the display now.
    static bool trayAvailable();
    // Whether a Wayland tray runs: a host of status notifier items on the
    // session bus (swaybar's tray, a panel's).
    static bool waylandTrayRuns();
    // Runs the main loop until exit(); returns exit()'s status.
    int exec();
    static void exit(int status);
    // For a program that ends before its main loop ran: one turn of the loop
    // lets Qt finish and free what it started on its own, then it returns status.
    int endWithoutServing(int status);

private:
    std::unique_ptr<QApplication> application_;
};

}  // namespace tilvane::qt
