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

// Only the enabled system shortcuts count; the explanation says how to free one.
TEST(ShortcutValidatorTest, TheSystemsShortcuts) {
    setShortcutStringsTable(std::nullopt);
    sim::SimKeyboard keyboard;
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{
        {49, kCarbonCmdKey, true},        // Command+Space
        {123, kCarbonControlKey, false},  // Control+Left, disabled
    });
    ShortcutValidator validator(&keyboard);
    std::string explanation = "untouched";
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(123, kControl), &explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kControl), &explanation));
    EXPECT_EQ(explanation, "untouched");
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), &explanation));
    EXPECT_NE(explanation.find("system-wide keyboard shortcut.\nIf you really want"), std::string::npos);
    keyboard.setSymbolicHotKeys(std::nullopt);  // unreadable: none taken
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(49, kCommand), nullptr));
}

}  // namespace
}  // namespace tilvane
