// The program in a real sway session: every placement on both outputs
// inside what the bars leave free, the hot keys as sway's bindings (those
// the user's configuration binds are said to be taken, and none is left
// behind when the program ends), and one serving program per session.

#include <gtest/gtest.h>

#include <csignal>

#include "harness/desktop.h"
#include "harness/placement_rows.h"
#include "harness/sway_session.h"
#include "platform/linux/linux_run_loop.h"
#include "platform/sway/sway_backend.h"
#include "platform/sway/sway_tree.h"

namespace tilvane::e2e {
namespace {

using namespace std::chrono_literals;
using sway::IpcConnection;

class SwayTest : public SwaySessionTest {
protected:
    void expectFrameReaches(int64_t window, const Rect& expected) {
        EXPECT_TRUE(sway().frameReaches(window, expected));
    }
    // Puts the window at the frame, and waits until it holds there: a busy
    // client may take longer than sway's transaction to draw the new size.
    void placeFrame(int64_t window, const Rect& frame) {
        ASSERT_TRUE(sway().command(sway::setFrameCommand(window, frame)));
        ASSERT_TRUE(sway().frameReaches(window, frame));
    }
    void place(const std::string& action) {
        std::string output;
        ASSERT_EQ(sway().run({tilvaneBinary(), "place", action}, &output), 0) << output;
    }
};

TEST_F(SwayTest, EveryPlacementLandsOnBothOutputsClearOfTheBars) {
    auto window = sway().openWindow("placement");
    ASSERT_TRUE(window);
    for (const Rect& output : {SwaySession::kFirst, SwaySession::kSecond}) {
        Rect v = sway().usable(output);
        ASSERT_GT(v.y, output.y) << "the bar leaves no room";
        Rect start{v.x + 100, v.y + 100, 500, 400};
        auto placedFromStart = [&](const char* action, const Rect& expected) {
            SCOPED_TRACE(std::string(action) + " at " + std::to_string(int(v.x)));
            placeFrame(*window, start);
            place(action);
            expectFrameReaches(*window, expected);
            // Top again on the top half fills the usable area.
            if (std::string_view(action) == "top") {
                place("top");
                expectFrameReaches(*window, v);
            }
        };
        for (const auto& row : kScreenRows) placedFromStart(row.action, target(row, v));
        for (const auto& row : kWindowRows)
            placedFromStart(row.action, Rect{start.x + row.dx, start.y + row.dy, start.width + row.dwidth,
                                             start.height + row.dheight});
    }
    // The next display, keeping the window's cell of its screen's grid (a
    // third wide, half high) in proportion to the screens.
    Rect first = sway().usable(SwaySession::kFirst), second = sway().usable(SwaySession::kSecond);
    Rect cell = pixelRect({first.x, first.y, first.width / 3, first.height / 2});
    placeFrame(*window, cell);
    place("next-display");
    expectFrameReaches(*window, pixelRect({second.x, second.y, cell.width * second.width / first.width,
                                           cell.height * second.height / first.height}));
}

// The Space moves go through the workspaces of the window's output, wrapping
// at the ends; the view and the focus go with the window. (sway keeps a
// workspace only while it holds a window or is shown.)
TEST_F(SwayTest, NextAndPreviousSpaceTakeTheWindowThroughItsOutputsWorkspaces) {
    ASSERT_TRUE(sway().openWindow("keeping workspace 1"));
    auto window = sway().openWindow("travelling");
    ASSERT_TRUE(window);
    ASSERT_TRUE(sway().command("workspace 3"));
    ASSERT_TRUE(sway().openWindow("staying"));
    ASSERT_TRUE(sway().command("workspace 1; [con_id=" + std::to_string(*window) + "] focus"));
    for (const auto& [action, workspace] : {std::pair{"next-space", "3"}, {"next-space", "1"}, {"prev-space", "3"}}) {
        SCOPED_TRACE(std::string(action) + " to " + workspace);
        place(action);
        EXPECT_EQ(sway().workspaceOf(*window), workspace);
        EXPECT_EQ(sway().focusedWorkspace(), workspace);
        EXPECT_EQ(sway().focusedWindow(), *window);
    }
}

TEST_F(SwayTest, HotKeysAreBindingsTheUsersOwnAreLeftAloneAndNoneOutlivesTheProgram) {
    auto window = sway().openWindow("hot keys");
    ASSERT_TRUE(window);
    startServing({tilvaneBinary(), "serve"});
    Rect v = sway().usable(SwaySession::kFirst);
    placeFrame(*window, {v.x + 100, v.y + 100, 500, 400});
    sway().press({"ctrl", "alt"}, "Right");
    EXPECT_TRUE(SwaySession::waitUntil([&] {
        return sway().frame(*window) == pixelRect({v.x + v.width / 2, v.y, v.width / 2, v.height});
    }));
    // A reload of sway's configuration drops the bindings made while it ran: they are made again.
    ASSERT_TRUE(sway().command("reload"));
    // (Once sway has put the bar back: without it the whole output is usable.)
    ASSERT_TRUE(SwaySession::waitUntil([&] { return sway().usable(SwaySession::kFirst) == v; }));
    sway().press({"ctrl", "alt"}, "Up");
    EXPECT_TRUE(SwaySession::waitUntil([&] {
        return sway().frame(*window) == pixelRect({v.x, v.y, v.width, v.height / 2});
    })) << "no shortcut acts after sway reloaded its configuration";

    // The configuration binds Ctrl+Alt+Left itself: said, and not bound over.
    EXPECT_NE(program_->log().find("holds the shortcuts of LeftShortcut"), std::string::npos) << program_->log();
    std::string shortcuts;
    EXPECT_EQ(sway().run({tilvaneBinary(), "shortcuts"}, &shortcuts), 0);
    EXPECT_NE(shortcuts.find("Ctrl+Alt+Left ctrl+alt+Left (held by another program)"), std::string::npos) << shortcuts;

    // One serving program per session.
    std::string output;
    EXPECT_EQ(sway().run({tilvaneBinary(), "serve"}, &output), 1);
    EXPECT_NE(output.find("already running on sway"), std::string::npos) << output;
    EXPECT_EQ(sway().run({tilvaneBinary(), "preferences"}, &output), 1);
    EXPECT_NE(output.find("has no preferences window"), std::string::npos) << output;

    // Ended, the program leaves no binding behind: the right half's keys run
    // nothing of it before the user's own binding that follows them does.
    program_->signal(SIGTERM);
    EXPECT_EQ(program_->wait(), 0);
    auto events = sway().listenToBindings();
    ASSERT_TRUE(events);
    sway().press({"ctrl", "alt"}, "Right");
    sway().press({"ctrl", "alt"}, "Left");
    auto commands = SwaySession::bindingsRun(
        *events, [](const auto& run) { return !run.empty() && run.back() == "nop the user's own"; });
    EXPECT_EQ(commands, std::vector<std::string>{"nop the user's own"});
}

// While a shortcut is recorded sway is in a binding mode of the program's
// that holds back the user's bindings, so that their combinations reach the
// recorder; the mode ends with the recording, also when the program ends.
TEST_F(SwayTest, WhileAShortcutIsRecordedTheUsersBindingsAreHeldBack) {
    ::setenv("SWAYSOCK", sway().socketPath().c_str(), 1);
    std::string error;
    auto backend = sway::SwayDesktopBackend::open(error);
    ASSERT_TRUE(backend) << error;
    auto events = sway().listenToBindings();
    ASSERT_TRUE(events);
    linux_platform::LinuxRunLoop loop;
    std::optional<bool> everyKey;
    backend->captureKeyboard(
        loop, [](const DesktopBackend::CapturedKey&) {}, [&](bool all) { everyKey = all; });
    EXPECT_EQ(everyKey, false) << "the recorder's window takes the keys itself";
    EXPECT_EQ(sway().mode(), sway::SwayDesktopBackend::kRecordingMode);
    sway().press({"ctrl", "alt"}, "Left");
    backend->releaseKeyboard();
    EXPECT_EQ(sway().mode(), "default");
    // The press while recording ran nothing: the first binding run is the one pressed after.
    ASSERT_TRUE(sway().command("bindsym Ctrl+Mod1+Down nop after the recording"));
    sway().press({"ctrl", "alt"}, "Down");
    auto ran = SwaySession::bindingsRun(*events, [](const auto& run) { return !run.empty(); });
    EXPECT_EQ(ran, std::vector<std::string>{"nop after the recording"});

    backend->captureKeyboard(
        loop, [](const DesktopBackend::CapturedKey&) {}, [](bool) {});
    EXPECT_EQ(sway().mode(), sway::SwayDesktopBackend::kRecordingMode);
    backend.reset();
    EXPECT_EQ(sway().mode(), "default");
}

}  // namespace
}  // namespace tilvane::e2e
