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

std::string makeFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tilvane-e2e-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    for (const char* sub : {"/config", "/runtime"}) ::mkdir((pattern + sub).c_str(), 0700);
    return pattern;
}

// The command that starts the window manager; extraArgs go to openbox only.
std::vector<std::string> windowManagerCommand(WindowManager manager, const std::vector<std::string>& extraArgs) {
    const std::string dir = TILVANE_E2E_DIR;
    std::vector<std::string> argv;
    switch (manager) {
        case WindowManager::None: break;
        case WindowManager::Openbox:
            argv = {"openbox", "--sm-disable", "--config-file", dir + "/openbox-rc.xml"};
            argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
            break;
        // Its compositor on, so that GTK windows draw their shadows; no
        // vertical blank to wait for on a virtual screen.
        case WindowManager::Xfwm4: argv = {"xfwm4", "--compositor=on", "--vblank=off", "--sm-client-disable"}; break;
        case WindowManager::Metacity: argv = {"metacity", "--sm-disable", "--composite"}; break;
        case WindowManager::Marco: argv = {"marco", "--sm-disable", "--composite"}; break;
        case WindowManager::I3: argv = {"i3", "-c", dir + "/i3-config"}; break;
    }
    return argv;
}

}  // namespace

const char* nameOf(WindowManager manager) {
    switch (manager) {
        case WindowManager::None: return "none";
        case WindowManager::Openbox: return "openbox";
        case WindowManager::Xfwm4: return "xfwm4";
        case WindowManager::Metacity: return "metacity";
        case WindowManager::Marco: return "marco";
        case WindowManager::I3: return "i3";
    }
    return "?";
}

std::string tilvaneBinary() {
    return TILVANE_BINARY;
}

bool endToEndRequired() {
    auto set = [](const char* name, const char* value) {
        const char* v = std::getenv(name);
        return v && std::string(v) == value;
    };
    return set("CI", "true") || set("TILVANE_E2E_REQUIRED", "1");
}

std::unique_ptr<Desktop> Desktop::start(const Options& options, std::string& skipReason, std::string& failure) {
    std::vector<std::string> needed{"Xvfb", "xrandr"};
    if (options.windowManager != WindowManager::None) needed.push_back(nameOf(options.windowManager));
    for (const auto& tool : needed) {
        if (!inPath(tool)) {
            std::string reason = tool + " is not installed (tools/install-deps installs it)";
            (endToEndRequired() ? failure : skipReason) = reason;
            return nullptr;
        }
    }
    std::unique_ptr<Desktop> desktop(new Desktop());
    if (!desktop->launch(options, failure)) return nullptr;
    return desktop;
}

bool Desktop::launch(const Options& options, std::string& failure) {
    kind_ = options.windowManager;
    folder_ = makeFolder();
    if (folder_.empty()) {
        failure = "cannot make a folder for the desktop";
        return false;
    }
    // Xvfb picks a free display number and writes it to the descriptor it is given.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        failure = "pipe failed";
        return false;
    }
    server_ =
        Process::spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "3360x1080x24", "-nolisten", "tcp", "-noreset"}, {},
                       folder_ + "/xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 30'000) <= 0) break;
        char buffer[16];
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, size_t(n));
        if (number.find('\n') != std::string::npos) break;
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (!server_ || number.empty()) {
        failure = "Xvfb did not start: " + readFile(folder_ + "/xvfb.log");
        return false;
    }
    display_ = ":" + number;
    x_ = XClient::connect(display_);
    if (!x_) {
        failure = "cannot connect to " + display_;
        return false;
    }
    if (!setMonitors({{"A", layout::kPrimary}, {"B", layout::kSecondary}})) {
        failure = "xrandr could not set the monitors";
        return false;
    }
    if (options.docks) {
        // The docks come first: openbox takes every window already on the
        // screen when it starts, while a window mapped during its start-up can be missed.
        docks_.push_back(startDock(layout::kPrimaryDock, "bottom"));
        docks_.push_back(startDock(layout::kSecondaryPanel, "top"));
        if (!x_->waitUntil([&] { return x_->viewableTopLevels("e2e dock") == 2; }, 30s)) {
            failure = "the docks did not appear";
            return false;
        }
    }
    if (kind_ != WindowManager::None && !startWindowManager({}, failure)) return false;
    return true;
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
    windowManager_ = start(windowManagerCommand(kind_, extraArgs),
                           std::string(nameOf(kind_)) + "-" + std::to_string(++runs_) + ".log");
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
            if (docks != static_cast<long>(docks_.size()) &&
                x_->framedTopLevels("e2e dock") != static_cast<int>(docks_.size()))
                return false;
            for (const auto& [client, oldFrame] : framed) {
                xcb_window_t top = x_->topLevelOf(client);
                if (top == client || top == oldFrame) return false;
            }
            return x_->windowManagerAnswers(200ms);
        },
        30s);
    if (!ready) failure = std::string(nameOf(kind_)) + " did not start: " + windowManager_->log();
    if (previous) previous->wait();  // a replaced one ends by itself
    return ready;
}

bool Desktop::replaceWindowManager(std::string& failure) {
    return startWindowManager({"--replace"}, failure);
}

bool Desktop::killAndRestartWindowManager(std::string& failure) {
    if (windowManager_) {
        windowManager_->signal(SIGKILL);
        windowManager_->wait();
    }
    // The dead one's announcement stays behind; a new one may well get the same window number.
    xcb_delete_property(x_->c(), x_->root(), x_->atom("_NET_SUPPORTING_WM_CHECK"));
    x_->conn().roundTrip();
    return startWindowManager({}, failure);
}

void Desktop::killServer() {
    if (server_) {
        server_->signal(SIGKILL);
        server_->wait();
    }
}

void Desktop::stopWindowManager(int signal) {
    if (!windowManager_) return;
    auto check = x_->words(x_->root(), "_NET_SUPPORTING_WM_CHECK");
    windowManager_->signal(signal);
    windowManager_->wait();
    windowManager_.reset();
    if (check.empty()) return;
    // Its windows go when the server sees the connection close.
    x_->waitUntil([&] {
        x11::GeometryRequest geometry(x_->c(), check[0]);
        return !geometry;
    });
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
    return {{"DISPLAY", display_},
            {"XDG_CONFIG_HOME", folder_ + "/config"},
            {"XDG_STATE_HOME", folder_ + "/state"},
            {"XDG_RUNTIME_DIR", folder_ + "/runtime"},
            {"TILVANE_EXIT_ON_XERROR", "1"}};
}

std::unique_ptr<Process> Desktop::start(const std::vector<std::string>& argv, const std::string& logName) {
    return Process::spawn(argv, environment(), folder_ + "/" + logName);
}

int Desktop::run(const std::vector<std::string>& argv, std::string* output) {
    std::string log = "run-" + std::to_string(++runs_) + ".log";
    auto process = start(argv, log);
    if (!process) return 127;
    int status = process->wait();
    if (output) *output = process->log();
    return status;
}

bool Desktop::setMonitors(const std::vector<std::pair<std::string, Rect>>& monitors) {
    for (const auto& name : monitorNames_) run({"xrandr", "--delmonitor", name});
    monitorNames_.clear();
    bool first = true;
    for (const auto& [name, area] : monitors) {
        // The first monitor takes over the screen's only output and with it the primary role.
        std::vector<std::string> args{"xrandr", "--setmonitor", name, monitorSpec(area), first ? "screen" : "none"};
        if (run(args) != 0) return false;
        monitorNames_.push_back(name);
        first = false;
    }
    x_->conn().roundTrip();
    return true;
}

std::unique_ptr<Process> Desktop::startDock(const Rect& area, const std::string& edge) {
    return start({E2E_DOCK_BINARY, std::to_string(int(area.x)), std::to_string(int(area.y)),
                  std::to_string(int(area.width)), std::to_string(int(area.height)), edge},
                 "dock-" + edge + ".log");
}

TestWindow Desktop::waitForWindow(std::unique_ptr<Process> process, const std::string& title) {
    TestWindow window;
    bool shown = x_->waitUntil([&] {
        auto w = x_->windowTitled(title);
        if (!w || x_->activeWindow() != w) return false;
        window.id = *w;
        return true;
    });
    if (!shown) ADD_FAILURE() << "window \"" << title << "\" did not appear and take the focus";
    window.process = std::move(process);
    return window;
}

TestWindow Desktop::openWindow(const std::string& title, const std::vector<std::string>& extraArgs) {
    std::vector<std::string> argv{E2E_WINDOW_BINARY, "--title", title};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    return waitForWindow(start(argv, "window-" + std::to_string(++runs_) + ".log"), title);
}

TestWindow Desktop::openGtkWindow(const std::string& title, int gtkVersion) {
    // The system's Python, which has the GTK bindings, whatever python3 comes first in the path.
    std::vector<std::string> argv{
        "/usr/bin/python3",        std::string(TILVANE_E2E_DIR) + "/clients/csd_window.py", "--title", title, "--gtk",
        std::to_string(gtkVersion)};
    return waitForWindow(start(argv, "gtk-" + std::to_string(++runs_) + ".log"), title);
}

TestWindow Desktop::openXlogo() {
    return waitForWindow(start({"xlogo", "-geometry", "300x300"}, "xlogo.log"), "xlogo");
}

void Desktop::closeWindow(TestWindow& window) {
    if (window.process) {
        window.process->signal(SIGKILL);
        window.process->wait();
    }
    xcb_window_t id = window.id;
    if (!x_->waitUntil([&] {
            auto list = x_->clientList();
            return std::find(list.begin(), list.end(), id) == list.end();
        }))
        ADD_FAILURE() << "the window manager kept window " << id;
}

}  // namespace tilvane::e2e
