#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness/process.h"
#include "harness/x_client.h"

namespace tilvane::e2e {

// The layout every test desktop has, in root coordinates: a 3360 × 1080 X
// screen holding the primary monitor on the right and a smaller one on the
// left, 180 pixels lower; a dock along the bottom of the primary monitor and
// a panel along the top of the other.
namespace layout {
inline constexpr Rect kPrimary{1440, 0, 1920, 1080};
inline constexpr Rect kSecondary{0, 180, 1440, 900};
inline constexpr Rect kPrimaryDock{1440, 1040, 1920, 40};
inline constexpr Rect kSecondaryPanel{0, 180, 1440, 30};
inline constexpr Rect kPrimaryVisible{1440, 0, 1920, 1040};
inline constexpr Rect kSecondaryVisible{0, 210, 1440, 870};
}  // namespace layout

// A test window of the desktop and the process that shows it.
struct TestWindow {
    xcb_window_t id = XCB_WINDOW_NONE;
    std::unique_ptr<Process> process;
};

// The window managers a test desktop can run, each with the tests' own
// settings where it takes any.
enum class WindowManager { None, Openbox, Xfwm4, Metacity, Marco, I3 };
const char* nameOf(WindowManager manager);

// The windows the tests open: their own (tests/e2e/clients/test_window.cpp),
// xlogo (which names no process in _NET_WM_PID, as many older programs do),
// and GTK 3 or 4 windows that draw their own title bar and, on a composited
// screen, their own shadow (clients/csd_window.py).
enum class Client { Own, Xlogo, Gtk3, Gtk4 };

// A private headless desktop for one test: Xvfb on a free display number,
// two RandR monitors, a window manager (openbox with the tests'
// configuration unless the options name another), and the docks. Never the
// user's display. Everything it started is stopped when it goes.
class Desktop {
public:
    struct Options {
        WindowManager windowManager = WindowManager::Openbox;
        bool docks = true;
    };
    // Starts the desktop. Null when the tools it needs are not installed (the
    // reason is in skipReason) or when it fails to start (the reason is in failure).
    // A missing tool is a failure, not a reason to skip, where end-to-end
    // tests must run (see endToEndRequired).
    static std::unique_ptr<Desktop> start(const Options& options, std::string& skipReason, std::string& failure);
    ~Desktop();

    const std::string& display() const { return display_; }
    // A folder of this desktop's own for logs, settings and screenshots.
    const std::string& folder() const { return folder_; }
    // The variables every program started on the desktop gets: the display,
    // a settings folder and a runtime folder of its own, and the switch that
    // ends the program on an X error it does not expect.
    std::map<std::string, std::string> environment() const;
    XClient& x() { return *x_; }

    // Starts a program on the desktop; its output goes to a log in the folder.
    std::unique_ptr<Process> start(const std::vector<std::string>& argv, const std::string& logName) {
        return Process::spawn(argv, environment(), folder_ + "/" + logName);
    }
    // Runs a program to its end; its exit status, its output in output.
    int run(const std::vector<std::string>& argv, std::string* output = nullptr);

    // Opens a window and waits until it is managed and active.
    TestWindow open(Client client, const std::string& title);
    TestWindow openWindow(const std::string& title) { return open(Client::Own, title); }
    // Stops the window's program and waits until the window manager has let go of it.
    void closeWindow(TestWindow& window);
    // Starts another dock; returns its process.
    std::unique_ptr<Process> startDock(const Rect& area, const std::string& edge);

    // Stops the window manager with the signal and waits until the server has
    // let go of its windows, leaving no window manager; restartWindowManager
    // brings one back, and replaceWindowManager starts one that takes over
    // from the running one (openbox --replace). Both return once it manages
    // the windows; false (with the reason in failure) when it does not.
    void stopWindowManager(int signal);
    bool restartWindowManager(std::string& failure) { return startWindowManager({}, failure); }
    bool replaceWindowManager(std::string& failure) { return startWindowManager({"--replace"}, failure); }

    // Leaves the folder in place when the desktop goes, for a look at the logs.
    void keepFolder() { keepFolder_ = true; }

    // Sets the monitors anew with xrandr: name, area in root coordinates; the first is primary.
    bool setMonitors(const std::vector<std::pair<std::string, Rect>>& monitors);

    // Kills the X server. The tests' own connection is broken from then on.
    void killServer();

private:
    Desktop() = default;
    bool launch(const Options& options, std::string& failure);
    // Starts the window manager and waits until a window manager other than
    // the one announced before manages the docks.
    bool startWindowManager(const std::vector<std::string>& extraArgs, std::string& failure);

    std::string folder_;
    std::string display_;
    std::unique_ptr<Process> server_;
    WindowManager kind_ = WindowManager::Openbox;
    std::unique_ptr<Process> windowManager_;
    std::vector<std::unique_ptr<Process>> docks_;
    std::unique_ptr<XClient> x_;
    std::vector<std::string> monitorNames_;
    int runs_ = 0;
    bool keepFolder_ = false;
};

// The program under test.
inline std::string tilvaneBinary() {
    return TILVANE_BINARY;
}
// Whether end-to-end tests must run rather than skip for want of Xvfb or
// a window manager: in CI (CI=true) or with TILVANE_E2E_REQUIRED=1.
bool endToEndRequired();
// A fresh folder for one test's desktop, with config/ and runtime/ in it; empty when none can be made.
std::string makeTestFolder();

}  // namespace tilvane::e2e
