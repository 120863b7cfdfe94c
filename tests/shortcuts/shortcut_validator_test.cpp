#include "shortcuts/shortcut_validator.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_user_interface.h"
#include "shortcuts/shortcut_text.h"

namespace tilvane {
namespace {

constexpr uint64_t kShift = modifier::kShift, kControl = modifier::kControl, kOption = modifier::kOption,
                   kCommand = modifier::kCommand;

TEST(ShortcutValidatorTest, Validity) {
    struct Row {
        int64_t keyCode;
        uint64_t flags;
        bool valid;
        bool validWithAnyOption;
    } rows[] = {
        {96, 0, true, true},                           // F5 alone
        {105, kShift, true, true},                     // F13 with Shift
        {53, 0, false, false},                         // Escape alone
        {0, 0, false, false},                          // A alone
        {0, kShift, false, false},                     // Shift+A
        {0, kOption, false, true},                     // Option+A
        {0, kOption | kShift, false, true},            // Shift+Option+A
        {49, kOption, true, true},                     // Option+Space
        {53, kOption | kShift, true, true},            // Shift+Option+Escape
        {0, kCommand, true, true},                     // Command+A
        {12, 0x1E0000, true, true},                    // all four
        {Shortcut::kNoKeyCode, kCommand, true, true},  // Command without a key
    };
    ShortcutValidator validator(nullptr);
    for (const auto& row : rows) {
        Shortcut s(row.keyCode, row.flags);
        validator.setAllowAnyShortcutWithOptionModifier(false);
        EXPECT_EQ(validator.isShortcutValid(s), row.valid) << row.keyCode << " " << std::hex << row.flags;
        validator.setAllowAnyShortcutWithOptionModifier(true);
        EXPECT_EQ(validator.isShortcutValid(s), row.validWithAnyOption) << row.keyCode << " " << std::hex << row.flags;
    }
}

class ShortcutValidatorMenuTest : public ::testing::Test {
protected:
    void SetUp() override { setShortcutStringsTable(std::nullopt); }
    struct Entry {
        std::string title, keyEquivalent;
        uint64_t mask;
    };
    // A menu of the given entries, as the user interface holds it.
    static std::unique_ptr<Menu> menuOf(std::vector<Entry> entries) {
        auto menu = std::make_unique<sim::SimMenu>("");
        for (auto& e : entries) menu->addItem(e.title, {}, e.keyEquivalent).setKeyEquivalentModifierMask(e.mask);
        return menu;
    }
    sim::SimKeyboard keyboard;
};

TEST_F(ShortcutValidatorMenuTest, MatchesKeyEquivalentsCaseAndMask) {
    struct Row {
        Entry item;
        Shortcut shortcut;
        bool taken;
    } rows[] = {
        {{"Quit", "Q", kCommand}, Shortcut(12, kCommand | kShift), true},
        {{"Quit", "Q", kCommand}, Shortcut(12, kCommand), false},
        {{"Quit", "q", kCommand}, Shortcut(12, kCommand), true},
        {{"Quit", "q", kCommand}, Shortcut(12, kCommand | kShift), false},
        {{"Fn", "q", kCommand | modifier::kFunction}, Shortcut(12, kCommand), true},
        {{"Left", "\u2190", kControl | kOption}, Shortcut(123, kControl | kOption), true},
        {{"Space", " ", kCommand}, Shortcut(49, kCommand), true},
        {{"F13", "\uF710", 0}, Shortcut(105, 0), true},
        // A key that renders as nothing matches items without a key equivalent.
        {{"Plain", "", kCommand}, Shortcut(56, kCommand), true},
        {{"Plain", "", kCommand}, Shortcut(56, kControl), false},
        {{"Plain", "", kCommand}, Shortcut(0, kCommand), false},
    };
    ShortcutValidator validator(&keyboard);
    for (const auto& row : rows) {
        auto menu = menuOf({row.item});
        EXPECT_EQ(validator.isShortcutAlreadyTakenInMenu(row.shortcut, *menu, nullptr), row.taken)
            << row.item.title << " " << row.item.keyEquivalent;
    }
}

TEST_F(ShortcutValidatorMenuTest, SearchesSubmenusFirstAndExplains) {
    auto mainMenu = menuOf({{"Window", "", 0}, {"Later", "m", kCommand}});
    mainMenu->items()[0]->setSubmenu(menuOf({{"Minimize", "m", kCommand}}));

    ShortcutValidator validator(&keyboard);
    std::string explanation = "untouched";
    EXPECT_FALSE(validator.isShortcutAlreadyTakenInMenu(Shortcut(46, kControl), *mainMenu, &explanation));
    EXPECT_EQ(explanation, "untouched");
    EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(Shortcut(46, kCommand), *mainMenu, &explanation));
    EXPECT_EQ(explanation,
              "This shortcut cannot be used because it is already used by the menu item \u2018Minimize\u2019.");
}

TEST_F(ShortcutValidatorMenuTest, SystemShortcutsThenTheMainMenu) {
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{
        {49, kCarbonCmdKey, true},        // Command+Space
        {123, kCarbonControlKey, false},  // Control+Left, disabled
    });
    auto mainMenu = menuOf({{"Hide", "h", kCommand}});
    ShortcutValidator validator(&keyboard, [&] { return mainMenu.get(); });

    std::string explanation;
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), &explanation));
    EXPECT_NE(explanation.find("system-wide keyboard shortcut.\nIf you really want"), std::string::npos);
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(123, kControl), nullptr));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kControl), nullptr));
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(4, kCommand), &explanation));
    EXPECT_EQ(explanation,
              "This shortcut cannot be used because it is already used by the menu item \u2018Hide\u2019.");

    // Unreadable system shortcuts: only the menu decides.
    keyboard.setSymbolicHotKeys(std::nullopt);
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), nullptr));
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(4, kCommand), nullptr));
    ShortcutValidator noMenu(&keyboard);
    EXPECT_FALSE(noMenu.isShortcutAlreadyTakenBySystem(Shortcut(4, kCommand), nullptr));
}

}  // namespace
}  // namespace tilvane
