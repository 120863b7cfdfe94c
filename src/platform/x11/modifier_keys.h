#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/events.h"
#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

// The keys that hold Shift, Control, Option (Alt) and Command (Super), from
// the server's modifier map: for each, every key bound to it; the first is
// the one pressed on the program's behalf.
struct ModifierKeys {
    static constexpr std::array<uint64_t, 4> kFlags{modifier::kShift, modifier::kControl, modifier::kOption,
                                                    modifier::kCommand};
    std::array<std::vector<uint8_t>, 4> keys;  // in the order of kFlags
    std::array<uint16_t, 4> masks{XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_1, XCB_MOD_MASK_4};

    // The modifier flags of the keys down in a QueryKeymap bit vector.
    uint64_t held(const uint8_t (&keymap)[32]) const;
    // The modifier flags of X modifier bits.
    uint64_t flagsOf(uint16_t state) const;
    // Whether a key is down (in a QueryKeymap bit vector) that is none of
    // the given ones and does not hold one of the modifiers in flags.
    bool othersDown(const uint8_t (&keymap)[32], uint64_t flags, const std::vector<uint8_t>& except) const;
};

// Reads the keys of the four modifiers: Shift and Control rows of the modifier
// map, and the rows that hold Alt and Super keys for Option and Command.
ModifierKeys readModifierKeys(xcb_connection_t* c);

}  // namespace tilvane::x11
