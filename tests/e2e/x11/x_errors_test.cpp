// X errors of requests nobody waits for, on a real server: a window that
// went away is no reason to stop, a wrong request ends the program when
// TILVANE_EXIT_ON_XERROR asks, and TILVANE_DEBUG tells of each on stderr.

#include "platform/x11/x_errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "harness/desktop_test.h"
#include "platform/x11/x11_desktop.h"

namespace tilvane::e2e {
namespace {

using XErrorsTest = DesktopTest;

struct ErrorRow {
    const char* name;
    const char* debug;        // TILVANE_DEBUG
    const char* exitOnError;  // TILVANE_EXIT_ON_XERROR
    // Makes a request that fails, on the backend's connection; gone is another program's window that went away.
    std::function<void(xcb_connection_t*, xcb_window_t gone)> request;
    int status;
    ::testing::Matcher<const std::string&> output;
};

void selectEvents(xcb_connection_t* c, xcb_window_t window) {
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
}

// A window of the backend's own connection that it never made.
xcb_window_t ownMissingWindow(xcb_connection_t* c) {
    return xcb_get_setup(c)->resource_id_base | 0x1234;
}

const ErrorRow kErrors[] = {
    {"a window that went away", "0", "1", selectEvents, 0, ::testing::IsEmpty()},
    {"a window that went away, told", "1", "1", selectEvents, 0, ::testing::HasSubstr("BadWindow")},
    {"a window of its own it never made", "0", "1",
     [](xcb_connection_t* c, xcb_window_t) { selectEvents(c, ownMissingWindow(c)); }, x11::kExitStatusOnXError,
     ::testing::HasSubstr("TILVANE_EXIT_ON_XERROR")},
    {"a wrong request", "0", "1", [](xcb_connection_t* c, xcb_window_t) { xcb_free_pixmap(c, 0x1234); },
     x11::kExitStatusOnXError, ::testing::HasSubstr("BadPixmap")},
    {"a wrong request, not fatal", "0", "0", [](xcb_connection_t* c, xcb_window_t) { xcb_free_pixmap(c, 0x1234); }, 0,
     ::testing::IsEmpty()},
    {"a wrong request, told", "1", "", [](xcb_connection_t* c, xcb_window_t) { xcb_free_pixmap(c, 0x1234); }, 0,
     ::testing::HasSubstr("BadPixmap")},
};

TEST_F(XErrorsTest, AWindowThatWentAwayIsExpectedAndAWrongRequestEndsTheProgramWhenAsked) {
    xcb_window_t gone = x().createWindow("gone");
    xcb_destroy_window(x().c(), gone);
    x().conn().roundTrip();
    for (const auto& row : kErrors) {
        SCOPED_TRACE(row.name);
        auto backendMeetsTheError = [&] {
            ::setenv("TILVANE_DEBUG", row.debug, 1);
            ::setenv("TILVANE_EXIT_ON_XERROR", row.exitOnError, 1);
            std::string error;
            auto backend = x11::X11Desktop::open(desktop().display().c_str(), error);
            if (!backend) std::_Exit(99);
            row.request(backend->connection().get(), gone);
            backend->connection().roundTrip();
            backend->dispatchEvents();
            std::_Exit(0);
        };
        EXPECT_EXIT(backendMeetsTheError(), ::testing::ExitedWithCode(row.status), row.output);
    }
}

}  // namespace
}  // namespace tilvane::e2e
