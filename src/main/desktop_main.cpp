// The desktop application: the program a user starts from the application
// menu. It serves the hot keys like `tilvane serve`, on Qt's main loop, and
// adds the tray icon with its menu, the About panel and the support dialogs.
// This is where its backends are put together.

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include "app/defaults_command.h"
#include "app/menu_images.h"
#include "main/serving_program.h"
#include "main/standard_streams.h"
#include "main/support_report.h"
#include "platform/linux/control_signals.h"
#include "platform/linux/crash_reports.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_run_loop.h"
#include "platform/qt/qt_support.h"
#include "platform/qt/qt_user_interface.h"

#if defined(__SANITIZE_ADDRESS__)
// libdbus, which Qt loads for the tray, frees its buffers only in dbus_shutdown(),
// which Qt never calls; Qt's D-Bus module keeps its connection objects, and Qt's
// Wayland platform the compositor's objects, until the process ends. What they
// hold when the program ends is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libQt6DBus.so\nleak:libwayland-client.so\n";
}
#endif

namespace {

using namespace tilvane;

// Runs its task when it goes, unless the task ran before.
class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> task) : task_(std::move(task)) {}
    ~ScopeExit() { run(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void run() {
        if (!task_) return;
        auto task = std::move(task_);
        task_ = nullptr;
        task();
    }

private:
    std::function<void()> task_;
};

// Asks the Tilvane that serves the display to show its preferences window,
// for a program started to show them that found another already serving.
int handPreferencesToTheRunningProgram(InstanceClaim& instance) {
    switch (instance.askOwnerToShowPreferences(std::chrono::seconds(5))) {
        case InstanceClaim::Request::Done: return 0;
        case InstanceClaim::Request::NoOwner:
            tilvane::standardError() << "tilvane: the Tilvane that served this session has ended; start it again\n";
            return 1;
        case InstanceClaim::Request::Refused: break;
    }
    tilvane::standardError() << "tilvane: the Tilvane that serves this session has no preferences window (it was "
                                "started with `tilvane serve`)\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    addInstalledResourceDirectories(TILVANE_DATA_FROM_BINARY);
    // The display is opened before Qt's, so that a missing display or a
    // running instance gets the program's own message.
    qt::QtRunLoop loop;
    // Before Qt starts any thread that would take the signals instead, and
    // after the loop that watches them, so that it goes before the loop does.
    linux_platform::ControlSignals controlSignals;
    bool showPreferences = false;
    for (int i = 1; i < argc; ++i) showPreferences = showPreferences || std::string(argv[i]) == "--preferences";
    int status = 0;
    auto program = ServingProgram::open(loop, tilvane::standardError(), status,
                                        showPreferences ? handPreferencesToTheRunningProgram : nullptr);
    if (!program) return status;

    // On a Wayland compositor the program's windows are its own clients
    // (XWayland, where Qt has no Wayland, else), unless the user chose
    // otherwise: Qt would look for an X display first.
    const char* chosenPlatform = std::getenv("QT_QPA_PLATFORM");
    if (program->desktop().windowSystem() == DesktopBackend::WindowSystem::Wayland &&
        (!chosenPlatform || !*chosenPlatform))
        ::setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
    qt::QtApplication application(argc, argv, "Tilvane", TILVANE_VERSION, "tilvane");
    loop.connectToDispatcher();

    qt::QtUserInterface ui({"Tilvane", TILVANE_VERSION, "Released under the MIT License."});
    registerMenuImages(ui);
    // The services the user interface reaches are the program's; they are
    // taken here, once, because the program goes before the user interface
    // does, and anything the user interface calls while it goes must not
    // look for them through a program half gone.
    DesktopBackend& desktop = program->desktop();
    // Keys typed in the program's windows mean the keys the hot keys name.
    ui.setKeyCodeTranslator([&desktop](uint32_t keyCode, uint32_t keySymbol) {
        return desktop.virtualKeyCode({keyCode, keySymbol});
    });
    // While a shortcut is recorded, the desktop sends every key here, named as the hot keys name it.
    ui.setKeyboardGrabber(
        {[&desktop, &ui, &loop](std::function<void(bool)> done) {
             desktop.captureKeyboard(
                 loop,
                 [&ui](const DesktopBackend::CapturedKey& key) {
                     if (!key.press && !key.isModifier) return;
                     ui.deliverGrabbedKey(
                         {key.isModifier ? EventType::FlagsChanged : EventType::KeyDown, key.keyCode, key.flags});
                 },
                 std::move(done));
         },
         [&desktop] { desktop.releaseKeyboard(); }});
    desktop.onActiveWindowChange([&ui](DesktopBackend::WindowId window) { ui.activeWindowChanged(window); });
    ui.setActiveWindowQuery([&desktop]() -> std::optional<unsigned long> { return desktop.activeWindowNow(); });
    desktop.listOwnWindows([&ui] {
        std::vector<DesktopBackend::OwnWindow> own;
        for (const auto& window : ui.shownWindows()) own.push_back({window.id, window.title, window.menu});
        return own;
    });
    ui.setTrayTextColourQuery([&desktop] { return desktop.trayTextColour(); });
    ui.onTaskbarPresence([&desktop](unsigned long window, bool skip) { desktop.setSkipTaskbar(window, skip); });

    linux_platform::CrashReports crashReports(linux_platform::CrashReports::defaultFolder(), TILVANE_VERSION);
    qt::QtSupport::Hooks hooks;
    hooks.startProblemReporter = [&] {
        if (!crashReports.install()) program->log().write("cannot keep crash reports in " + crashReports.folder());
        auto reports = crashReports.takeUnannounced();
        for (const auto& report : reports) program->log().write("an earlier run crashed; its report is " + report);
        return reports;
    };
    hooks.composeReport = [&] {
        SupportFacts facts;
        facts.version = TILVANE_VERSION;
        facts.windowManager = desktop.windowManagerName();
        facts.server = desktop.serverDescription();
        facts.screens = program->platform().screens.screens();
        facts.primaryTopLeft = desktop.primaryTopLeft();
        facts.settings = program->platform().archiver
                             ? readableSettings(program->settings(), *program->platform().archiver)
                             : std::string();
        facts.logLines = program->log().lines();
        return composeSupportReport(facts);
    };
    qt::QtSupport support(ui, TILVANE_VERSION, hooks);

    linux_platform::XdgAutostart autostart(linux_platform::XdgAutostart::defaultFolder(), program->log());
    autostart.attach(loop);
    // However main ends, the program (its menu, its windows, its recorders
    // and their keyboard grab) goes first, while the user interface and Qt it
    // was built with are still there, and then nothing calls back into it.
    ScopeExit teardown([&] {
        if (!program) return;
        program->finish();
        autostart.detach();
        ui.setTrayTextColourQuery(nullptr);
        program.reset();
        ui.setKeyboardGrabber({});
        ui.onTaskbarPresence(nullptr);
        ui.setActiveWindowQuery(nullptr);
    });

    Platform& platform = program->platform();
    platform.userInterface = &ui;
    platform.supportKit = &support;
    platform.updater = &support;
    platform.loginItems = &autostart;
    platform.programPath = programPath();

    bool ending = false;
    auto end = [&](int code) {
        if (ending) return;
        ending = true;
        status = code;
        program->finish();
        qt::QtApplication::exit(code);
    };
    ui.onTerminate([&] { end(0); });
    controlSignals.watch(
        loop, [&] { end(0); }, [&] { program->rereadSettings(); });
    // The session ending counts as Quit.
    application.onSessionEnd([&] { end(0); });

    if (!program->start(loop, end, tilvane::standardError())) {
        // Another Tilvane started at the same moment and serves: it shows
        // the preferences this one was started for.
        int code = showPreferences ? handPreferencesToTheRunningProgram(program->instance()) : 1;
        teardown.run();
        return application.endWithoutServing(code);
    }
    // `tilvane preferences` asks the running program, or starts it with --preferences.
    program->instance().onShowPreferences([&] { program->app().showPreferecensPane(); });
    if (showPreferences) loop.async([&] { program->app().showPreferecensPane(); });
    if (!qt::QtApplication::trayAvailable()) {
        // A Wayland tray is a host of status notifier items on the session bus (swaybar's tray, a panel's).
        if (desktop.windowSystem() == DesktopBackend::WindowSystem::Wayland)
            program->log().write("no system tray on " + program->sessionName() +
                                 ": nothing on the session bus shows tray icons (org.kde.StatusNotifierWatcher, as "
                                 "swaybar's tray); the shortcuts act, `tilvane preferences` opens the preferences, "
                                 "and the icon appears when a tray starts");
        else
            program->log().write("no system tray on " + program->sessionName() +
                                 "; the shortcuts act, and the icon appears when a tray starts");
    }
    tilvane::standardOutput() << "tilvane: serving " << program->sessionName() << std::endl;
    int result = application.exec();
    teardown.run();
    return ending ? status : result;
}
