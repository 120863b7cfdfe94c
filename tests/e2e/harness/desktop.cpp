#include "harness/desktop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tilvane::e2e {

namespace {

std::string monitorSpec(const Rect& r) {
    // xrandr wants the size in millimetres too; about 96 dots per inch.
    char spec[96];
    std::snprintf(spec, sizeof spec, "%d/%dx%d/%d+%d+%d", int(r.width), int(r.width * 0.2646), int(r.height),
                  int(r.height * 0.2646), int(r.x), int(r.y));
    return spec;
}

struct Manager {
    const char* name;
    std::vector<std::string> argv;
    // A compositing window manager: there, a GTK window draws its own shadow
    // and says how wide it is in _GTK_FRAME_EXTENTS.
    bool composites = false;
};

const Manager& managerOf(WindowManager manager) {
    static const std::string dir = TILVANE_E2E_DIR;
    static const Manager managers[] = {
        {"none", {}},
        {"openbox", {"openbox", "--sm-disable", "--config-file", dir + "/openbox-rc.xml"}},
        // Its compositor on, so that GTK windows draw their shadows; no
        // vertical blank to wait for on a virtual screen.
        {"xfwm4", {"xfwm4", "--compositor=on", "--vblank=off", "--sm-client-disable"}, true},
        {"metacity", {"metacity", "--sm-disable", "--composite"}, true},
        {"marco", {"marco", "--sm-disable", "--composite"}, true},
        {"i3", {"i3", "-c", dir + "/i3-config"}},
    };
    return managers[static_cast<int>(manager)];
}

}  // namespace

const char* nameOf(WindowManager manager) {
    return managerOf(manager).name;
}

std::string makeTestFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tilvane-e2e-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    for (const char* sub : {"/config", "/runtime"}) ::mkdir((pattern + sub).c_str(), 0700);
    return pattern;
}

bool endToEndRequired() {
    const char *ci = std::getenv("CI"), *required = std::getenv("TILVANE_E2E_REQUIRED");
    return (ci && std::string(ci) == "true") || (required && std::string(required) == "1");
}

std::unique_ptr<Desktop> Desktop::start(const Options& options, std::string& skipReason, std::string& failure) {
    std::vector<std::string> needed{"Xvfb", "xrandr"};
    if (options.windowManager != WindowManager::None) needed.push_back(nameOf(options.windowManager));
    for (const auto& tool : needed) {
        if (!inPath(tool)) {
            (endToEndRequired() ? failure : skipReason) = tool + " is not installed (tools/install-deps installs it)";
            return nullptr;
        }
    }
    std::unique_ptr<Desktop> desktop(new Desktop());
    if (!desktop->launch(options, failure)) return nullptr;
    return desktop;
}

bool Desktop::launch(const Options& options, std::string& failure) {
    kind_ = options.windowManager;
    auto fail = [&](const std::string& why) {
        failure = why;
        return false;
    };
    folder_ = makeTestFolder();
    // The programs started here belong to this desktop, not to the session
    // the tests run in (a window manager takes its socket from these).
    for (const char* variable : {"SWAYSOCK", "I3SOCK", "WAYLAND_DISPLAY"}) ::unsetenv(variable);
    // Xvfb picks a free display number and writes it to the descriptor it is given.
    int fds[2];
    if (folder_.empty() || ::pipe2(fds, O_CLOEXEC) != 0) return fail("cannot make a folder or a pipe for the desktop");
    server_ =
        Process::spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "3360x1080x24", "-nolisten", "tcp", "-noreset"}, {},
                       folder_ + "/xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    char buffer[16];
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&p, 1, 30'000) > 0) {
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, size_t(n));
    }
    ::close(fds[0]);
    number = number.substr(0, number.find_first_of("\n "));
    if (!server_ || number.empty()) return fail("Xvfb did not start: " + readFile(folder_ + "/xvfb.log"));
    display_ = ":" + number;
    x_ = XClient::connect(display_);
    if (!x_ || !setMonitors({{"A", layout::kPrimary}, {"B", layout::kSecondary}}))
        return fail("cannot connect to " + display_ + " or set its monitors");
    if (options.docks) {
        // The docks come first: openbox takes every window already on the
        // screen when it starts, while a window mapped during its start-up can be missed.
        docks_.push_back(startDock(layout::kPrimaryDock, "bottom"));
        docks_.push_back(startDock(layout::kSecondaryPanel, "top"));
        if (!x_->waitUntil([&] { return x_->viewableTopLevels("e2e dock") == 2; }, 30s))
            return fail("the docks did not appear");
    }
    return kind_ == WindowManager::None || startWindowManager({}, failure);
}

bool Desktop::startWindowManager(const std::vector<std::string>& extraArgs, std::string& failure) {
    auto announced = [&]() -> xcb_window_t {
        auto check = x_->words(x_->root(), "_NET_SUPPORTING_WM_CHECK");
        return check.empty() ? XCB_WINDOW_NONE : check.front();
    };
    xcb_window_t before = announced();
    // The windows in frames now get new frames from the new window manager.
    std::map<xcb_window_t, xcb_window_t> framed;
    for (xcb_window_t client : x_->clientList())
        if (xcb_window_t top = x_->topLevelOf(client); top != client) framed[client] = top;
    auto previous = std::move(windowManager_);
    auto argv = managerOf(kind_).argv;
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    windowManager_ = start(argv, std::string(nameOf(kind_)) + "-" + std::to_string(++runs_) + ".log");
    // Started once it manages the docks (or at least announces itself when
    // there are none) and the windows, and answers requests. Some window
    // managers (i3) list no docks among their clients but frame them.
    bool ready = x_->waitUntil(
        [&] {
            xcb_window_t now = announced();
            if (now == XCB_WINDOW_NONE || now == before) return false;
            auto list = x_->clientList();
            auto docks =
                std::count_if(list.begin(), list.end(), [&](xcb_window_t w) { return x_->title(w) == "e2e dock"; });
            if (docks != long(docks_.size()) && x_->framedTopLevels("e2e dock") != int(docks_.size())) return false;
            for (const auto& [client, oldFrame] : framed)
                if (xcb_window_t top = x_->topLevelOf(client); top == client || top == oldFrame) return false;
            return x_->windowManagerAnswers(200ms);
        },
        30s);
    if (!ready) failure = std::string(nameOf(kind_)) + " did not start: " + windowManager_->log();
    if (previous) previous->wait();  // a replaced one ends by itself
    return ready;
}

void Desktop::killServer() {
    server_->signal(SIGKILL);
    server_->wait();
}

void Desktop::stopWindowManager(int signal) {
    if (!windowManager_) return;
    auto check = x_->words(x_->root(), "_NET_SUPPORTING_WM_CHECK");
    windowManager_->signal(signal);
    windowManager_->wait();
    windowManager_.reset();
    if (check.empty()) return;
    // Its windows go when the server sees the connection close.
    x_->waitUntil([&] { return !x11::GeometryRequest(x_->c(), check[0]); });
    // A killed one's announcement stays behind; the next may get the same window number.
    if (x_->words(x_->root(), "_NET_SUPPORTING_WM_CHECK") == check) {
        xcb_delete_property(x_->c(), x_->root(), x_->atom("_NET_SUPPORTING_WM_CHECK"));
        x_->conn().roundTrip();
    }
}

Desktop::~Desktop() {
    docks_.clear();
    windowManager_.reset();
    x_.reset();
    if (server_) {
        // Xvfb removes its lock file and socket when asked to stop.
        server_->signal(SIGTERM);
        server_->wait();
    }
    if (!folder_.empty() && !keepFolder_ && !std::getenv("TILVANE_E2E_KEEP")) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

std::map<std::string, std::string> Desktop::environment() const {
    // The program ends on an X error it does not expect, so a wrong request fails the test that makes it.
    std::map<std::string, std::string> variables{{"DISPLAY", display_},
                                                 {"XDG_CONFIG_HOME", folder_ + "/config"},
                                                 {"XDG_STATE_HOME", folder_ + "/state"},
                                                 {"XDG_RUNTIME_DIR", folder_ + "/runtime"},
                                                 {"TILVANE_EXIT_ON_XERROR", "1"}};
    // As i3 tells the programs it starts where its socket is.
    if (kind_ == WindowManager::I3 && x_)
        if (auto socket = x11::PropertyRequest(x_->c(), x_->root(), x_->atom("I3_SOCKET_PATH")).text())
            variables["I3SOCK"] = socket->c_str();  // up to the NUL i3 ends it with
    return variables;
}

int Desktop::run(const std::vector<std::string>& argv, std::string* output) {
    auto process = start(argv, "run-" + std::to_string(++runs_) + ".log");
    if (!process) return 127;
    int status = process->wait();
    if (output) *output = process->log();
    return status;
}

bool Desktop::setMonitors(const std::vector<std::pair<std::string, Rect>>& monitors) {
    for (const auto& name : monitorNames_) run({"xrandr", "--delmonitor", name});
    monitorNames_.clear();
    for (const auto& [name, area] : monitors) {
        // The first monitor takes over the screen's only output and with it the primary role.
        if (run({"xrandr", "--setmonitor", name, monitorSpec(area), monitorNames_.empty() ? "screen" : "none"}) != 0)
            return false;
        monitorNames_.push_back(name);
    }
    x_->conn().roundTrip();
    return true;
}

std::unique_ptr<Process> Desktop::startDock(const Rect& area, const std::string& edge) {
    return start({E2E_DOCK_BINARY, std::to_string(int(area.x)), std::to_string(int(area.y)),
                  std::to_string(int(area.width)), std::to_string(int(area.height)), edge},
                 "dock-" + edge + ".log");
}

TestWindow Desktop::open(Client client, const std::string& title) {
    std::vector<std::string> argv{E2E_WINDOW_BINARY, "--title", title};
    std::string shownTitle = title;
    if (client == Client::Xlogo) argv = {"xlogo", "-geometry", "300x300"}, shownTitle = "xlogo";
    // The system's Python, which has the GTK bindings, whatever python3 comes first in the path.
    if (client == Client::Gtk3 || client == Client::Gtk4)
        argv = {"/usr/bin/python3",
                std::string(TILVANE_E2E_DIR) + "/clients/csd_window.py",
                "--title",
                title,
                "--gtk",
                client == Client::Gtk3 ? "3" : "4"};
    TestWindow window;
    window.process = start(argv, "window-" + std::to_string(++runs_) + ".log");
    bool shown = x_->waitUntil([&] {
        auto w = x_->windowTitled(shownTitle);
        if (w && x_->activeWindow() == w) window.id = *w;
        return window.id != XCB_WINDOW_NONE;
    });
    if (!shown) ADD_FAILURE() << "window \"" << shownTitle << "\" did not appear and take the focus";
    // A GTK window sets its shadow's width a moment after it maps; until
    // then its visible frame cannot be told from its shadow, by the tests or
    // by the window manager, which has heard of it once it answers.
    bool drawsShadow = (client == Client::Gtk3 || client == Client::Gtk4) && managerOf(kind_).composites;
    if (shown && drawsShadow && !x_->waitUntil([&] { return !x_->words(window.id, "_GTK_FRAME_EXTENTS").empty(); }))
        ADD_FAILURE() << "window \"" << shownTitle << "\" did not set _GTK_FRAME_EXTENTS";
    if (shown && drawsShadow) x_->syncWindowManager();
    return window;
}

void Desktop::closeWindow(TestWindow& window) {
    window.process.reset();  // killed and reaped
    xcb_window_t id = window.id;
    if (!x_->waitUntil([&] {
            auto list = x_->clientList();
            return std::find(list.begin(), list.end(), id) == list.end();
        }))
        ADD_FAILURE() << "the window manager kept window " << id;
}

}  // namespace tilvane::e2e
