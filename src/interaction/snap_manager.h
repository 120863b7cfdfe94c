#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tilvane {

class LayoutManager;

// Snaps the focused window to a half of the screen when the left mouse button
// is released in a snap zone: against the left edge (left half), in the strip
// along the right edge (right half) or in the strip under the top (top half).
// Only the release position counts: the drag is not followed, so a plain click
// in a zone acts as well. The action goes straight to the layout computation,
// without the checks of the shortcut dispatch. Once created it listens until
// the program ends, and snaps only while "SnapToEdgeEnabled" is on: the
// setting is read at every release, so turning it off stops snapping at once.
class SnapManager {
public:
    SnapManager(const Platform& platform, LayoutManager& layout);
    SnapManager(const SnapManager&) = delete;
    SnapManager& operator=(const SnapManager&) = delete;

    // False when the platform could not give us the listen-only tap.
    bool tapInstalled() const { return tapInstalled_; }

    void snapTapCallback(const InputEvent& event);

    // A window of some listed application, used only as a gate: the first
    // window of the owner of the back-most ordinary window on screen.
    struct ListedWindow {
        AXElement window;
        int32_t ownerPid = 0;
    };
    std::optional<ListedWindow> probeListedWindow();

private:
    Platform platform_;
    LayoutManager& layout_;
    bool tapInstalled_ = false;
};

// Which zone a left-button release falls in.
struct SnapZone {
    bool matched = false;
    int64_t code = 0;            // 120 left half, 150 right half, 170 top half
    bool snappingRight = false;  // the right-edge test held (the top strip may still have won)
};

// The zone of a release at the pointer (top-left coordinates). The zones belong
// to the screen that holds the pointer (or, between screens, the nearest one):
// within 150 points left of its visible left edge, within 150 points left of its
// visible right edge, and, winning over both, the strip from its top down to
// the menu bar's height plus 150 (the screen's own bar, where it is taller:
// a panel across that screen's top). Distances are cut to whole points toward zero.
SnapZone snapZoneForPointer(Point pointer, const std::vector<Screen>& screens, double menuBarHeight);

// The screen whose full frame holds the point (top-left coordinates), else the
// one nearest to it; none only for an empty list.
std::optional<size_t> screenForPointer(Point pointer, const std::vector<Screen>& screens);

// Conversion toward zero to a signed 32-bit integer, saturating at its limits.
int32_t trunc32(double value);

// Snapping is off until the user turns on "SnapToEdgeEnabled". This switch
// watches the setting and creates the SnapManager the first time it is (or
// becomes) true, so that nothing listens to the mouse before; the manager then
// follows the setting, off and on again, for the rest of the program.
class SnapToEdgeSwitch {
public:
    SnapToEdgeSwitch(const Platform& platform, LayoutManager& layout);
    ~SnapToEdgeSwitch();
    SnapToEdgeSwitch(const SnapToEdgeSwitch&) = delete;
    SnapToEdgeSwitch& operator=(const SnapToEdgeSwitch&) = delete;

    // The snap manager once it has been created, else null.
    SnapManager* snapMan() const { return snapMan_.get(); }

private:
    void settingChanged();

    Platform platform_;
    LayoutManager& layout_;
    std::unique_ptr<SnapManager> snapMan_;
    std::optional<SettingsStore::ObserverId> observer_;
};

}  // namespace tilvane
