#pragma once

#include "platform/events.h"

namespace tilvane::test {

inline InputEvent flagsChanged(uint64_t flags) {
    return {.type = EventType::FlagsChanged, .location = {}, .modifierFlags = flags};
}

// A pointer movement to the given top-left location, by (dx, dy) since the last one.
inline InputEvent mouseMoved(Point to, double dx, double dy) {
    return {.type = EventType::MouseMoved, .location = to, .deltaX = dx, .deltaY = dy};
}

inline InputEvent scroll(ScrollPhase phase, uint64_t flags, double dx = 0, double dy = 0) {
    return {.type = EventType::ScrollWheel,
            .location = {},
            .modifierFlags = flags,
            .deltaX = 0,
            .deltaY = 0,
            .scrollingDeltaX = dx,
            .scrollingDeltaY = dy,
            .phase = phase};
}

inline InputEvent leftMouseUp(Point at) {
    return {.type = EventType::LeftMouseUp, .location = at};
}

}  // namespace tilvane::test
