#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/events.h"
#include "platform/run_loop.h"
#include "platform/x11/modifier_map.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_screens.h"

namespace tilvane::x11 {

// Keeps synthesized events back while the user still holds keys: modifiers
// an event does not carry, or any other key (the shortcut's own, say), and
// lets them go in order once the keys are up, with the spacing they were
// posted with. X merges the input of every keyboard and cannot lift a key
// another keyboard holds, so an event with Control alone pressed while the
// user's fingers are still on Control and Command would reach the window
// manager as Control+Command; and while the shortcut's key is down the
// program's hot key holds the keyboard, which the window manager needs to
// start a drag. Events wait at most the patience; then they go as they are.
class InputHoldBack {
public:
    using Clock = RunLoop::Clock;
    static constexpr auto kPollInterval = std::chrono::milliseconds(10);
    static constexpr auto kPatience = std::chrono::seconds(3);

    void queue(const SyntheticEvent& event, Clock::time_point now) { queue_.push_back({event, now}); }
    bool empty() const { return queue_.empty(); }
    const SyntheticEvent& front() const { return queue_.front().event; }

    struct Step {
        std::optional<SyntheticEvent> post;       // the event to send now
        std::optional<Clock::time_point> wakeAt;  // else when to look again; neither: nothing left
    };
    // What to do now; blocked says whether the user holds a modifier the front event lacks.
    Step step(Clock::time_point now, bool blocked);

private:
    struct Entry {
        SyntheticEvent event;
        Clock::time_point queuedAt;
    };
    std::deque<Entry> queue_;
    Clock::duration delay_{};  // how much later than posted the events now go
};

// Synthesized mouse and keyboard input through XTest, as if it came from the
// devices: the window manager and the applications see it like the user's own.
// Locations are in the program's top-left coordinates; key codes are virtual
// key codes placed by their position. An event's modifier flags are pressed
// (as keys) around it and let go after it.
//
// A left-button press is followed by a one-pixel movement of the pointer and
// back: window managers (openbox among them) start to drag a window only once
// the pointer moves with the button down, and a window follows a switch of
// desktops only while it is being dragged. With the movement, the press on
// the title bar, the desktop's Control+digit shortcut and the release carry
// the window to the other desktop. The movement waits until the window
// manager has handled the press, and the way back (and every event after it)
// until the drag has begun: the window manager takes the keyboard then. Sent
// together, the press and both movements reach it as one press without
// movement, and the drag never starts.
class X11EventPoster : public EventPoster {
public:
    // How long the events after a press wait for the window manager to start a drag.
    static constexpr auto kDragStartPatience = std::chrono::milliseconds(300);

    // Where the poster finds the keyboard's modifier map, asked for only when an event goes out.
    using ModifierMapSource = std::function<const ModifierMap&()>;

    // Without a run loop events go at once, held modifiers or not, and
    // nothing waits for a drag to start.
    X11EventPoster(Connection& conn, X11Screens& screens, ModifierMapSource modifiers, RunLoop* runLoop);
    ~X11EventPoster() override;

    Point currentPointerLocation() override;
    void post(const SyntheticEvent& event) override;
    // Once the events posted so far have gone out, the window manager is
    // asked to catch up; the task runs when it has.
    void afterPostedEvents(std::function<void()> task) override;

private:
    void pump();
    // Runs the tasks whose events have all gone out.
    void runWaiters();
    bool blocked(const SyntheticEvent& event);
    // Whether another client (the window manager, while it drags) has the keyboard.
    bool keyboardGrabbedElsewhere();
    void send(const SyntheticEvent& event);
    void fake(uint8_t type, uint8_t detail, int16_t x = 0, int16_t y = 0);
    void moveTo(Point location);

    Connection& conn_;
    X11Screens& screens_;
    ModifierMapSource modifiers_;
    RunLoop* runLoop_;
    InputHoldBack holdBack_;
    // The movement after a press, until the window manager starts the drag.
    struct Drag {
        int16_t step;
        RunLoop::Clock::time_point nudgedAt;
    };
    std::optional<Drag> drag_;
    // Keys pressed by a key-down event and not yet released: they hold nothing back.
    std::vector<uint8_t> keysDown_;
    bool pumpScheduled_ = false;
    // Events posted and sent so far, and the tasks waiting for a number of them to be sent.
    uint64_t posted_ = 0, sent_ = 0;
    std::vector<std::pair<uint64_t, std::function<void()>>> waiters_;
    // Tells timers that outlive the poster not to touch it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tilvane::x11
