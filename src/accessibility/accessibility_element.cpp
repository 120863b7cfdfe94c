#include "accessibility/accessibility_element.h"

#include "accessibility/window_access.h"

namespace tilvane {

AccessibilityElement::AccessibilityElement(Accessibility& ax, AXElement element)
    : ax_(&ax), axElementRef_(std::move(element)) {}

std::optional<AccessibilityElement> AccessibilityElement::elementForKey(std::string_view attribute) const {
    auto element = readElement(*ax_, axElementRef_, attribute);
    if (!element) return std::nullopt;
    return AccessibilityElement(*ax_, std::move(*element));
}

Rect AccessibilityElement::frame() const {
    return readFrame(*ax_, axElementRef_).value_or(kNullRect);
}

}  // namespace tilvane
