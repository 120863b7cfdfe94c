#include <gtest/gtest.h>

#include "input_events.h"
#include "interaction/snap_manager.h"
#include "placement/layout_manager.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using test::leftMouseUp;

constexpr double kMenuBar = 23;

Screen screen(Rect frame, std::optional<Rect> visible = std::nullopt) {
    return {0, frame, visible.value_or(frame)};
}

struct ZoneCase {
    Point pointer;
    int64_t code;  // 0: no zone
    bool snappingRight;
};

void expectZones(const std::vector<Screen>& screens, const std::vector<ZoneCase>& cases) {
    for (const auto& c : cases) {
        SnapZone zone = snapZoneForPointer(c.pointer, screens, kMenuBar);
        EXPECT_EQ(zone.matched, c.code != 0) << c.pointer;
        EXPECT_EQ(zone.code, c.code) << c.pointer;
        EXPECT_EQ(zone.snappingRight, c.snappingRight) << c.pointer;
    }
}

TEST(SnapZones, SingleScreenExamples) {
    const std::vector<ZoneCase> cases{
        {{0, 500}, 120, false},                                 // against the left edge
        {{-149.5, 500}, 120, false},                            // 149 points left of it still counts
        {{-150, 500}, 0, false},     {{0.5, 500}, 120, false},  // half a point in truncates to the edge
        {{1, 500}, 0, false},                                   // one point in
        {{1430, 500}, 150, true},                               // W - 10
        {{1291, 500}, 150, true},                               // W - 149
        {{1290, 500}, 0, false},                                // W - 150
        {{1441, 500}, 0, false},                                // beyond the right edge
        {{1435, 10}, 170, true},                                // in the menu bar, at the right edge
        {{700, 172.5}, 170, false},                             // the top strip ends at 23 + 150
        {{700, 173}, 0, false},      {{700, -20}, 170, false},  // above the screen
    };
    expectZones({screen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877})}, cases);
}

// Each monitor has its own left edge, right edge and top strip.
TEST(SnapZones, TwoScreensSideBySide) {
    // The second display right of the primary with aligned bottoms: (1440, -180) top-left.
    const std::vector<ZoneCase> toTheRight{
        {{1439.5, 500}, 150, true},  // the primary's right edge
        {{1440, 500}, 120, false},   // the second's left edge
        {{3350, 500}, 150, true},    // the second's right edge
        {{2000, -100}, 170, false},  // 80 points under the second's top
        {{2000, 100}, 0, false},     // 280 points under it
        {{700, 100}, 170, false},
    };
    expectZones({screen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877}), screen({1440, 0, 1920, 1080})}, toTheRight);

    // The second display left of the primary, its top 180 points higher.
    const std::vector<ZoneCase> toTheLeft{
        {{-1920, 500}, 120, false},
        {{0.5, 500}, 120, false},
        {{-1000, -30}, 170, false},
    };
    expectZones({screen({0, 0, 1440, 900}), screen({-1920, 0, 1920, 1080})}, toTheLeft);
}

// A panel across one screen's top lowers that screen's top strip, where it
// is taller than the menu bar; the other screens keep theirs.
TEST(SnapZones, APanelAcrossAScreensTopLowersItsTopStrip) {
    Screen primary = screen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
    Screen paneled{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 30};
    const std::vector<ZoneCase> cases{
        {{2000, -1}, 170, false},  // 179 points under the second's top: 30 + 150 reaches it
        {{2000, 0}, 0, false},     // 180 points under it
        {{700, 172.5}, 170, false},
        {{700, 173}, 0, false},  // the primary keeps the menu bar's strip
    };
    expectZones({primary, paneled}, cases);
    // A panel lower than the menu bar changes nothing.
    paneled.menuBarHeight = 10;
    expectZones({primary, paneled}, {{{2000, -8}, 170, false}, {{2000, -7}, 0, false}});
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
        d.settings().setBool("SnapToEdgeEnabled", true);
    }
    static constexpr Rect kStart{100, 100, 800, 600};
    static constexpr Rect kLeftHalf{0, 23, 720, 877};
    static constexpr Rect kRightHalf{720, 23, 720, 877};
    sim::SimDesktop d;
    WindowAccess access{d};
    LayoutManager layout{d.platform(), access};
    uint64_t w = 0;
};

TEST_F(Snap, AReleaseInAZonePlacesTheFocusedWindow) {
    SnapManager snap(d.platform(), layout);
    ASSERT_TRUE(snap.tapInstalled());
    d.deliverToTaps(leftMouseUp({0, 500}));
    EXPECT_EQ(d.window(w).frame, kLeftHalf);
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"<AXUIElement window of pid 7>", "1"}));

    d.deliverToTaps(leftMouseUp({1435, 500}));
    EXPECT_EQ(d.window(w).frame, kRightHalf);
    EXPECT_EQ(d.logLines().at(2), " Window snapping to right!");

    // On the second monitor, its own left edge gives its own left half.
    d.window(w).frame = {1500, 100, 600, 400};
    d.deliverToTaps(leftMouseUp({1440, 500}));
    EXPECT_EQ(d.window(w).frame, (Rect{1440, -180, 960, 1080}));
}

TEST_F(Snap, NoFocusedWindowOrAnEmptyProbeDoesNothing) {
    SnapManager snap(d.platform(), layout);
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

// Regression: snapping could not be switched off while the program ran; once
// on, every later release in a zone still moved the window.
TEST_F(Snap, SnappingCanBeSwitchedOffWhileTheProgramRuns) {
    d.settings().removeObject("SnapToEdgeEnabled");
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
        EXPECT_EQ(d.window(w).frame, step.expected) << "setting " << step.setting.value_or(false);
    }

    // Already on at start-up: snapping starts at once.
    d.settings().setBool("SnapToEdgeEnabled", true);
    SnapToEdgeSwitch second(d.platform(), layout);
    EXPECT_NE(second.snapMan(), nullptr);
}

}  // namespace
}  // namespace tilvane
