// The input that carries a window to another desktop, on the simulated desktop.

#include "accessibility/window_element.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

constexpr Point kPointer{400, 700};

// A focused window (100, 50, 800, 600) without a zoom button, as on X11; the
// pointer rests at kPointer.
struct OneWindow {
    OneWindow() {
        auto& w = desktop.addWindow(5, {100, 50, 800, 600}, "Notes");
        window = &w;
        desktop.focus(w.id);
        desktop.setPointer(kPointer);
    }
    void moveToSpace(uint64_t n) {
        WindowElement::focusedWindow(desktop.platform(), access)->moveToSpace(n);
        desktop.runLoop().advance(1s);
    }

    sim::SimDesktop desktop;
    WindowAccess access{desktop};
    sim::SimWindow* window;
};

TEST(MoveToSpace, GrabsTheTitleBarPressesControlDigitAndLetsGoHalfASecondLater) {
    // Desktops 10 to 16 are Control with the digits 0 to 6.
    const std::pair<uint64_t, uint16_t> rows[] = {{3, 20}, {10, 29}, {12, 19}, {16, 22}};
    for (const auto& [space, key] : rows) {
        OneWindow m;
        m.moveToSpace(space);
        const Point grab{105, 55};  // in the title bar, clear of the window's edge
        const std::vector<sim::PostedEvent> expected{
            {{EventType::MouseMoved, grab, 0, 0}, 0ns},
            {{EventType::LeftMouseDown, grab, 0, 0}, 0ns},
            {{EventType::KeyDown, {}, key, modifier::kControl}, 0ns},
            {{EventType::KeyUp, {}, key, 0}, 0ns},
            {{EventType::LeftMouseUp, grab, 0, 0}, 500ms},
            {{EventType::MouseMoved, kPointer, 0, 0}, 500ms},
        };
        const auto& posted = m.desktop.postedEvents();
        ASSERT_EQ(posted.size(), expected.size()) << "Space " << space;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(posted[i].event, expected[i].event) << "Space " << space << ", event " << i;
            EXPECT_EQ(posted[i].at, expected[i].at) << "Space " << space << ", event " << i;
        }
    }
}

TEST(MoveToSpace, PostsNothingAbove16OrWhereItCannotAim) {
    const std::pair<uint64_t, void (*)(sim::SimWindow&)> rows[] = {
        {17, [](sim::SimWindow&) {}},
        {0x7FFFFFFFFFFFFFFF, [](sim::SimWindow&) {}},
        {2, [](sim::SimWindow& w) { w.failPositionRead = true; }},
    };
    for (const auto& [space, arrange] : rows) {
        OneWindow m;
        arrange(*m.window);
        m.moveToSpace(space);
        EXPECT_TRUE(m.desktop.postedEvents().empty()) << space;
    }
}

}  // namespace
}  // namespace tilvane
