#pragma once

// The simulated services an application starts with: one 1440×900 screen,
// hot keys, a keyboard, the shortcuts' archiver, login items and a user
// interface, either the recording one or Qt's drawn without a display.

#include <type_traits>

#include "platform/platform.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_login_items.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {

template <class UI>
class SimApplication {
protected:
    SimApplication() {
        desktop.addScreen({0, 0, 1440, 900});
        platform.hotKeys = &hotKeys;
        platform.keyboard = &keyboard;
        platform.archiver = &archiver;
        platform.userInterface = &ui;
        platform.loginItems = &loginItems;
    }

    sim::SimDesktop desktop;
    sim::SimHotKeyService hotKeys;
    sim::SimKeyboard keyboard;
    plist::PlistKeyedArchiver archiver;
    sim::SimLoginItems loginItems;
    // What the recording user interface (and services given it) were asked, in order.
    sim::Journal journal;
    UI ui = makeUserInterface();
    Platform platform = desktop.platform();

private:
    UI makeUserInterface() {
        if constexpr (std::is_constructible_v<UI, sim::Journal*>)
            return UI(&journal);
        else
            return UI({"Tilvane", "0.1.0", "MIT"});
    }
};

}  // namespace tilvane
