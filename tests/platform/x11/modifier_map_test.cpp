// The modifier map without a server: which bits and keys hold the modifiers
// as the server's mappings say, the flags of keys down and of state bits,
// the modifiers of hot keys and the lock variants they are grabbed in.

#include "platform/x11/modifier_map.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/x11/x11_input_monitors.h"

namespace tilvane::x11 {
namespace {

constexpr uint32_t kShiftL = 0xffe1, kShiftR = 0xffe2, kControlL = 0xffe3, kControlR = 0xffe4, kCapsLock = 0xffe5,
                   kMetaL = 0xffe7, kAltL = 0xffe9, kAltR = 0xffea, kSuperL = 0xffeb, kSuperR = 0xffec,
                   kHyperL = 0xffed, kNumLock = 0xff7f, kScrollLock = 0xff14, kLevel3 = 0xfe03, kA = 0x61;
constexpr uint8_t kFirstKeycode = 8;
constexpr int kSymbolsPerKey = 2;

// A keyboard mapping with the given symbols on the keys, each at the given level.
std::vector<uint32_t> symbols(const std::map<uint8_t, std::vector<uint32_t>>& keys) {
    std::vector<uint32_t> table(size_t(256 - kFirstKeycode) * kSymbolsPerKey, 0);
    for (const auto& [key, levels] : keys)
        for (size_t level = 0; level < levels.size(); ++level)
            table[size_t(key - kFirstKeycode) * kSymbolsPerKey + level] = levels[level];
    return table;
}

// The keys of the usual evdev keyboard.
const std::map<uint8_t, std::vector<uint32_t>> kUsualKeys{
    {50, {kShiftL}},  {62, {kShiftR}},  {66, {kCapsLock}},  {37, {kControlL}},   {105, {kControlR}},
    {64, {kAltL}},    {108, {kAltR}},   {204, {0, kMetaL}}, {77, {kNumLock}},    {133, {kSuperL}},
    {134, {kSuperR}}, {207, {kHyperL}}, {92, {kLevel3}},    {78, {kScrollLock}}, {38, {kA}},
};

struct MapRow {
    const char* name;
    std::vector<uint8_t> rows;  // Shift, Lock, Control, Mod1 … Mod5: three keys each
    std::array<uint16_t, 4> masks;
    std::array<std::vector<uint8_t>, 4> keys;
    uint16_t numLock, scrollLock;
};

const MapRow kMaps[] = {
    {"the usual map",
     {50, 62, 0, 66, 0, 0, 37, 105, 0, 64, 108, 204, 77, 0, 0, 0, 0, 0, 133, 134, 207, 92, 0, 0},
     {XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_1, XCB_MOD_MASK_4},
     {std::vector<uint8_t>{50, 62}, {37, 105}, {64, 108, 204}, {133, 134, 207}},
     XCB_MOD_MASK_2,
     0},
    {"Alt on Mod3, Super on Mod5, Num Lock on Mod4, Scroll Lock on Mod2",
     {50, 0, 0, 66, 0, 0, 37, 0, 0, 92, 0, 0, 78, 0, 0, 64, 0, 0, 77, 0, 0, 133, 0, 0},
     {XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_3, XCB_MOD_MASK_5},
     {std::vector<uint8_t>{50}, {37}, {64}, {133}},
     XCB_MOD_MASK_4,
     XCB_MOD_MASK_2},
    {"Alt keys first in their row, pressed on the program's behalf",
     {50, 0, 0, 66, 0, 0, 37, 0, 0, 204, 92, 108, 77, 0, 0, 0, 0, 0, 207, 133, 0, 0, 0, 0},
     {XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_1, XCB_MOD_MASK_4},
     {std::vector<uint8_t>{50}, {37}, {108, 204, 92}, {133, 207}},
     XCB_MOD_MASK_2,
     0},
};

TEST(ModifierMap, RowsAndKeysComeFromTheServersMappings) {
    auto table = symbols(kUsualKeys);
    for (const auto& row : kMaps) {
        SCOPED_TRACE(row.name);
        ModifierMap map = modifierMapFrom(row.rows, table, kSymbolsPerKey, kFirstKeycode);
        EXPECT_EQ(map.masks, row.masks);
        EXPECT_EQ(map.keys, row.keys);
        EXPECT_EQ(map.numLock, row.numLock);
        EXPECT_EQ(map.scrollLock, row.scrollLock);
    }
    // Mappings that say nothing leave the usual bits and no keys.
    ModifierMap empty = modifierMapFrom({}, {}, 0, kFirstKeycode);
    EXPECT_EQ(empty.masks, kMaps[0].masks);
    EXPECT_EQ(empty.keys, (std::array<std::vector<uint8_t>, 4>{}));
}

ModifierMap usualMap() {
    return modifierMapFrom(kMaps[0].rows, symbols(kUsualKeys), kSymbolsPerKey, kFirstKeycode);
}

struct Keymap {
    uint8_t bits[32] = {};
    Keymap(std::initializer_list<uint8_t> down) {
        for (uint8_t k : down) bits[k / 8] |= uint8_t(1u << (k % 8));
    }
};

TEST(ModifierMap, KeysDownAndStateBitsGiveTheFlags) {
    ModifierMap map = usualMap();
    EXPECT_EQ(map.held(Keymap{37, 133}.bits), modifier::kControl | modifier::kCommand);
    EXPECT_EQ(map.held(Keymap{62, 108, 38}.bits), modifier::kShift | modifier::kOption);
    EXPECT_EQ(map.held(Keymap{}.bits), 0u);

    // Held or latched modifiers count; of the locks only Caps Lock, as its flag.
    EXPECT_EQ(flagsOfKeyboardState(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 0, map),
              modifier::kControl | modifier::kOption);
    EXPECT_EQ(flagsOfKeyboardState(XCB_MOD_MASK_4, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2, map),
              modifier::kCommand | modifier::kCapsLock);
    // Where Alt and Super sit elsewhere in the modifier map.
    ModifierMap moved = modifierMapFrom(kMaps[1].rows, symbols(kUsualKeys), kSymbolsPerKey, kFirstKeycode);
    EXPECT_EQ(flagsOfKeyboardState(XCB_MOD_MASK_3 | XCB_MOD_MASK_5 | XCB_MOD_MASK_4, 0, moved),
              modifier::kOption | modifier::kCommand);
    EXPECT_EQ(moved.fromCarbon(kCarbonOptionKey | kCarbonCmdKey), XCB_MOD_MASK_3 | XCB_MOD_MASK_5);
}

TEST(ModifierMap, KeysInTheWayOfAnEvent) {
    ModifierMap map = usualMap();
    const struct {
        const char* name;
        Keymap down;
        uint64_t flags;
        std::vector<uint8_t> ours;
        bool inTheWay;
    } rows[] = {
        {"nothing down", {}, modifier::kControl, {}, false},
        {"the event's own modifier", {105}, modifier::kControl, {}, false},
        {"a modifier the event lacks", {37, 133}, modifier::kControl, {}, true},
        {"the shortcut's key still down", {57}, 0, {}, true},
        {"a key the program pressed", {11}, 0, {11}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(map.othersDown(row.down.bits, row.flags, row.ours), row.inTheWay) << row.name;
}

// Hot keys are grabbed in every combination of the lock modifiers there are,
// and presses are matched without the locks and the mouse buttons.
TEST(ModifierMap, HotKeysAreGrabbedInEveryLockVariantAndMatchedWithoutLocksAndButtons) {
    ModifierMap map;  // Alt on Mod1, Super on Mod4, Num Lock on Mod2
    EXPECT_EQ(map.fromCarbon(kCarbonCmdKey | kCarbonShiftKey | 0x0400 /* Caps Lock */),
              XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT);
    // Num Lock and Caps Lock on or off the serving tests press; Scroll Lock doubles them.
    map.scrollLock = XCB_MOD_MASK_5;
    EXPECT_EQ(map.lockVariants().size(), 8u);

    const uint16_t controlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    EXPECT_EQ(map.significant(controlAlt | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_5 | XCB_BUTTON_MASK_1),
              controlAlt);
    EXPECT_EQ(map.significant(controlAlt | XCB_MOD_MASK_SHIFT), controlAlt | XCB_MOD_MASK_SHIFT);
}

}  // namespace
}  // namespace tilvane::x11
