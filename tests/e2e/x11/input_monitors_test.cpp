// What input anywhere costs the program while it watches the modifiers and
// the pointer, on a real server: a modifier key wakes it once per change and
// asks the server nothing; a click or a letter does not wake it at all.
// (Where the pointer and the buttons take the program, the mouse tests of
// the program show.)

// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

using InputMonitorsTest = BackendTest;

TEST_F(InputMonitorsTest, AModifierKeyWakesTheProgramOnceAndAClickNotAtAll) {
    Platform platform;
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

}  // namespace
}  // namespace tilvane::e2e
