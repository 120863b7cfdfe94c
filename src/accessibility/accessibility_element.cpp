#include "accessibility/accessibility_element.h"

#include <map>
#include <memory>
#include <mutex>

namespace tilvane {

AccessibilityElement::AccessibilityElement(Accessibility& ax, AXElement element)
    : ax_(&ax), axElementRef_(std::move(element)) {}

std::optional<AccessibilityElement> AccessibilityElement::initWithAXElement(Accessibility& ax, AXElement element) {
    if (!element) return std::nullopt;
    return AccessibilityElement(ax, std::move(element));
}

std::optional<AccessibilityElement> AccessibilityElement::elementForKey(std::string_view attribute) const {
    auto read = ax_->copyAttributeValue(axElementRef_, attribute);
    if (!read.ok()) return std::nullopt;
    const AXElement* element = read.value.element();
    if (!element) return std::nullopt;
    // The wrapper takes its own reference; the one from the read goes with `read`.
    return initWithAXElement(*ax_, *element);
}

Rect AccessibilityElement::frame() const {
    auto position = ax_->copyAttributeValue(axElementRef_, ax::kPosition);
    if (!position.ok()) return kNullRect;
    auto size = ax_->copyAttributeValue(axElementRef_, ax::kSize);
    if (!size.ok()) return kNullRect;
    const Point* origin = position.value.point();
    const Size* extent = size.value.size();
    if (!origin || !extent) return kNullRect;
    return Rect::make(*origin, *extent);
}

const SystemWideElement& SystemWideElement::systemWideElement(Accessibility& ax) {
    // One element per accessibility service; the program has one service for
    // its whole life, tests build one per simulated desktop.
    static std::mutex mutex;
    static std::map<Accessibility*, std::unique_ptr<SystemWideElement>> elements;
    std::lock_guard lock(mutex);
    auto& slot = elements[&ax];
    if (!slot) slot.reset(new SystemWideElement(ax, ax.createSystemWide()));
    return *slot;
}

}  // namespace tilvane
