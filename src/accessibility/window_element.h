#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "accessibility/accessibility_element.h"
#include "accessibility/window_access.h"
#include "platform/platform.h"
#include "platform/virtual_key_codes.h"

namespace tilvane {

// The element of one window of another application. It carries the window
// to another Space the way a user would: hold the title bar, press the
// desktop's Control+digit shortcut, let go half a second later.
class WindowElement : public AccessibilityElement {
public:
    WindowElement(const Platform& platform, AXElement element);

    // The focused application's focused window; none when the accessibility
    // interface is off, nothing is focused, or a read fails.
    static std::optional<WindowElement> focusedWindow(const Platform& platform, WindowAccess& access);

    // Grabs the window and switches to Desktop n (1 for the first). Numbers
    // above 16 are ignored, and so is a window (or zoom button) whose frame
    // cannot be read. Returns at once; the release follows on the run loop,
    // and then done runs, once the events have reached the system. False
    // when nothing moves (done does not run then).
    bool moveToSpace(uint64_t spaceNumber, std::function<void()> done = nullptr) const;

    static constexpr uint64_t kHighestSpaceNumber = 16;
    static constexpr auto kReleaseDelay = std::chrono::milliseconds(500);

private:
    EventPoster* eventPoster_;
    RunLoop* runLoop_;
};

// The virtual key codes of the digit keys 0 to 9 of the main keyboard row.
inline constexpr std::array<uint16_t, 10> kDigitKeyCodes{key::k0, key::k1, key::k2, key::k3, key::k4,
                                                         key::k5, key::k6, key::k7, key::k8, key::k9};

// The key that switches to Desktop n: the last decimal digit of n.
inline uint16_t keyCodeForSpaceNumber(uint64_t spaceNumber) {
    return kDigitKeyCodes[spaceNumber % 10];
}

}  // namespace tilvane
