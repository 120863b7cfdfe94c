// Mouse interaction of the serving program: holding the move or the resize
// combination over a window makes it follow the pointer (not while a button
// is held), and with snapping switched on, letting go of the left button at a
// monitor's left edge puts the focused window in that monitor's left half, and
// under its top (and any panel there) in its top half. Windows that name no
// process (xlogo) are moved and snapped like the others.

#include "program/held_input.h"
#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;

using Settings = std::vector<std::pair<const char*, bool>>;

class MouseTest : public ProgramTest {
protected:
    void write(const std::string& key, bool value) {
        ASSERT_EQ(tilvane({"defaults", "write", key, "-bool", value ? "true" : "false"}), 0) << key;
    }
    // The combinations are read on every event; written before the start
    // they are there from the first one.
    void writeCombinations(const Settings& settings) {
        for (const char* key : {"WMoveF", "WMoveShift", "WMoveOption", "WMoveControl", "WMoveCommand", "WSizeF",
                                "WSizeShift", "WSizeOption", "WSizeControl", "WSizeCommand"})
            write(key, false);
        for (const auto& [key, value] : settings) write(key, value);
    }
    // xlogo names no process in _NET_WM_PID, as many older programs do.
    TestWindow openWindow(bool xlogo, const std::string& title) {
        return xlogo ? desktop().openXlogo() : desktop().openWindow(title);
    }
    // A click of the left button at a point in root coordinates.
    void clickAt(Point root) {
        HeldInput input(x());
        input.moveTo(int(root.x), int(root.y));
        input.pressButton();
        input.releaseButton();
        settle();
    }
};

struct DragRow {
    const char* name;
    const char* testName;
    bool xlogo;
    Settings settings;
    std::vector<uint16_t> modifiers;
    Point grab;  // where the pointer holds the window, from its top-left corner
    Rect expected;
};

void PrintTo(const DragRow& row, std::ostream* os) {
    *os << row.name;
}

const Rect kStart{1700, 300, 500, 400};
// The pointer goes right and down in steps, 60 × 42 pixels in all.
constexpr int kSteps = 6, kStepX = 10, kStepY = 7;
constexpr double kTotalX = kSteps * kStepX, kTotalY = kSteps * kStepY;

const Settings kMoveSettings{{"WindowMovingEnabled", true}, {"WMoveControl", true}, {"WMoveOption", true}};
const Settings kResizeSettings{{"WindowResizingEnabled", true}, {"WSizeControl", true}, {"WSizeCommand", true}};
const Rect kMoved{kStart.x + kTotalX, kStart.y + kTotalY, kStart.width, kStart.height};
const Rect kResized{kStart.x, kStart.y, kStart.width + kTotalX, kStart.height + kTotalY};

const DragRow kDragRows[] = {
    {"move with Control+Option", "Move", false, kMoveSettings, {kControl, kOption}, {100, 100}, kMoved},
    {"resize with Control+Command from the lower right",
     "Resize",
     false,
     kResizeSettings,
     {kControl, kCommand},
     {400, 300},
     kResized},
    // Windows that name no process are grabbed all the same.
    {"move xlogo", "MoveXlogo", true, kMoveSettings, {kControl, kOption}, {100, 100}, kMoved},
    {"resize xlogo", "ResizeXlogo", true, kResizeSettings, {kControl, kCommand}, {400, 300}, kResized},
};

class MouseDragTest : public MouseTest, public ::testing::WithParamInterface<DragRow> {};

TEST_P(MouseDragTest, TheWindowUnderThePointerFollowsWhileTheCombinationIsHeld) {
    const DragRow& row = GetParam();
    writeCombinations(row.settings);
    auto window = openWindow(row.xlogo, "drag");
    x().placeFrame(window.id, kStart);
    startTilvane();

    HeldInput input(x());
    input.moveTo(int(kStart.x + row.grab.x), int(kStart.y + row.grab.y));
    input.pressKeys(row.modifiers);
    settle();
    for (int i = 0; i < kSteps; ++i) {
        input.moveBy(kStepX, kStepY);
        settle();
    }
    input.releaseKeys(row.modifiers);
    settle();
    // Let go: the pointer moves on alone.
    input.moveBy(50, 50);
    settle();
    EXPECT_EQ(frame(window.id), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Combinations, MouseDragTest, ::testing::ValuesIn(kDragRows),
                         [](const auto& info) { return std::string(info.param.testName); });

TEST_F(MouseTest, ModifierDragDoesNotActWhileAMouseButtonIsHeld) {
    // Control is the move combination, and Control+drag selects text: the
    // selection must not move the window. Let go of the button, and it does.
    writeCombinations({{"WindowMovingEnabled", true}, {"WMoveControl", true}});
    auto window = desktop().openWindow("select");
    x().placeFrame(window.id, kStart);
    startTilvane();

    HeldInput input(x());
    input.moveTo(int(kStart.x + 100), int(kStart.y + 100));
    input.pressKeys({kControl});
    input.pressButton();
    settle();
    for (int i = 0; i < kSteps; ++i) {
        input.moveBy(kStepX, kStepY);
        settle();
    }
    EXPECT_EQ(frame(window.id), kStart);

    input.releaseButton();
    input.moveBy(kStepX, kStepY);
    settle();
    // The window keeps its place under the pointer from where it was grabbed.
    EXPECT_EQ(frame(window.id),
              (Rect{kStart.x + kTotalX + kStepX, kStart.y + kTotalY + kStepY, kStart.width, kStart.height}));
    input.releaseKeys({kControl});
    settle();
}

struct SnapRow {
    const char* name;
    const char* testName;
    bool xlogo;     // the focused window, and the only one
    Rect start;     // the focused window, on that monitor
    Point release;  // at the monitor's left edge, root coordinates
    Rect leftHalf;  // of the monitor's visible area
};

void PrintTo(const SnapRow& row, std::ostream* os) {
    *os << row.name;
}

const SnapRow kSnapRows[] = {
    {"primary", "Primary", false, {2000, 300, 500, 400}, {1440, 500}, {1440, 0, 960, 1040}},
    {"secondary", "Secondary", false, {300, 400, 500, 300}, {0, 600}, {0, 210, 720, 870}},
    {"xlogo, which names no process", "Xlogo", true, {2000, 300, 500, 400}, {1440, 500}, {1440, 0, 960, 1040}},
};

class MouseSnapTest : public MouseTest, public ::testing::WithParamInterface<SnapRow> {};

TEST_P(MouseSnapTest, ReleasingTheLeftButtonAtAMonitorsLeftEdgeSnapsWhenSwitchedOn) {
    const SnapRow& row = GetParam();
    write("SnapToEdgeEnabled", true);
    auto window = openWindow(row.xlogo, "snap");
    x().placeFrame(window.id, row.start);
    startTilvane();
    clickAt(row.release);
    EXPECT_EQ(frame(window.id), row.leftHalf);
}

INSTANTIATE_TEST_SUITE_P(Monitors, MouseSnapTest, ::testing::ValuesIn(kSnapRows),
                         [](const auto& info) { return std::string(info.param.testName); });

struct TopStripRow {
    const char* name;
    bool primaryTopDock;  // a 24 pixel dock across the primary monitor's top
    Rect start;
    Point release;  // root coordinates
    Rect expected;
};

// The secondary monitor has a 30 pixel panel across its top: its top strip
// reaches 180 pixels down, and the primary's 174 once a dock covers its top.
const TopStripRow kTopStripRows[] = {
    {"179 under the secondary's top", false, {300, 400, 500, 300}, {700, 359}, {0, 210, 1440, 435}},
    {"180 under the secondary's top", false, {300, 400, 500, 300}, {700, 360}, {300, 400, 500, 300}},
    {"173 under the primary's top", true, {2000, 300, 500, 400}, {2400, 173}, {1440, 24, 1920, 508}},
    {"174 under the primary's top", true, {2000, 300, 500, 400}, {2400, 174}, {2000, 300, 500, 400}},
};

TEST_F(MouseTest, TheTopSnapZoneReachesBelowAPanelAcrossTheMonitorsTop) {
    write("SnapToEdgeEnabled", true);
    auto window = desktop().openWindow("top strip");
    startTilvane();
    std::unique_ptr<Process> dock;
    for (const auto& row : kTopStripRows) {
        SCOPED_TRACE(row.name);
        if (row.primaryTopDock && !dock) {
            dock = desktop().startDock({1440, 0, 1920, 24}, "top");
            ASSERT_TRUE(x().waitUntil([&] { return x().clientList().size() == 4; }));
        }
        x().placeFrame(window.id, row.start);
        clickAt(row.release);
        EXPECT_EQ(frame(window.id), row.expected);
    }
}

// Regression: snapping could not be switched off while the program ran.
TEST_F(MouseTest, SnappingCanBeSwitchedOffWhileTheProgramRuns) {
    auto window = desktop().openWindow("snap switch");
    write("SnapToEdgeEnabled", true);
    startTilvane();
    HeldInput input(x());
    const SnapRow& row = kSnapRows[0];
    for (bool on : {true, false, true}) {
        SCOPED_TRACE(on ? "on" : "off");
        write("SnapToEdgeEnabled", on);
        settle();  // the program has read the changed settings file
        x().placeFrame(window.id, row.start);
        input.moveTo(int(row.release.x), int(row.release.y));
        input.pressButton();
        input.releaseButton();
        settle();
        EXPECT_EQ(frame(window.id), on ? row.leftHalf : row.start);
    }
}

TEST_F(MouseTest, SnappingIsOffUntilSwitchedOn) {
    auto window = desktop().openWindow("no snap");
    x().placeFrame(window.id, kSnapRows[0].start);
    startTilvane();
    clickAt(kSnapRows[0].release);
    EXPECT_EQ(frame(window.id), kSnapRows[0].start);
}

}  // namespace
}  // namespace tilvane::e2e
