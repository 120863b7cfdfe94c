// Input monitors and synthesized input on a real server: modifier changes,
// pointer movement with its deltas and the left button's release arrive from
// input anywhere; locations are the program's, the pointer's bottom-left one
// flipped against the primary monitor; posted keys carry their modifiers; and
// what a modifier or a click costs the program is counted.

#include <xcb/xtest.h>
// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

class InputMonitorsTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        backend().fill(platform_);
        auto record = [this](const InputEvent& e) { global_.push_back(e); };
        platform_.eventMonitors->addGlobalMonitor(event_mask::kFlagsChanged | event_mask::kMouseMoved, record);
        platform_.eventMonitors->addLocalMonitor(~0ull, [this](const InputEvent& e) { local_.push_back(e); });
        ASSERT_TRUE(platform_.eventMonitors->createListenOnlyTap(event_mask::kLeftMouseUp,
                                                                 [this](const InputEvent& e) { taps_.push_back(e); }));
        catchUp();
    }
    // Everything sent so far, handled by the backend.
    std::vector<InputEvent> events() {
        catchUp();
        return std::exchange(global_, {});
    }
    // How many requests the backend's connection makes while the work runs.
    int requestsDuring(const std::function<void()>& work) {
        xcb_connection_t* c = backend().connection().get();
        unsigned before = xcb_no_operation(c).sequence;
        work();
        return int(xcb_no_operation(c).sequence - before) - 1;
    }

    Platform platform_;
    std::vector<InputEvent> global_, local_, taps_;
};

TEST_F(InputMonitorsTest, PointerMovementAndReleaseInProgramCoordinates) {
    struct Row {
        const char* monitor;
        int16_t x, y;  // root coordinates
        Point location, flipped;
    };
    // The primary monitor's corner is at (1440, 0) and it is 1080 high.
    const Row rows[] = {
        {"primary", 2000, 500, {567, 497}, {567, 583}},
        {"secondary", 100, 800, {-1333, 797}, {-1333, 283}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.monitor);
        x().moveTo(row.x, row.y);
        events();
        x().moveBy(7, -3);
        auto moved = events();
        ASSERT_EQ(moved.size(), 1u);
        EXPECT_EQ(moved[0].type, EventType::MouseMoved);
        EXPECT_EQ(moved[0].location, row.location);
        EXPECT_EQ(moved[0].deltaX, 7);
        EXPECT_EQ(moved[0].deltaY, -3);
        EXPECT_EQ(platform_.eventMonitors->mouseLocation(), row.flipped);
        EXPECT_EQ(platform_.eventPoster->currentPointerLocation(), row.location);

        x().pressButton();
        x().releaseButton();
        events();
        ASSERT_EQ(taps_.size(), 1u);
        EXPECT_EQ(taps_[0].type, EventType::LeftMouseUp);
        EXPECT_EQ(taps_[0].location, row.location);
        taps_.clear();
    }
    // Other buttons are not the left one.
    x().pressButton(3);
    x().releaseButton(3);
    events();
    EXPECT_TRUE(taps_.empty());
    EXPECT_TRUE(local_.empty());
}

TEST_F(InputMonitorsTest, MovementWithAMouseButtonHeldIsNoPointerMovement) {
    // A drag (selecting text with the move combination held, say) is not
    // what the pointer monitor is for; the first free movement after it goes
    // from where the drag left the pointer.
    for (uint8_t button : {1, 2, 3}) {
        SCOPED_TRACE(int(button));
        x().moveTo(2000, 500);
        events();
        x().pressButton(button);
        x().moveBy(7, -3);
        EXPECT_TRUE(events().empty());
        x().releaseButton(button);
        x().moveBy(5, 4);
        auto moved = events();
        ASSERT_EQ(moved.size(), 1u);
        EXPECT_EQ(moved[0].location, (Point{2012 - 1440, 501}));
        EXPECT_EQ(moved[0].deltaX, 5);
        EXPECT_EQ(moved[0].deltaY, 4);
    }
}

TEST_F(InputMonitorsTest, PostedInputCarriesItsModifiersAndAModifierChangeAsksTheServerNothing) {
    // The first key from XTest switches the server to its keyboard; that
    // reads the map once, for everyone who needs it.
    x().fake(XCB_KEY_PRESS, 50);
    x().fake(XCB_KEY_RELEASE, 50);
    events();
    x().fake(XCB_KEY_PRESS, 37);
    backend().connection().roundTrip();
    EXPECT_EQ(requestsDuring([&] { backend().dispatchEvents(); }), 0);
    ASSERT_EQ(global_.size(), 1u);
    x().fake(XCB_KEY_RELEASE, 37);
    events();

    // A posted key with a modifier asks which keys are down, presses the
    // modifier and the key, and lets the modifier go; the monitors hear each
    // modifier go down and up.
    int posted = requestsDuring([&] { platform_.eventPoster->post({EventType::KeyDown, {}, 0x12, modifier::kShift}); });
    EXPECT_EQ(posted, 4);
    platform_.eventPoster->post({EventType::KeyUp, {}, 0x12, 0});
    platform_.eventPoster->post({EventType::KeyDown, {}, 0x12, modifier::kControl | modifier::kOption});
    platform_.eventPoster->post({EventType::KeyUp, {}, 0x12, 0});
    auto flags = events();
    ASSERT_EQ(flags.size(), 6u);
    EXPECT_EQ(flags[3].modifierFlags, modifier::kControl | modifier::kOption);
    EXPECT_EQ(flags[5].modifierFlags, 0u);

    platform_.eventPoster->post({EventType::MouseMoved, {-700, 400}, 0, 0});
    events();
    EXPECT_EQ(platform_.eventPoster->currentPointerLocation(), (Point{-700, 400}));
}

TEST_F(InputMonitorsTest, AModifierKeyWakesTheProgramOnceAndAClickNotAtAll) {
    auto xkb = backend().keyboard().xkbEventBase();
    ASSERT_TRUE(xkb);
    int stateEvents = 0;
    backend().connection().addObserver([&](const xcb_generic_event_t& e) {
        if (x11::eventType(e) == *xkb && x11::xkbEventType(e) == XCB_XKB_STATE_NOTIFY) ++stateEvents;
    });
    struct Row {
        const char* name;
        uint8_t press, detail;  // the release is the event after the press
        int events;
    };
    const Row rows[] = {
        {"Shift", XCB_KEY_PRESS, 50, 2},
        {"a click", XCB_BUTTON_PRESS, 1, 0},
        {"a letter", XCB_KEY_PRESS, 38, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        events();
        stateEvents = 0;
        x().fake(row.press, row.detail);
        x().fake(row.press + 1, row.detail);
        events();
        EXPECT_EQ(stateEvents, row.events);
    }
}

}  // namespace
}  // namespace tilvane::e2e
