#include "app/defaults_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/action_table.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/memory_settings_store.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

const SettingsDictionary kBefore{
    {"EnableShotcuts", true},
    {"SUFeedURL", "https://example.invalid/feed"},
    {"LeftShortcut", SettingsData(40, 0)},
};

SettingsDictionary with(SettingsDictionary d, const std::string& key, std::optional<SettingsValue> value) {
    if (value)
        d[key] = *value;
    else
        d.erase(key);
    return d;
}

// What a command says goes to standard output when it succeeds, else to
// standard error; bad input exits with status 2 and changes nothing.
TEST(DefaultsCommand, ReadWriteAndDelete) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string said;                    // all of the output, or a part of the error
        SettingsDictionary after = kBefore;  // the store afterwards
    } rows[] = {
        {"read all",
         {"read"},
         0,
         "{\n    EnableShotcuts = 1;\n    LeftShortcut = <data 40 bytes>;\n"
         "    SUFeedURL = \"https://example.invalid/feed\";\n}\n"},
        {"read an absent key", {"read", "HideDocIcon"}, 1, "HideDocIcon holds no value"},
        {"read an unknown key", {"read", "EnableShortcuts"}, 2, "unknown key 'EnableShortcuts'"},
        {"write YES", {"write", "HideDocIcon", "-bool", "YES"}, 0, "", with(kBefore, "HideDocIcon", true)},
        {"write 0", {"write", "EnableShotcuts", "-bool", "0"}, 0, "", with(kBefore, "EnableShotcuts", false)},
        {"write text with a tab and a newline",
         {"write", "SUFeedURL", "-string", "a\tb\nc"},
         0,
         "",
         with(kBefore, "SUFeedURL", "a\tb\nc")},
        {"not a boolean", {"write", "HideDocIcon", "-bool", "maybe"}, 2, "'maybe' is not a boolean"},
        {"a number to a boolean", {"write", "HideDocIcon", "-int", "1"}, 2, "HideDocIcon holds a boolean"},
        {"not a whole number", {"write", "HideDocIcon", "-int", "1x"}, 2, "'1x' is not a whole number"},
        {"a whole number out of range",
         {"write", "HideDocIcon", "-int", "-9223372036854775809"},
         2,
         "'-9223372036854775809' is out of range"},
        {"a number out of range", {"write", "HideDocIcon", "-float", "1e999"}, 2, "'1e999' is out of range"},
        {"a control character",
         {"write", "SUFeedURL", "-string", "a\x1b[2Jb"},
         2,
         "'a\\u001b[2Jb' holds a control character"},
        {"not UTF-8", {"write", "SUFeedURL", "-string", "caf\xe9"}, 2, "'caf\\xe9' is not UTF-8"},
        {"a shortcut", {"write", "LeftShortcut", "-string", "x"}, 2, "tilvane shortcuts set"},
        {"no value", {"write", "HideDocIcon", "-bool"}, 2, "write takes KEY"},
        {"delete", {"delete", "EnableShotcuts"}, 0, "", with(kBefore, "EnableShotcuts", std::nullopt)},
        {"delete an absent key", {"delete", "HideDocIcon"}, 0, ""},
        {"no command", {}, 2, "usage: tilvane defaults"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::MemorySettingsStore store;
        for (const auto& [key, value] : kBefore) store.setObject(key, value);
        std::ostringstream out, err;
        EXPECT_EQ(runDefaultsCommand(row.args, store, out, err), row.status) << err.str();
        EXPECT_EQ(out.str(), row.status == 0 ? row.said : "");
        EXPECT_TRUE(row.status == 0 ? err.str().empty() : err.str().find(row.said) != std::string::npos) << err.str();
        EXPECT_EQ(store.userDomain(), row.after);
        EXPECT_TRUE(row.status != 2 || store.synchronizeCount() == 0) << "bad input saved nothing";
    }
}

TEST(DefaultsCommandHelp, NamesEveryKeyKind) {
    sim::MemorySettingsStore store;
    std::ostringstream out, err;
    EXPECT_EQ(runDefaultsCommand({"--help"}, store, out, err), 0);
    for (const auto& action : kActions) EXPECT_NE(out.str().find(action.settingsKey), std::string::npos);
    EXPECT_NE(out.str().find("WMoveSizeEnabledBrigToFront"), std::string::npos);
}

// A stored value or a typed word never reaches the terminal as control characters.
TEST(DefaultsCommandRead, NeverPrintsControlCharactersAsTheyAre) {
    sim::MemorySettingsStore store;
    store.setObject("SUFeedURL", "a\x1b[31mred\x07");
    store.setObject("Odd", SettingsArray{"tab\there", "caf\xe9", SettingsDictionary{{"k\xc2\x9b", 1}}});
    store.setObject("Plain", "caf\xc3\xa9 \"x\"");
    const struct {
        std::vector<std::string> args;
        std::string out, err;
    } rows[] = {
        {{"read", "SUFeedURL"}, "\"a\\u001b[31mred\\u0007\"\n", ""},
        {{"read", "Plain"}, "caf\xc3\xa9 \"x\"\n", ""},
        {{"read", "Odd"},
         "(\n    \"tab\\there\",\n    \"caf\\xe9\",\n    {\n        \"k\\u009b\" = 1;\n    }\n)\n",
         ""},
        {{"read", "Nope\x1b]0;title\x07"}, "", "unknown key 'Nope\\u001b]0;title\\u0007'"},
        {{"write", "HideDocIcon", "-bool", "\x1b[2J"}, "", "'\\u001b[2J' is not a boolean"},
    };
    for (const auto& row : rows) {
        std::ostringstream out, err;
        runDefaultsCommand(row.args, store, out, err);
        EXPECT_EQ(out.str(), row.out);
        EXPECT_NE(err.str().find(row.err), std::string::npos) << err.str();
        for (char c : out.str() + err.str()) EXPECT_FALSE(c == '\x1b' || c == '\x07') << row.args[1];
    }
}

// `defaults read KEY` on a file that could not be read said "KEY holds no value".
TEST(DefaultsCommandRead, AnUnreadableFileIsSaidToBeUnreadable) {
    struct UnreadableStore : sim::MemorySettingsStore {
        std::optional<std::string> readProblem() const override {
            return "/x/defaults.plist could not be read (not a regular file)";
        }
    } store;
    const std::string problem = "tilvane defaults: /x/defaults.plist could not be read (not a regular file)";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"read", "LeftShortcut"}, problem + "; the value of LeftShortcut is unknown\n"},
        {{"read"}, problem + "\n"},
        {{"delete", "HideDocIcon"}, problem + "; nothing was deleted\n"},
    };
    for (const auto& [args, said] : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(runDefaultsCommand(args, store, out, err), 1);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str(), said);
    }
}

// What a support report shows of the settings: shortcuts as a person types them.
TEST(ReadableSettings, ShowsShortcutsInWords) {
    sim::MemorySettingsStore store;
    plist::PlistKeyedArchiver archiver;
    store.setObject("LeftShortcut",
                    SettingsData(archiveShortcut(archiver, Shortcut(123, modifier::kControl | modifier::kOption))));
    store.setObject("RightShortcut", SettingsData{1, 2, 3});  // not a shortcut: left as it is
    store.setObject("Unknown Data", SettingsData(archiveShortcut(archiver, Shortcut(0, modifier::kCommand))));
    store.setBool("EnableShotcuts", true);
    EXPECT_EQ(readableSettings(store, archiver),
              "{\n    EnableShotcuts = 1;\n    LeftShortcut = ctrl+alt+Left;\n    RightShortcut = <data 3 bytes>;\n"
              "    \"Unknown Data\" = <data " +
                  std::to_string(archiveShortcut(archiver, Shortcut(0, modifier::kCommand)).size()) + " bytes>;\n}\n");
}

}  // namespace
}  // namespace tilvane
