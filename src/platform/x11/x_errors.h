#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

namespace tilvane::x11 {

// The exit status of a program that ends on an X error it did not expect.
inline constexpr int kExitStatusOnXError = 70;

// What the program does with the X errors of requests whose replies nobody
// reads. TILVANE_DEBUG writes a line about each one to stderr, which stays
// quiet otherwise; TILVANE_EXIT_ON_XERROR ends the program on one that is
// not expected, so that the tests see every request the program gets wrong.
// Any value but "0" turns a switch on.
struct XErrorPolicy {
    bool debug = false;
    bool exitOnUnexpected = false;

    static XErrorPolicy fromEnvironment();
    // From the two variables' values (null when unset).
    static XErrorPolicy from(const char* debug, const char* exitOnError);
};

// Whether an error is one the program must live with. The windows it is told
// about belong to other programs, which may destroy them at any moment: the
// window list, the active window and a strut's owner can be gone by the time
// a request about them arrives. So BadWindow, BadDrawable and BadMatch about a
// resource this connection did not make are expected. The same errors about
// the program's own windows, and every other error (a bad value, atom or
// length; an extension's own errors), mean a wrong request.
bool isExpectedError(const xcb_generic_error_t& error, uint32_t ownResourceBase, uint32_t resourceIdMask);

// A line about the error for the debug output.
std::string describeError(const xcb_generic_error_t& error, bool expected);

// Writes the debug line the policy asks for, and ends the program when it
// asks that and the error is not expected.
void handleError(const xcb_generic_error_t& error, const XErrorPolicy& policy, const xcb_setup_t& setup);

}  // namespace tilvane::x11
