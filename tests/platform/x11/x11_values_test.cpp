// Key positions, frame arithmetic, key texts, the X errors the program
// expects and the application a window belongs to: values of the X11
// backend, without a server.

#include <gtest/gtest.h>

#include <set>

#include "platform/x11/key_codes.h"
#include "platform/x11/window_owners.h"
#include "platform/x11/x11_accessibility.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x_errors.h"

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

TEST(KeyText, CodePointsBecomeUtf16) {
    EXPECT_EQ(utf16FromCodePoint(U'a'), u"a");
    EXPECT_EQ(utf16FromCodePoint(0x00DF), u"\u00DF");
    EXPECT_EQ(utf16FromCodePoint(0x1F600), u"\U0001F600");
    EXPECT_EQ(utf16FromCodePoint(0), u"");
    EXPECT_EQ(utf16FromCodePoint(0xD800), u"");
    EXPECT_EQ(utf16FromCodePoint(0x110000), u"");
}

// Which X errors the program expects: another program's window going away;
// any other error is the program's own mistake. The end-to-end tests meet
// BadWindow and BadPixmap on a real server; these are the other kinds a
// window that went away can cause, and the errors that never mean that.

constexpr uint32_t kOwnBase = 0x1a00000, kMask = 0x1fffff, kOtherWindow = 0x2400007;

xcb_generic_error_t error(uint8_t code, uint32_t resource, uint8_t major) {
    xcb_generic_error_t e{};
    e.error_code = code;
    e.resource_id = resource;
    e.major_code = major;
    return e;
}

TEST(XErrors, OnlyAnotherProgramsWindowGoingAwayIsExpected) {
    const struct {
        const char* name;
        xcb_generic_error_t error;
        bool expected;
    } rows[] = {
        {"BadDrawable about another program's window (a geometry read)", error(9, kOtherWindow, 14), true},
        {"BadMatch about it", error(8, kOtherWindow, 12), true},
        {"BadWindow about a window of our own", error(3, kOwnBase | 2, 2), false},
        {"BadValue about another program's window", error(2, kOtherWindow, 2), false},
        {"BadLength", error(16, 0, 131), false},
        {"an extension's error", error(140, kOtherWindow, 131), false},
    };
    for (const auto& row : rows) EXPECT_EQ(isExpectedError(row.error, kOwnBase, kMask), row.expected) << row.name;
}

// Which application a window belongs to, without a server: the edges the
// end-to-end tests (a window naming its process, xlogo naming none, a
// program on another machine) do not reach.

TEST(OwningApplication, TheNamedProcessElseTheClientsElseTheWindowItself) {
    constexpr xcb_window_t kWindow = 0x1a00003;
    EXPECT_EQ(owningApplication(kWindow, 0, 77), 77) << "process 0 is none";
    EXPECT_EQ(owningApplication(kWindow, 0, 0), -int32_t{kWindow});
    // An application of its own leads back to its window, whatever the window's number.
    for (xcb_window_t window : {kWindow, xcb_window_t{0x1fffffff}, xcb_window_t{1}}) {
        int32_t application = owningApplication(window, std::nullopt, std::nullopt);
        EXPECT_LT(application, 0) << window;
        EXPECT_EQ(windowOfOwnApplication(application), window);
    }
    EXPECT_EQ(windowOfOwnApplication(42), std::nullopt);
    EXPECT_EQ(windowOfOwnApplication(0), std::nullopt);
}

}  // namespace
}  // namespace tilvane::x11
