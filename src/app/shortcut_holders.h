#pragma once

#include <optional>
#include <string_view>

#include "app/action_table.h"
#include "platform/archiver.h"
#include "platform/settings_store.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

// The shortcut the program uses for an action: the one stored under its key,
// or its default where the key holds nothing (start-up stores the default
// there). None when the stored value is not a shortcut.
std::optional<Shortcut> effectiveShortcut(const SettingsStore& store, KeyedArchiver& archiver,
                                          const ActionInfo& action);

// The action that already has the shortcut, leaving out the one whose key is
// being set; null when no other action has it. One combination runs one
// action: the command line's `shortcuts set` and the preferences' shortcut
// recorder both refuse a shortcut that this names.
const ActionInfo* actionHoldingShortcut(const SettingsStore& store, KeyedArchiver& archiver, const Shortcut& shortcut,
                                        std::string_view keyBeingSet);

}  // namespace tilvane
