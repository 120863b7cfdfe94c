#pragma once

#include <cstdint>
#include <string>

#include "platform/user_interface.h"

namespace tilvane {

// The pictures of the status menu's actions and of the status item, drawn
// from the actions themselves: a screen with the place the action gives a
// window on it, so that picture and action cannot disagree. SVG documents
// drawn in "currentColor", 18 by 18.
std::string menuImageSvg(int64_t code);
// Gives the user interface every action's picture under its image name, and
// the Split View picture as "split" (the status item's icon).
void registerMenuImages(UserInterface& ui);

}  // namespace tilvane
