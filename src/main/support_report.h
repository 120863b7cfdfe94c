#pragma once

#include <string>
#include <vector>

#include "platform/screens.h"

namespace tilvane {

// What a support report says about the desktop Tilvane runs on.
struct SupportFacts {
    std::string version;
    std::string windowManager;  // empty: none runs
    std::string server;
    std::vector<Screen> screens;  // bottom-left coordinates, primary first
    // Where the primary screen's top-left corner lies in the desktop's own
    // coordinates (top-left, origin at the corner of the X screen).
    Point primaryTopLeft;
    std::string settings;  // the stored settings as `tilvane defaults read` prints them, shortcuts in words
    std::vector<std::string> logLines;
};

// The report the user copies or saves for support: plain text, in sections.
std::string composeSupportReport(const SupportFacts& facts);

}  // namespace tilvane
