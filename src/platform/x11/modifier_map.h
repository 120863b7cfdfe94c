#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/events.h"
#include "platform/hot_keys.h"

namespace tilvane::x11 {

// The server's modifier map as the program uses it: for Shift, Control,
// Option (Alt) and Command (Super) the X modifier bit that stands for it and
// every key bound to it (the first is the one pressed on the program's
// behalf), and the bits of Num Lock and Scroll Lock, which a key press may
// carry without changing its meaning.
struct ModifierMap {
    static constexpr std::array<uint64_t, 4> kFlags{modifier::kShift, modifier::kControl, modifier::kOption,
                                                    modifier::kCommand};
    std::array<std::vector<uint8_t>, 4> keys;  // in the order of kFlags
    std::array<uint16_t, 4> masks{XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_1, XCB_MOD_MASK_4};
    uint16_t numLock = XCB_MOD_MASK_2;
    uint16_t scrollLock = 0;

    // The modifier flags of the keys down in a QueryKeymap bit vector.
    uint64_t held(const uint8_t (&keymap)[32]) const;
    // The modifier flags of X modifier bits.
    uint64_t flagsOf(uint16_t state) const;
    // Whether a key is down (in a QueryKeymap bit vector) that is none of
    // the given ones and does not hold one of the modifiers in flags.
    bool othersDown(const uint8_t (&keymap)[32], uint64_t flags, const std::vector<uint8_t>& except) const;

    // The X modifiers of Carbon modifier bits: Control, Option (Alt),
    // Command (Super) and Shift; other bits have no X counterpart.
    uint16_t fromCarbon(uint32_t carbon) const;
    // Every combination of the lock modifiers, none first.
    std::vector<uint16_t> lockVariants() const;
    // The modifiers of a key event with the locks and mouse buttons left out.
    uint16_t significant(uint16_t state) const;

    friend bool operator==(const ModifierMap&, const ModifierMap&) = default;
};

// The map from the server's modifier mapping (eight rows of key codes, from
// Shift to Mod5) and keyboard mapping (symbolsPerKey key symbols for each
// key from firstKeycode on). Shift and Control are their own rows; Option
// and Command are the rows that hold an Alt and a Super key, else Mod1 and
// Mod4; Num Lock and Scroll Lock are the rows that hold those keys, else none.
ModifierMap modifierMapFrom(const std::vector<uint8_t>& rows, const std::vector<uint32_t>& symbols, int symbolsPerKey,
                            uint8_t firstKeycode);

// Reads the map from the server: its modifier and keyboard mappings, in one round trip.
ModifierMap readModifierMap(xcb_connection_t* c);

}  // namespace tilvane::x11
