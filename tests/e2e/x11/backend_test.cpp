// The X11 services of this process on a private desktop: hot keys as
// root-window grabs (combinations another client holds are refused and told
// apart from the program's own; recording takes the whole keyboard once
// another client lets go of it), what input anywhere costs while the program
// watches the modifiers and the pointer, what a key types on the current
// layout, and the waits for a window manager that goes and comes back. (The
// lock keys and the modifier map, a grab two registrations share, where the
// pointer and the buttons take the program: the program's tests show.)

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <vector>

// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "harness/desktop_test.h"
#include "platform/linux/linux_run_loop.h"
#include "platform/x11/x11_desktop.h"

namespace tilvane::e2e {
namespace {

// The X11 services of this process, on a private desktop.
class BackendTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // As for the program: an X error the backend does not expect ends the test.
        ::setenv("TILVANE_EXIT_ON_XERROR", "1", 0);
        std::string error;
        backend_ = x11::X11Desktop::open(desktop().display().c_str(), error);
        ASSERT_TRUE(backend_) << error;
    }
    void TearDown() override {
        backend_.reset();
        DesktopTest::TearDown();
    }

    x11::X11Desktop& backend() { return *backend_; }

    // Lets the backend read every event the server sent it before now.
    void catchUp() {
        backend_->connection().roundTrip();
        backend_->dispatchEvents();
    }

    std::unique_ptr<x11::X11Desktop> backend_;
};

constexpr uint16_t kLeft = 123, kRight = 124;
constexpr uint32_t kControlOption = kCarbonControlKey | kCarbonOptionKey;
constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

class HotKeysTest : public BackendTest {
protected:
    OSStatus add(uint32_t keyCode, uint32_t modifiers, uint32_t id) {
        EventHotKeyRef ref = 0;
        return backend().hotKeys().registerEventHotKey(keyCode, modifiers, {fourCharCode("TLVN"), id}, ref);
    }
};

// While the user records a shortcut, the program asks whether another
// program holds the combination: a probe that must leave every grab as it was.
TEST_F(HotKeysTest, ACombinationAnotherProgramHoldsIsRefusedReportedAndProbingChangesNoGrab) {
    auto& hotKeys = backend().hotKeys();
    auto other = XClient::connect(desktop().display());
    ASSERT_TRUE(other->grabKey(kLeft, kXControlAlt));
    EXPECT_TRUE(hotKeys.isHeldByAnotherProgram(kLeft, kControlOption));
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kRight, kControlOption));
    // The free combination was let go of again: another program can take it.
    EXPECT_TRUE(x().keyIsFree(kRight, kXControlAlt));

    EXPECT_EQ(add(kLeft, kControlOption, 1), kEventHotKeyExistsErr);
    EXPECT_EQ(add(kRight, kControlOption, 2), kNoErr);
    // The program's own hot key is not another program's. (That the rest
    // act, the serving tests of the program show.)
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kRight, kControlOption));
    // A refused registration leaves no grab of its own behind once the other client lets go.
    other->ungrabKey(kLeft, kXControlAlt);
    EXPECT_TRUE(x().keyIsFree(kLeft, kXControlAlt));
}

// Recording a shortcut takes the whole keyboard. Another client holding it
// for a moment only delays that; one that keeps it makes it fail. The
// keyboard is asked for again on the loop, so that the program goes on meanwhile.
TEST_F(HotKeysTest, TheKeyboardIsTakenOnceAnotherClientLetsGoOfIt) {
    linux_platform::LinuxRunLoop loop;
    std::optional<bool> taken;
    for (bool letsGo : {true, false}) {
        SCOPED_TRACE(letsGo ? "let go of" : "kept");
        ASSERT_TRUE(x().grabKeyboard());
        taken.reset();
        backend().hotKeys().grabKeyboard(
            loop, [](const x11::X11HotKeyService::GrabbedKey&) {}, [&](bool ok) { taken = ok; });
        EXPECT_FALSE(taken) << "the answer came while the other client held the keyboard";
        if (letsGo) x().ungrabKeyboard();
        while (!taken) loop.runOnce(std::chrono::milliseconds(100));
        EXPECT_EQ(taken, letsGo);
        if (letsGo) {
            EXPECT_FALSE(x().keyboardIsFree());
            backend().hotKeys().releaseKeyboard();
        } else {
            x().ungrabKeyboard();
        }
        catchUp();
    }
}

// A modifier key wakes the program once per change and asks the server
// nothing; a click or a letter does not wake it at all.
using InputMonitorsTest = BackendTest;

TEST_F(InputMonitorsTest, AModifierKeyWakesTheProgramOnceAndAClickNotAtAll) {
    PlatformServices platform;
    backend().fill(platform);
    std::vector<InputEvent> heard;
    platform.eventMonitors->addGlobalMonitor(event_mask::kFlagsChanged | event_mask::kMouseMoved,
                                             [&](const InputEvent& e) { heard.push_back(e); });
    auto xkb = backend().keyboard().xkbEventBase();
    ASSERT_TRUE(xkb);
    int stateEvents = 0;
    backend().connection().addObserver([&](const xcb_generic_event_t& e) {
        if (x11::eventType(e) == *xkb && x11::xkbEventType(e) == XCB_XKB_STATE_NOTIFY) ++stateEvents;
    });
    // The first key from XTest switches the server to its keyboard; that
    // reads the map once, for everyone who needs it.
    x().fake(XCB_KEY_PRESS, 50);
    x().fake(XCB_KEY_RELEASE, 50);
    catchUp();

    struct Row {
        const char* name;
        uint8_t press, detail;  // the release is the event after the press
        int events;             // the events that wake the program, and the changes it hears
    };
    const Row rows[] = {
        {"Shift", XCB_KEY_PRESS, 50, 2},
        {"a click", XCB_BUTTON_PRESS, 1, 0},
        {"a letter", XCB_KEY_PRESS, 38, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        stateEvents = 0;
        heard.clear();
        x().fake(row.press, row.detail);
        x().fake(row.press + 1, row.detail);
        backend().connection().roundTrip();
        // What the events say is handled without a word to the server.
        xcb_connection_t* c = backend().connection().get();
        unsigned before = xcb_no_operation(c).sequence;
        backend().dispatchEvents();
        EXPECT_EQ(xcb_no_operation(c).sequence - before, 1u);
        EXPECT_EQ(stateEvents, row.events);
        EXPECT_EQ(int(heard.size()), row.events);
    }
}

// What a key types, by its position, on the display's current layout, and
// keys that have no place on the keyboard.
class KeyboardTest : public BackendTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }
};

struct LayoutRow {
    const char* layouts;
    uint16_t keyCode;
    const char16_t* text;
};

const LayoutRow kLayouts[] = {
    {"us", 0x2C, u"/"},
    {"us", 0x7B, u""},   // Left Arrow types nothing
    {"de", 0x06, u"y"},  // the key at the US Z types y on a German keyboard
    {"de", 0x1B, u"\u00DF"},
    {"fr", 0x00, u"q"},
    // A layout without Latin letters: the first one that has them decides.
    {"ru,us", 0x00, u"a"},
    // Only Cyrillic at hand: that is what the key types.
    {"ru", 0x00, u"\u0444"},
};

TEST_F(KeyboardTest, KeysTypeWhatTheLayoutPutsAtTheirPosition) {
    for (const auto& row : kLayouts) {
        SCOPED_TRACE(std::string(row.layouts) + " key " + std::to_string(row.keyCode));
        ASSERT_EQ(desktop().run({"setxkbmap", "-layout", row.layouts}), 0);
        catchUp();
        auto typed = backend().keyboard().translateKeyCode(row.keyCode);
        EXPECT_EQ(typed.status, KeyTranslation::Status::Ok);
        EXPECT_EQ(typed.text, row.text);
    }
}

TEST_F(KeyboardTest, KeysWithoutAPlaceAreAnErrorAndNoHotKey) {
    EXPECT_EQ(backend().keyboard().translateKeyCode(0x34).status, KeyTranslation::Status::Error);
    EventHotKeyRef ref = 0;
    for (uint32_t keyCode : {0x34u, 0x10000u})
        EXPECT_EQ(backend().hotKeys().registerEventHotKey(keyCode, kCarbonControlKey, {1, 1}, ref),
                  kEventHotKeyInvalidErr);
    auto reserved = backend().keyboard().copySymbolicHotKeys();
    ASSERT_TRUE(reserved);
    EXPECT_TRUE(reserved->empty());
}

// A question nobody could answer is not waited for, and what is asked of
// the window manager that came back is answered.
using WindowManagerTest = BackendTest;

struct EndRow {
    const char* name;
    int signal;  // ended, openbox takes its properties off the root window; killed, it leaves them behind
    // Whether the program has read of the end before it asks again (or asks
    // just before it has read a word of it).
    bool heardOfTheEnd;
};

const EndRow kEnds[] = {
    {"ended", SIGTERM, true},
    {"killed", SIGKILL, true},
    {"ended, asked before the program heard", SIGTERM, false},
    {"killed, asked before the program heard", SIGKILL, false},
};

TEST_F(WindowManagerTest, NoWaitIsGivenUpWhileTheWindowManagerIsAwayOrAfterItReturns) {
    x11::Connection& conn = backend().connection();
    for (const auto& row : kEnds) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(conn.syncWithWindowManager());
        desktop().stopWindowManager(row.signal);
        // A hot key pressed now writes and asks; nobody will answer.
        conn.askWindowManager();
        conn.flush();
        if (row.heardOfTheEnd) {
            catchUp();
            // Once the program has heard that no window manager runs, a round trip is all there is to wait for.
            EXPECT_TRUE(conn.syncWithWindowManager());
            conn.askWindowManager();
            conn.flush();
        }
        std::string failure;
        ASSERT_TRUE(desktop().restartWindowManager(failure)) << failure;
        // The first action after its return waits for the window manager
        // that runs now, not for an answer to the questions asked before.
        EXPECT_TRUE(conn.syncWithWindowManager());
        EXPECT_TRUE(conn.syncWithWindowManager());
    }
}

}  // namespace
}  // namespace tilvane::e2e
