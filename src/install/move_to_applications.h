#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tilvane {

// At start-up: offers to move the program into the applications folder when
// it runs from somewhere else, and puts the moved copy into the desktop's
// application menu. Returns when the program goes on from where it is; ends
// the process once a moved copy has been started (or a copy already running
// there has been brought forward).
void moveToApplicationsFolderIfNecessary(const Platform& platform);

// A path as one word of a shell line, whatever it holds.
std::string shellQuoted(const std::string& path);

// The shell line that waits for the process to end and then starts the
// bundle at the destination, in the background.
std::string relaunchLine(int32_t processIdentifier, const std::string& destinationPath);

}  // namespace tilvane
