#pragma once

#include <xcb/xtest.h>

#include <cstdint>
#include <vector>

#include "harness/x_client.h"
#include "platform/x11/key_codes.h"

namespace tilvane::e2e {

// Input through XTest that stays held between calls, as a user's fingers
// stay on keys: each call returns once the server has taken it in.
class HeldInput {
public:
    explicit HeldInput(XClient& x) : x_(x) {}

    void pressKeys(const std::vector<uint16_t>& virtualKeys) { keys(XCB_KEY_PRESS, virtualKeys); }
    void releaseKeys(const std::vector<uint16_t>& virtualKeys) { keys(XCB_KEY_RELEASE, virtualKeys); }

    // Moves the pointer to a point in root coordinates.
    void moveTo(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, int16_t(x), int16_t(y)); }
    // Moves the pointer relative to where it is, as a mouse does.
    void moveBy(int dx, int dy) { fake(XCB_MOTION_NOTIFY, 1, int16_t(dx), int16_t(dy)); }
    void pressButton() { fake(XCB_BUTTON_PRESS, 1); }
    void releaseButton() { fake(XCB_BUTTON_RELEASE, 1); }

private:
    void keys(uint8_t type, const std::vector<uint16_t>& virtualKeys) {
        for (uint16_t vk : virtualKeys)
            xcb_test_fake_input(x_.c(), type, x11::xKeycodeForVirtualKey(vk).value_or(0), XCB_CURRENT_TIME, x_.root(),
                                0, 0, 0);
        x_.conn().roundTrip();
    }
    void fake(uint8_t type, uint8_t detail, int16_t x = 0, int16_t y = 0) {
        xcb_test_fake_input(x_.c(), type, detail, XCB_CURRENT_TIME, x_.root(), x, y, 0);
        x_.conn().roundTrip();
    }

    XClient& x_;
};

}  // namespace tilvane::e2e
