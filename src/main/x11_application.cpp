#include "main/x11_application.h"

#include <cstdlib>
#include <iostream>

#include "app/app_delegate.h"
#include "app/shortcuts_command.h"
#include "main/error_stream_log.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/linux_run_loop.h"
#include "platform/linux/termination_signals.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_instance.h"

namespace tilvane::x11 {

namespace {

using linux_platform::FileSettingsStore;
using linux_platform::LinuxRunLoop;

// A keyboard for commands run without a display: no layout to read.
class NoKeyboard : public Keyboard {
public:
    KeyTranslation translateKeyCode(uint16_t) override { return {KeyTranslation::Status::NoLayout, {}}; }
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return std::nullopt; }
};

// The main loop of a one-shot command: it runs while work that the action
// queued (a finishing step half a second later, say) is still to come.
class OneShotLoop : public RunLoop {
public:
    explicit OneShotLoop(LinuxRunLoop& loop) : loop_(loop) {}
    void async(Task task) override { loop_.async(counted(std::move(task))); }
    void after(std::chrono::nanoseconds delay, Task task) override { loop_.after(delay, counted(std::move(task))); }
    void sleepFor(std::chrono::nanoseconds duration) override { loop_.sleepFor(duration); }
    Clock::time_point now() const override { return loop_.now(); }
    void runWhileWorkIsQueued() {
        if (queued_ > 0) loop_.run();
    }

private:
    Task counted(Task task) {
        ++queued_;
        return [this, task = std::move(task)] {
            task();
            if (--queued_ == 0) loop_.stop();
        };
    }
    LinuxRunLoop& loop_;
    int queued_ = 0;
};

// The one place where the services of a process are put together: the
// desktop's, the settings file, the log, the archiver and the main loop.
Platform composePlatform(X11Desktop& desktop, X11Desktop::Uses uses, RunLoop& loop, SettingsStore& settings, Log& log,
                         KeyedArchiver* archiver) {
    Platform platform;
    platform.settings = &settings;
    platform.runLoop = &loop;
    platform.log = &log;
    platform.archiver = archiver;
    desktop.fill(platform, uses);
    return platform;
}

std::string displayName() {
    const char* d = std::getenv("DISPLAY");
    return d ? d : "";
}

}  // namespace

int serve(std::ostream& out, std::ostream& err) {
    // Everything below goes before the loop it uses.
    LinuxRunLoop loop;
    // Before anything could start a thread that would take the signals instead.
    linux_platform::TerminationSignals signals;
    std::string error;
    auto desktop = X11Desktop::open(nullptr, error);
    if (!desktop) {
        err << "tilvane: " << error << "\n";
        return 1;
    }
    InstanceSelection instance(desktop->connection(), loop);
    if (instance.heldByAnother()) {
        err << "tilvane: Tilvane is already running on display " << displayName() << "\n";
        return 1;
    }
    ErrorStreamLog log;
    FileSettingsStore settings(FileSettingsStore::defaultPath(), log);
    plist::PlistKeyedArchiver archiver;
    Platform platform = composePlatform(*desktop, X11Desktop::Uses::Everything, loop, settings, log, &archiver);

    int status = 0;
    desktop->attach(loop, [&] {
        err << "tilvane: the connection to display " << displayName() << " broke\n";
        status = 1;
        loop.stop();
    });
    settings.attach(loop);
    signals.watch(loop, [&](int) { loop.stop(); });

    AppDelegate app(platform);
    app.applicationDidFinishLaunching();
    // Claimed only now, so that the selection's owner is a program that serves.
    if (!instance.claim()) {
        app.applicationWillTerminate();
        err << "tilvane: Tilvane is already running on display " << displayName() << "\n";
        return 1;
    }
    instance.onLost([&] {
        err << "tilvane: another program took over display " << displayName() << "\n";
        loop.stop();
    });
    out << "tilvane: serving display " << displayName() << "; stop with Ctrl+C" << std::endl;
    loop.run();
    app.applicationWillTerminate();
    settings.detach();
    return status;
}

int place(int64_t code, std::ostream& err) {
    LinuxRunLoop loop;
    std::string error;
    auto desktop = X11Desktop::open(nullptr, error);
    if (!desktop) {
        err << "tilvane: " << error << "\n";
        return 1;
    }
    OneShotLoop oneShot(loop);
    ErrorStreamLog log;
    FileSettingsStore settings(FileSettingsStore::defaultPath(), log);
    // One action and done: a window's frame read once serves the action's other reads and its write.
    desktop->accessibility().keepFrameReadsBriefly();
    Platform platform = composePlatform(*desktop, X11Desktop::Uses::OneAction, oneShot, settings, log, nullptr);
    desktop->attach(loop, [&] { loop.stop(); });

    AppDelegate app(platform);
    app.moveWindowToDirection(code, true);
    oneShot.runWhileWorkIsQueued();
    return 0;
}

int shortcuts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ErrorStreamLog log;
    FileSettingsStore settings(FileSettingsStore::defaultPath(), log);
    plist::PlistKeyedArchiver archiver;
    std::string ignored;
    auto desktop = X11Desktop::open(nullptr, ignored);
    NoKeyboard noKeyboard;
    Keyboard& keyboard = desktop ? static_cast<Keyboard&>(desktop->keyboard()) : noKeyboard;
    return runShortcutsCommand(args, settings, archiver, keyboard, out, err);
}

}  // namespace tilvane::x11
