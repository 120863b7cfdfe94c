// Which X errors the program expects, and the switches that say what to do
// with them, without a server.

#include "platform/x11/x_errors.h"

#include <gtest/gtest.h>

namespace tilvane::x11 {
namespace {

constexpr uint32_t kOwnBase = 0x1a00000, kMask = 0x1fffff;
constexpr uint32_t kOwnWindow = 0x1a00002, kOtherWindow = 0x2400007;

xcb_generic_error_t error(uint8_t code, uint32_t resource, uint8_t major) {
    xcb_generic_error_t e{};
    e.error_code = code;
    e.resource_id = resource;
    e.major_code = major;
    return e;
}

TEST(XErrors, OnlyAnotherProgramsWindowGoingAwayIsExpected) {
    struct Row {
        const char* name;
        xcb_generic_error_t error;
        bool expected;
    };
    const Row rows[] = {
        {"BadWindow about another program's window", error(3, kOtherWindow, 2), true},
        {"BadDrawable about it (a geometry read)", error(9, kOtherWindow, 14), true},
        {"BadMatch about it", error(8, kOtherWindow, 12), true},
        {"BadWindow about a window of our own", error(3, kOwnWindow, 2), false},
        {"BadValue", error(2, kOtherWindow, 2), false},
        {"BadAtom", error(5, 0x1234, 20), false},
        {"BadPixmap", error(4, kOtherWindow, 54), false},
        {"BadLength", error(16, 0, 131), false},
        {"an extension's error", error(140, kOtherWindow, 131), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isExpectedError(row.error, kOwnBase, kMask), row.expected);
    }
}

TEST(XErrors, AnyValueButZeroTurnsASwitchOn) {
    struct Row {
        const char* debug;
        const char* exitOnError;
        bool debugOn, exitOn;
    };
    const Row rows[] = {
        {nullptr, nullptr, false, false}, {"1", nullptr, true, false}, {nullptr, "1", false, true},
        {"0", "0", false, false},         {"", "yes", false, true},    {"true", "", true, false},
    };
    for (const auto& row : rows) {
        auto policy = XErrorPolicy::from(row.debug, row.exitOnError);
        EXPECT_EQ(policy.debug, row.debugOn) << (row.debug ? row.debug : "unset");
        EXPECT_EQ(policy.exitOnUnexpected, row.exitOn) << (row.exitOnError ? row.exitOnError : "unset");
    }
}

}  // namespace
}  // namespace tilvane::x11
