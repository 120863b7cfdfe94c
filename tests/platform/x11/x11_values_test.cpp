// Key positions, frame arithmetic and key texts of the X11 backend, without a server.

#include <gtest/gtest.h>

#include <set>

#include "platform/x11/key_codes.h"
#include "platform/x11/x11_accessibility.h"
#include "platform/x11/x11_keyboard.h"

namespace tilvane::x11 {
namespace {

TEST(KeyCodes, KeysMapToTheirPositionOnAnEvdevServer) {
    struct Row {
        uint16_t virtualKey;
        uint8_t xKeycode;
    };
    // X key codes of a server with evdev key codes (Xorg, Xvfb, Xwayland).
    const Row rows[] = {{0x00, 38},  {0x06, 52}, {0x08, 54},  {0x12, 10},  {0x2E, 58},  {0x03, 41},
                        {0x24, 36},  {0x31, 65}, {0x35, 9},   {0x7B, 113}, {0x7C, 114}, {0x7D, 116},
                        {0x7E, 111}, {0x3B, 37}, {0x3A, 64},  {0x37, 133}, {0x38, 50},  {0x7A, 67},
                        {0x6F, 96},  {0x52, 90}, {0x4C, 104}, {0x47, 77}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.virtualKey);
        EXPECT_EQ(xKeycodeForVirtualKey(row.virtualKey), row.xKeycode);
        EXPECT_EQ(virtualKeyForXKeycode(row.xKeycode), row.virtualKey);
    }
}

TEST(KeyCodes, EveryKeyHasItsOwnPosition) {
    std::set<uint8_t> seen;
    for (uint16_t vk = 0; vk < 0x80; ++vk) {
        auto x = xKeycodeForVirtualKey(vk);
        if (!x) continue;
        EXPECT_TRUE(seen.insert(*x).second) << "virtual key " << vk << " shares X key " << int(*x);
        EXPECT_EQ(virtualKeyForXKeycode(*x), vk);
    }
    EXPECT_GT(seen.size(), 100u);
    EXPECT_FALSE(xKeycodeForVirtualKey(0x34));
    EXPECT_FALSE(xKeycodeForVirtualKey(0xFFFF));
    EXPECT_FALSE(virtualKeyForXKeycode(3));
}

TEST(FrameArithmetic, DecorationsAddAndShadowsTakeAway) {
    Extents decorations{1, 1, 20, 5}, none{}, shadows{12, 12, 10, 14};
    EXPECT_EQ(outerFrame({101, 120, 398, 275}, decorations, none), (Rect{100, 100, 400, 300}));
    EXPECT_EQ(outerFrame({88, 90, 424, 324}, none, shadows), (Rect{100, 100, 400, 300}));
    EXPECT_EQ(clientSizeForOuterSize({400, 300}, decorations, none), (Size{398, 275}));
    EXPECT_EQ(clientSizeForOuterSize({400, 300}, none, shadows), (Size{424, 324}));
    // The client never shrinks below a pixel, whatever was asked.
    EXPECT_EQ(clientSizeForOuterSize({-20, 1}, decorations, none), (Size{1, 1}));
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
