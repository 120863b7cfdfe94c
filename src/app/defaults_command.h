#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archiver.h"
#include "platform/settings_store.h"

namespace tilvane {

// What a key of the settings holds.
enum class SettingKind { Boolean, Text, Shortcut };

// The kind of a key the program reads or writes; none for any other key.
std::optional<SettingKind> settingKindForKey(std::string_view key);

// `tilvane defaults read [KEY] | write KEY -bool|-int|-float|-string VALUE |
// delete KEY`: the user's settings from the shell. args are the words after
// "defaults". Exit status: 0 done; 1 the key holds no value (read) or the
// settings could not be read or saved; 2 bad usage, unknown key, or a value
// that does not parse or does not fit the key (text with control characters
// other than tab and newline, or not UTF-8, included); nothing is changed then.
// Nothing it prints carries a control character as it is.
int runDefaultsCommand(const std::vector<std::string>& args, SettingsStore& store, std::ostream& out,
                       std::ostream& err);

// The stored settings as `defaults read` prints them, for a person to read:
// each recorded shortcut in words (ctrl+alt+Left), as `tilvane shortcuts`
// writes it; a stored value that is no shortcut stays as it is.
std::string readableSettings(const SettingsStore& store, KeyedArchiver& archiver);

}  // namespace tilvane
