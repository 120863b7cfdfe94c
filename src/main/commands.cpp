#include "main/commands.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/app_delegate.h"
#include "app/shortcuts_command.h"
#include "main/desktop_backends.h"
#include "main/error_stream_log.h"
#include "main/serving_program.h"
#include "main/standard_streams.h"
#include "platform/linux/control_signals.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/linux_run_loop.h"
#include "platform/plist/keyed_archiver.h"

namespace tilvane::commands {

namespace {

using linux_platform::FileSettingsStore;
using linux_platform::LinuxRunLoop;

// A keyboard for commands run without a display: no layout to read.
class NoKeyboard : public Keyboard {
public:
    KeyTranslation translateKeyCode(uint16_t) override { return {KeyTranslation::Status::NoLayout, {}}; }
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return std::nullopt; }
    ShortcutWording shortcutWording() const override { return ShortcutWording::Words; }
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

// The session's desktop, or null after saying why none can be opened.
std::unique_ptr<DesktopBackend> openDesktop() {
    std::string error;
    auto desktop = openDesktopBackend(error);
    if (!desktop) standardError() << "tilvane: " << error << "\n";
    return desktop;
}

}  // namespace

int serve() {
    std::ostream& out = standardOutput();
    std::ostream& err = standardError();
    // Everything below goes before the loop it uses.
    LinuxRunLoop loop;
    // Before anything could start a thread that would take the signals instead.
    linux_platform::ControlSignals signals;
    int status = 0;
    auto program = ServingProgram::open(loop, err, status);
    if (!program) return status;
    signals.watch(
        loop, [&] { loop.stop(); }, [&] { program->rereadSettings(); });
    auto stop = [&](int code) {
        status = code;
        loop.stop();
    };
    if (!program->start(loop, stop, err)) return 1;
    out << "tilvane: serving " << program->sessionName() << "; stop with Ctrl+C" << std::endl;
    loop.run();
    program->finish();
    return status;
}

int place(int64_t code) {
    LinuxRunLoop loop;
    auto desktop = openDesktop();
    if (!desktop) return 1;
    OneShotLoop oneShot(loop);
    ErrorStreamLog log;
    // An action asked for by name reads no settings: the switch of the
    // shortcuts, the only one on its way, does not apply to it.
    ComposedPlatform composed =
        composePlatform(*desktop, DesktopBackend::Uses::OneAction, oneShot, nullptr, log, nullptr);
    Platform& platform = composed.platform;
    desktop->attach(loop, [&] { loop.stop(); });

    AppDelegate app(platform);
    app.moveWindowToDirection(code, true);
    oneShot.runWhileWorkIsQueued();
    // Said in the log (standard error) already.
    return desktop->placementRefusal() ? 1 : 0;
}

int preferences() {
    LinuxRunLoop loop;
    auto desktop = openDesktop();
    if (!desktop) return 1;
    switch (desktop->instance(loop).askOwnerToShowPreferences(std::chrono::seconds(5))) {
        case InstanceClaim::Request::Done: return 0;
        case InstanceClaim::Request::NoOwner: return kNotRunning;
        case InstanceClaim::Request::Refused: break;
    }
    standardError() << "tilvane: the Tilvane that serves " << desktop->sessionName()
                    << " has no preferences window (it was started with `tilvane serve`); quit it and start "
                       "`tilvane`\n";
    return 1;
}

int shortcuts(const std::vector<std::string>& args) {
    ErrorStreamLog log;
    FileSettingsStore settings(FileSettingsStore::defaultPath(), log);
    plist::PlistKeyedArchiver archiver;
    std::string ignored;
    auto desktop = openDesktopBackend(ignored);
    NoKeyboard noKeyboard;
    Keyboard& keyboard = desktop ? desktop->keyboard() : noKeyboard;
    HeldElsewhere heldElsewhere;
    LinuxRunLoop loop;
    if (desktop) {
        // The serving program knows which of its shortcuts others hold (it
        // holds the rest itself); with none serving, each is tried here.
        if (auto published = desktop->instance(loop).heldElsewhereByOwner()) {
            heldElsewhere = [keys = *published](const std::string& key, const Shortcut&) {
                return std::find(keys.begin(), keys.end(), key) != keys.end();
            };
        } else {
            heldElsewhere = [&desktop](const std::string&, const Shortcut& shortcut) {
                return desktop->hotKeys().isHeldByAnotherProgram(shortcut.carbonKeyCode(), shortcut.carbonFlags());
            };
        }
    }
    return runShortcutsCommand(args, settings, archiver, keyboard, standardOutput(), standardError(), heldElsewhere);
}

}  // namespace tilvane::commands
