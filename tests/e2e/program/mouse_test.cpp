// Mouse interaction of the serving program: holding the move or the resize
// combination over a window makes the front one under the pointer follow it
// (not while a button is held), and with snapping switched on, letting go of
// the left button at a monitor's left edge puts the focused window in that
// monitor's left half, and under its top (and any panel there) in its top
// half. Windows that name no process (xlogo) are moved and snapped like the others.

#include "platform/virtual_key_codes.h"
#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;

using Settings = std::vector<std::pair<const char*, bool>>;

// The pointer goes right and down in steps, 60 × 42 pixels in all.
constexpr int kSteps = 6, kStepX = 10, kStepY = 7;

class MouseTest : public ProgramTest {
protected:
    // The combinations are read on every event; written before the start
    // they are there from the first one.
    void writeCombinations(const Settings& settings) {
        for (const char* key : {"WMoveF", "WMoveShift", "WMoveOption", "WMoveControl", "WMoveCommand", "WSizeF",
                                "WSizeShift", "WSizeOption", "WSizeControl", "WSizeCommand"})
            write(key, "bool", "false");
        for (const auto& [key, value] : settings) write(key, "bool", value ? "true" : "false");
    }
    // The pointer goes right and down in steps, each one heard.
    void dragInSteps(int steps) {
        settle();
        for (int i = 0; i < steps; ++i) {
            x().moveBy(kStepX, kStepY);
            settle();
        }
    }
};

constexpr double kTotalX = kSteps * kStepX, kTotalY = kSteps * kStepY;
const Rect kStart{1700, 300, 500, 400};
const Settings kMoveSettings{{"WindowMovingEnabled", true}, {"WMoveControl", true}, {"WMoveOption", true}};
const Settings kResizeSettings{{"WindowResizingEnabled", true}, {"WSizeControl", true}, {"WSizeCommand", true}};
const Rect kMoved{kStart.x + kTotalX, kStart.y + kTotalY, kStart.width, kStart.height};
const Rect kResized{kStart.x, kStart.y, kStart.width + kTotalX, kStart.height + kTotalY};

struct DragRow {
    const char* name;
    Client client;
    Settings settings;
    std::vector<uint16_t> modifiers;
    Point grab;  // where the pointer holds the window, from its top-left corner
    Rect expected;
    // The left button held through the drag, then let go of and the pointer moved one step more.
    bool buttonHeld = false;
};

void PrintTo(const DragRow& row, std::ostream* os) {
    *os << row.name;
}

const DragRow kDragRows[] = {
    {"Move", Client::Own, kMoveSettings, {kControl, kOption}, {100, 100}, kMoved},
    {"Resize", Client::Own, kResizeSettings, {kControl, kCommand}, {400, 300}, kResized},
    // Windows that name no process are grabbed all the same.
    {"MoveXlogo", Client::Xlogo, kMoveSettings, {kControl, kOption}, {100, 100}, kMoved},
    {"ResizeXlogo", Client::Xlogo, kResizeSettings, {kControl, kCommand}, {400, 300}, kResized},
    // Control is the move combination, and Control+drag selects text: the
    // selection must not move the window. Let go of the button, and it does,
    // keeping its place under the pointer from where it was grabbed.
    {"ModifierDragDoesNotActWhileAMouseButtonIsHeld",
     Client::Own,
     {{"WindowMovingEnabled", true}, {"WMoveControl", true}},
     {kControl},
     {100, 100},
     {kStart.x + kTotalX + kStepX, kStart.y + kTotalY + kStepY, kStart.width, kStart.height},
     true},
};

class MouseDragTest : public MouseTest, public ::testing::WithParamInterface<DragRow> {};

TEST_P(MouseDragTest, TheWindowUnderThePointerFollowsWhileTheCombinationIsHeld) {
    const DragRow& row = GetParam();
    writeCombinations(row.settings);
    // Another window in the same place, behind: the front one is grabbed.
    auto behind = desktop().openWindow("behind");
    x().placeFrame(behind.id, kStart);
    auto window = desktop().open(row.client, "drag");
    x().placeFrame(window.id, kStart);
    startTilvane();

    x().moveTo(int(kStart.x + row.grab.x), int(kStart.y + row.grab.y));
    x().pressKeys(row.modifiers);
    if (row.buttonHeld) x().pressButton();
    dragInSteps(kSteps);
    if (row.buttonHeld) {
        EXPECT_EQ(frame(window.id), kStart);
        x().releaseButton();
        dragInSteps(1);
    }
    x().releaseKeys(row.modifiers);
    settle();
    // Let go: the pointer moves on alone.
    x().moveBy(50, 50);
    settle();
    EXPECT_EQ(frame(window.id), row.expected);
    EXPECT_EQ(frame(behind.id), kStart);
}

INSTANTIATE_TEST_SUITE_P(Combinations, MouseDragTest, ::testing::ValuesIn(kDragRows),
                         [](const auto& info) { return std::string(info.param.name); });

class I3MouseTest : public MouseTest {
protected:
    Desktop::Options options() const override { return {WindowManager::I3}; }
};

// On i3 the keys and the pointer are the X server's and the windows i3's:
// the window under the pointer (found by its process) follows the drag, and
// a hot key places the window i3 tiles.
TEST_F(I3MouseTest, ADragAndAHotKeyMoveWindowsThroughI3) {
    writeCombinations(kMoveSettings);
    auto window = desktop().openWindow("drag");
    x().placeFrame(window.id, kStart);
    startTilvane();
    x().moveTo(int(kStart.x + 100), int(kStart.y + 100));
    x().pressKeys({kControl, kOption});
    dragInSteps(kSteps);
    x().releaseKeys({kControl, kOption});
    expectFrameReaches(window.id, kMoved);

    // i3 tiles the new window on the workspace with the focus, the drag's.
    auto tiled = desktop().openWindow("tiled");
    EXPECT_TRUE(pressAndWaitFor({kControl, kOption, tilvane::key::kLeftArrow}, tiled.id,
                                target(kScreenRows[1], layout::kPrimaryVisible)))
        << "the tiled window is at " << frame(tiled.id);
}

struct SnapRow {
    const char* name;
    const char* snap;  // "SnapToEdgeEnabled" written first, if any
    Rect start;        // of the focused window
    Point release;     // of the button, in root coordinates
    Rect expected;
    bool topDock = false;  // a 24 pixel dock across the primary monitor's top
    bool xlogo = false;    // the focused window is xlogo
    uint8_t button = 1;
};

const Rect kOnPrimary{2000, 300, 500, 400}, kOnSecondary{300, 400, 500, 300};

// The zones are a monitor's left edge and its top, down to 150 pixels under
// its panel there: the secondary's 30 pixel panel takes its strip to 180, a
// dock across the primary's top takes that one to 174.
const SnapRow kSnapRows[] = {
    {"off until switched on", nullptr, kOnPrimary, {1440, 500}, kOnPrimary},
    {"the primary's left edge", "true", kOnPrimary, {1440, 500}, {1440, 0, 960, 1040}},
    {"a right click there", nullptr, kOnPrimary, {1440, 500}, kOnPrimary, false, false, 3},
    {"the secondary's left edge", nullptr, kOnSecondary, {0, 600}, {0, 210, 720, 870}},
    {"179 under the secondary's top", nullptr, kOnSecondary, {700, 359}, {0, 210, 1440, 435}},
    {"180 under the secondary's top", nullptr, kOnSecondary, {700, 360}, kOnSecondary},
    {"switched off while it runs", "false", kOnPrimary, {1440, 500}, kOnPrimary},
    {"switched on again", "true", kOnPrimary, {1440, 500}, {1440, 0, 960, 1040}},
    {"173 under the primary's top, a dock there", nullptr, kOnPrimary, {2400, 173}, {1440, 24, 1920, 508}, true},
    {"174 under the primary's top, a dock there", nullptr, kOnPrimary, {2400, 174}, kOnPrimary, true},
    {"149 under the primary's top, the dock gone", nullptr, kOnPrimary, {2400, 149}, {1440, 0, 1920, 520}},
    {"xlogo, which names no process", nullptr, kOnPrimary, {1440, 500}, {1440, 0, 960, 1040}, false, true},
};

TEST_F(MouseTest, ReleasingTheLeftButtonAtAnEdgeSnapsWhileSwitchedOn) {
    TestWindow window = desktop().openWindow("snap");
    std::unique_ptr<Process> dock;
    startTilvane();
    for (const auto& row : kSnapRows) {
        SCOPED_TRACE(row.name);
        if (row.snap) write("SnapToEdgeEnabled", "bool", row.snap);
        settle();  // the program has read the changed settings file
        if (row.topDock != bool(dock)) {
            dock = row.topDock ? desktop().startDock({1440, 0, 1920, 24}, "top") : nullptr;
            ASSERT_TRUE(x().waitUntil([&] { return x().clientList().size() == (row.topDock ? 4u : 3u); }));
        }
        if (row.xlogo) window = desktop().open(Client::Xlogo, "xlogo");
        x().placeFrame(window.id, row.start);
        x().moveTo(int(row.release.x), int(row.release.y));
        x().pressButton(row.button);
        x().releaseButton(row.button);
        settle();
        EXPECT_EQ(frame(window.id), row.expected);
    }
}

}  // namespace
}  // namespace tilvane::e2e
