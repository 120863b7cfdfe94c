#pragma once

namespace tilvane {

// The keys the program stores its settings under, each spelled exactly as
// stored: settings files written by earlier versions rely on these spellings,
// the misspelled ones included. The shortcut of each window action is stored
// under the settings key in the action table.
namespace settings_key {

// Keyboard shortcuts on or off (the menu acts either way).
inline constexpr const char* kEnableShotcuts = "EnableShotcuts";
inline constexpr const char* kHideDocIcon = "HideDocIcon";

// Moving and resizing the window under the pointer while a combination of modifiers is held.
inline constexpr const char* kWindowMovingEnabled = "WindowMovingEnabled";
inline constexpr const char* kWindowResizingEnabled = "WindowResizingEnabled";
inline constexpr const char* kWMoveSizeEnabledBrigToFront = "WMoveSizeEnabledBrigToFront";
inline constexpr const char* kWMoveF = "WMoveF";
inline constexpr const char* kWMoveShift = "WMoveShift";
inline constexpr const char* kWMoveOption = "WMoveOption";
inline constexpr const char* kWMoveControl = "WMoveControl";
inline constexpr const char* kWMoveCommand = "WMoveCommand";
inline constexpr const char* kWSizeF = "WSizeF";
inline constexpr const char* kWSizeShift = "WSizeShift";
inline constexpr const char* kWSizeOption = "WSizeOption";
inline constexpr const char* kWSizeControl = "WSizeControl";
inline constexpr const char* kWSizeCommand = "WSizeCommand";
inline constexpr const char* kFourCornerResizing = "fourCornerResizing";

// Swipe gestures made while a combination of modifiers is held.
inline constexpr const char* kEnableSwipeGestures = "EnableSwipeGestures";
inline constexpr const char* kSwipeFn = "SwipeFn";
inline constexpr const char* kSwipeShift = "SwipeShift";
inline constexpr const char* kSwipeOption = "SwipeOption";
inline constexpr const char* kSwipeControl = "SwipeControl";
inline constexpr const char* kSwipeCommand = "SwipeCommand";

// Snapping the focused window to a screen half when the left button is released at an edge.
inline constexpr const char* kSnapToEdgeEnabled = "SnapToEdgeEnabled";

// Updates, the first-start alert and the preferences window.
inline constexpr const char* kSUUpdaterChecksForBetaUpdates = "SUUpdaterChecksForBetaUpdates";
inline constexpr const char* kCMTEnableAutomaticChecks = "CMTEnableAutomaticChecks";
inline constexpr const char* kMoveToApplicationsFolderAlertSuppress = "moveToApplicationsFolderAlertSuppress";
inline constexpr const char* kSUFeedURL = "SUFeedURL";
inline constexpr const char* kPreferencesSelectedIdentifierView = "Preferences Selected Identifier View";
inline constexpr const char* kPreferencesFrameTopLeft = "Preferences Frame Top Left";

}  // namespace settings_key
}  // namespace tilvane
