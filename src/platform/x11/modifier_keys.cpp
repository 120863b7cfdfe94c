#include "platform/x11/modifier_keys.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace tilvane::x11 {

namespace {

constexpr xcb_keysym_t kAltL = 0xffe9, kAltR = 0xffea, kSuperL = 0xffeb, kSuperR = 0xffec;
constexpr int kShiftRow = 0, kControlRow = 2, kMod1Row = 3, kMod4Row = 6;

}  // namespace

uint64_t ModifierKeys::held(const uint8_t (&keymap)[32]) const {
    uint64_t flags = 0;
    for (size_t i = 0; i < kFlags.size(); ++i)
        for (uint8_t k : keys[i])
            if (keymap[k / 8] & (1u << (k % 8))) flags |= kFlags[i];
    return flags;
}

uint64_t ModifierKeys::flagsOf(uint16_t state) const {
    uint64_t flags = 0;
    for (size_t i = 0; i < kFlags.size(); ++i)
        if (state & masks[i]) flags |= kFlags[i];
    return flags;
}

bool ModifierKeys::othersDown(const uint8_t (&keymap)[32], uint64_t flags, const std::vector<uint8_t>& except) const {
    for (unsigned k = 0; k < 256; ++k) {
        if (!(keymap[k / 8] & (1u << (k % 8)))) continue;
        if (std::find(except.begin(), except.end(), k) != except.end()) continue;
        bool wanted = false;
        for (size_t i = 0; i < kFlags.size(); ++i)
            if ((flags & kFlags[i]) && std::find(keys[i].begin(), keys[i].end(), k) != keys[i].end()) wanted = true;
        if (!wanted) return true;
    }
    return false;
}

ModifierKeys readModifierKeys(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_keycode_t first = setup->min_keycode;
    uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto modmapCookie = xcb_get_modifier_mapping(c);
    auto keymapCookie = xcb_get_keyboard_mapping(c, first, count);
    XPtr<xcb_get_modifier_mapping_reply_t> modmap(xcb_get_modifier_mapping_reply(c, modmapCookie, nullptr));
    XPtr<xcb_get_keyboard_mapping_reply_t> keymap(xcb_get_keyboard_mapping_reply(c, keymapCookie, nullptr));
    ModifierKeys result;
    if (!modmap || !keymap) return result;

    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(modmap.get());
    int perRow = modmap->keycodes_per_modifier;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keymap.get());
    int symsLength = xcb_get_keyboard_mapping_keysyms_length(keymap.get());
    int perKey = keymap->keysyms_per_keycode;
    auto keyHas = [&](xcb_keycode_t key, xcb_keysym_t a, xcb_keysym_t b) {
        if (key < first) return false;
        for (int k = 0; k < perKey; ++k) {
            int index = (key - first) * perKey + k;
            if (index < symsLength && (syms[index] == a || syms[index] == b)) return true;
        }
        return false;
    };
    // The row holding one of the two keys, else the usual one; keys with them first.
    auto keysOf = [&](std::optional<std::pair<xcb_keysym_t, xcb_keysym_t>> named, int usualRow, size_t i) {
        int row = usualRow;
        if (named) {
            for (int r = 0; r < 8; ++r)
                for (int j = 0; j < perRow; ++j)
                    if (keyHas(rows[r * perRow + j], named->first, named->second)) {
                        row = r;
                        r = 8;
                        break;
                    }
        }
        result.masks[i] = static_cast<uint16_t>(1u << row);
        std::vector<uint8_t> keys;
        for (int j = 0; j < perRow; ++j)
            if (xcb_keycode_t k = rows[row * perRow + j]) keys.push_back(k);
        if (named)
            std::stable_partition(keys.begin(), keys.end(),
                                  [&](uint8_t k) { return keyHas(k, named->first, named->second); });
        return keys;
    };
    result.keys = {keysOf(std::nullopt, kShiftRow, 0), keysOf(std::nullopt, kControlRow, 1),
                   keysOf(std::pair{kAltL, kAltR}, kMod1Row, 2), keysOf(std::pair{kSuperL, kSuperR}, kMod4Row, 3)};
    return result;
}

}  // namespace tilvane::x11
