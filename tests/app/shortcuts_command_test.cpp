// `tilvane shortcuts`: the list of every action's shortcut, and setting and
// clearing one, with and without a program that has started before.

#include "app/shortcuts_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/app_delegate.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_keyboard.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_text.h"

namespace tilvane {
namespace {

class ShortcutsCommandTest : public testing::Test {
protected:
    void SetUp() override { setShortcutStringsTable(std::nullopt); }
    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return runShortcutsCommand(args, store(), archiver, keyboard, out, err);
    }
    void storeShortcut(const std::string& key, const Shortcut& s) {
        store().setObject(key, SettingsValue(archiveShortcut(archiver, s)));
    }
    std::optional<Shortcut> stored(const std::string& key) {
        auto data = store().dataForKey(key);
        return data ? unarchiveShortcut(archiver, *data) : std::nullopt;
    }
    sim::MemorySettingsStore& store() { return desktop.settings(); }

    sim::SimDesktop desktop;
    plist::PlistKeyedArchiver archiver;
    sim::SimKeyboard keyboard;
    std::ostringstream out, err;
};

// Regression: before the first start the list showed "(none)" for every
// action, though start-up then stored and used the defaults.
TEST_F(ShortcutsCommandTest, TheListBeforeTheFirstStartShowsTheDefaultsStartUpUses) {
    sim::SimHotKeyService hotKeys;
    Platform platform = desktop.platform();
    platform.hotKeys = &hotKeys;
    platform.keyboard = &keyboard;
    platform.archiver = &archiver;
    ASSERT_EQ(run({"list"}), 0);
    std::string before = out.str();
    EXPECT_EQ(before.find("(none"), std::string::npos) << before;
    AppDelegate app(platform);
    app.registerHotkeys(false);
    app.activateHotkeys();
    run({"list"});
    EXPECT_EQ(out.str().find("(default)"), std::string::npos) << out.str();
    for (size_t at; (at = before.find(" (default)")) != std::string::npos;) before.erase(at, 10);
    EXPECT_EQ(before, out.str());

    // Every action in glyphs and words, also without "list".
    storeShortcut("MaximizeShortcut", Shortcut(46, 0x1C0000));
    store().setObject("TopShortcut", SettingsValue("junk"));
    ASSERT_EQ(run({}), 0);
    const std::string listed = out.str();
    for (const char* line : {"LeftShortcut             \u2303\u2325\u2190    ctrl+alt+Left\n",
                             "MaximizeShortcut         \u2303\u2325\u2318M   ctrl+alt+super+m\n",
                             "TopShortcut              (none: the stored value is not a shortcut)\n"})
        EXPECT_NE(listed.find(line), std::string::npos) << listed;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 29);

    // A cleared key says what the next start brings back.
    ASSERT_EQ(run({"clear", "left"}), 0);
    EXPECT_EQ(out.str(),
              "LeftShortcut cleared: no shortcut until Tilvane starts again, which gives it the default "
              "ctrl+alt+Left\n");
    EXPECT_FALSE(store().objectForKey("LeftShortcut"));
    run({"list"});
    EXPECT_NE(out.str().find("LeftShortcut             \u2303\u2325\u2190    ctrl+alt+Left (default)\n"),
              std::string::npos);
}

// `shortcuts set` gave two actions one combination, and then one of them
// died: a combination another action has is refused, naming that action.
TEST_F(ShortcutsCommandTest, TwoActionsCannotBeGivenTheSameShortcut) {
    storeShortcut("RightShortcut", Shortcut(4, modifier::kControl | modifier::kCommand));
    store().setObject("TopShortcut", SettingsValue("junk"));
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* holder;  // named in the message when refused
    } rows[] = {
        {"stored under another key", {"set", "left", "ctrl+super+h"}, 2, "RightShortcut (right)"},
        {"another key's default where it holds nothing", {"set", "left", "ctrl+alt+Down"}, 2, "BottomShortcut"},
        {"the key's own shortcut", {"set", "right", "super+ctrl+h"}, 0, nullptr},
        {"the default of a key holding no shortcut", {"set", "left", "ctrl+alt+Up"}, 0, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto before = store().userDomain();
        EXPECT_EQ(run(row.args), row.status) << err.str();
        if (!row.holder) continue;
        EXPECT_NE(err.str().find(std::string("is already the shortcut of ") + row.holder), std::string::npos)
            << err.str();
        EXPECT_EQ(store().userDomain(), before);
    }
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(126, modifier::kControl | modifier::kOption));
}

TEST_F(ShortcutsCommandTest, BadInputChangesNothing) {
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{{49, kCarbonCmdKey, true}});
    storeShortcut("LeftShortcut", Shortcut(123, 0xC0000));
    const auto before = store().userDomain();
    const size_t writes = store().writtenKeys().size();
    const struct {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {{"set", "NoSuchShortcut", "ctrl+alt+Left"}, "unknown key 'NoSuchShortcut'"},
        {{"clear", "nope"}, "unknown key 'nope'"},
        {{"set", "LeftShortcut", "ctrl+alt+Lft"}, "cannot read the combination 'ctrl+alt+Lft'"},
        {{"set", "LeftShortcut", "a"}, "a cannot be used: it needs ctrl or super"},
        {{"set", "LeftShortcut", "super+space"}, "system-wide keyboard shortcut"},
        {{"frobnicate"}, "usage: tilvane shortcuts"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(run(row.args), 2) << row.args[0];
        EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
    }
    EXPECT_EQ(store().userDomain(), before);
    EXPECT_EQ(store().writtenKeys().size(), writes);
    EXPECT_EQ(store().synchronizeCount(), 0);
}

}  // namespace
}  // namespace tilvane
