#include "accessibility/accessibility_element.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// The focused window's element, as the accessibility interface hands it out.
AXElement focusedWindowRef(sim::SimDesktop& desktop) {
    auto app = desktop.copyAttributeValue(desktop.createSystemWide(), ax::kFocusedApplication).value;
    return *desktop.copyAttributeValue(*app.element(), ax::kFocusedWindow).value.element();
}

class AccessibilityElementTest : public testing::Test {
protected:
    AccessibilityElementTest() {
        auto& w = desktop.addWindow(5, {100, 50, 800, 600}, "Notes");
        w.zoomButton = Rect{154, 53, 14, 16};
        window = w.id;
        desktop.focus(window);
    }
    AXElement windowRef() { return focusedWindowRef(desktop); }

    sim::SimDesktop desktop;
    uint64_t window = 0;
};

TEST(AccessibilityElement, FrameIsTheNullRectangleWhenAnyPartIsMissing) {
    struct Row {
        const char* name;
        void (*arrange)(sim::SimWindow&);
        Rect expected;
    };
    const Row rows[] = {
        {"readable", [](sim::SimWindow&) {}, {100, 50, 800, 600}},
        {"position unreadable", [](sim::SimWindow& w) { w.failPositionRead = true; }, kNullRect},
        {"size unreadable", [](sim::SimWindow& w) { w.failSizeRead = true; }, kNullRect},
        {"position not a point", [](sim::SimWindow& w) { w.positionNotPoint = true; }, kNullRect},
        {"size not a size", [](sim::SimWindow& w) { w.sizeNotSize = true; }, kNullRect},
    };
    for (const auto& r : rows) {
        sim::SimDesktop desktop;
        auto& w = desktop.addWindow(5, {100, 50, 800, 600});
        desktop.focus(w.id);
        r.arrange(w);
        AccessibilityElement element(desktop, focusedWindowRef(desktop));
        Rect frame = element.frame();
        EXPECT_EQ(frame, r.expected) << r.name;
        EXPECT_EQ(frame.isNull(), r.expected.isNull()) << r.name;
        EXPECT_TRUE(desktop.logLines().empty()) << r.name;
    }
}

TEST_F(AccessibilityElementTest, ElementForKeyGivesOnlyElements) {
    AccessibilityElement element(desktop, windowRef());

    auto zoom = element.elementForKey(ax::kZoomButton);
    ASSERT_TRUE(zoom);
    static_assert(std::is_same_v<decltype(zoom), std::optional<AccessibilityElement>>);
    EXPECT_EQ(zoom->frame(), (Rect{154, 53, 14, 16}));

    EXPECT_FALSE(element.elementForKey(ax::kTitle)) << "a text is not an element";
    EXPECT_FALSE(element.elementForKey("AXNoSuchAttribute"));
    desktop.window(window).zoomButton.reset();
    EXPECT_FALSE(element.elementForKey(ax::kZoomButton));
}

TEST_F(AccessibilityElementTest, WrapperHoldsItsOwnReference) {
    const size_t before = desktop.liveElements();
    AXElement ref = windowRef();
    std::optional<AccessibilityElement> element = AccessibilityElement::initWithAXElement(desktop, ref);
    ASSERT_TRUE(element);
    EXPECT_EQ(element->axElementRef(), ref);

    ref.reset();  // the caller drops its reference; the wrapper keeps the element alive
    EXPECT_EQ(desktop.liveElements(), before + 1);
    EXPECT_EQ(element->frame(), (Rect{100, 50, 800, 600}));

    auto zoom = element->elementForKey(ax::kZoomButton);
    EXPECT_EQ(desktop.liveElements(), before + 2);
    zoom.reset();
    element.reset();
    EXPECT_EQ(desktop.liveElements(), before);
}

TEST_F(AccessibilityElementTest, NoWrapperWithoutAnElement) {
    EXPECT_FALSE(AccessibilityElement::initWithAXElement(desktop, nullptr));
}

TEST(SystemWideElement, OneElementForTheWholeProcess) {
    sim::SimDesktop desktop;
    const auto& first = SystemWideElement::systemWideElement(desktop);
    const auto& second = SystemWideElement::systemWideElement(desktop);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.axElementRef(), second.axElementRef());
    auto* sim = dynamic_cast<const sim::SimElement*>(first.axElementRef().get());
    ASSERT_TRUE(sim);
    EXPECT_EQ(sim->kind, sim::SimElement::Kind::SystemWide);
}

TEST(UniversalAccessHelper, AnswersWhetherTheInterfaceIsEnabled) {
    sim::SimDesktop desktop;
    EXPECT_TRUE(UniversalAccessHelper::accessibilityEnabled(desktop));
    desktop.setApiEnabled(false);
    EXPECT_FALSE(UniversalAccessHelper::accessibilityEnabled(desktop));
}

}  // namespace
}  // namespace tilvane
