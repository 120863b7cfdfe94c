#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/archiver.h"
#include "platform/keyboard.h"
#include "platform/settings_store.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

// `tilvane shortcuts [list] | set KEY COMBO | clear KEY`: the window actions'
// shortcuts from the shell. The list shows what the program does with the
// settings as they are: the stored shortcut, or the default, marked, for a key
// that holds nothing (start-up stores and uses the default there). args are the words after "shortcuts". KEY is an
// action's settings key ("LeftShortcut") or its command-line name ("left");
// COMBO is written like ctrl+alt+Left. Exit status: 0 done; 1 the settings
// could not be read (list) or saved; 2 bad usage, unknown key, a combination that does not
// parse, cannot be used or is another action's; nothing is changed then.
// heldElsewhere, when given, tells whether another program holds the
// shortcut of a settings key, so that the list can say it does nothing.
using HeldElsewhere = std::function<bool(const std::string& key, const Shortcut& shortcut)>;
int runShortcutsCommand(const std::vector<std::string>& args, SettingsStore& store, KeyedArchiver& archiver,
                        Keyboard& keyboard, std::ostream& out, std::ostream& err,
                        const HeldElsewhere& heldElsewhere = nullptr);

}  // namespace tilvane
