#pragma once

#include "platform/platform.h"

namespace tilvane {

// At start-up: offers to move the program into the applications folder when
// it runs from somewhere else. Returns when the program goes on from where it
// is; ends the process once a moved copy has been started.
void moveToApplicationsFolderIfNecessary(const Platform& platform);

}  // namespace tilvane
