#include "install/move_to_applications.h"

namespace tilvane {

void moveToApplicationsFolderIfNecessary(const Platform&) {
    // A program installed where it belongs has nothing to move.
}

}  // namespace tilvane
