// The serving program on a real desktop: its default hot keys move the
// focused window, the switch and changed shortcuts take effect while it runs,
// a combination another program holds is left to it, a window that vanishes
// does no harm, one instance serves a display, and SIGTERM ends it in order.

#include <functional>
#include <sstream>

#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;
using namespace primary;

constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

struct ChordRow {
    const char* action;
    std::vector<uint16_t> chord;
    Rect frame;
};

// A few of the defaults, each with another set of modifiers.
const ChordRow kDefaults[] = {
    {"left", {kControl, kOption, kLeft}, kLeftHalf},
    {"right", {kControl, kOption, kRight}, kRightHalf},
    {"top", {kControl, kOption, kUp}, {kVisible.x, kVisible.y, kVisible.width, kVisible.height / 2}},
    {"bottom", {kControl, kOption, kDown}, {kVisible.x, 520, kVisible.width, kVisible.height / 2}},
    {"top-left", {kControl, kCommand, kLeft}, {kVisible.x, kVisible.y, 960, 520}},
    {"bottom-right", {kShift, kControl, kRight}, {kVisible.x + 960, 520, 960, 520}},
    {"maximize", {kControl, kOption, kCommand, kM}, kVisible},
    {"center", {kControl, kOption, kCommand, kC}, {kVisible.x + 480, 260, 960, 520}},
};

using ServingTest = ProgramTest;

TEST_F(ServingTest, TheDefaultHotKeysActWhileItRuns) {
    auto window = desktop().openWindow("hot keys");
    startTilvane();
    for (const auto& row : kDefaults) {
        SCOPED_TRACE(row.action);
        x().placeFrame(window.id, kStart);
        pressAndSettle(row.chord);
        EXPECT_EQ(frame(window.id), row.frame);
    }
    // On the other monitor too, inside the panel's strut.
    x().placeFrame(window.id, {100, 400, 500, 300});
    pressAndSettle({kControl, kOption, kRight});
    const Rect& v = layout::kSecondaryVisible;
    EXPECT_EQ(frame(window.id), (Rect{v.x + v.width / 2, v.y, v.width / 2, v.height}));
}

TEST_F(ServingTest, AWindowChangedByOthersBetweenTwoPressesIsPlacedFromWhereItIs) {
    // The program keeps the active window's frame from one press to the next
    // while the server reports no change; every change must reach it.
    auto window = desktop().openWindow("changed by others");
    x().placeFrame(window.id, kStart);
    startTilvane();
    pressAndSettle({kControl, kOption, kLeft});
    ASSERT_EQ(frame(window.id), kLeftHalf);
    const Rect& secondary = layout::kSecondaryVisible;
    struct Row {
        const char* name;
        std::function<void()> change;
        std::vector<uint16_t> chord;
        Rect frame;
    };
    const Row rows[] = {
        {"moved to the other monitor",
         [&] {
             x().placeFrame(window.id, {100, 400, 500, 300});
         },
         {kControl, kOption, kRight},
         {secondary.x + secondary.width / 2, secondary.y, secondary.width / 2, secondary.height}},
        {"maximized on the primary monitor",
         [&] {
             x().placeFrame(window.id, kStart);
             x().setMaximized(window.id, true);
         },
         {kControl, kOption, kLeft},
         kLeftHalf},
        {"moved a little", [&] { x().placeFrame(window.id, kStart); }, {kControl, kOption, kRight}, kRightHalf},
        {"moved to the other monitor and not pressed for",
         [&] {
             x().placeFrame(window.id, {200, 500, 400, 300});
         },
         {kControl, kOption, kLeft},
         {secondary.x, secondary.y, secondary.width / 2, secondary.height}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        pressAndSettle(row.chord);
        EXPECT_EQ(frame(window.id), row.frame);
    }
}

// Switched off, the shortcuts are let go of: the combinations reach the
// other programs (Ctrl+Shift+Left selects a word in every editor).
TEST_F(ServingTest, SwitchingShortcutsOffLetsGoOfTheKeysWhilePlaceStillActs) {
    auto window = desktop().openWindow("switch");
    startTilvane();
    x().placeFrame(window.id, kStart);
    auto other = XClient::connect(desktop().display());
    ASSERT_FALSE(other->grabKey(kLeft, kXControlAlt));
    ASSERT_EQ(tilvane({"defaults", "write", "EnableShotcuts", "-bool", "false"}), 0);
    EXPECT_TRUE(x().waitUntil([&] {
        bool free = other->grabKey(kLeft, kXControlAlt);
        if (free) other->ungrabKey(kLeft, kXControlAlt);
        return free;
    })) << "the combination stayed grabbed";
    pressAndSettle({kControl, kOption, kLeft});
    EXPECT_EQ(frame(window.id), kStart);
    place("left");
    EXPECT_EQ(frame(window.id), kLeftHalf);

    ASSERT_EQ(tilvane({"defaults", "write", "EnableShotcuts", "-bool", "true"}), 0);
    EXPECT_TRUE(x().waitUntil([&] {
        x().pressChord({kControl, kOption, kRight});
        if (!x().pingSelectionOwner(kSelection)) return false;
        x().syncWindowManager();
        return frame(window.id) == kRightHalf;
    })) << tilvane_->log();
    EXPECT_FALSE(other->grabKey(kLeft, kXControlAlt));
}

TEST_F(ServingTest, AShortcutChangedWhileItRunsTakesEffect) {
    auto window = desktop().openWindow("changed");
    startTilvane();
    x().placeFrame(window.id, kStart);
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts", "set", "left", "shift+ctrl+j"}, &output), 0) << output;
    // The program hears of the change through the settings file; until it
    // has grabbed the new combination, a press goes to the window instead.
    bool acted = x().waitUntil([&] {
        x().pressChord({kShift, kControl, kJ});
        if (!x().pingSelectionOwner(kSelection)) return false;
        x().syncWindowManager();
        return frame(window.id) == kLeftHalf;
    });
    EXPECT_TRUE(acted) << tilvane_->log();

    // The old combination is free again and does nothing.
    place("right");
    pressAndSettle({kControl, kOption, kLeft});
    EXPECT_EQ(frame(window.id), kRightHalf);
    auto other = XClient::connect(desktop().display());
    EXPECT_TRUE(other->grabKey(kLeft, kXControlAlt));
}

// Another program's combination stays its own, and Tilvane says so: one line
// when it starts, and `tilvane shortcuts` whether it runs or not.
TEST_F(ServingTest, ACombinationAnotherProgramHoldsStaysItsOwnIsSaidAndTheRestWork) {
    auto other = XClient::connect(desktop().display());
    ASSERT_TRUE(other->grabKey(kLeft, kXControlAlt));
    auto shortcutsSay = [&](const std::string& key) {
        std::string output;
        tilvane({"shortcuts"}, &output);
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(key + " ", 0) == 0) return line;
        return std::string("no line for ") + key;
    };
    const std::string kHeld = "held by another program";
    EXPECT_NE(shortcutsSay("LeftShortcut").find(kHeld), std::string::npos);
    EXPECT_EQ(shortcutsSay("RightShortcut").find(kHeld), std::string::npos);

    auto window = desktop().openWindow("taken");
    startTilvane();
    x().placeFrame(window.id, kStart);
    EXPECT_NE(shortcutsSay("LeftShortcut").find(kHeld), std::string::npos);
    EXPECT_EQ(shortcutsSay("RightShortcut").find(kHeld), std::string::npos);
    std::string log = tilvane_->log();
    auto said = log.find("holds the shortcuts of LeftShortcut;");
    EXPECT_NE(said, std::string::npos) << log;
    EXPECT_EQ(log.find("holds the shortcuts", said + 1), std::string::npos) << log;

    pressAndSettle({kControl, kOption, kLeft});
    EXPECT_EQ(frame(window.id), kStart);
    bool otherHeardIt =
        other->conn().waitForEvent([](const xcb_generic_event_t& e) { return x11::eventType(e) == XCB_KEY_PRESS; },
                                   std::chrono::steady_clock::now() + 10s);
    EXPECT_TRUE(otherHeardIt);

    pressAndSettle({kControl, kOption, kRight});
    EXPECT_EQ(frame(window.id), kRightHalf);
}

TEST_F(ServingTest, AWindowThatVanishesJustBeforeAnActionDoesNoHarm) {
    auto survivor = desktop().openWindow("survivor");
    startTilvane();
    xcb_window_t doomed = x().createWindow("doomed");
    ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == doomed; }));
    // The press reaches the program while the window manager still names the window active.
    x().destroyAndPress(doomed, {kControl, kOption, kLeft});
    settle();
    ASSERT_TRUE(tilvane_->running()) << tilvane_->log();

    x().activate(survivor.id);
    x().placeFrame(survivor.id, kStart);
    pressAndSettle({kControl, kOption, kRight});
    EXPECT_EQ(frame(survivor.id), kRightHalf);

    // The one-shot command too.
    doomed = x().createWindow("doomed too");
    ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == doomed; }));
    xcb_destroy_window(x().c(), doomed);
    x().conn().flush();
    std::string output;
    EXPECT_EQ(tilvane({"place", "left"}, &output), 0) << output;
}

TEST_F(ServingTest, SigtermReleasesTheGrabsAndEndsInOrder) {
    startTilvane();
    auto other = XClient::connect(desktop().display());
    EXPECT_FALSE(other->grabKey(kLeft, kXControlAlt));
    tilvane_->signal(SIGTERM);
    EXPECT_EQ(tilvane_->wait(), 0) << tilvane_->log();
    EXPECT_TRUE(other->grabKey(kLeft, kXControlAlt));
    EXPECT_EQ(x().selectionOwner(kSelection), XCB_WINDOW_NONE);
}

TEST_F(ServingTest, OneInstanceServesADisplay) {
    startTilvane();
    std::string output;
    EXPECT_EQ(tilvane({}, &output), 1);
    EXPECT_NE(output.find("already running"), std::string::npos) << output;
    EXPECT_TRUE(tilvane_->running());

    auto environment = desktop().environment();
    environment["DISPLAY"] = "";
    auto noDisplay = Process::spawn({tilvaneBinary()}, environment, desktop().folder() + "/no-display.log");
    ASSERT_TRUE(noDisplay);
    EXPECT_EQ(noDisplay->wait(), 1);
    EXPECT_NE(noDisplay->log().find("no X display"), std::string::npos) << noDisplay->log();
}

TEST_F(ServingTest, AFirstLaunchWritesTheSettings) {
    startTilvane();
    std::string output;
    ASSERT_EQ(tilvane({"defaults", "read", "EnableShotcuts"}, &output), 0);
    EXPECT_EQ(output, "1\n");
    ASSERT_EQ(tilvane({"defaults", "read", "WindowMovingEnabled"}, &output), 0);
    EXPECT_EQ(output, "0\n");
    ASSERT_EQ(tilvane({"shortcuts", "list"}, &output), 0);
    EXPECT_NE(output.find("LeftShortcut"), std::string::npos) << output;
    EXPECT_EQ(output.find("(none)"), std::string::npos) << output;
}

// The desktops that take some of the default shortcuts for themselves, and
// what Tilvane says of them when it starts: the one line of `tilvane serve`.
struct HeldDefaultsRow {
    const char* name;
    WindowManager manager;
    std::vector<std::string> held;
};

void PrintTo(const HeldDefaultsRow& row, std::ostream* os) {
    *os << row.name;
}

class HeldDefaultsTest : public ProgramTest, public testing::WithParamInterface<HeldDefaultsRow> {
protected:
    Desktop::Options options() const override { return {GetParam().manager}; }
};

TEST_P(HeldDefaultsTest, TheDefaultsTheWindowManagerHoldsAreNamedWhenItStarts) {
    startTilvane();
    settle();
    std::string log = tilvane_->log();
    auto line = log.find("holds the shortcuts of ");
    if (GetParam().held.empty()) {
        EXPECT_EQ(line, std::string::npos) << log;
        return;
    }
    ASSERT_NE(line, std::string::npos) << log;
    std::string named = log.substr(line, log.find('\n', line) - line);
    for (const auto& key : GetParam().held) EXPECT_NE(named.find(key), std::string::npos) << key << ": " << named;
}

const HeldDefaultsRow kHeldDefaultsRows[] = {
    // The tests' openbox leaves Control+Alt+arrows free (its own default binds them).
    {"openbox", WindowManager::Openbox, {}},
    {"xfwm4", WindowManager::Xfwm4, {"LeftShortcut", "RightShortcut", "TopShortcut", "BottomShortcut"}},
    {"metacity", WindowManager::Metacity, {"LeftShortcut", "RightShortcut", "TopShortcut", "BottomShortcut"}},
    {"marco", WindowManager::Marco, {"LeftShortcut", "RightShortcut", "TopShortcut", "BottomShortcut"}},
};

INSTANTIATE_TEST_SUITE_P(Desktops, HeldDefaultsTest, testing::ValuesIn(kHeldDefaultsRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tilvane::e2e
