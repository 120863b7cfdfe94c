// Key positions, frame arithmetic and key texts of the X11 backend, without a server.

#include <gtest/gtest.h>

#include <set>

#include "platform/x11/key_codes.h"
#include "platform/x11/x11_accessibility.h"
#include "platform/x11/x11_keyboard.h"

namespace tilvane::x11 {
namespace {

// Each key has a position of its own, both ways; on an evdev server (Xorg,
// Xvfb, Xwayland) A is X key 38 and Left Arrow 113.
TEST(KeyCodes, EveryKeyHasItsOwnPosition) {
    std::set<uint8_t> seen;
    for (uint16_t vk = 0; vk < 0x80; ++vk) {
        auto x = xKeycodeForVirtualKey(vk);
        if (!x) continue;
        EXPECT_TRUE(seen.insert(*x).second) << "virtual key " << vk << " shares X key " << int(*x);
        EXPECT_EQ(virtualKeyForXKeycode(*x), vk);
    }
    EXPECT_GT(seen.size(), 100u);
    EXPECT_EQ(xKeycodeForVirtualKey(0x00), 38);
    EXPECT_EQ(xKeycodeForVirtualKey(0x7B), 113);
    EXPECT_FALSE(xKeycodeForVirtualKey(0x34));
    EXPECT_FALSE(xKeycodeForVirtualKey(0xFFFF));
    EXPECT_FALSE(virtualKeyForXKeycode(3));
}

TEST(FrameArithmetic, TheClientNeverShrinksBelowAPixel) {
    EXPECT_EQ(clientSizeForOuterSize({-20, 1}, Extents{1, 1, 20, 5}, Extents{}), (Size{1, 1}));
}

TEST(FrameArithmetic, FarEdgesRoundRatherThanSizes) {
    // Two thirds of 1040 side by side meet exactly.
    EXPECT_EQ(pixelSize({0, 0}, {0, 346.6666}), (Size{0, 347}));
    EXPECT_EQ(pixelSize({0, 346.6666}, {0, 346.6666}), (Size{0, 346}));
    EXPECT_EQ(pixelSize({719.5, 0}, {719.5, 0}), (Size{719, 0}));
}

TEST(KeyText, CodePointsBecomeUtf16) {
    EXPECT_EQ(utf16FromCodePoint(U'a'), u"a");
    EXPECT_EQ(utf16FromCodePoint(0x00DF), u"\u00DF");
    EXPECT_EQ(utf16FromCodePoint(0x1F600), u"\U0001F600");
    EXPECT_EQ(utf16FromCodePoint(0), u"");
    EXPECT_EQ(utf16FromCodePoint(0xD800), u"");
    EXPECT_EQ(utf16FromCodePoint(0x110000), u"");
}

}  // namespace
}  // namespace tilvane::x11
