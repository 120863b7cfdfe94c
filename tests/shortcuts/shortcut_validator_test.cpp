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

// A menu of the given items (title, key equivalent, modifier mask), as the user interface holds it.
std::unique_ptr<Menu> menuOf(std::vector<std::tuple<std::string, std::string, uint64_t>> items) {
    auto menu = std::make_unique<sim::SimMenu>("");
    for (auto& [title, key, mask] : items) menu->addItem(title, {}, key).setKeyEquivalentModifierMask(mask);
    return menu;
}

// The case of a menu's key equivalent stands for Shift; a key that types
// nothing matches an item without a key equivalent.
TEST(ShortcutValidatorMenuTest, MatchesKeyEquivalentsCaseAndMask) {
    const struct {
        std::string keyEquivalent;
        uint64_t mask;
        Shortcut shortcut;
        bool taken;
    } rows[] = {
        {"Q", kCommand, Shortcut(12, kCommand | kShift), true},
        {"Q", kCommand, Shortcut(12, kCommand), false},
        {"q", kCommand | modifier::kFunction, Shortcut(12, kCommand), true},
        {"\u2190", kControl | kOption, Shortcut(123, kControl | kOption), true},
        {"\uF710", 0, Shortcut(105, 0), true},
        {"", kCommand, Shortcut(56, kCommand), true},
        {"", kCommand, Shortcut(0, kCommand), false},
    };
    sim::SimKeyboard keyboard;
    ShortcutValidator validator(&keyboard);
    for (const auto& row : rows)
        EXPECT_EQ(validator.isShortcutAlreadyTakenInMenu(row.shortcut, *menuOf({{"Item", row.keyEquivalent, row.mask}}),
                                                         nullptr),
                  row.taken)
            << row.keyEquivalent << " " << row.shortcut.keyCode();
}

// The system's shortcuts first (only enabled ones), then the main menu,
// submenus before later items; the explanation names what holds it.
TEST(ShortcutValidatorMenuTest, SystemShortcutsThenTheMainMenuAndItsSubmenus) {
    setShortcutStringsTable(std::nullopt);
    sim::SimKeyboard keyboard;
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{
        {49, kCarbonCmdKey, true},        // Command+Space
        {123, kCarbonControlKey, false},  // Control+Left, disabled
    });
    auto mainMenu = menuOf({{"Window", "", 0}, {"Later", "m", kCommand}});
    mainMenu->items()[0]->setSubmenu(menuOf({{"Minimize", "m", kCommand}}));
    ShortcutValidator validator(&keyboard, [&] { return mainMenu.get(); });

    std::string explanation = "untouched";
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(123, kControl), &explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kControl), &explanation));
    EXPECT_EQ(explanation, "untouched");
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), &explanation));
    EXPECT_NE(explanation.find("system-wide keyboard shortcut.\nIf you really want"), std::string::npos);
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(46, kCommand), &explanation));
    EXPECT_EQ(explanation,
              "This shortcut cannot be used because it is already used by the menu item \u2018Minimize\u2019.");

    // Unreadable system shortcuts: only the menu decides.
    keyboard.setSymbolicHotKeys(std::nullopt);
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), nullptr));
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(46, kCommand), nullptr));
    EXPECT_FALSE(ShortcutValidator(&keyboard).isShortcutAlreadyTakenBySystem(Shortcut(46, kCommand), nullptr));
}

}  // namespace
}  // namespace tilvane
