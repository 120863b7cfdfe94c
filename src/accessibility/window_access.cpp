#include "accessibility/window_access.h"

namespace tilvane {

namespace {

template <class T>
AttributeRead<T> readValue(Accessibility& ax, const AXElement& element, std::string_view attribute) {
    auto read = ax.copyAttributeValue(element, attribute);
    if (!read.ok()) return {std::nullopt, true};
    const T* value = std::get_if<T>(&read.value.value);
    if (!value) return {};
    return {*value};
}

}  // namespace

std::optional<AXElement> readElement(Accessibility& ax, const AXElement& element, std::string_view attribute) {
    if (!element) return std::nullopt;
    auto read = readValue<AXElement>(ax, element, attribute);
    if (!read.value || !*read.value) return std::nullopt;
    return read.value;
}

std::optional<AXElement> firstWindow(Accessibility& ax, const AXElement& application) {
    auto read = readValue<AXArray>(ax, application, ax::kWindows);
    if (!read.value || read.value->empty()) return std::nullopt;
    const AXElement* first = read.value->front().element();
    if (!first || !*first) return std::nullopt;
    return *first;
}

AttributeRead<Point> readPosition(Accessibility& ax, const AXElement& element) {
    return readValue<Point>(ax, element, ax::kPosition);
}

AttributeRead<Size> readSize(Accessibility& ax, const AXElement& element) {
    return readValue<Size>(ax, element, ax::kSize);
}

std::optional<Rect> readFrame(Accessibility& ax, const AXElement& element) {
    auto position = readPosition(ax, element).value;
    if (!position) return std::nullopt;
    auto size = readSize(ax, element).value;
    if (!size) return std::nullopt;
    return Rect::make(*position, *size);
}

Rect readFrameWithZerosForUnreadableParts(Accessibility& ax, const AXElement& element) {
    Size size = readSize(ax, element).value.value_or(Size{});
    Point position = readPosition(ax, element).value.value_or(Point{});
    return Rect::make(position, size);
}

const AXElement& WindowAccess::systemWideElement() {
    if (!systemWide_) systemWide_ = ax_.createSystemWide();
    return systemWide_;
}

std::optional<AXElement> WindowAccess::focusedWindow() {
    auto app = readElement(ax_, systemWideElement(), ax::kFocusedApplication);
    if (!app) return std::nullopt;
    return readElement(ax_, *app, ax::kFocusedWindow);
}

}  // namespace tilvane
