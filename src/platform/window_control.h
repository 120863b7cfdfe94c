#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"

namespace tilvane {

// A desktop's windows as the program asks a compositor or window manager for
// them: which window has the keyboard, its frame, and a new frame for it in
// one request. A backend whose desktop hands out no window elements offers
// this, and the program's element model runs on it through one adapter
// (accessibility/window_control_accessibility.h).
class WindowControl {
public:
    using WindowId = uint64_t;

    virtual ~WindowControl() = default;

    // The window that has the keyboard; none when none has it.
    virtual std::optional<WindowId> focusedWindow() = 0;
    // The process of the window's application; none when the window is gone
    // or the desktop does not say.
    virtual std::optional<int32_t> processOf(WindowId window) = 0;
    // The application's windows, front to back.
    virtual std::vector<WindowId> windowsOf(int32_t process) = 0;
    // The window's frame as drawn (title bar and borders included), in
    // top-left coordinates; none when the window is gone.
    virtual std::optional<Rect> frame(WindowId window) = 0;
    // Gives the window a frame, position and size in one request; false when
    // the desktop refuses it or the window is gone.
    virtual bool setFrame(WindowId window, const Rect& frame) = 0;
    // Brings the window to the front with the keyboard.
    virtual void raise(WindowId window) = 0;
};

}  // namespace tilvane
