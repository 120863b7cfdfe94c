#include "app/menu_images.h"

#include <cmath>
#include <vector>

#include "app/action_table.h"
#include "placement/layout_manager.h"
#include "placement/screen_geometry.h"
#include "platform/number_text.h"

namespace tilvane {

namespace {

// Pictures are computed at ten times their size, where an action's steps in
// points (a 20-point grow, say) are visible, and drawn at a tenth.
constexpr double kScale = 0.1;
const Rect kScreen{15, 35, 150, 110};
// A window in the middle of the screen, for the actions that change a window's own frame.
const Rect kWindow{55, 60, 70, 50};

std::string number(double v) {
    return number_text::format(std::round(v * kScale * 100) / 100);
}

std::string rect(const Rect& r, const char* style) {
    return "<rect x=\"" + number(r.x) + "\" y=\"" + number(r.y) + "\" width=\"" + number(r.width) + "\" height=\"" +
           number(r.height) + "\" " + style + "/>";
}

constexpr const char* kOutline = "fill=\"none\" stroke=\"currentColor\" stroke-width=\"1\"";
constexpr const char* kFilled = "fill=\"currentColor\"";
constexpr const char* kFaint = "fill=\"currentColor\" fill-opacity=\"0.35\"";

std::string document(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"18\" height=\"18\" viewBox=\"0 0 18 18\">" + body +
           "</svg>";
}

// Three screens side by side in list order, the window on the middle one and
// filled on the one the action takes it to.
std::string displayPicture(int64_t code) {
    std::vector<Screen> screens;
    for (int i = 0; i < 3; ++i) {
        Screen s;
        s.id = static_cast<uint32_t>(i + 1);
        s.frame = s.visibleFrame = {10.0 + 55.0 * i, 55, 50, 70};
        screens.push_back(s);
    }
    const Screen& own = screens[1];
    Screen target = code == action::kNextDisplay ? nextScreen(own, screens) : previousScreen(own, screens);
    std::string body;
    for (const auto& s : screens) {
        body += rect(s.frame, kOutline);
        Rect inner{s.frame.x + 10, s.frame.y + 15, s.frame.width - 20, s.frame.height - 30};
        if (s.id == target.id)
            body += rect(inner, kFilled);
        else if (s.id == own.id)
            body += rect(inner, kFaint);
    }
    return body;
}

// A pager of three desktops; the window goes to the one after (or before) the current.
std::string spacePicture(int64_t code) {
    std::string body = rect({10, 55, 160, 70}, kOutline);
    const int current = 1;
    int target = code == action::kNextSpace ? (current + 1) % 3 : (current + 2) % 3;
    for (int i = 0; i < 3; ++i) {
        Rect cell{10 + 160.0 / 3 * i, 55, 160.0 / 3, 70};
        if (i > 0) body += rect({cell.x, cell.y, 0.1, cell.height}, kOutline);
        Rect window{cell.x + 12, cell.y + 15, cell.width - 24, cell.height - 30};
        if (i == target)
            body += rect(window, kFilled);
        else if (i == current)
            body += rect(window, kFaint);
    }
    return body;
}

}  // namespace

std::string menuImageSvg(int64_t code) {
    std::string body;
    switch (code) {
        case action::kNextDisplay:
        case action::kPreviousDisplay: body = displayPicture(code); break;
        case action::kNextSpace:
        case action::kPreviousSpace: body = spacePicture(code); break;
        case action::kSplitView: {
            // Two windows sharing the screen: the left half taken, the right one offered.
            body = rect(kScreen, kOutline) + rect(targetFrameForAction(action::kLeft, kScreen), kFilled) +
                   rect(targetFrameForAction(action::kRight, kScreen), kFaint);
            break;
        }
        default:
            body = rect(kScreen, kOutline);
            if (actsOnWindowFrame(code)) {
                body += rect(kWindow, kFaint) + rect(targetFrameForAction(code, kWindow), kOutline);
            } else {
                body += rect(targetFrameForAction(code, kScreen), kFilled);
            }
    }
    return document(body);
}

void registerMenuImages(UserInterface& ui) {
    for (const auto& action : kActions)
        if (!action.imageName.empty()) ui.registerImage(std::string(action.imageName), menuImageSvg(action.code));
}

}  // namespace tilvane
