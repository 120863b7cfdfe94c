// Snap to edge: the zones of each screen, and a release of the left button in
// them on the simulated desktop.

#include <gtest/gtest.h>

#include "input_events.h"
#include "interaction/snap_manager.h"
#include "placement/layout_manager.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using test::leftMouseUp;

constexpr double kMenuBar = 23;

// A 1440 x 900 primary under a menu bar, and the second screen of each
// arrangement; a panel 30 high across the top of the one to the right.
const Screen kPrimary{0, {0, 0, 1440, 900}, {0, 0, 1440, 877}};
const Screen kRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};
const Screen kLeft{0, {-1920, 0, 1920, 1080}, {-1920, 0, 1920, 1080}};
const Screen kPaneledRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 30};
const Screen kLowPaneledRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 10};

TEST(SnapZones, EachScreenHasItsLeftEdgeRightEdgeAndTopStrip) {
    const struct {
        const char* name;
        const Screen* second;  // none: the primary alone
        Point pointer;
        int64_t code;  // 0: no zone
        bool snappingRight;
    } rows[] = {
        {"against the left edge", nullptr, {0, 500}, 120, false},
        {"149 points left of it still counts", nullptr, {-149.5, 500}, 120, false},
        {"150 points left of it", nullptr, {-150, 500}, 0, false},
        {"half a point in truncates to the edge", nullptr, {0.5, 500}, 120, false},
        {"one point in", nullptr, {1, 500}, 0, false},
        {"W - 149", nullptr, {1291, 500}, 150, true},
        {"W - 150", nullptr, {1290, 500}, 0, false},
        {"beyond the right edge", nullptr, {1441, 500}, 0, false},
        {"in the menu bar at the right edge", nullptr, {1435, 10}, 170, true},
        {"the top strip ends at 23 + 150", nullptr, {700, 172.5}, 170, false},
        {"below the top strip", nullptr, {700, 173}, 0, false},
        {"above the screen", nullptr, {700, -20}, 170, false},
        {"the primary's right edge", &kRight, {1439.5, 500}, 150, true},
        {"the second's left edge", &kRight, {1440, 500}, 120, false},
        {"the second's right edge", &kRight, {3350, 500}, 150, true},
        {"80 points under the second's top", &kRight, {2000, -100}, 170, false},
        {"280 points under it", &kRight, {2000, 100}, 0, false},
        {"a second left of the primary, its left edge", &kLeft, {-1920, 500}, 120, false},
        {"a second left of the primary, its top", &kLeft, {-1000, -30}, 170, false},
        // A panel taller than the menu bar lowers its own screen's strip, no other.
        {"179 points under a panel's screen top", &kPaneledRight, {2000, -1}, 170, false},
        {"180 points under it", &kPaneledRight, {2000, 0}, 0, false},
        {"the primary keeps the menu bar's strip", &kPaneledRight, {700, 173}, 0, false},
        {"a panel lower than the menu bar changes nothing", &kLowPaneledRight, {2000, -7}, 0, false},
    };
    for (const auto& row : rows) {
        std::vector<Screen> screens{kPrimary};
        if (row.second) screens.push_back(*row.second);
        SnapZone zone = snapZoneForPointer(row.pointer, screens, kMenuBar);
        EXPECT_EQ(zone.matched, row.code != 0) << row.name;
        EXPECT_EQ(zone.code, row.code) << row.name;
        EXPECT_EQ(zone.snappingRight, row.snappingRight) << row.name;
    }
}

// A 1440 x 900 primary with a menu bar and a 1920 x 1080 display right of it.
class Snap : public testing::Test {
protected:
    void SetUp() override {
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        d.addScreen({1440, 0, 1920, 1080});
        d.setMenuBarHeight(kMenuBar);
        w = d.addWindow(7, kStart).id;
        d.focus(w);
    }
    static constexpr Rect kStart{100, 100, 800, 600};
    static constexpr Rect kLeftHalf{0, 23, 720, 877};
    static constexpr Rect kRightHalf{720, 23, 720, 877};
    sim::SimDesktop d;
    WindowAccess access{d};
    LayoutManager layout{d.platform(), access};
    uint64_t w = 0;
};

// Regression: snapping could not be switched off while the program ran; once
// on, every later release in a zone still moved the window.
TEST_F(Snap, SnappingCanBeSwitchedOffWhileTheProgramRuns) {
    SnapToEdgeSwitch snapSwitch(d.platform(), layout);
    EXPECT_EQ(snapSwitch.snapMan(), nullptr) << "nothing listens before snapping is first turned on";
    const struct {
        std::optional<bool> setting;  // none: not stored
        Point release;
        Rect expected;
    } steps[] = {
        {std::nullopt, {0, 500}, kStart},  // never turned on
        {true, {0, 500}, kLeftHalf},
        {false, {1435, 500}, kLeftHalf},  // turned off: a release in a zone does nothing
        {true, {1435, 500}, kRightHalf},  // and on again
        {false, {0, 500}, kRightHalf},
    };
    for (const auto& step : steps) {
        if (step.setting) d.settings().setBool("SnapToEdgeEnabled", *step.setting);
        d.deliverToTaps(leftMouseUp(step.release));
        EXPECT_EQ(d.window(w).frame, step.expected) << "release at " << step.release;
    }
    EXPECT_EQ(d.logLines().at(2), " Window snapping to right!");

    // Already on at start-up: snapping starts at once.
    d.settings().setBool("SnapToEdgeEnabled", true);
    EXPECT_NE(SnapToEdgeSwitch(d.platform(), layout).snapMan(), nullptr);
}

TEST_F(Snap, NoFocusedWindowOrAnEmptyProbeDoesNothing) {
    d.settings().setBool("SnapToEdgeEnabled", true);
    SnapManager snap(d.platform(), layout);
    ASSERT_TRUE(snap.tapInstalled());
    d.clearFocus();
    d.deliverToTaps(leftMouseUp({0, 500}));
    EXPECT_TRUE(d.logLines().empty());
    // The probe ends on the back-most ordinary window, whose owner's windows
    // cannot be read; a readable one in front of it does not count.
    d.focus(w);
    d.addWindow(9, {0, 0, 10, 10});
    d.app(7).failWindowsRead = true;
    d.deliverToTaps(leftMouseUp({0, 500}));
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"(null)", "1"}));
    EXPECT_TRUE(d.writes().empty());
}

}  // namespace
}  // namespace tilvane
