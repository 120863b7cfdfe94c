#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "placement/action_codes.h"

namespace tilvane {

// One window action: its code, the name the command line takes, the status
// menu's title and image (empty: no menu item), the settings key its shortcut
// is stored under, and the default shortcut (virtual key code and modifier flags).
struct ActionInfo {
    int64_t code;
    std::string_view name;
    std::string_view menuTitle;
    std::string_view imageName;
    std::string_view settingsKey;
    uint16_t defaultKeyCode;
    uint64_t defaultModifierFlags;
};

// Every window action, in code order. The menu, the hot-key registration,
// the preference panes and the command line all read this one table.
inline constexpr std::array<ActionInfo, 29> kActions{{
    {100, "top-left", "Top Left", "top-left", "TopLeftShortcut", 123, 0x140000},
    {120, "left", "Left", "left", "LeftShortcut", 123, 0xC0000},
    {130, "bottom-left", "Bottom Left", "bottom-left", "BottomLeftShortcut", 123, 0x60000},
    {140, "top-right", "Top Right", "top-right", "TopRightShortcut", 124, 0x140000},
    {150, "right", "Right", "right", "RightShortcut", 124, 0xC0000},
    {160, "bottom-right", "Bottom Right", "bottom-right", "BottomRightShortcut", 124, 0x60000},
    {170, "top", "Up", "top", "TopShortcut", 126, 0xC0000},
    {180, "bottom", "Down", "bottom", "BottomShortcut", 125, 0xC0000},
    {190, "maximize", "Maximize", "maximaze", "MaximizeShortcut", 46, 0x1C0000},
    // The image name begins with CYRILLIC SMALL LETTER ES, as the resource is named.
    {200, "center", "Center",
     "\xD1\x81"
     "enter",
     "CenterShortcut", 8, 0x1C0000},
    {210, "center-left", "Center Left", "center-left", "LeftCenterShortcut", 37, 0x1C0000},
    {220, "center-right", "Center Right", "center-right", "RightCenterShortcut", 15, 0x1C0000},
    {230, "left-third", "Left 1/3", "leftV-13", "Left13Shortcut", 18, 0x1C0000},
    {240, "center-third", "Center 1/3", "centerV-13", "CenterV13Shortcut", 19, 0x1C0000},
    {250, "right-third", "Right 1/3", "rightV-13", "Right13Shortcut", 20, 0x1C0000},
    {260, "top-third", "Top 1/3", "topH-13", "Top13Shortcut", 21, 0x1C0000},
    {270, "middle-third", "Center 1/3", "centerH-13", "CenterH13ShortcutKey", 23, 0x1C0000},
    {280, "bottom-third", "Bottom 1/3", "bottomH-13", "Bottom13Shortcut", 22, 0x1C0000},
    {290, "increase", "Increase", "plus", "IncreaseShortcut", 24, 0x1C0000},
    {300, "reduce", "Reduce", "minus", "ReduceShortcutKey", 27, 0x1C0000},
    {310, "nudge-left", "", "", "KeyMoveLeftShortcut", 123, 0x1C0000},
    {320, "nudge-right", "", "", "KeyMoveRightShortcut", 124, 0x1C0000},
    {330, "nudge-up", "", "", "KeyMoveUpShortcut", 126, 0x1C0000},
    {340, "nudge-down", "", "", "KeyMoveDownShortcut", 125, 0x1C0000},
    {350, "next-display", "Next Display", "display-next", "MoveNextDisplayShortcut", 45, 0xC0000},
    {360, "prev-display", "Prev Display", "display-prev", "MovePrevDisplayShortcut", 35, 0xC0000},
    {370, "next-space", "Next Space", "space-next", "MoveNextSpaceShortcut", 45, 0x140000},
    {380, "prev-space", "Prev Space", "space-prev", "MovePrevSpaceShortcut", 35, 0x140000},
    {1000, "split-view", "Split View", "split", "SplitViewShortcut", 3, 0x1C0000},
}};

// The order in which the hot keys are registered: Split View first, previous
// display before next display and previous Space before next Space.
inline constexpr std::array<int64_t, 29> kRegistrationOrder{1000, 120, 150, 170, 180, 100, 140, 130, 160, 190,
                                                            200,  210, 220, 230, 240, 250, 260, 270, 280, 290,
                                                            300,  310, 320, 330, 340, 360, 350, 380, 370};

const ActionInfo* actionForCode(int64_t code);
const ActionInfo* actionForName(std::string_view name);
const ActionInfo* actionForSettingsKey(std::string_view key);

}  // namespace tilvane
