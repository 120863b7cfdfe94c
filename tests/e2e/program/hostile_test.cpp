// The serving program against a hostile but fair user: a burst of a thousand
// presses, windows destroyed right before or after an action starts, the
// window manager replaced or killed and restarted, a monitor removed and
// added, the program stopped and continued, and the X server killed under it.

#include <memory>
#include <random>

#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;
using namespace primary;

const std::vector<uint16_t> kNudgeLeft{kControl, kOption, kCommand, kLeft},
    kNudgeRight{kControl, kOption, kCommand, kRight};
const std::vector<uint16_t> kMaximize{kControl, kOption, kCommand, kM}, kCenter{kControl, kOption, kCommand, kC},
    kGrow{kControl, kOption, kCommand, 0x18 /* = */}, kNextDisplay{kControl, kOption, kN};

using HostileTest = ProgramTest;

TEST_F(HostileTest, ABurstOfAThousandPressesActsOnEveryPress) {
    auto window = desktop().openWindow("burst");
    startTilvane();
    x().placeFrame(window.id, kStart);
    // A walk left and right within 40 steps of 15 pixels: a lost (or doubled)
    // press shows in the end position.
    std::minstd_rand random(20240607);
    int position = 0;
    for (int press = 0; press < 1000; ++press) {
        bool right = position == 0 || (position < 40 && random() % 2 == 0);
        position += right ? 1 : -1;
        x().pressChord(right ? kNudgeRight : kNudgeLeft);
    }
    settle();
    Rect expected{kStart.x + 15 * position, kStart.y, kStart.width, kStart.height};
    expectFrameReaches(window.id, expected);
    ASSERT_TRUE(tilvane_->running());
}

TEST_F(HostileTest, WindowsDestroyedRightBeforeOrAfterAnActionStartsDoNoHarm) {
    auto survivor = desktop().openWindow("survivor");
    startTilvane();
    int round = 0;
    for (const auto* chord : {&kDefaultLeft, &kMaximize, &kCenter, &kGrow, &kNextDisplay}) {
        for (int i = 0; i < 3; ++i) {
            xcb_window_t doomed = x().createWindow("doomed " + std::to_string(++round));
            ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == doomed; }));
            // The window goes and the press comes in one go, before the window
            // manager can tell anyone; or the press reaches the program first,
            // and the window goes while the action runs.
            if (i == 0) xcb_destroy_window(x().c(), doomed);
            x().pressChord(*chord);
            if (i > 0) xcb_destroy_window(x().c(), doomed);
            x().conn().flush();
        }
    }
    settle();
    ASSERT_TRUE(tilvane_->running());
    x().activate(survivor.id);
    x().placeFrame(survivor.id, kStart);
    EXPECT_TRUE(pressAndWaitFor(kDefaultRight, survivor.id, kRightHalf)) << frame(survivor.id);

    // The one-shot command too.
    xcb_window_t doomed = x().createWindow("doomed too");
    ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == doomed; }));
    xcb_destroy_window(x().c(), doomed);
    x().conn().flush();
    std::string output;
    EXPECT_EQ(tilvane({"place", "left"}, &output), 0) << output;
}

TEST_F(HostileTest, TheWindowManagerReplacedOrKilledAndRestartedWhileServing) {
    auto window = desktop().openWindow("managed");
    startTilvane();
    for (bool replaced : {true, false}) {
        SCOPED_TRACE(replaced ? "openbox --replace" : "killed and started again");
        std::string failure;
        if (!replaced) desktop().stopWindowManager(SIGKILL);
        ASSERT_TRUE(replaced ? desktop().replaceWindowManager(failure) : desktop().restartWindowManager(failure))
            << failure;
        x().activate(window.id);
        // Right after a new window manager takes the windows, a busy machine has
        // seen the first press place the window on the other monitor now and then;
        // what must hold is that the hot keys act again.
        bool acted = false;
        for (int attempt = 0; attempt < 5 && !acted; ++attempt) {
            x().placeFrame(window.id, kStart);
            pressAndSettle(replaced ? kDefaultLeft : kDefaultRight);
            acted = x().waitUntil([&] { return frame(window.id) == (replaced ? kLeftHalf : kRightHalf); }, 1s);
        }
        EXPECT_TRUE(acted) << frame(window.id);
    }
    ASSERT_TRUE(tilvane_->running());
}

// Xvfb sends no RandR notification; the root window's ConfigureNotify tells of the change.
TEST_F(HostileTest, AMonitorRemovedAndAddedWhileServing) {
    auto window = desktop().openWindow("monitors");
    startTilvane();
    const Rect topLeftCell{1440, 0, 640, 520};
    const struct {
        const char* name;
        std::vector<std::pair<std::string, Rect>> monitors;
        Rect expected;  // the top-left cell of the primary monitor, on the next display
    } rows[] = {
        {"the second monitor removed", {{"A", layout::kPrimary}}, topLeftCell},
        {"and added again", {{"A", layout::kPrimary}, {"B", layout::kSecondary}}, {0, 210, 480, 435}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(desktop().setMonitors(row.monitors));
        x().placeFrame(window.id, topLeftCell);
        settle();
        EXPECT_TRUE(pressAndWaitFor(kNextDisplay, window.id, row.expected)) << frame(window.id);
    }
}

TEST_F(HostileTest, StoppedAndContinuedItCatchesUp) {
    auto window = desktop().openWindow("stopped");
    startTilvane();
    x().placeFrame(window.id, kStart);
    tilvane_->signal(SIGSTOP);
    x().pressChord(kMaximize);
    x().pressChord(kDefaultLeft);
    x().syncWindowManager();
    EXPECT_EQ(frame(window.id), kStart);
    tilvane_->signal(SIGCONT);
    settle();
    expectFrameReaches(window.id, kLeftHalf);
}

// Nothing but the server and the program.
class HostileBareDesktopTest : public ProgramTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }
};

TEST_F(HostileBareDesktopTest, TheXServerKilledEndsItWithStatusOneAndOneLine) {
    startTilvane();
    // The program announces itself once it serves; that line is not the one counted.
    ASSERT_TRUE(x().waitUntil([&] { return tilvane_->log().find("serving display") != std::string::npos; }));
    std::string before = tilvane_->log();
    desktop().killServer();
    EXPECT_EQ(tilvane_->waitFor(1s), 1);
    std::string after = tilvane_->log().substr(before.size());
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 1) << after;
    EXPECT_NE(after.find("the connection to display " + desktop().display() + " broke"), std::string::npos) << after;
}

}  // namespace
}  // namespace tilvane::e2e
