#include "placement/window_model.h"

#include <algorithm>
#include <cmath>

#include "accessibility/window_access.h"
#include "placement/screen_geometry.h"

namespace tilvane {

namespace {

double area(const Rect& r) {
    return r.isNull() ? 0 : r.width * r.height;
}

}  // namespace

std::optional<size_t> indexOfLargestOverlap(const Rect& window, const std::vector<Rect>& visibleFrames) {
    std::optional<size_t> best;
    double bestArea = 0;
    for (size_t i = 0; i < visibleFrames.size(); ++i) {
        double a = area(intersection(window, visibleFrames[i]));
        if (a > bestArea) {
            bestArea = a;
            best = i;
        }
    }
    return best;
}

Rect gridPropsForFrame(const Rect& window, const Rect& visibleFrame) {
    const double cellWidth = visibleFrame.width / kGridColumns;
    const double cellHeight = visibleFrame.height * 0.5;
    // std::round takes halves away from zero.
    return {std::round((window.x - visibleFrame.x) / cellWidth), std::round((window.y - visibleFrame.y) / cellHeight),
            std::max(1.0, std::round(window.width / cellWidth)), std::max(1.0, std::round(window.height / cellHeight))};
}

Rect frameForGridProps(const Rect& gridProps, const Rect& visibleFrame) {
    const double cellWidth = visibleFrame.width / kGridColumns;
    const double cellHeight = visibleFrame.height * 0.5;
    return integralRect({gridProps.x * cellWidth + visibleFrame.x, gridProps.y * cellHeight + visibleFrame.y,
                         cellWidth * gridProps.width, cellHeight * gridProps.height});
}

Rect integralRect(const Rect& r) {
    if (!(r.width > 0) || !(r.height > 0)) return {};
    double x = std::floor(r.x), y = std::floor(r.y);
    return {x, y, std::ceil(r.maxX()) - x, std::ceil(r.maxY()) - y};
}

WindowModel::WindowModel(const Platform& platform, AXElement window)
    : platform_(platform), window_(std::move(window)) {}

Rect WindowModel::realFrameForScreen(const std::optional<Screen>& screen, const std::vector<Screen>& screens) {
    return flipRect(screen ? screen->visibleFrame : Rect{}, primaryScreenHeight(screens));
}

std::optional<WindowModel> WindowModel::focusedWindow(const Platform& platform, WindowAccess& access) {
    auto window = access.focusedWindow();
    if (!window) return std::nullopt;
    return WindowModel(platform, std::move(*window));
}

void WindowModel::log(std::string_view line) const {
    platform_.log.write(line);
}

Point WindowModel::topLeft() const {
    auto read = readPosition(platform_.accessibility, window_);
    if (!read.value) log(read.readFailed ? "could not get window topLeft" : "could not decode topLeft");
    return read.value.value_or(Point{});
}

Size WindowModel::size() const {
    auto read = readSize(platform_.accessibility, window_);
    if (read.readFailed) log("could not get window size");
    return read.value.value_or(Size{});
}

Rect WindowModel::frame() const {
    Point origin = topLeft();
    return Rect::make(origin, size());
}

void WindowModel::setTopLeft(Point topLeft) {
    platform_.accessibility.setAttributeValue(window_, ax::kPosition, AXValue(topLeft));
}

void WindowModel::setSize(Size size) {
    platform_.accessibility.setAttributeValue(window_, ax::kSize, AXValue(size));
}

void WindowModel::setFrame(const Rect& frame) {
    setSize(frame.size());
    setTopLeft(frame.origin());
    setSize(frame.size());
}

std::optional<Screen> WindowModel::screen() const {
    Rect window = frame();
    auto screens = platform_.screens.screens();
    std::vector<Rect> visible;
    visible.reserve(screens.size());
    for (const auto& s : screens) visible.push_back(realFrameForScreen(s, screens));
    auto best = indexOfLargestOverlap(window, visible);
    if (!best) return std::nullopt;
    return screens[*best];
}

Rect WindowModel::gridProps() const {
    Rect window = frame();
    auto own = screen();
    if (!own) return kNullRect;
    return gridPropsForFrame(window, realFrameForScreen(own, platform_.screens.screens()));
}

void WindowModel::moveToGridProps(const Rect& gridProps, const Screen& screen) {
    if (!gridProps.isFinite()) return;
    setFrame(frameForGridProps(gridProps, realFrameForScreen(screen, platform_.screens.screens())));
}

void WindowModel::moveToNextScreen() {
    moveToScreen(true);
}

void WindowModel::moveToPreviousScreen() {
    moveToScreen(false);
}

void WindowModel::moveToScreen(bool next) {
    auto own = screen();
    if (!own) return;
    auto screens = platform_.screens.screens();
    Screen target = next ? nextScreen(*own, screens) : previousScreen(*own, screens);
    moveToGridProps(gridProps(), target);
}

}  // namespace tilvane
