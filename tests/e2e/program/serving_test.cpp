// The serving program on a real desktop: its default hot keys move the
// focused window from wherever others left it, to another monitor and to
// other desktops; the switch takes effect while it runs; a combination
// another program holds is left to it and said; the first start writes the
// settings, and one without a display says why it ends.

#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;
using namespace primary;

const std::vector<uint16_t> kNextDisplay{kControl, kOption, kN}, kPreviousDisplay{kControl, kOption, kP};
const std::vector<uint16_t> kNextSpace{kControl, kCommand, kN}, kPreviousSpace{kControl, kCommand, kP};
const std::vector<uint16_t> kSplitView{kControl, kOption, kCommand, 0x03 /* F */};
constexpr Rect kSecondaryLeftHalf{0, 210, 720, 870}, kSecondaryRightHalf{720, 210, 720, 870};

struct HotKeyRow {
    const char* name;
    Rect start;  // where another program puts the window first, in root coordinates
    std::vector<uint16_t> chord;
    Rect expected;
    bool maximized = false;            // and maximizes it
    std::vector<uint16_t> locks = {};  // switched on for the press
    bool numLockOnMod3 = false;        // Num Lock moved to another modifier bit first
};

const HotKeyRow kHotKeyRows[] = {
    // A few of the defaults, each with another set of modifiers.
    {"left, Control+Option", kStart, kDefaultLeft, kLeftHalf},
    {"top-left, Control+Command", kStart, {kControl, kCommand, kLeft}, {kVisible.x, kVisible.y, 960, 520}},
    {"bottom-right, Shift+Control", kStart, {kShift, kControl, kRight}, {kVisible.x + 960, 520, 960, 520}},
    {"maximize, Control+Option+Command", kStart, {kControl, kOption, kCommand, kM}, kVisible},
    {"Control+Left is no one's", kStart, {kControl, kLeft}, kStart},
    {"Control+Option+Shift+Left is no one's", kStart, {kControl, kOption, kShift, kLeft}, kStart},
    // The lock keys change no combination, wherever their modifier bits are.
    {"left, Num Lock on", kStart, kDefaultLeft, kLeftHalf, false, {kNumLock}},
    {"left, Caps Lock on", kStart, kDefaultLeft, kLeftHalf, false, {kCapsLock}},
    {"left, both on", kStart, kDefaultLeft, kLeftHalf, false, {kNumLock, kCapsLock}},
    {"left, Num Lock on Mod3", kStart, kDefaultLeft, kLeftHalf, false, {kNumLock}, true},
    // The program keeps the active window's frame from one press to the
    // next while the server reports no change; every change must reach it.
    {"moved to the other monitor", {100, 400, 500, 300}, kDefaultRight, kSecondaryRightHalf},
    {"maximized", kStart, kDefaultLeft, kLeftHalf, true},
    {"moved a little", kStart, kDefaultRight, kRightHalf},
    {"moved to the other monitor, not pressed for", {200, 500, 400, 300}, kDefaultLeft, kSecondaryLeftHalf},
    // Primary: cells of 640 × 520 from (1440, 0). Secondary: cells of 480 ×
    // 435 from (0, 210). With two monitors the next and the previous display
    // are the same one.
    {"top-left cell, next display", {1440, 0, 640, 520}, kNextDisplay, {0, 210, 480, 435}},
    {"top-left cell, back", {0, 210, 480, 435}, kPreviousDisplay, {1440, 0, 640, 520}},
    {"two bottom-right cells, previous display", {2080, 520, 1280, 520}, kPreviousDisplay, {480, 645, 960, 435}},
    {"middle column, next display", {480, 210, 480, 870}, kNextDisplay, {2080, 0, 640, 1040}},
    // It needs a zoom button, which X11 windows lack.
    {"split view changes nothing", kStart, kSplitView, kStart},
};

using ServingTest = ProgramTest;

TEST_F(ServingTest, HotKeysPlaceTheWindowFromWhereOthersLeftItInOneRequest) {
    auto window = desktop().openWindow("hot keys");
    startTilvane();
    // A move and a size reach the window manager as one request.
    std::vector<uint32_t> requests;
    xcb_atom_t moveResize = x().atom("_NET_MOVERESIZE_WINDOW");
    x().conn().onEvent(XCB_CLIENT_MESSAGE, [&](const xcb_generic_event_t& e) {
        const auto& m = reinterpret_cast<const xcb_client_message_event_t&>(e);
        if (m.type == moveResize && m.window == window.id) requests.push_back(m.data.data32[0] & 0xF00);
    });
    for (const auto& row : kHotKeyRows) {
        SCOPED_TRACE(row.name);
        x().placeFrame(window.id, row.start);
        if (row.maximized) x().setMaximized(window.id, true);
        if (row.numLockOnMod3)
            ASSERT_EQ(desktop().run({"xmodmap", "-e", "clear mod2", "-e", "add mod3 = Num_Lock"}), 0);
        settle();
        for (uint16_t lock : row.locks) x().pressChord({lock});
        x().conn().dispatchPending();
        requests.clear();
        pressAndSettle(row.chord);
        for (uint16_t lock : row.locks) x().pressChord({lock});
        x().conn().dispatchPending();
        EXPECT_EQ(frame(window.id), row.expected);
        EXPECT_EQ(requests, row.expected == row.start ? std::vector<uint32_t>{} : std::vector<uint32_t>{0xF00});
        EXPECT_EQ(x().activeWindow(), window.id);
    }
}

// Next and previous Space carry the window to the neighbouring desktop,
// wrapping at the ends; pressed fast (key repeat), the presses come while the
// first move is still under way, and each counts. The window stays where it
// was and active, and the pointer comes back.
TEST_F(ServingTest, SpacesCarryTheWindowPressByPressAndWrapAtTheEnds) {
    auto window = desktop().openWindow("spaces");
    x().placeFrame(window.id, kStart);
    startTilvane();
    x().moveTo(2500, 900);
    auto desktopOf = [&](xcb_window_t w) { return x().words(w, "_NET_WM_DESKTOP"); };
    // The desktops the window goes to, in order, as the window manager sets them.
    std::vector<uint32_t> visited;
    xcb_atom_t desktopAtom = x().atom("_NET_WM_DESKTOP");
    x().conn().selectWindowEvents(window.id, XCB_EVENT_MASK_PROPERTY_CHANGE);
    x().conn().onEvent(XCB_PROPERTY_NOTIFY, [&](const xcb_generic_event_t& e) {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.window != window.id || p.atom != desktopAtom) return;
        if (auto d = desktopOf(window.id); !d.empty() && (visited.empty() || visited.back() != d[0]))
            visited.push_back(d[0]);
    });
    const struct {
        const char* name;
        std::vector<uint16_t> chord;
        int presses;
        std::vector<uint32_t> visited;  // 0 for the first of the four desktops
    } rows[] = {
        {"next, five times fast", kNextSpace, 5, {1, 2, 3, 0, 1}},
        {"previous twice, past the first", kPreviousSpace, 2, {0, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        visited.clear();
        // The user holds the modifiers throughout: the desktop's Control+digit
        // must not reach the window manager with them.
        x().pressKeys({row.chord[0], row.chord[1]});
        for (int i = 0; i < row.presses; ++i) x().pressChord({row.chord[2]});
        settle();
        x().releaseKeys({row.chord[1], row.chord[0]});
        bool done = x().waitUntil(
            [&] {
                x11::XPtr<xcb_query_pointer_reply_t> p(
                    xcb_query_pointer_reply(x().c(), xcb_query_pointer(x().c(), x().root()), nullptr));
                return visited.size() >= row.visited.size() && p && p->root_x == 2500 && p->root_y == 900 &&
                       !(p->mask & XCB_BUTTON_MASK_1) &&
                       x().words(x().root(), "_NET_CURRENT_DESKTOP") == desktopOf(window.id);
            },
            30s);
        EXPECT_TRUE(done) << "desktops visited: " << visited.size();
        EXPECT_EQ(visited, row.visited);
        x().syncWindowManager();
        EXPECT_EQ(frame(window.id), kStart);
        EXPECT_EQ(x().activeWindow(), window.id);
    }
}

// Switched off, the shortcuts are let go of: the combinations reach the
// other programs (Ctrl+Shift+Left selects a word in every editor).
TEST_F(ServingTest, SwitchingShortcutsOffLetsGoOfTheKeysWhilePlaceStillActs) {
    auto window = desktop().openWindow("switch");
    startTilvane();
    x().placeFrame(window.id, kStart);
    ASSERT_FALSE(x().keyIsFree(kLeft, kXControlAlt));
    write("EnableShotcuts", "bool", "false");
    EXPECT_TRUE(x().waitUntil([&] { return x().keyIsFree(kLeft, kXControlAlt); })) << "the combination stayed grabbed";
    pressAndSettle(kDefaultLeft);
    EXPECT_EQ(frame(window.id), kStart);
    place("left");
    EXPECT_EQ(frame(window.id), kLeftHalf);

    write("EnableShotcuts", "bool", "true");
    EXPECT_TRUE(pressUntil(kDefaultRight, window.id, kRightHalf));
    EXPECT_FALSE(x().keyIsFree(kLeft, kXControlAlt));
}

// Another program's combination stays its own, and Tilvane says so: one line
// when it starts, and `tilvane shortcuts` whether it runs or not.
TEST_F(ServingTest, ACombinationAnotherProgramHoldsStaysItsOwnIsSaidAndTheRestWork) {
    auto other = XClient::connect(desktop().display());
    ASSERT_TRUE(other->grabKey(kLeft, kXControlAlt));
    const std::string kHeld = "held by another program";
    auto window = desktop().openWindow("taken");
    for (bool running : {false, true}) {
        if (running) startTilvane();
        EXPECT_NE(shortcutLine("LeftShortcut").find(kHeld), std::string::npos);
        EXPECT_EQ(shortcutLine("RightShortcut").find(kHeld), std::string::npos);
    }
    std::string log = tilvane_->log();
    auto said = log.find("holds the shortcuts of LeftShortcut;");
    EXPECT_NE(said, std::string::npos) << log;
    EXPECT_EQ(log.find("holds the shortcuts", said + 1), std::string::npos) << log;

    x().placeFrame(window.id, kStart);
    pressAndSettle(kDefaultLeft);
    EXPECT_EQ(frame(window.id), kStart);
    EXPECT_TRUE(other->conn().waitForEvent([](const auto& e) { return x11::eventType(e) == XCB_KEY_PRESS; },
                                           std::chrono::steady_clock::now() + 10s));
    pressAndSettle(kDefaultRight);
    EXPECT_EQ(frame(window.id), kRightHalf);
}

// The first start writes the settings; one without a display says why it
// ends. (A second start on a display already served, and the end on SIGTERM,
// are the preferences and settings tests'.)
TEST_F(ServingTest, TheFirstStartWritesTheSettingsAndOneWithoutADisplaySaysWhyItEnds) {
    startTilvane();
    EXPECT_EQ(read("EnableShotcuts"), "1\n");
    EXPECT_EQ(read("WindowMovingEnabled"), "0\n");
    EXPECT_EQ(shortcutLine("LeftShortcut").find("(none)"), std::string::npos);
    auto environment = desktop().environment();
    environment["DISPLAY"] = "";
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"place", "left"}}) {
        auto noDisplay = Process::spawn(tilvaneWith(args), environment, desktop().folder() + "/no-display.log");
        EXPECT_EQ(noDisplay->wait(), 1);
        EXPECT_NE(noDisplay->log().find("no X display"), std::string::npos) << noDisplay->log();
    }
}

}  // namespace
}  // namespace tilvane::e2e
