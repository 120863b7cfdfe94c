#include "platform/x11/modifier_map.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

namespace {

constexpr xcb_keysym_t kAltL = 0xffe9, kAltR = 0xffea, kSuperL = 0xffeb, kSuperR = 0xffec, kNumLock = 0xff7f,
                       kScrollLock = 0xff14;
constexpr int kShiftRow = 0, kControlRow = 2, kMod1Row = 3, kMod4Row = 6, kRows = 8;
constexpr uint16_t kModifierMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                                   XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

}  // namespace

uint64_t ModifierMap::held(const uint8_t (&keymap)[32]) const {
    uint64_t flags = 0;
    for (size_t i = 0; i < kFlags.size(); ++i)
        for (uint8_t k : keys[i])
            if (keymap[k / 8] & (1u << (k % 8))) flags |= kFlags[i];
    return flags;
}

uint64_t ModifierMap::flagsOf(uint16_t state) const {
    uint64_t flags = 0;
    for (size_t i = 0; i < kFlags.size(); ++i)
        if (state & masks[i]) flags |= kFlags[i];
    return flags;
}

bool ModifierMap::othersDown(const uint8_t (&keymap)[32], uint64_t flags, const std::vector<uint8_t>& except) const {
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

uint16_t ModifierMap::fromCarbon(uint32_t carbon) const {
    uint16_t mods = 0;
    if (carbon & kCarbonControlKey) mods |= masks[1];
    if (carbon & kCarbonOptionKey) mods |= masks[2];
    if (carbon & kCarbonCmdKey) mods |= masks[3];
    if (carbon & kCarbonShiftKey) mods |= masks[0];
    return mods;
}

std::vector<uint16_t> ModifierMap::lockVariants() const {
    std::vector<uint16_t> locks{XCB_MOD_MASK_LOCK};
    for (uint16_t m : {numLock, scrollLock})
        if (m != 0 && std::find(locks.begin(), locks.end(), m) == locks.end()) locks.push_back(m);
    std::vector<uint16_t> variants;
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        uint16_t v = 0;
        for (size_t i = 0; i < locks.size(); ++i)
            if (subset & (1u << i)) v |= locks[i];
        variants.push_back(v);
    }
    return variants;
}

uint16_t ModifierMap::significant(uint16_t state) const {
    return state & kModifierMask & static_cast<uint16_t>(~(numLock | scrollLock));
}

ModifierMap modifierMapFrom(const std::vector<uint8_t>& rows, const std::vector<uint32_t>& symbols, int symbolsPerKey,
                            uint8_t firstKeycode) {
    ModifierMap map;
    int perRow = static_cast<int>(rows.size()) / kRows;
    auto keyHas = [&](uint8_t key, xcb_keysym_t a, xcb_keysym_t b) {
        if (key < firstKeycode) return false;
        for (int k = 0; k < symbolsPerKey; ++k) {
            size_t index = size_t(key - firstKeycode) * size_t(symbolsPerKey) + size_t(k);
            if (index < symbols.size() && (symbols[index] == a || symbols[index] == b)) return true;
        }
        return false;
    };
    // The first row holding one of the two keys.
    auto rowWith = [&](xcb_keysym_t a, xcb_keysym_t b) -> std::optional<int> {
        for (int r = 0; r < kRows; ++r)
            for (int j = 0; j < perRow; ++j)
                if (keyHas(rows[size_t(r * perRow + j)], a, b)) return r;
        return std::nullopt;
    };
    // The keys of a row, those with one of the two keys first.
    auto keysOf = [&](int row, std::optional<std::pair<xcb_keysym_t, xcb_keysym_t>> named) {
        std::vector<uint8_t> keys;
        for (int j = 0; j < perRow; ++j)
            if (uint8_t k = rows[size_t(row * perRow + j)]) keys.push_back(k);
        if (named)
            std::stable_partition(keys.begin(), keys.end(),
                                  [&](uint8_t k) { return keyHas(k, named->first, named->second); });
        return keys;
    };
    int optionRow = rowWith(kAltL, kAltR).value_or(kMod1Row);
    int commandRow = rowWith(kSuperL, kSuperR).value_or(kMod4Row);
    const int rowsOfFlags[] = {kShiftRow, kControlRow, optionRow, commandRow};
    const std::optional<std::pair<xcb_keysym_t, xcb_keysym_t>> named[] = {
        std::nullopt, std::nullopt, std::pair{kAltL, kAltR}, std::pair{kSuperL, kSuperR}};
    for (size_t i = 0; i < ModifierMap::kFlags.size(); ++i) {
        map.masks[i] = static_cast<uint16_t>(1u << rowsOfFlags[i]);
        map.keys[i] = perRow > 0 ? keysOf(rowsOfFlags[i], named[i]) : std::vector<uint8_t>{};
    }
    auto bitOf = [](std::optional<int> row) { return row ? static_cast<uint16_t>(1u << *row) : uint16_t{0}; };
    map.numLock = bitOf(rowWith(kNumLock, kNumLock));
    map.scrollLock = bitOf(rowWith(kScrollLock, kScrollLock));
    return map;
}

ModifierMap readModifierMap(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_keycode_t first = setup->min_keycode;
    uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto modmapCookie = xcb_get_modifier_mapping(c);
    auto keymapCookie = xcb_get_keyboard_mapping(c, first, count);
    XPtr<xcb_get_modifier_mapping_reply_t> modmap(xcb_get_modifier_mapping_reply(c, modmapCookie, nullptr));
    XPtr<xcb_get_keyboard_mapping_reply_t> keymap(xcb_get_keyboard_mapping_reply(c, keymapCookie, nullptr));
    if (!modmap || !keymap) return ModifierMap{};
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(modmap.get());
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(keymap.get());
    int rowsLength = std::max(xcb_get_modifier_mapping_keycodes_length(modmap.get()), 0);
    int symbolsLength = std::max(xcb_get_keyboard_mapping_keysyms_length(keymap.get()), 0);
    return modifierMapFrom(std::vector<uint8_t>(rows, rows + rowsLength),
                           std::vector<uint32_t>(symbols, symbols + symbolsLength), keymap->keysyms_per_keycode, first);
}

}  // namespace tilvane::x11
