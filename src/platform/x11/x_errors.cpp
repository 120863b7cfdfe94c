#include "platform/x11/x_errors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace tilvane::x11 {

namespace {

constexpr uint8_t kBadWindow = 3, kBadMatch = 8, kBadDrawable = 9;

bool switchedOn(const char* value) {
    return value && *value && std::strcmp(value, "0") != 0;
}

const char* errorName(uint8_t code) {
    static const char* const kNames[] = {"Success",   "BadRequest", "BadValue",         "BadWindow", "BadPixmap",
                                         "BadAtom",   "BadCursor",  "BadFont",          "BadMatch",  "BadDrawable",
                                         "BadAccess", "BadAlloc",   "BadColormap",      "BadGC",     "BadIDChoice",
                                         "BadName",   "BadLength",  "BadImplementation"};
    return code < std::size(kNames) ? kNames[code] : "an extension's error";
}

}  // namespace

XErrorPolicy XErrorPolicy::fromEnvironment() {
    return from(std::getenv("TILVANE_DEBUG"), std::getenv("TILVANE_EXIT_ON_XERROR"));
}

XErrorPolicy XErrorPolicy::from(const char* debug, const char* exitOnError) {
    return {switchedOn(debug), switchedOn(exitOnError)};
}

bool isExpectedError(const xcb_generic_error_t& error, uint32_t ownResourceBase, uint32_t resourceIdMask) {
    bool aboutAWindow =
        error.error_code == kBadWindow || error.error_code == kBadDrawable || error.error_code == kBadMatch;
    bool ours = (error.resource_id & ~resourceIdMask) == ownResourceBase;
    return aboutAWindow && !ours;
}

std::string describeError(const xcb_generic_error_t& error, bool expected) {
    char line[160];
    std::snprintf(line, sizeof line, "X error %s (%u) on request %u.%u about 0x%x%s", errorName(error.error_code),
                  unsigned(error.error_code), unsigned(error.major_code), unsigned(error.minor_code),
                  unsigned(error.resource_id), expected ? ", a window that went away" : "");
    return line;
}

void handleError(const xcb_generic_error_t& error, const XErrorPolicy& policy, const xcb_setup_t& setup) {
    bool expected = isExpectedError(error, setup.resource_id_base, setup.resource_id_mask);
    if (policy.debug) std::fprintf(stderr, "tilvane: debug: %s\n", describeError(error, expected).c_str());
    if (expected || !policy.exitOnUnexpected) return;
    std::fprintf(stderr, "tilvane: %s; ending, as TILVANE_EXIT_ON_XERROR asks\n",
                 describeError(error, expected).c_str());
    std::_Exit(kExitStatusOnXError);
}

}  // namespace tilvane::x11
