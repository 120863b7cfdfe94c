#pragma once

#include <cstdint>

namespace tilvane {

// Action codes name the window actions; the program's own word for one is "direction".
namespace action {
inline constexpr int64_t kTopLeft = 100, kLeft = 120, kBottomLeft = 130, kTopRight = 140, kRight = 150,
                         kBottomRight = 160, kTop = 170, kBottom = 180, kMaximize = 190, kCenter = 200,
                         kCenterLeft = 210, kCenterRight = 220, kLeftThird = 230, kCenterVerticalThird = 240,
                         kRightThird = 250, kTopThird = 260, kCenterHorizontalThird = 270, kBottomThird = 280,
                         kIncrease = 290, kReduce = 300, kNudgeLeft = 310, kNudgeRight = 320, kNudgeUp = 330,
                         kNudgeDown = 340, kNextDisplay = 350, kPreviousDisplay = 360, kNextSpace = 370,
                         kPreviousSpace = 380, kSplitView = 1000;
}

}  // namespace tilvane
