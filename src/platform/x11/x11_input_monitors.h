#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/events.h"
#include "platform/run_loop.h"
#include "platform/x11/modifier_map.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_screens.h"

namespace tilvane::x11 {

// The modifier flags of an XKB state: the modifiers held or latched, and
// Caps Lock when it is locked on. Other locks (Num Lock) do not count.
uint64_t flagsOfKeyboardState(uint16_t heldOrLatched, uint16_t locked, const ModifierMap& modifiers);

// Scrolling on X11 has no phases: a touchpad's two-finger scroll arrives as a
// stream of valuator changes. The first change after a quiet period begins a
// gesture, the next ones continue it, and a quiet period ends it.
class ScrollPhases {
public:
    using Clock = RunLoop::Clock;
    static constexpr auto kQuietPeriod = std::chrono::milliseconds(120);

    // A scroll at now: Began when it starts a gesture, else Changed.
    ScrollPhase scrolled(Clock::time_point now);
    // When the gesture ends unless more scrolling comes; none outside a gesture.
    std::optional<Clock::time_point> endsAt() const;
    // Ends the gesture if it has been quiet long enough; true when it did.
    bool endIfQuiet(Clock::time_point now);

private:
    std::optional<Clock::time_point> last_;
};

// One smooth-scrolling valuator of a device.
struct ScrollAxis {
    bool vertical = true;
    double increment = 1;   // the valuator change of one wheel click; negative when inverted
    bool absolute = false;  // the valuator reports positions, not changes
};

// The scrolling deltas the program works with, from a change of a scroll
// valuator: in wheel clicks, positive upwards and leftwards (the fingers'
// direction on a touchpad with natural scrolling), the sign the program's
// gestures are judged by.
double scrollingDelta(double valuatorChange, const ScrollAxis& axis);

// Input anywhere on the display, for the global monitors and the listen-only
// tap: modifier changes from XKB state notifications; pointer movement, the
// left button's release and touchpad scrolling from XInput 2 raw events on the
// root window, which arrive whoever has the pointer. Locations come from a
// query of the pointer when the event is handled (one query serves until the
// next event arrives; a modifier change reports where the pointer was last
// seen, without asking), and a movement's deltas are
// how far the pointer went since the last one: raw values cannot tell a
// device's relative motion from an absolute one (tablets, XTest), so they
// serve only as the signal. A movement that leaves the pointer where it was
// is not reported, nor one made with a mouse button held: that is a drag
// (selecting text, say), and a pointer monitor hears only free movement.
// Local monitors watch this program's own windows, and it has none yet: they
// deliver nothing.
class X11InputMonitors : public EventMonitors {
public:
    // Without a run loop gestures never end, so scrolling goes unreported.
    X11InputMonitors(Connection& conn, X11Screens& screens, X11Keyboard& keyboard, RunLoop* runLoop);
    ~X11InputMonitors() override;

    void addGlobalMonitor(uint64_t mask, Handler handler) override;
    void addLocalMonitor(uint64_t, Handler) override {}
    // Taps left-button releases; false when the server lacks XInput 2.
    bool createListenOnlyTap(uint64_t mask, Handler handler) override;
    Point mouseLocation() override;

    bool hasRawInput() const { return xinputOpcode_.has_value(); }

private:
    struct Device {
        bool touchpad = false;
        std::map<uint16_t, ScrollAxis> scrollAxes;  // by valuator number
    };

    void keyboardEvent(const xcb_generic_event_t& event);
    void inputEvent(const xcb_generic_event_t& event);
    void rawMotion(const xcb_generic_event_t& event);
    void scrolled(double deltaX, double deltaY);
    void checkGestureEnd();
    void readDevices();
    // Where the pointer is (top-left) and which buttons are held.
    struct Pointer {
        Point location;
        uint16_t buttons = 0;
    };
    Pointer queryPointer();
    Point pointerLocation() { return queryPointer().location; }
    void deliver(const std::vector<std::pair<uint64_t, Handler>>& handlers, const InputEvent& event);
    bool wants(uint64_t mask) const;

    Connection& conn_;
    X11Screens& screens_;
    X11Keyboard& keyboard_;
    RunLoop* runLoop_;
    std::optional<uint8_t> xinputOpcode_;
    std::vector<std::pair<uint64_t, Handler>> global_;
    std::vector<std::pair<uint64_t, Handler>> taps_;
    uint64_t flags_ = 0;
    std::optional<std::map<uint16_t, Device>> devices_;             // by device id; none until read
    std::map<std::pair<uint16_t, uint16_t>, double> lastAbsolute_;  // by device and valuator
    std::optional<Point> lastPointer_;
    // The answer of the last pointer query, until another event arrives.
    std::optional<Pointer> pointer_;
    Point seenPointer_;
    xcb_atom_t touchpadType_ = XCB_ATOM_NONE;
    ScrollPhases phases_;
    bool endCheckScheduled_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tilvane::x11
