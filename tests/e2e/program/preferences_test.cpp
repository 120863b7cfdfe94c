// The desktop application on a private desktop with a real system tray host
// (trayer, XEmbed): the icon docks, a click opens the menu, the menu's
// entries act on the window that had the focus. Its preferences window,
// opened from the tray menu: a shortcut recorded with real keys (through the
// program's keyboard grab, past the hot keys), the file written, the hot key
// moved at once; a combination another program holds is explained and
// recording goes on; recording ends with the window's keyboard and with the
// program, which then lets go of every grab; the window's pane, place and
// taskbar flags survive a restart.

#include <xcb/xcb.h>

#include <algorithm>
#include <functional>

#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;
using namespace primary;

// Starting the tray and the program, finding the icon, opening its menu.
class TrayTest : public ProgramTest {
protected:
    void TearDown() override {
        if (tray_ && tray_->running()) tray_->signal(SIGTERM);
        ProgramTest::TearDown();
    }

    void startTray() {
        tray_ = desktop().start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                 "24", "--SetDockType", "true", "--transparent", "false"},
                                "trayer.log");
        ASSERT_TRUE(x().waitUntil([&] { return x().selectionOwner("_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; }))
            << "trayer did not start:\n"
            << tray_->log();
    }

    // The program's windows on the screen, with their depth under the root window.
    std::vector<std::pair<xcb_window_t, int>> programWindows() {
        std::vector<std::pair<xcb_window_t, int>> found, pending{{x().root(), 0}};
        while (!pending.empty()) {
            auto [window, depth] = pending.back();
            pending.pop_back();
            if (depth > 0 && x().isViewable(window) && x().windowClass(window) == "tilvane")
                found.emplace_back(window, depth);
            for (xcb_window_t child : x().children(window)) pending.emplace_back(child, depth + 1);
        }
        return found;
    }

    // The program's icon window, once a tray has embedded it: a small window
    // that is not a child of the root window (the program's other windows
    // are children of the window manager's frames).
    std::optional<xcb_window_t> embeddedIcon() {
        for (auto [window, depth] : programWindows()) {
            x11::GeometryRequest geometry(x().c(), window);
            if (depth >= 2 && geometry && geometry->width <= 64 && geometry->height <= 64) return window;
        }
        return std::nullopt;
    }

    // A menu of the program on screen: an override-redirect child of the root window.
    std::optional<xcb_window_t> openMenuWindow() {
        for (auto [window, depth] : programWindows())
            if (auto a = x().attributes(window); depth == 1 && a && a->override_redirect) return window;
        return std::nullopt;
    }

    Point centreOf(xcb_window_t window) {
        x11::GeometryRequest size(x().c(), window);
        x11::TranslateRequest corner(x().c(), window, x().root());
        return {double(corner->dst_x) + size->width / 2.0, double(corner->dst_y) + size->height / 2.0};
    }

    // Counts from now the grabs that take the keyboard from the window.
    void watchGrabsOf(xcb_window_t window) {
        if (!watchingGrabs_) {
            watchingGrabs_ = true;
            x().conn().addObserver([this](const xcb_generic_event_t& e) {
                if (x11::eventType(e) != XCB_FOCUS_OUT) return;
                const auto& out = reinterpret_cast<const xcb_focus_out_event_t&>(e);
                if (out.event == grabbedFrom_ && out.mode == XCB_NOTIFY_MODE_GRAB) ++grabs_;
            });
        }
        grabbedFrom_ = window;
        if (window == XCB_WINDOW_NONE) return;
        x().conn().selectWindowEvents(window, XCB_EVENT_MASK_FOCUS_CHANGE);
        // Grabs before now (a hot key's, an earlier menu's) are over.
        x().conn().roundTrip();
        x().conn().readAvailable();
        grabs_ = 0;
    }

    // Does what a test wants around the click on the icon; it calls click once.
    using AroundClick = std::function<void(const std::function<void()>& click)>;

    // Whether the window shows a picture: its pixels are not all one colour.
    bool painted(xcb_window_t window) {
        x11::GeometryRequest size(x().c(), window);
        if (!size || size->width == 0 || size->height == 0) return false;
        x11::XPtr<xcb_get_image_reply_t> image(xcb_get_image_reply(
            x().c(), xcb_get_image(x().c(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, size->width, size->height, ~0u),
            nullptr));
        if (!image) return false;
        const uint8_t* data = xcb_get_image_data(image.get());
        int length = xcb_get_image_data_length(image.get());
        int pixel = length / (size->width * size->height);
        for (int i = pixel; pixel > 0 && i + pixel <= length; i += pixel)
            if (!std::equal(data, data + pixel, data + i)) return true;
        return false;
    }

    // Clicks the tray icon and waits for the menu and for it to take the
    // keyboard. The icon takes a click once it is mapped and painted.
    void openMenu(const AroundClick& around = nullptr) {
        std::optional<xcb_window_t> icon;
        ASSERT_TRUE(x().waitUntil([&] { return (icon = embeddedIcon()) && painted(*icon); }, 20s))
            << "no painted icon in the tray:\n"
            << tilvane_->log();
        xcb_window_t focused = XCB_WINDOW_NONE;
        auto click = [&] {
            // The menu takes the keyboard a moment after it maps, and keys
            // pressed before that go to the focused window. Taking it moves the
            // focus away from that window "for a grab", which is what to wait for.
            focused = x().focusedWindow();
            watchGrabsOf(focused);
            x().clickAt(centreOf(*icon));
        };
        around ? around(click) : click();
        ASSERT_TRUE(x().waitUntil([&] { return openMenuWindow().has_value(); }, 20s)) << "no menu opened:\n"
                                                                                      << tilvane_->log();
        if (focused != XCB_WINDOW_NONE)
            ASSERT_TRUE(x().waitUntil([&] { return grabs_ > 0; }, 20s)) << "the menu did not take the keyboard";
    }

    // Chooses the menu entry that many steps down from the top (up, when
    // negative: from the top, up wraps to the last) with the keyboard.
    void choose(int steps) {
        for (int i = 0; i < std::abs(steps); ++i) x().pressChord({steps > 0 ? kDown : kUp});
        x().pressChord({kReturn});
        ASSERT_TRUE(x().waitUntil([&] { return !openMenuWindow().has_value(); })) << "the menu stayed open";
    }

    // Entries counted from the top, separators skipped as the keyboard
    // skips them; Quit is the last, and the preferences five above it.
    static constexpr int kMenuLeft = 3, kMenuPreferences = -5;

    std::unique_ptr<Process> tray_;

private:
    bool watchingGrabs_ = false;
    xcb_window_t grabbedFrom_ = XCB_WINDOW_NONE;
    int grabs_ = 0;
};

TEST_F(TrayTest, WithoutATrayTheHotKeysActAndATrayStartedLaterGetsTheIcon) {
    startTilvane({});
    auto window = desktop().openWindow("no tray");
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor(kDefaultLeft, window.id, kLeftHalf));
    EXPECT_NE(tilvane_->log().find("no system tray"), std::string::npos);

    startTray();
    EXPECT_TRUE(x().waitUntil([&] { return embeddedIcon().has_value(); }, 20s));
}

constexpr uint16_t kQ = 0x0C, kTab = 0x30, kSpace = 0x31;
const std::vector<uint16_t> kRecorded{kControl, kOption, kCommand, kH};

class PreferencesTest : public TrayTest {
protected:
    // The preferences window opens on the Shortcuts pane.
    void showShortcutsPane() { write("Preferences Selected Identifier View", "string", "Shortcuts"); }

    xcb_window_t openPreferencesFromTheMenu() {
        openMenu();
        choose(kMenuPreferences);
        return waitForActivePreferences();
    }

    // Waits until the preferences window is the active window; none when it does not become so.
    xcb_window_t waitForActivePreferences() {
        std::optional<xcb_window_t> window;
        bool active = x().waitUntil(
            [&] {
                window = x().windowTitled("Preferences");
                return window && x().activeWindow() == window;
            },
            20s);
        if (!active) {
            // What the window manager made of it: never shown, or shown without the keyboard (and why).
            std::string states;
            if (window)
                for (uint32_t state : x().words(*window, "_NET_WM_STATE")) states += " " + std::to_string(state);
            auto other = x().activeWindow();
            ADD_FAILURE() << "no active preferences window: " << (window ? "shown" : "none shown")
                          << (window && x().isViewable(*window) ? ", viewable" : "") << ", states" << states
                          << " (demands attention: " << x().atom("_NET_WM_STATE_DEMANDS_ATTENTION")
                          << "); the active window is " << (other ? x().title(*other).value_or("untitled") : "none");
        }
        return window.value_or(XCB_WINDOW_NONE);
    }

    // Whether the stored shortcut of Left, as `tilvane shortcuts` words it,
    // comes to be the recorded one (a moment after the key that recorded it).
    bool leftBecomesTheRecordedShortcut() {
        return settingsBecome(
            [&] { return shortcutLine("LeftShortcut").find("ctrl+alt+super+h") != std::string::npos; });
    }

    // Starts recording with the keyboard: the first recorder (Split View) has
    // the focus, and Tab goes row by row through the two columns (Left 1/3,
    // Top Left, Center 1/3, Left); returns once the program holds the
    // keyboard, so that what is typed next reaches the recorder.
    void recordLeft() {
        for (int step = 0; step < 4; ++step) x().pressChord({kTab});
        x().pressChord({kSpace});
        ASSERT_TRUE(x().waitUntil([&] { return !x().keyboardIsFree(); })) << "recording did not start";
    }

    // The program's alert is a window the window manager manages, titled with the program's name.
    bool alertShown() { return x().windowTitled("Tilvane").has_value(); }
};

TEST_F(PreferencesTest, ARecordedShortcutIsStoredAndActsOnceTheWindowIsNoLongerActive) {
    startTray();
    showShortcutsPane();
    startTilvane({});
    auto window = desktop().openWindow("placed");
    x().placeFrame(window.id, kStart);
    // Another program holds Control+Shift+Super+K.
    constexpr uint16_t kControlShiftSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    ASSERT_TRUE(x().grabKey(kK, kControlShiftSuper));

    ASSERT_NE(openPreferencesFromTheMenu(), XCB_WINDOW_NONE);
    recordLeft();
    // That combination is explained, and recording goes on after the alert.
    x().pressChord({kControl, kShift, kCommand, kK});
    ASSERT_TRUE(x().waitUntil([&] { return alertShown(); }));
    // While the alert is up the keyboard is the alert's.
    EXPECT_TRUE(x().keyboardIsFree());
    x().pressChord({kReturn});
    ASSERT_TRUE(x().waitUntil([&] { return !alertShown(); }));
    ASSERT_TRUE(x().waitUntil([&] { return !x().keyboardIsFree(); })) << "recording did not go on";
    x().pressChord(kRecorded);
    EXPECT_TRUE(leftBecomesTheRecordedShortcut()) << shortcutLine("LeftShortcut");

    // While the window is active the hot keys do nothing.
    pressAndSettle(kRecorded);
    EXPECT_EQ(frame(window.id), kStart);

    // Another window takes the keyboard: the new combination acts, the old one no longer does.
    x().activate(window.id);
    settle();
    EXPECT_TRUE(pressAndWaitFor(kDefaultRight, window.id, kRightHalf));
    pressAndSettle(kDefaultLeft);
    EXPECT_EQ(frame(window.id), kRightHalf);
    EXPECT_TRUE(pressAndWaitFor(kRecorded, window.id, kLeftHalf));
}

// The program hears that its window lost the keyboard a moment after the
// window manager moved it. A click on the tray icon in that moment opens a
// menu that stays open and acts. (The program is stopped while the focus
// moves, so that it hears of it just before the click, as on a slow machine.)
TEST_F(PreferencesTest, AClickOnTheIconRightAfterLeavingThePreferencesOpensAMenuThatActs) {
    startTray();
    startTilvane({});
    auto window = desktop().openWindow("next");
    x().placeFrame(window.id, kStart);
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    // The window has the keyboard, and the program has done what showing it started.
    ASSERT_TRUE(x().waitUntil([&] { return x().focusedWindow() == preferences; }));
    settle();
    openMenu([&](const std::function<void()>& click) {
        tilvane_->signal(SIGSTOP);
        x().activate(window.id);
        tilvane_->signal(SIGCONT);
        click();
    });
    settle();
    choose(kMenuLeft);
    expectFrameReaches(window.id, kLeftHalf);
}

// A hot key pressed the moment the preferences window has the keyboard again
// leaves it where it is; pressed in another window, it acts.
TEST_F(PreferencesTest, AHotKeyRightAfterThePreferencesWindowIsBackLeavesItAlone) {
    startTilvane({});
    auto window = desktop().openWindow("other");
    x().placeFrame(window.id, kStart);
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    x().activate(window.id);
    settle();
    Rect before = frame(preferences);
    x().activate(preferences);
    x().pressChord(kDefaultLeft);
    x().activate(window.id);
    EXPECT_TRUE(pressAndWaitFor(kDefaultRight, window.id, kRightHalf));
    EXPECT_EQ(frame(preferences), before);
}

// Without a notification service the tray icon's message says that another
// program holds a shortcut; a click on it opens the Shortcuts pane.
TEST_F(PreferencesTest, AShortcutAnotherProgramHoldsIsSaidInTheTraysMessageWhichOpensTheShortcuts) {
    ASSERT_TRUE(x().grabKey(kLeft, kXControlAlt));
    startTray();
    startTilvane({});
    std::optional<xcb_window_t> message;
    ASSERT_TRUE(x().waitUntil([&] { return (message = openMenuWindow()).has_value(); }, 20s)) << "no message:\n";
    x().clickAt(centreOf(*message));
    ASSERT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
    EXPECT_EQ(read("Preferences Selected Identifier View"), "Shortcuts\n");
}

// Recording ends with its window's keyboard: the grab goes, and the next
// chord typed anywhere is not taken for the shortcut.
TEST_F(PreferencesTest, RecordingEndsWhenItsWindowClosesOrAnotherWindowIsActivated) {
    startTray();
    showShortcutsPane();
    startTilvane({});
    auto window = desktop().openWindow("elsewhere");
    for (bool close : {true, false}) {
        SCOPED_TRACE(close ? "the window closed" : "another window activated");
        xcb_window_t preferences = openPreferencesFromTheMenu();
        recordLeft();
        if (close)
            x().conn().sendRootMessage(preferences, x().atom("_NET_CLOSE_WINDOW"), {XCB_CURRENT_TIME, 2, 0, 0, 0});
        else
            x().activate(window.id);
        EXPECT_TRUE(x().waitUntil([&] { return x().keyboardIsFree(); })) << "the keyboard stayed grabbed";
        pressAndSettle(kRecorded);
        EXPECT_EQ(shortcutLine("LeftShortcut").find("ctrl+alt+super+h"), std::string::npos);
    }
}

// Quitting while a shortcut is recorded ends in order: status 0, every grab let go.
TEST_F(PreferencesTest, EndingWhileRecordingExitsCleanlyAndLetsGoOfTheKeyboard) {
    showShortcutsPane();
    for (bool quitKey : {false, true}) {
        SCOPED_TRACE(quitKey ? "the quit key" : "SIGTERM");
        startTilvane({});
        ASSERT_EQ(tilvane({"preferences"}), 0);
        ASSERT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
        recordLeft();
        if (quitKey) x().pressChord({kControl, kQ});
        if (!quitKey) tilvane_->signal(SIGTERM);
        EXPECT_EQ(tilvane_->wait(), 0);
        EXPECT_TRUE(x().keyboardIsFree());
        EXPECT_TRUE(x().keyIsFree(kLeft, kXControlAlt));
    }
}

// Autostart and a start by hand at the same moment: one serves, the other
// says so and ends (showing the running one's preferences when asked to),
// and the display never stops answering.
TEST_F(PreferencesTest, TwoStartedAtOnceOneServesAndTheDisplayKeepsAnswering) {
    startTray();
    for (int round = 0; round < 6; ++round) {
        bool preferences = round >= 3;
        SCOPED_TRACE(std::string(preferences ? "tilvane preferences" : "tilvane") + ", round " + std::to_string(round));
        auto argv = tilvaneWith(preferences ? std::vector<std::string>{"preferences"} : std::vector<std::string>{});
        std::unique_ptr<Process> both[2];
        for (auto& process : both) process = desktop().start(argv, "twice-" + std::to_string(starts_++) + ".log");
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
        EXPECT_EQ(*status, preferences ? 0 : 1) << both[loser]->log();
        EXPECT_NE(both[loser]->log().find("already running"), std::string::npos) << both[loser]->log();
        tilvane_ = std::move(both[1 - loser]);
        EXPECT_TRUE(x().waitUntil([&] { return x().selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s));
        if (preferences) EXPECT_NE(waitForActivePreferences(), XCB_WINDOW_NONE);
        tilvane_->signal(SIGTERM);
        EXPECT_EQ(tilvane_->wait(), 0);
    }
}

// The window keeps its corner and pane from one start to the next, and
// "HideDocIcon" keeps the program's windows out of the taskbar and the pager.
TEST_F(PreferencesTest, ARestartKeepsThePaneAndTheWindowsPlaceAndTakesTheTaskbarSetting) {
    startTray();
    startTilvane({});
    ASSERT_EQ(tilvane({"preferences"}), 0);
    xcb_window_t preferences = waitForActivePreferences();
    auto skipsTheTaskbar = [&] {
        auto states = x().words(preferences, "_NET_WM_STATE");
        return std::count(states.begin(), states.end(), x().atom("_NET_WM_STATE_SKIP_TASKBAR")) == 1 &&
               std::count(states.begin(), states.end(), x().atom("_NET_WM_STATE_SKIP_PAGER")) == 1;
    };
    EXPECT_FALSE(skipsTheTaskbar());
    std::string stored = read("Preferences Frame Top Left");
    x().placeFrame(preferences, {300, 400, frame(preferences).width, frame(preferences).height});
    // The move reaches the program, which keeps the corner.
    ASSERT_TRUE(settingsBecome([&] { return read("Preferences Frame Top Left") != stored; }));
    write("Preferences Selected Identifier View", "string", "MultiTouch");
    write("HideDocIcon", "bool", "true");
    Rect before = frame(preferences);

    tilvane_->signal(SIGTERM);
    ASSERT_EQ(tilvane_->wait(), 0);
    // Nothing serves the display: `tilvane preferences` starts Tilvane showing its window.
    tilvane_ = desktop().start({tilvaneBinary(), "preferences"}, "tilvane-again.log");
    preferences = waitForActivePreferences();
    EXPECT_EQ(frame(preferences).origin(), before.origin());
    EXPECT_EQ(read("Preferences Selected Identifier View"), "MultiTouch\n");
    EXPECT_TRUE(x().waitUntil(skipsTheTaskbar));
}

}  // namespace
}  // namespace tilvane::e2e
