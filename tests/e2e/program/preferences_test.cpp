// The preferences window of the desktop application on a private desktop:
// opened from the tray menu, a shortcut recorded with real keys (through the
// program's keyboard grab, past the hot keys), the file written, the hot key
// moved at once; a combination another program holds is explained and
// recording goes on; the window's pane and place survive a restart.

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "program/tray_test.h"

namespace tilvane::e2e {
namespace {

namespace vk {
inline constexpr uint16_t kH = 0x04, kK = 0x28, kQ = 0x0C, kTab = 0x30, kSpace = 0x31, kEscape = 0x35;
}

class PreferencesTest : public TrayTest {
protected:
    // Opens the preferences window from the tray menu (five entries up from
    // the top: Quit, Contact Support, About, Check for Updates, Preferences)
    // and waits until it has the keyboard.
    xcb_window_t openPreferencesFromTheMenu() {
        openMenu();
        for (int i = 0; i < 5; ++i) x().pressChord({key::kUp});
        x().pressChord({kReturn});
        return waitForActivePreferences();
    }

    xcb_window_t waitForActivePreferences() {
        std::optional<xcb_window_t> window;
        bool active = x().waitUntil(
            [&] {
                window = x().windowTitled("Preferences");
                return window && x().activeWindow() == window;
            },
            20s);
        EXPECT_TRUE(active) << "no active preferences window:\n" << tilvane_->log();
        return window.value_or(XCB_WINDOW_NONE);
    }

    // The stored shortcut of a key as `tilvane shortcuts` words it, once it is
    // what the test waits for (or after a few seconds, whatever it is then).
    std::string shortcutOf(const std::string& key, const std::string& awaited) {
        std::string line;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string output;
            tilvane({"shortcuts"}, &output);
            line.clear();
            std::istringstream lines(output);
            for (std::string l; std::getline(lines, l);)
                if (l.rfind(key + " ", 0) == 0) line = l;
            if (line.find(awaited) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return line;
    }

    // Starts recording with the keyboard: the first recorder (Split View) has
    // the focus, and Tab goes row by row through the two columns (Left 1/3,
    // Top Left, Center 1/3, Left); returns once the program holds the
    // keyboard, so that what is typed next reaches the recorder.
    void recordLeft() {
        for (int step = 0; step < 4; ++step) x().pressChord({vk::kTab});
        x().pressChord({vk::kSpace});
        ASSERT_TRUE(x().waitUntil([&] { return keyboardGrabbedElsewhere(); })) << "recording did not start";
    }

    // Whether another client holds the keyboard: a grab of the test's own is refused.
    bool keyboardGrabbedElsewhere() {
        x11::XPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
            x().c(),
            xcb_grab_keyboard(x().c(), 0, x().root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS) {
            xcb_ungrab_keyboard(x().c(), XCB_CURRENT_TIME);
            x().conn().roundTrip();
            return false;
        }
        return reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    }

    // The program's alert is a window the window manager manages, titled with the program's name.
    bool alertShown() { return x().windowTitled("Tilvane").has_value(); }

    static constexpr uint16_t kReturn = 0x24;
    // Quits the program while a shortcut is recorded.
    static constexpr uint16_t kQuitModifier = key::kControl;
};

TEST_F(PreferencesTest, ARecordedShortcutIsStoredAndActsOnceTheWindowIsNoLongerActive) {
    startTray();
    ASSERT_EQ(tilvane({"defaults", "write", "Preferences Selected Identifier View", "-string", "Shortcuts"}), 0);
    startApplication();
    auto window = desktop().openWindow("placed");
    x().placeFrame(window.id, {1600, 200, 700, 500});

    xcb_window_t preferences = openPreferencesFromTheMenu();
    ASSERT_NE(preferences, XCB_WINDOW_NONE);
    recordLeft();
    desktop().run({"import", "-window", "root", desktop().folder() + "/recording.png"});
    x().pressChord({key::kControl, key::kOption, key::kCommand, vk::kH});
    EXPECT_NE(shortcutOf("LeftShortcut", "ctrl+alt+super+h").find("ctrl+alt+super+h"), std::string::npos);

    // While the window is active the hot keys do nothing.
    pressAndSettle({key::kControl, key::kOption, key::kCommand, vk::kH});
    EXPECT_EQ(frame(window.id), (Rect{1600, 200, 700, 500}));

    // Another window takes the keyboard: the new combination acts, the old one no longer does.
    x().activate(window.id);
    settle();
    EXPECT_TRUE(
        pressAndWaitFor({key::kControl, key::kOption, key::kRight}, window.id, pixelRect({2400, 0, 960, 1040})));
    pressAndSettle({key::kControl, key::kOption, key::kLeft});
    EXPECT_EQ(frame(window.id), pixelRect({2400, 0, 960, 1040}));
    EXPECT_TRUE(pressAndWaitFor({key::kControl, key::kOption, key::kCommand, vk::kH}, window.id,
                                pixelRect({1440, 0, 960, 1040})));
    openMenu("tray-menu-new-shortcut.png");
    x().pressChord({vk::kEscape});
}

TEST_F(PreferencesTest, ACombinationAnotherProgramHoldsIsExplainedAndRecordingGoesOn) {
    startTray();
    ASSERT_EQ(tilvane({"defaults", "write", "Preferences Selected Identifier View", "-string", "Shortcuts"}), 0);
    startApplication();
    // Another program holds Control+Shift+Super+K.
    constexpr uint16_t kControlShiftSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    ASSERT_TRUE(x().grabKey(vk::kK, kControlShiftSuper));

    ASSERT_NE(openPreferencesFromTheMenu(), XCB_WINDOW_NONE);
    recordLeft();
    x().pressChord({key::kControl, key::kShift, key::kCommand, vk::kK});
    ASSERT_TRUE(x().waitUntil([&] { return alertShown(); })) << tilvane_->log();
    desktop().run({"import", "-window", "root", desktop().folder() + "/alert.png"});
    // While the alert is up the keyboard is the alert's.
    EXPECT_FALSE(keyboardGrabbedElsewhere());
    x().pressChord({kReturn});
    ASSERT_TRUE(x().waitUntil([&] { return !alertShown(); }));

    // Still recording: the next combination is taken.
    ASSERT_TRUE(x().waitUntil([&] { return keyboardGrabbedElsewhere(); })) << "recording did not go on";
    x().pressChord({key::kControl, key::kOption, key::kCommand, vk::kH});
    EXPECT_NE(shortcutOf("LeftShortcut", "ctrl+alt+super+h").find("ctrl+alt+super+h"), std::string::npos);
    x().ungrabKey(vk::kK, kControlShiftSuper);
}

// The program hears that its window lost the keyboard a moment after the
// window manager moved it. A click on the tray icon in that moment opens a
// menu that stays open and acts. (The program is stopped while the focus
// moves, so that it hears of it just before the click, as on a slow machine.)
TEST_F(PreferencesTest, AClickOnTheIconRightAfterLeavingThePreferencesOpensAMenuThatActs) {
    startTray();
    startApplication();
    auto window = desktop().openWindow("next");
    x().placeFrame(window.id, {1600, 200, 700, 500});
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    ASSERT_NE(preferences, XCB_WINDOW_NONE);
    // The window has the keyboard, and the program has done what showing it started.
    ASSERT_TRUE(x().waitUntil([&] { return focusedWindow() == preferences; }));
    settle();
    openMenu({}, [&](const std::function<void()>& click) {
        tilvane_->signal(SIGSTOP);
        x().activate(window.id);
        tilvane_->signal(SIGCONT);
        click();
    });
    settle();
    choose(kLeft);
    expectFrameReaches(window.id, pixelRect({1440, 0, 960, 1040}));
}

// A hot key pressed the moment the preferences window has the keyboard again
// leaves it where it is; pressed in another window, it acts.
TEST_F(PreferencesTest, AHotKeyRightAfterThePreferencesWindowIsBackLeavesItAlone) {
    startApplication();
    auto window = desktop().openWindow("other");
    x().placeFrame(window.id, {1600, 200, 700, 500});
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    ASSERT_NE(preferences, XCB_WINDOW_NONE);
    x().activate(window.id);
    settle();
    Rect before = frame(preferences);
    x().activate(preferences);
    x().pressChord(key::kDefaultLeft);
    x().activate(window.id);
    EXPECT_TRUE(pressAndWaitFor(key::kDefaultRight, window.id, primary::kRightHalf));
    EXPECT_EQ(frame(preferences), before);
}

// Without a notification service the tray icon's message says that another
// program holds a shortcut; a click on it opens the Shortcuts pane.
TEST_F(PreferencesTest, AShortcutAnotherProgramHoldsIsSaidInTheTraysMessageWhichOpensTheShortcuts) {
    ASSERT_TRUE(x().grabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    startTray();
    startApplication();
    std::optional<xcb_window_t> message;
    ASSERT_TRUE(x().waitUntil([&] { return (message = openMenuWindow()).has_value(); }, 20s)) << "no message:\n"
                                                                                              << tilvane_->log();
    desktop().run({"import", "-window", "root", desktop().folder() + "/held-elsewhere.png"});
    Point centre = centreOf(*message);
    HeldInput input(x());
    input.moveTo(int(centre.x), int(centre.y));
    input.pressButton();
    input.releaseButton();
    ASSERT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
    std::string selected;
    tilvane({"defaults", "read", "Preferences Selected Identifier View"}, &selected);
    EXPECT_EQ(selected, "Shortcuts\n");
    x().ungrabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
}

// Recording ends with its window's keyboard: the grab goes, and the next
// chord typed anywhere is not taken for the shortcut.
TEST_F(PreferencesTest, RecordingEndsWhenItsWindowClosesOrAnotherWindowIsActivated) {
    struct Row {
        const char* name;
        bool close;
    } rows[] = {{"the window closed", true}, {"another window activated", false}};
    startTray();
    ASSERT_EQ(tilvane({"defaults", "write", "Preferences Selected Identifier View", "-string", "Shortcuts"}), 0);
    startApplication();
    auto window = desktop().openWindow("elsewhere");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        xcb_window_t preferences = openPreferencesFromTheMenu();
        ASSERT_NE(preferences, XCB_WINDOW_NONE);
        recordLeft();
        if (row.close)
            x().conn().sendRootMessage(preferences, x().atom("_NET_CLOSE_WINDOW"), {XCB_CURRENT_TIME, 2, 0, 0, 0});
        else
            x().activate(window.id);
        EXPECT_TRUE(x().waitUntil([&] { return !keyboardGrabbedElsewhere(); })) << "the keyboard stayed grabbed";
        pressAndSettle({key::kControl, key::kOption, key::kCommand, vk::kH});
        std::string output;
        tilvane({"shortcuts"}, &output);
        EXPECT_EQ(output.find("ctrl+alt+super+h"), std::string::npos) << output;
    }
}

// Quitting while a shortcut is recorded ends in order: status 0, every grab let go.
TEST_F(PreferencesTest, EndingWhileRecordingExitsCleanlyAndLetsGoOfTheKeyboard) {
    struct Row {
        const char* name;
        bool quitKey;
    } rows[] = {{"SIGTERM", false}, {"the quit key", true}};
    ASSERT_EQ(tilvane({"defaults", "write", "Preferences Selected Identifier View", "-string", "Shortcuts"}), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startApplication();
        ASSERT_EQ(tilvane({"preferences"}), 0);
        ASSERT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
        recordLeft();
        if (row.quitKey)
            x().pressChord({kQuitModifier, vk::kQ});
        else
            tilvane_->signal(SIGTERM);
        EXPECT_EQ(tilvane_->wait(), 0) << tilvane_->log();
        EXPECT_FALSE(keyboardGrabbedElsewhere());
        EXPECT_TRUE(x().grabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        x().ungrabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    }
}

// Autostart and a start by hand at the same moment: one serves, the other
// says so and ends (showing the running one's preferences when asked to),
// and the display never stops answering.
TEST_F(PreferencesTest, TwoStartedAtOnceOneServesAndTheDisplayKeepsAnswering) {
    struct Row {
        std::vector<std::string> args;
        int loserStatus;
    } rows[] = {{{}, 1}, {{"preferences"}, 0}};
    startTray();
    int started = 0;
    for (const auto& row : rows) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE("tilvane " + (row.args.empty() ? std::string() : row.args[0]) + ", round " +
                         std::to_string(round));
            std::vector<std::string> argv{tilvaneBinary()};
            argv.insert(argv.end(), row.args.begin(), row.args.end());
            std::unique_ptr<Process> both[2];
            for (auto& process : both) process = desktop().start(argv, "twice-" + std::to_string(started++) + ".log");
            // Neither waiting on the display: the loser ends on its own.
            std::optional<int> status;
            int loser = -1;
            x().waitUntil(
                [&] {
                    for (int i = 0; i < 2 && loser < 0; ++i)
                        if ((status = both[i]->waitFor(0ms))) loser = i;
                    return loser >= 0;
                },
                60s);
            EXPECT_TRUE(x().windowManagerAnswers(10s)) << "the display stopped answering";
            ASSERT_GE(loser, 0) << "neither ended:\n" << both[0]->log() << both[1]->log();
            EXPECT_EQ(*status, row.loserStatus) << both[loser]->log();
            EXPECT_NE(both[loser]->log().find("already running"), std::string::npos) << both[loser]->log();
            tilvane_ = std::move(both[1 - loser]);
            EXPECT_TRUE(tilvane_->running());
            EXPECT_TRUE(x().waitUntil([&] { return x().selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s));
            if (!row.args.empty()) EXPECT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
            tilvane_->signal(SIGTERM);
            EXPECT_EQ(tilvane_->wait(), 0) << tilvane_->log();
        }
    }
}

TEST_F(PreferencesTest, ARestartKeepsThePaneAndTheWindowsPlace) {
    startTray();
    startApplication();
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    ASSERT_NE(preferences, XCB_WINDOW_NONE);
    std::string stored;
    tilvane({"defaults", "read", "Preferences Frame Top Left"}, &stored);
    x().placeFrame(preferences, {300, 400, frame(preferences).width, frame(preferences).height});
    // The move reaches the program, which keeps the corner.
    std::string corner = stored;
    for (int attempt = 0; attempt < 100 && corner == stored; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        tilvane({"defaults", "read", "Preferences Frame Top Left"}, &corner);
    }
    ASSERT_NE(corner, stored);
    ASSERT_EQ(tilvane({"defaults", "write", "Preferences Selected Identifier View", "-string", "MultiTouch"}), 0);
    Rect before = frame(preferences);

    tilvane_->signal(SIGTERM);
    ASSERT_EQ(tilvane_->wait(), 0);
    // Nothing serves the display: `tilvane preferences` starts Tilvane showing its window.
    tilvane_ = desktop().start({tilvaneBinary(), "preferences"}, "tilvane-again.log");
    preferences = waitForActivePreferences();
    ASSERT_NE(preferences, XCB_WINDOW_NONE);
    EXPECT_EQ(frame(preferences).x, before.x);
    EXPECT_EQ(frame(preferences).y, before.y);
    desktop().run({"import", "-window", "root", desktop().folder() + "/multitouch.png"});
    std::string selected;
    tilvane({"defaults", "read", "Preferences Selected Identifier View"}, &selected);
    EXPECT_EQ(selected, "MultiTouch\n");
}

}  // namespace
}  // namespace tilvane::e2e

namespace tilvane::e2e {
namespace {

// "HideDocIcon" keeps the program's windows out of the taskbar and the pager.
TEST_F(PreferencesTest, HiddenFromTheTaskbarTheWindowsSaySoToTheWindowManager) {
    struct Row {
        bool hidden;
    } rows[] = {{true}, {false}};
    for (const auto& row : rows) {
        ASSERT_EQ(tilvane({"defaults", "write", "HideDocIcon", "-bool", row.hidden ? "true" : "false"}), 0);
        startApplication();
        ASSERT_EQ(tilvane({"preferences"}), 0);
        xcb_window_t preferences = waitForActivePreferences();
        ASSERT_NE(preferences, XCB_WINDOW_NONE);
        auto skips = [&] {
            auto states = x().words(preferences, "_NET_WM_STATE");
            return std::count(states.begin(), states.end(), x().atom("_NET_WM_STATE_SKIP_TASKBAR")) == 1 &&
                   std::count(states.begin(), states.end(), x().atom("_NET_WM_STATE_SKIP_PAGER")) == 1;
        };
        EXPECT_TRUE(x().waitUntil([&] { return skips() == row.hidden; })) << (row.hidden ? "hidden" : "shown");
        tilvane_->signal(SIGTERM);
        ASSERT_EQ(tilvane_->wait(), 0);
    }
}

}  // namespace
}  // namespace tilvane::e2e
