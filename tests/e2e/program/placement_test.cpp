// `tilvane place` on a real desktop: every placement action lands where it
// should on both monitors, inside the part of each that the docks leave free.

#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

// A placement relative to the monitor's visible area: the target's origin
// and size as fractions of it.
struct ScreenRow {
    const char* action;
    double x, y, width, height;
};

const ScreenRow kScreenRows[] = {
    {"top-left", 0, 0, 0.5, 0.5},
    {"left", 0, 0, 0.5, 1},
    {"bottom-left", 0, 0.5, 0.5, 0.5},
    {"top-right", 0.5, 0, 0.5, 0.5},
    {"right", 0.5, 0, 0.5, 1},
    {"bottom-right", 0.5, 0.5, 0.5, 0.5},
    {"top", 0, 0, 1, 0.5},
    {"bottom", 0, 0.5, 1, 0.5},
    {"maximize", 0, 0, 1, 1},
    {"center", 0.25, 0.25, 0.5, 0.5},
    {"center-left", 0, 0.25, 0.5, 0.5},
    {"center-right", 0.5, 0.25, 0.5, 0.5},
    {"left-third", 0, 0, 1.0 / 3, 1},
    {"center-third", 1.0 / 3, 0, 1.0 / 3, 1},
    {"right-third", 2.0 / 3, 0, 1.0 / 3, 1},
    {"top-third", 0, 0, 1, 1.0 / 3},
    {"middle-third", 0, 1.0 / 3, 1, 1.0 / 3},
    {"bottom-third", 0, 2.0 / 3, 1, 1.0 / 3},
};

// A change of the window's own frame, in pixels.
struct WindowRow {
    const char* action;
    double dx, dy, dwidth, dheight;
};

const WindowRow kWindowRows[] = {
    {"increase", 0, 0, 20, 20},   {"reduce", 0, 0, -20, -20}, {"nudge-left", -15, 0, 0, 0},
    {"nudge-right", 15, 0, 0, 0}, {"nudge-up", 0, -15, 0, 0}, {"nudge-down", 0, 15, 0, 0},
};

struct Monitor {
    const char* name;
    Rect visible;
};

const Monitor kMonitors[] = {
    {"primary monitor", layout::kPrimaryVisible},
    {"secondary monitor", layout::kSecondaryVisible},
};

class PlacementTest : public ProgramTest {
protected:
    static Rect startFrame(const Rect& visible) { return {visible.x + 100, visible.y + 100, 500, 400}; }
};

TEST_F(PlacementTest, EveryPlacementLandsInTheVisibleFrameOfEachMonitor) {
    auto window = desktop().openWindow("placement");
    for (const auto& monitor : kMonitors) {
        const Rect& v = monitor.visible;
        for (const auto& row : kScreenRows) {
            SCOPED_TRACE(std::string(monitor.name) + ", " + row.action);
            x().placeFrame(window.id, startFrame(v));
            place(row.action);
            Rect expected =
                pixelRect({v.x + row.x * v.width, v.y + row.y * v.height, row.width * v.width, row.height * v.height});
            EXPECT_EQ(frame(window.id), expected);
        }
    }
}

TEST_F(PlacementTest, GrowShrinkAndNudgeMoveTheWindowsOwnFrameOnEachMonitor) {
    auto window = desktop().openWindow("own frame");
    for (const auto& monitor : kMonitors) {
        for (const auto& row : kWindowRows) {
            SCOPED_TRACE(std::string(monitor.name) + ", " + row.action);
            Rect start = startFrame(monitor.visible);
            x().placeFrame(window.id, start);
            place(row.action);
            EXPECT_EQ(frame(window.id),
                      (Rect{start.x + row.dx, start.y + row.dy, start.width + row.dwidth, start.height + row.dheight}));
        }
    }
}

TEST_F(PlacementTest, TopAgainOnTheTopHalfMaximizes) {
    auto window = desktop().openWindow("top toggle");
    for (const auto& monitor : kMonitors) {
        SCOPED_TRACE(monitor.name);
        const Rect& v = monitor.visible;
        x().placeFrame(window.id, startFrame(v));
        place("top");
        EXPECT_EQ(frame(window.id), pixelRect({v.x, v.y, v.width, v.height / 2}));
        place("top");
        EXPECT_EQ(frame(window.id), v);
    }
}

TEST_F(PlacementTest, AMaximizedWindowIsPlacedToo) {
    auto window = desktop().openWindow("was maximized");
    x().placeFrame(window.id, startFrame(layout::kPrimaryVisible));
    x().setMaximized(window.id, true);
    place("right");
    const Rect& v = layout::kPrimaryVisible;
    EXPECT_EQ(frame(window.id), (Rect{v.x + v.width / 2, v.y, v.width / 2, v.height}));
    EXPECT_FALSE(x().isMaximized(window.id));
}

TEST_F(PlacementTest, AWindowWithoutAProcessIdIsPlaced) {
    auto xlogo = desktop().openXlogo();
    x().placeFrame(xlogo.id, startFrame(layout::kSecondaryVisible));
    place("150");  // by code: right half
    const Rect& v = layout::kSecondaryVisible;
    EXPECT_EQ(frame(xlogo.id), (Rect{v.x + v.width / 2, v.y, v.width / 2, v.height}));
}

TEST_F(PlacementTest, UnknownActionsAndMissingDisplaysAreReported) {
    std::string output;
    EXPECT_EQ(tilvane({"place", "sideways"}, &output), 2);
    EXPECT_NE(output.find("unknown action \"sideways\""), std::string::npos) << output;
    EXPECT_EQ(tilvane({"place", "9999"}, &output), 2);
    EXPECT_EQ(tilvane({"place"}, &output), 2);

    auto environment = desktop().environment();
    environment["DISPLAY"] = "";
    auto noDisplay =
        Process::spawn({tilvaneBinary(), "place", "left"}, environment, desktop().folder() + "/no-display.log");
    ASSERT_TRUE(noDisplay);
    EXPECT_EQ(noDisplay->wait(), 1);
    EXPECT_NE(noDisplay->log().find("no X display"), std::string::npos) << noDisplay->log();
}

}  // namespace
}  // namespace tilvane::e2e
