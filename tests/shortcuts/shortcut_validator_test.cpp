#include "shortcuts/shortcut_validator.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/sim/sim_keyboard.h"
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
    static MenuItem item(std::string title, std::string keyEquivalent, uint64_t mask) {
        MenuItem i;
        i.title = std::move(title);
        i.keyEquivalent = std::move(keyEquivalent);
        i.keyEquivalentModifierMask = mask;
        return i;
    }
    sim::SimKeyboard keyboard;
};

TEST_F(ShortcutValidatorMenuTest, MatchesKeyEquivalentsCaseAndMask) {
    struct Row {
        MenuItem item;
        Shortcut shortcut;
        bool taken;
    } rows[] = {
        {item("Quit", "Q", kCommand), Shortcut(12, kCommand | kShift), true},
        {item("Quit", "Q", kCommand), Shortcut(12, kCommand), false},
        {item("Quit", "q", kCommand), Shortcut(12, kCommand), true},
        {item("Quit", "q", kCommand), Shortcut(12, kCommand | kShift), false},
        {item("Fn", "q", kCommand | modifier::kFunction), Shortcut(12, kCommand), true},
        {item("Left", "\u2190", kControl | kOption), Shortcut(123, kControl | kOption), true},
        {item("Space", " ", kCommand), Shortcut(49, kCommand), true},
        {item("F13", "\uF710", 0), Shortcut(105, 0), true},
        // A key that renders as nothing matches items without a key equivalent.
        {item("Plain", "", kCommand), Shortcut(56, kCommand), true},
        {item("Plain", "", kCommand), Shortcut(56, kControl), false},
        {item("Plain", "", kCommand), Shortcut(0, kCommand), false},
    };
    ShortcutValidator validator(&keyboard);
    for (const auto& row : rows) {
        Menu menu{"", {row.item}};
        EXPECT_EQ(validator.isShortcutAlreadyTakenInMenu(row.shortcut, menu, nullptr), row.taken)
            << row.item.title << " " << row.item.keyEquivalent;
    }
}

TEST_F(ShortcutValidatorMenuTest, SearchesSubmenusFirstAndExplains) {
    Menu window{"Window", {item("Minimize", "m", kCommand)}};
    MenuItem windowItem = item("Window", "", 0);
    windowItem.submenu = window;
    Menu mainMenu{"", {windowItem, item("Later", "m", kCommand)}};

    ShortcutValidator validator(&keyboard);
    std::string explanation = "untouched";
    EXPECT_FALSE(validator.isShortcutAlreadyTakenInMenu(Shortcut(46, kControl), mainMenu, &explanation));
    EXPECT_EQ(explanation, "untouched");
    EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(Shortcut(46, kCommand), mainMenu, &explanation));
    EXPECT_EQ(explanation,
              "This shortcut cannot be used because it is already used by the menu item \u2018Minimize\u2019.");
}

TEST_F(ShortcutValidatorMenuTest, SystemShortcutsThenTheMainMenu) {
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{
        {49, kCarbonCmdKey, true},        // Command+Space
        {123, kCarbonControlKey, false},  // Control+Left, disabled
    });
    Menu mainMenu{"", {item("Hide", "h", kCommand)}};
    ShortcutValidator validator(&keyboard, [&] { return &mainMenu; });

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
