#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tilvane {

// A strings table: English text → text shown to the user.
using StringsTable = std::map<std::string, std::string>;

// The text shown for an English text of the shortcut subsystem, from the
// "Localizable" table of the "Shortcut" resource bundle; "XXX" when the table
// lacks it. The comment is a note for translators and is not used here.
// The bundle is looked for once, at the first lookup: in $TILVANE_RESOURCE_DIR,
// then in the directories given by addShortcutResourceDirectories (the program
// gives the folders it is installed with), then in the source tree's resources/
// folder, for runs from the build tree.
std::string ShortcutText(std::string_view key, std::string_view comment = {});

// Adds directories that may hold Shortcut.bundle (for instance the program's
// ../share/tilvane). They are asked for at the first lookup, so that a command
// that shows no text does not look for where the program lies; only what is
// added before that lookup counts.
void addShortcutResourceDirectories(std::function<std::vector<std::filesystem::path>()> directories);

// Replaces the table that ShortcutText reads; none makes it look for the
// bundle again at the next lookup.
void setShortcutStringsTable(std::optional<StringsTable> table);

// Where the English table of the bundle lives below a resource directory.
std::filesystem::path shortcutStringsFile(const std::filesystem::path& resourceDirectory);

// Reads a strings file: `"key" = "value";` pairs with /* */ and // comments
// and backslash escapes (\n, \t, \", \\, \Uxxxx). None when it is malformed.
std::optional<StringsTable> parseStringsFile(std::string_view text);

}  // namespace tilvane
