#pragma once

#include <cstdint>
#include <functional>

#include "platform/geometry.h"

namespace tilvane {

enum class EventType : uint32_t {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    MouseMoved = 5,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    ScrollWheel = 22,
};

// Modifier bits of input events.
namespace modifier {
inline constexpr uint64_t kCapsLock = 0x10000;
inline constexpr uint64_t kShift = 0x20000;
inline constexpr uint64_t kControl = 0x40000;
inline constexpr uint64_t kOption = 0x80000;
inline constexpr uint64_t kCommand = 0x100000;
inline constexpr uint64_t kNumericPad = 0x200000;
inline constexpr uint64_t kFunction = 0x800000;
inline constexpr uint64_t kShortcutMask = 0x1E0000;
}  // namespace modifier

// A synthesized mouse or keyboard event, posted as if it came from the hardware.
struct SyntheticEvent {
    EventType type = EventType::MouseMoved;
    Point location;        // top-left coordinates (mouse events)
    uint16_t keyCode = 0;  // virtual key code (keyboard events)
    uint64_t flags = 0;
    friend bool operator==(const SyntheticEvent&, const SyntheticEvent&) = default;
};

class EventPoster {
public:
    virtual ~EventPoster() = default;
    // The pointer position in top-left coordinates.
    virtual Point currentPointerLocation() = 0;
    virtual void post(const SyntheticEvent& event) = 0;
    // Runs the task on the run loop once every event posted so far has
    // reached the system and been handled (a poster may hold events back
    // while the user still holds keys).
    virtual void afterPostedEvents(std::function<void()> task) = 0;
};

enum class ScrollPhase : uint32_t {
    None = 0,
    Began = 1,
    Stationary = 2,
    Changed = 4,
    Ended = 8,
    Cancelled = 16,
    MayBegin = 32
};

// An event delivered to a monitor or tap.
struct InputEvent {
    EventType type = EventType::MouseMoved;
    Point location;  // top-left coordinates
    uint64_t modifierFlags = 0;
    double deltaX = 0;  // pointer movement since the previous event; y positive downwards
    double deltaY = 0;
    double scrollingDeltaX = 0;
    double scrollingDeltaY = 0;
    ScrollPhase phase = ScrollPhase::None;
};

namespace event_mask {
inline constexpr uint64_t kLeftMouseUp = 1ull << 2;
inline constexpr uint64_t kMouseMoved = 1ull << 5;
inline constexpr uint64_t kFlagsChanged = 1ull << 12;
inline constexpr uint64_t kScrollWheel = 1ull << 22;
}  // namespace event_mask

// Observation of input anywhere in the session. Global monitors see events
// aimed at other applications, local monitors those aimed at this one; a
// listen-only tap sees every matching event. Handlers run on the run loop.
class EventMonitors {
public:
    using Handler = std::function<void(const InputEvent&)>;
    virtual ~EventMonitors() = default;
    virtual void addGlobalMonitor(uint64_t mask, Handler handler) = 0;
    virtual void addLocalMonitor(uint64_t mask, Handler handler) = 0;
    // False when the tap cannot be created.
    virtual bool createListenOnlyTap(uint64_t mask, Handler handler) = 0;
    // The pointer position in bottom-left coordinates.
    virtual Point mouseLocation() = 0;
};

}  // namespace tilvane
