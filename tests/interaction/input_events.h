#pragma once

#include "platform/events.h"

namespace tilvane::test {

inline InputEvent flagsChanged(uint64_t flags) {
    InputEvent e;
    e.type = EventType::FlagsChanged;
    e.modifierFlags = flags;
    return e;
}

// A pointer movement to the given top-left location, by (dx, dy) since the last one.
inline InputEvent mouseMoved(Point to, double dx, double dy) {
    InputEvent e;
    e.type = EventType::MouseMoved;
    e.location = to;
    e.deltaX = dx;
    e.deltaY = dy;
    return e;
}

inline InputEvent scroll(ScrollPhase phase, uint64_t flags, double dx = 0, double dy = 0) {
    InputEvent e;
    e.type = EventType::ScrollWheel;
    e.phase = phase;
    e.modifierFlags = flags;
    e.scrollingDeltaX = dx;
    e.scrollingDeltaY = dy;
    return e;
}

inline InputEvent leftMouseUp(Point at) {
    InputEvent e;
    e.type = EventType::LeftMouseUp;
    e.location = at;
    return e;
}

}  // namespace tilvane::test
