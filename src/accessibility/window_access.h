#pragma once

#include <optional>
#include <string_view>

#include "platform/accessibility.h"
#include "platform/geometry.h"

namespace tilvane {

// The one way the program reads other applications' windows: the focused
// window, found through the system-wide element, and a window's position and
// size. What an unreadable frame gives differs from caller to caller on
// purpose, so each frame read names its rule.

// The element held by the attribute; none when the read fails or its value is
// not an element (or a null one).
std::optional<AXElement> readElement(Accessibility& ax, const AXElement& element, std::string_view attribute);

// One typed read of a position or a size. A failed read and a value of
// another kind both give none; readFailed tells them apart.
template <class T>
struct AttributeRead {
    std::optional<T> value;
    bool readFailed = false;
};
AttributeRead<Point> readPosition(Accessibility& ax, const AXElement& element);
AttributeRead<Size> readSize(Accessibility& ax, const AXElement& element);

// The first of the application's windows; none when they cannot be read or
// there is none.
std::optional<AXElement> firstWindow(Accessibility& ax, const AXElement& application);

// Position and size (top-left coordinates); none as soon as either cannot be
// read or decoded, the caller then doing nothing. The size is not asked for
// when the position failed.
std::optional<Rect> readFrame(Accessibility& ax, const AXElement& element);
// Position and size with each part that cannot be read left at zero: a window
// whose position is unreadable is taken to be at the origin. Reads the size first.
Rect readFrameWithZerosForUnreadableParts(Accessibility& ax, const AXElement& element);

// The focused window of the focused application, through the system-wide
// element of one accessibility service. The element is created at the first
// lookup and kept as long as this object, which the application owns and
// hands to whatever looks for the focused window.
class WindowAccess {
public:
    explicit WindowAccess(Accessibility& ax) : ax_(ax) {}
    WindowAccess(const WindowAccess&) = delete;
    WindowAccess& operator=(const WindowAccess&) = delete;

    Accessibility& accessibility() const { return ax_; }
    const AXElement& systemWideElement();
    // None when either read fails or gives no element.
    std::optional<AXElement> focusedWindow();

private:
    Accessibility& ax_;
    AXElement systemWide_;
};

}  // namespace tilvane
