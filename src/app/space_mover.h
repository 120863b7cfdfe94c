#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace tilvane {

class WindowAccess;

// The moves of the focused window to the next and the previous Space: which
// Space that is, counted as the Desktop shortcuts count them, and the moves
// pressed while one is under way, which wait for it and go in turn.
class SpaceMover {
public:
    explicit SpaceMover(const Platform& platform) : platform_(platform) {}
    SpaceMover(const SpaceMover&) = delete;
    SpaceMover& operator=(const SpaceMover&) = delete;

    // The Spaces the Desktop shortcuts count (reversed report, type 2 left out),
    // read anew on every call.
    std::vector<uint64_t> getspaces();
    // None when the window server reports no current Space.
    std::optional<uint64_t> current_space();
    // 1-based number of the Space after (before) the current one, wrapping at
    // the ends; numbers above 16 mean "none" to the Space move.
    uint64_t getNextSpaceNumber();
    int64_t getPrevSpaceNumber();

    // Moves the window focused now (found through access, the application's
    // one) to the next or previous Space. Pressed while a move is under way,
    // it waits for that one: each counts from where the one before left the
    // window, and each finds the pointer back where it was.
    void moveFocusedWindow(int64_t code, WindowAccess& access);

private:
    void startSpaceMove();

    Platform platform_;
    WindowAccess* access_ = nullptr;
    std::deque<int64_t> spaceMoves_;
    bool spaceMoveUnderway_ = false;
    // A move's end, reported on the run loop, checks that the mover still lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tilvane
