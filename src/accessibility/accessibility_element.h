#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "platform/accessibility.h"
#include "platform/geometry.h"

namespace tilvane {

// One element of another application's interface, as the program holds it:
// the wrapper keeps a reference of its own for as long as it lives, so the
// caller keeps (and drops) whatever reference it handed in. Reads that fail
// give none or the null rectangle; nothing is logged.
class AccessibilityElement {
public:
    // The element must not be null: there is no wrapper without an element.
    AccessibilityElement(Accessibility& ax, AXElement element);
    virtual ~AccessibilityElement() = default;
    AccessibilityElement(const AccessibilityElement&) = default;
    AccessibilityElement& operator=(const AccessibilityElement&) = default;

    // The wrapped reference; the wrapper keeps owning it.
    const AXElement& axElementRef() const { return axElementRef_; }

    // The element held by the attribute, wrapped as a plain AccessibilityElement
    // whatever it is; none when the read fails or the value is not an element.
    std::optional<AccessibilityElement> elementForKey(std::string_view attribute) const;

    // Position and size in top-left coordinates; kNullRect when either cannot
    // be read or decoded.
    Rect frame() const;

private:
    Accessibility* ax_;
    AXElement axElementRef_;
};

// Whether assistive applications may use the accessibility interface at all.
class UniversalAccessHelper {
public:
    static bool accessibilityEnabled(Accessibility& ax) { return ax.apiEnabled(); }
};

}  // namespace tilvane
