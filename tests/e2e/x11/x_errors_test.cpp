// X errors of requests nobody waits for, on a real server: a window that
// went away is no reason to stop, a wrong request ends the program when
// TILVANE_EXIT_ON_XERROR asks, and TILVANE_DEBUG tells of each on stderr.

#include "platform/x11/x_errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "harness/desktop_test.h"
#include "platform/x11/x11_desktop.h"

namespace tilvane::e2e {
namespace {

using XErrorsTest = DesktopTest;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The request that fails, made on the backend's connection.
enum class Request {
    GoneWindow,        // events selected on another program's window that went away
    OwnMissingWindow,  // the same on a window of its own connection that it never made
    WrongPixmap,       // a pixmap nobody made freed
};

struct ErrorRow {
    const char* name;
    const char* debug;        // TILVANE_DEBUG
    const char* exitOnError;  // TILVANE_EXIT_ON_XERROR
    Request request;
    int status;
    ::testing::Matcher<const std::string&> output;
};

const ErrorRow kErrors[] = {
    {"a window that went away", "0", "1", Request::GoneWindow, 0, IsEmpty()},
    {"a window that went away, told", "1", "1", Request::GoneWindow, 0, HasSubstr("BadWindow")},
    {"a window of its own it never made", "0", "1", Request::OwnMissingWindow, x11::kExitStatusOnXError,
     HasSubstr("TILVANE_EXIT_ON_XERROR")},
    {"a wrong request", "0", "1", Request::WrongPixmap, x11::kExitStatusOnXError, HasSubstr("BadPixmap")},
    {"a wrong request, not fatal", "0", "0", Request::WrongPixmap, 0, IsEmpty()},
    {"a wrong request, told", "1", "", Request::WrongPixmap, 0, HasSubstr("BadPixmap")},
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
            xcb_connection_t* c = backend->connection().get();
            uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_window_t window =
                row.request == Request::GoneWindow ? gone : xcb_get_setup(c)->resource_id_base | 0x1234;
            if (row.request == Request::WrongPixmap)
                xcb_free_pixmap(c, 0x1234);
            else
                xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
            backend->connection().roundTrip();
            backend->dispatchEvents();
            std::_Exit(0);
        };
        EXPECT_EXIT(backendMeetsTheError(), ::testing::ExitedWithCode(row.status), row.output);
    }
}

}  // namespace
}  // namespace tilvane::e2e
