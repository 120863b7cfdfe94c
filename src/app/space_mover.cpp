// The next and the previous Space, and the moves of the focused window there.

#include "app/space_mover.h"

#include <limits>

#include "accessibility/window_element.h"
#include "app/action_table.h"

namespace tilvane {

namespace {

constexpr int kAllSpaces = 7;
constexpr int kCurrentSpace = 1;
// Spaces of this type are not among the Desktops the Control+digit shortcuts count.
constexpr int kSkippedSpaceType = 2;
// The index of something a list does not hold.
constexpr uint64_t kNotFound = std::numeric_limits<int64_t>::max();

uint64_t indexOf(std::optional<uint64_t> space, const std::vector<uint64_t>& spaces) {
    if (space)
        for (size_t i = 0; i < spaces.size(); ++i)
            if (spaces[i] == *space) return i;
    return kNotFound;
}

}  // namespace

std::vector<uint64_t> SpaceMover::getspaces() {
    std::vector<uint64_t> result;
    if (!platform_.spaces) return result;
    auto reported = platform_.spaces->copySpaces(kAllSpaces);
    for (auto it = reported.rbegin(); it != reported.rend(); ++it)
        if (platform_.spaces->spaceType(*it) != kSkippedSpaceType) result.push_back(*it);
    return result;
}

std::optional<uint64_t> SpaceMover::current_space() {
    if (!platform_.spaces) return std::nullopt;
    auto current = platform_.spaces->copySpaces(kCurrentSpace);
    if (current.empty()) return std::nullopt;
    return current.front();
}

uint64_t SpaceMover::getNextSpaceNumber() {
    auto current = current_space();
    auto spaces = getspaces();
    uint64_t n = spaces.size();
    uint64_t i = indexOf(current, spaces);
    // Unsigned on purpose: with no Spaces at all n - 1 wraps and the result
    // is far above 16, so nothing moves.
    if (i + 1 > n - 1) return 1;
    return i + 2;
}

int64_t SpaceMover::getPrevSpaceNumber() {
    auto current = current_space();
    auto spaces = getspaces();
    int64_t n = static_cast<int64_t>(spaces.size());
    int64_t i = static_cast<int64_t>(indexOf(current, spaces));
    if (i - 1 < 0) return n;
    return i;
}

void SpaceMover::moveFocusedWindow(int64_t code, WindowAccess& access) {
    access_ = &access;
    spaceMoves_.push_back(code);
    if (!spaceMoveUnderway_) startSpaceMove();
}

void SpaceMover::startSpaceMove() {
    while (!spaceMoves_.empty()) {
        int64_t code = spaceMoves_.front();
        spaceMoves_.pop_front();
        // Counted from where the previous move left the window and the view.
        uint64_t space =
            code == action::kNextSpace ? getNextSpaceNumber() : static_cast<uint64_t>(getPrevSpaceNumber());
        auto window = WindowElement::focusedWindow(platform_, *access_);
        std::weak_ptr<bool> alive = alive_;
        auto done = [this, alive] {
            if (!alive.lock()) return;
            spaceMoveUnderway_ = false;
            startSpaceMove();
        };
        if (platform_.spaces && platform_.spaces->moveFocusedWindowToSpace(space, done)) {
            spaceMoveUnderway_ = true;
            return;
        }
        if (window && window->moveToSpace(space, done)) {
            spaceMoveUnderway_ = true;
            return;
        }
    }
}

}  // namespace tilvane
