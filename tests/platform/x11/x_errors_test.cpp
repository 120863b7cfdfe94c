// Which X errors the program expects, without a server. Another program's
// window going away is expected; any other error is the program's own
// mistake. The end-to-end tests meet BadWindow and BadPixmap on a real
// server; these are the other kinds a window that went away can cause, and
// the errors that never mean that.

#include "platform/x11/x_errors.h"

#include <gtest/gtest.h>

namespace tilvane::x11 {
namespace {

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

}  // namespace
}  // namespace tilvane::x11
