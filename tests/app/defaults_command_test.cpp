#include "app/defaults_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/action_table.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/memory_settings_store.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

struct Row {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;           // exact
    std::string err;           // a part of it; empty: nothing on err
    SettingsDictionary after;  // the store afterwards
    friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
};

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

class DefaultsCommand : public testing::TestWithParam<Row> {};

TEST_P(DefaultsCommand, Row) {
    const Row& row = GetParam();
    sim::MemorySettingsStore store;
    for (const auto& [key, value] : kBefore) store.setObject(key, value);
    std::ostringstream out, err;
    EXPECT_EQ(runDefaultsCommand(row.args, store, out, err), row.status) << err.str();
    EXPECT_EQ(out.str(), row.out);
    if (row.err.empty()) {
        EXPECT_EQ(err.str(), "");
    } else {
        EXPECT_NE(err.str().find(row.err), std::string::npos) << err.str();
    }
    EXPECT_EQ(store.userDomain(), row.after);
    if (row.status == 2) {
        EXPECT_EQ(store.synchronizeCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DefaultsCommand,
    testing::Values(
        Row{"readAll",
            {"read"},
            0,
            "{\n    EnableShotcuts = 1;\n    LeftShortcut = <data 40 bytes>;\n"
            "    SUFeedURL = \"https://example.invalid/feed\";\n}\n",
            "",
            kBefore},
        Row{"readBoolean", {"read", "EnableShotcuts"}, 0, "1\n", "", kBefore},
        Row{"readAbsent", {"read", "HideDocIcon"}, 1, "", "HideDocIcon holds no value", kBefore},
        Row{"readUnknown", {"read", "EnableShortcuts"}, 2, "", "unknown key 'EnableShortcuts'", kBefore},
        Row{"writeBool", {"write", "HideDocIcon", "-bool", "YES"}, 0, "", "", with(kBefore, "HideDocIcon", true)},
        Row{"writeFalse", {"write", "EnableShotcuts", "-bool", "0"}, 0, "", "", with(kBefore, "EnableShotcuts", false)},
        Row{"writeString",
            {"write", "Preferences General Frame", "-string", "10 20 300 400"},
            0,
            "",
            "",
            with(kBefore, "Preferences General Frame", "10 20 300 400")},
        Row{"writeBadBool", {"write", "HideDocIcon", "-bool", "maybe"}, 2, "", "'maybe' is not a boolean", kBefore},
        Row{"writeIntToBool", {"write", "HideDocIcon", "-int", "1"}, 2, "", "HideDocIcon holds a boolean", kBefore},
        Row{"writeBadInt", {"write", "HideDocIcon", "-int", "1x"}, 2, "", "'1x' is not a whole number", kBefore},
        Row{"writeBadFloat", {"write", "HideDocIcon", "-float", "nan"}, 2, "", "'nan' is not a number", kBefore},
        Row{"writeIntOutOfRange",
            {"write", "HideDocIcon", "-int", "-9223372036854775809"},
            2,
            "",
            "'-9223372036854775809' is out of range",
            kBefore},
        Row{"writeFloatOutOfRange",
            {"write", "HideDocIcon", "-float", "1e999"},
            2,
            "",
            "'1e999' is out of range",
            kBefore},
        Row{"writeControlCharacter",
            {"write", "SUFeedURL", "-string", "a\x1b[2Jb"},
            2,
            "",
            "'a\\u001b[2Jb' holds a control character",
            kBefore},
        Row{"writeNotUtf8", {"write", "SUFeedURL", "-string", "caf\xe9"}, 2, "", "'caf\\xe9' is not UTF-8", kBefore},
        Row{"writeTabAndNewline",
            {"write", "SUFeedURL", "-string", "a\tb\nc"},
            0,
            "",
            "",
            with(kBefore, "SUFeedURL", "a\tb\nc")},
        Row{"writeBoolToText", {"write", "SUFeedURL", "-bool", "yes"}, 2, "", "SUFeedURL holds text", kBefore},
        Row{"writeShortcut", {"write", "LeftShortcut", "-string", "x"}, 2, "", "tilvane shortcuts set", kBefore},
        Row{"writeUnknownKey", {"write", "Nope", "-bool", "yes"}, 2, "", "unknown key 'Nope'", kBefore},
        Row{"writeUnknownType", {"write", "HideDocIcon", "-date", "x"}, 2, "", "unknown value type '-date'", kBefore},
        Row{"writeMissingValue", {"write", "HideDocIcon", "-bool"}, 2, "", "write takes KEY", kBefore},
        Row{"delete", {"delete", "EnableShotcuts"}, 0, "", "", with(kBefore, "EnableShotcuts", std::nullopt)},
        Row{"deleteAbsent", {"delete", "HideDocIcon"}, 0, "", "", kBefore},
        Row{"deleteUnknown", {"delete", "Preferences  Frame"}, 2, "", "unknown key", kBefore},
        Row{"noCommand", {}, 2, "", "usage: tilvane defaults", kBefore},
        Row{"unknownCommand", {"remove", "HideDocIcon"}, 2, "", "unknown command 'remove'", kBefore}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DefaultsCommandHelp, NamesEveryKeyKind) {
    sim::MemorySettingsStore store;
    std::ostringstream out, err;
    EXPECT_EQ(runDefaultsCommand({"--help"}, store, out, err), 0);
    for (const auto& action : kActions) EXPECT_NE(out.str().find(action.settingsKey), std::string::npos);
    EXPECT_NE(out.str().find("WMoveSizeEnabledBrigToFront"), std::string::npos);
}

TEST(DefaultsCommandSave, AFailedSaveIsExitStatusOne) {
    struct UnsavableStore : sim::MemorySettingsStore {
        bool synchronize() override { return false; }
    } store;
    std::ostringstream out, err;
    EXPECT_EQ(runDefaultsCommand({"write", "HideDocIcon", "-bool", "yes"}, store, out, err), 1);
    EXPECT_EQ(err.str(), "tilvane defaults: the change was not saved\n");
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
    const struct {
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {{"read", "LeftShortcut"},
         "tilvane defaults: /x/defaults.plist could not be read (not a regular file); the value of LeftShortcut is "
         "unknown\n"},
        {{"read"}, "tilvane defaults: /x/defaults.plist could not be read (not a regular file)\n"},
        {{"delete", "HideDocIcon"},
         "tilvane defaults: /x/defaults.plist could not be read (not a regular file); nothing was deleted\n"},
    };
    for (const auto& row : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(runDefaultsCommand(row.args, store, out, err), 1);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str(), row.err);
    }
}

TEST(DefaultsCommandRead, QuotesTextInsideCollections) {
    sim::MemorySettingsStore store;
    store.setObject("Odd", SettingsArray{"a \"b\"", 2.5, SettingsDictionary{{"k", ""}}});
    std::ostringstream out, err;
    EXPECT_EQ(runDefaultsCommand({"read", "Odd"}, store, out, err), 0);
    EXPECT_EQ(out.str(), "(\n    \"a \\\"b\\\"\",\n    2.5,\n    {\n        k = \"\";\n    }\n)\n");
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
