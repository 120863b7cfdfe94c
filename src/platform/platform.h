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

// The operating system's services as the program reaches them. The
// composition root fills it in with one backend; a service a backend lacks
// stays null and the parts that need it do nothing.
struct Platform {
    Accessibility* accessibility = nullptr;
    Screens* screens = nullptr;
    SettingsStore* settings = nullptr;
    ScriptRunner* scripts = nullptr;
    Log* log = nullptr;
    RunLoop* runLoop = nullptr;
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

}  // namespace tilvane
