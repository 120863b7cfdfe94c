// Which application a window belongs to, without a server: the edges the
// end-to-end tests (a window naming its process, xlogo naming none, a
// program on another machine) do not reach.

#include "platform/x11/window_owners.h"

#include <gtest/gtest.h>

namespace tilvane::x11 {
namespace {

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
