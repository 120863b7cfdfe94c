#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "placement/action_codes.h"
#include "platform/events.h"
#include "platform/virtual_key_codes.h"

namespace tilvane {

// The preference pane that holds an action's recorder.
enum class ActionPane { Shortcuts, MoveResize };

// One window action: its code, the name the command line takes, the status
// menu's title and image (empty: no menu item), the settings key its shortcut
// is stored under, the default shortcut (virtual key code and modifier flags),
// its place in the status menu (tens: the group, separated from the next one;
// units: the order within it; 0: not in the menu), and its recorder (the
// outlet of the pane that holds it).
struct ActionInfo {
    int64_t code;
    std::string_view name;
    std::string_view menuTitle;
    std::string_view imageName;
    std::string_view settingsKey;
    uint16_t defaultKeyCode;
    uint64_t defaultModifierFlags;
    int menuPlace;
    std::string_view recorderOutlet;
    ActionPane pane;
};

// Every window action, in code order. The menu, the hot-key registration,
// the preference panes and the command line all read this one table.
inline constexpr std::array<ActionInfo, 29> kActions{{
    {100, "top-left", "Top Left", "top-left", "TopLeftShortcut", key::kLeftArrow,
     modifier::kControl | modifier::kCommand, 21, "topLeftShortcutView", ActionPane::Shortcuts},
    {120, "left", "Left", "left", "LeftShortcut", key::kLeftArrow, modifier::kControl | modifier::kOption, 11,
     "leftShortcutView", ActionPane::Shortcuts},
    {130, "bottom-left", "Bottom Left", "bottom-left", "BottomLeftShortcut", key::kLeftArrow,
     modifier::kShift | modifier::kControl, 23, "bottomLeftShortcutView", ActionPane::Shortcuts},
    {140, "top-right", "Top Right", "top-right", "TopRightShortcut", key::kRightArrow,
     modifier::kControl | modifier::kCommand, 22, "topRightShortcutView", ActionPane::Shortcuts},
    {150, "right", "Right", "right", "RightShortcut", key::kRightArrow, modifier::kControl | modifier::kOption, 12,
     "rightShortcutView", ActionPane::Shortcuts},
    {160, "bottom-right", "Bottom Right", "bottom-right", "BottomRightShortcut", key::kRightArrow,
     modifier::kShift | modifier::kControl, 24, "bottomRightShortcutView", ActionPane::Shortcuts},
    {170, "top", "Up", "top", "TopShortcut", key::kUpArrow, modifier::kControl | modifier::kOption, 13,
     "topShortcutView", ActionPane::Shortcuts},
    {180, "bottom", "Down", "bottom", "BottomShortcut", key::kDownArrow, modifier::kControl | modifier::kOption, 14,
     "bottomShortcutView", ActionPane::Shortcuts},
    {190, "maximize", "Maximize", "maximaze", "MaximizeShortcut", key::kM,
     modifier::kControl | modifier::kOption | modifier::kCommand, 34, "maximizeShortcutView", ActionPane::Shortcuts},
    // The image name begins with CYRILLIC SMALL LETTER ES, as the resource is named.
    {200, "center", "Center",
     "\xD1\x81"
     "enter",
     "CenterShortcut", key::kC, modifier::kControl | modifier::kOption | modifier::kCommand, 31, "centerShortcutView",
     ActionPane::Shortcuts},
    {210, "center-left", "Center Left", "center-left", "LeftCenterShortcut", key::kL,
     modifier::kControl | modifier::kOption | modifier::kCommand, 32, "leftCenterShortcutView", ActionPane::Shortcuts},
    {220, "center-right", "Center Right", "center-right", "RightCenterShortcut", key::kR,
     modifier::kControl | modifier::kOption | modifier::kCommand, 33, "rightCenterShortcutView", ActionPane::Shortcuts},
    {230, "left-third", "Left 1/3", "leftV-13", "Left13Shortcut", key::k1,
     modifier::kControl | modifier::kOption | modifier::kCommand, 41, "left13ShortcutView", ActionPane::Shortcuts},
    {240, "center-third", "Center 1/3", "centerV-13", "CenterV13Shortcut", key::k2,
     modifier::kControl | modifier::kOption | modifier::kCommand, 42, "center13VShortcutView", ActionPane::Shortcuts},
    {250, "right-third", "Right 1/3", "rightV-13", "Right13Shortcut", key::k3,
     modifier::kControl | modifier::kOption | modifier::kCommand, 43, "right13ShortcutView", ActionPane::Shortcuts},
    {260, "top-third", "Top 1/3", "topH-13", "Top13Shortcut", key::k4,
     modifier::kControl | modifier::kOption | modifier::kCommand, 51, "top13ShortcutView", ActionPane::Shortcuts},
    {270, "middle-third", "Center 1/3", "centerH-13", "CenterH13ShortcutKey", key::k5,
     modifier::kControl | modifier::kOption | modifier::kCommand, 52, "center13HShortcutView", ActionPane::Shortcuts},
    {280, "bottom-third", "Bottom 1/3", "bottomH-13", "Bottom13Shortcut", key::k6,
     modifier::kControl | modifier::kOption | modifier::kCommand, 53, "bottom13ShortcutView", ActionPane::Shortcuts},
    {290, "increase", "Increase", "plus", "IncreaseShortcut", key::kEqual,
     modifier::kControl | modifier::kOption | modifier::kCommand, 61, "increaseShortcutView", ActionPane::Shortcuts},
    {300, "reduce", "Reduce", "minus", "ReduceShortcutKey", key::kMinus,
     modifier::kControl | modifier::kOption | modifier::kCommand, 62, "reduceShortcutView", ActionPane::Shortcuts},
    {310, "nudge-left", "", "", "KeyMoveLeftShortcut", key::kLeftArrow,
     modifier::kControl | modifier::kOption | modifier::kCommand, 0, "keyMoveLeftShortcut", ActionPane::MoveResize},
    {320, "nudge-right", "", "", "KeyMoveRightShortcut", key::kRightArrow,
     modifier::kControl | modifier::kOption | modifier::kCommand, 0, "keyMoveRightShortcut", ActionPane::MoveResize},
    {330, "nudge-up", "", "", "KeyMoveUpShortcut", key::kUpArrow,
     modifier::kControl | modifier::kOption | modifier::kCommand, 0, "keyMoveUpShortcut", ActionPane::MoveResize},
    {340, "nudge-down", "", "", "KeyMoveDownShortcut", key::kDownArrow,
     modifier::kControl | modifier::kOption | modifier::kCommand, 0, "keyMoveDownShortcut", ActionPane::MoveResize},
    {350, "next-display", "Next Display", "display-next", "MoveNextDisplayShortcut", key::kN,
     modifier::kControl | modifier::kOption, 71, "nextDisplayShortcutView", ActionPane::Shortcuts},
    {360, "prev-display", "Prev Display", "display-prev", "MovePrevDisplayShortcut", key::kP,
     modifier::kControl | modifier::kOption, 72, "prevDisplayShortcutView", ActionPane::Shortcuts},
    {370, "next-space", "Next Space", "space-next", "MoveNextSpaceShortcut", key::kN,
     modifier::kControl | modifier::kCommand, 81, "nextSpaceShortcutView", ActionPane::Shortcuts},
    {380, "prev-space", "Prev Space", "space-prev", "MovePrevSpaceShortcut", key::kP,
     modifier::kControl | modifier::kCommand, 82, "prevPrevShortcutView", ActionPane::Shortcuts},
    {1000, "split-view", "Split View", "split", "SplitViewShortcut", key::kF,
     modifier::kControl | modifier::kOption | modifier::kCommand, 1, "splitViewShortcutView", ActionPane::Shortcuts},
}};

inline constexpr size_t kActionCount = kActions.size();
// The order in which the hot keys are registered: Split View first, previous
// display before next display and previous Space before next Space.
inline constexpr std::array<int64_t, 29> kRegistrationOrder{1000, 120, 150, 170, 180, 100, 140, 130, 160, 190,
                                                            200,  210, 220, 230, 240, 250, 260, 270, 280, 290,
                                                            300,  310, 320, 330, 340, 360, 350, 380, 370};

// Every action, once each: a code missing here would never get its hot key.
constexpr bool registersEveryActionOnce() {
    for (const ActionInfo& action : kActions) {
        int seen = 0;
        for (int64_t code : kRegistrationOrder) seen += code == action.code;
        if (seen != 1) return false;
    }
    return true;
}
static_assert(registersEveryActionOnce());

// The action's row in kActions, for arrays kept beside the table; none for an unknown code.
std::optional<size_t> actionIndex(int64_t code);
const ActionInfo* actionForCode(int64_t code);
const ActionInfo* actionForName(std::string_view name);
const ActionInfo* actionForSettingsKey(std::string_view key);
// The actions in the status menu, in its order.
std::vector<const ActionInfo*> menuActions();
// The recorders of a pane, as outlet and action, in table order.
std::vector<std::pair<std::string, int64_t>> recorderOutlets(ActionPane pane);

}  // namespace tilvane
