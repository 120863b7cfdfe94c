#pragma once

#include <memory>
#include <string>

#include "platform/desktop_backend.h"

namespace tilvane {

// Opens the desktop this session has, trying the kinds Tilvane serves in a
// fixed order; TILVANE_BACKEND names one to use whatever the session looks
// like. Null when none fits, with what was found in error.
std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error);

}  // namespace tilvane
