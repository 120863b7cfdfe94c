// The desktop application: the program a user starts from the application
// menu. It serves the hot keys like `tilvane serve`, on Qt's main loop, and
// adds the tray icon with its menu, the About panel and the support dialogs.
// This is where its backends are put together.

#include <signal.h>

#include <sstream>

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
#include "platform/x11/key_codes.h"

#if defined(__SANITIZE_ADDRESS__)
// libdbus, which Qt loads for the tray, frees its buffers only in dbus_shutdown(),
// which Qt never calls: what it holds when the program ends is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

namespace {

using namespace tilvane;

std::string storedSettings(SettingsStore& settings) {
    std::ostringstream out, err;
    runDefaultsCommand({"read"}, settings, out, err);
    return out.str();
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
    int status = 0;
    auto program = ServingProgram::open(loop, tilvane::standardError(), status);
    if (!program) return status;

    qt::QtApplication application(argc, argv, "Tilvane", TILVANE_VERSION, "tilvane");
    loop.connectToDispatcher();

    qt::QtUserInterface ui({"Tilvane", TILVANE_VERSION, "Released under the MIT License."});
    registerMenuImages(ui);
    // Keys typed in the program's windows mean the keys the hot keys name: by physical position.
    ui.setKeyCodeTranslator([](uint32_t nativeKeyCode) -> std::optional<uint16_t> {
        if (nativeKeyCode > 255) return std::nullopt;
        return x11::virtualKeyForXKeycode(static_cast<uint8_t>(nativeKeyCode));
    });
    // While a shortcut is recorded, the desktop's keyboard grab sends every key here,
    // each named by its physical position as the hot keys name it.
    ui.setKeyboardGrabber([&](bool grab) {
        auto& hotKeys = program->desktop().hotKeys();
        if (!grab) {
            hotKeys.releaseKeyboard();
            return true;
        }
        return hotKeys.grabKeyboard([&](const x11::X11HotKeyService::GrabbedKey& key) {
            if (!key.press && !key.isModifier) return;
            ui.deliverGrabbedKey(
                {key.isModifier ? EventType::FlagsChanged : EventType::KeyDown, key.keyCode, key.flags});
        });
    });
    program->desktop().onActiveWindowChange([&](uint32_t window) { ui.activeWindowChanged(window); });
    ui.onTaskbarPresence([&](unsigned long window, bool skip) {
        program->desktop().setSkipTaskbar(static_cast<uint32_t>(window), skip);
    });

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
        facts.windowManager = program->desktop().windowManagerName();
        facts.server = program->desktop().serverDescription();
        facts.screens = program->desktop().screens().screens();
        facts.settings = storedSettings(program->settings());
        facts.logLines = program->log().lines();
        return composeSupportReport(facts);
    };
    qt::QtSupport support(ui, TILVANE_VERSION, hooks);

    linux_platform::XdgAutostart autostart(linux_platform::XdgAutostart::defaultFolder(), program->log());
    autostart.attach(loop);

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

    if (!program->start(loop, end, tilvane::standardError())) return 1;
    // `tilvane preferences` asks the running program, or starts it with --preferences.
    program->instance().onShowPreferences([&] { program->app().showPreferecensPane(); });
    bool showPreferences = false;
    for (int i = 1; i < argc; ++i) showPreferences = showPreferences || std::string(argv[i]) == "--preferences";
    if (showPreferences) loop.async([&] { program->app().showPreferecensPane(); });
    if (!qt::QtApplication::trayAvailable())
        program->log().write("no system tray on display " + ServingProgram::displayName() +
                             "; the shortcuts act, and the icon appears when a tray starts");
    tilvane::standardOutput() << "tilvane: serving display " << ServingProgram::displayName() << std::endl;
    int result = application.exec();
    program->finish();
    // The menu and the tray icon go while the user interface and Qt are still there.
    autostart.detach();
    program.reset();
    return ending ? status : result;
}
