#pragma once

#include <optional>
#include <string>

#include "platform/accessibility.h"
#include "platform/archiver.h"
#include "platform/capabilities.h"
#include "platform/events.h"
#include "platform/hot_keys.h"
#include "platform/keyboard.h"
#include "platform/log.h"
#include "platform/login_items.h"
#include "platform/relocation.h"
#include "platform/run_loop.h"
#include "platform/screens.h"
#include "platform/script_runner.h"
#include "platform/settings_store.h"
#include "platform/support_kit.h"
#include "platform/user_interface.h"
#include "platform/window_server.h"

namespace tilvane {

// The services a process may lack: a one-shot command reads no settings and
// has no user interface; a desktop may offer no hot keys, no input monitors,
// no virtual desktops. Null then: the parts that need one do nothing, and the
// capabilities say why where the desktop is the reason.
struct OptionalServices {
    SettingsStore* settings = nullptr;
    ScriptRunner* scripts = nullptr;
    HotKeyService* hotKeys = nullptr;
    Keyboard* keyboard = nullptr;
    KeyedArchiver* archiver = nullptr;
    EventPoster* eventPoster = nullptr;
    EventMonitors* eventMonitors = nullptr;
    WindowList* windowList = nullptr;
    Spaces* spaces = nullptr;
    Workspace* workspace = nullptr;
    UserInterface* userInterface = nullptr;
    LoginItems* loginItems = nullptr;
    // The program that starts Tilvane (the installed command, or the runner
    // of the movable application folder or file it came in), as a login item
    // names it; none when it is not known.
    std::optional<std::string> programPath;
    SupportKit* supportKit = nullptr;
    SupportUpdater* updater = nullptr;
    Relocation* relocation = nullptr;
    // What the desktop lets the program do; everything unless the backend says otherwise.
    DesktopCapabilities capabilities;
};

// The services as the composition root gathers them from a backend and the
// process: every one may still be missing.
struct PlatformServices : OptionalServices {
    Accessibility* accessibility = nullptr;
    Screens* screens = nullptr;
    Log* log = nullptr;
    RunLoop* runLoop = nullptr;
};

// The operating system's services as the program reaches them: the windows,
// the screens, the log and the main loop, which every process has, and the
// others, which it may lack.
struct Platform : OptionalServices {
    Platform(Accessibility& accessibility, Screens& screens, Log& log, RunLoop& runLoop,
             const OptionalServices& others = {})
        : OptionalServices(others), accessibility(accessibility), screens(screens), log(log), runLoop(runLoop) {}
    // The gathered services; none when one that every process has is missing.
    static std::optional<Platform> from(const PlatformServices& services) {
        if (!services.accessibility || !services.screens || !services.log || !services.runLoop) return std::nullopt;
        return Platform(*services.accessibility, *services.screens, *services.log, *services.runLoop, services);
    }

    Accessibility& accessibility;
    Screens& screens;
    Log& log;
    RunLoop& runLoop;
};

}  // namespace tilvane
