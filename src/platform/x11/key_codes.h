#pragma once

#include <cstdint>
#include <optional>

namespace tilvane::x11 {

// Shortcuts are stored as virtual key codes: positions on an Apple ANSI
// keyboard (0 is the key labelled A on a US layout). On Linux the same
// physical key has an evdev scancode, and X servers number their keys as the
// scancode plus 8, so a stored shortcut names the same key on every layout.
std::optional<uint16_t> evdevCodeForVirtualKey(uint16_t virtualKeyCode);
std::optional<uint8_t> xKeycodeForVirtualKey(uint16_t virtualKeyCode);
// The virtual key code of the key at an X key code; none for keys the table lacks.
std::optional<uint16_t> virtualKeyForXKeycode(uint8_t xKeycode);

}  // namespace tilvane::x11
