// Placement on a desktop that takes whole frames: the program's element
// model runs on window-control requests through one adapter, and each
// placement reaches the desktop as one request with the frame the element
// model would have given.

#include <gtest/gtest.h>

#include <map>

#include "accessibility/window_control_accessibility.h"
#include "placement/layout_manager.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

constexpr Rect kStart{100, 100, 800, 600};

// A desktop that hands out whole windows and counts what it is asked to do.
class Compositor : public WindowControl {
public:
    Compositor() { frames[5] = kStart; }
    std::optional<WindowId> focusedWindow() override { return focused; }
    std::optional<int32_t> processOf(WindowId window) override {
        return frames.count(window) && namesProcesses ? std::optional<int32_t>(7) : std::nullopt;
    }
    std::vector<WindowId> windowsOf(int32_t) override {
        std::vector<WindowId> ids;
        for (const auto& [id, frame] : frames) ids.push_back(id);
        return ids;
    }
    std::optional<Rect> frame(WindowId window) override {
        auto it = frames.find(window);
        return it == frames.end() ? std::nullopt : std::optional<Rect>(it->second);
    }
    bool setFrame(WindowId window, const Rect& frame) override {
        requests.push_back(frame);
        if (refuse || !frames.count(window)) return false;
        frames[window] = frame;
        return true;
    }
    void raise(WindowId window) override { raised.push_back(window); }

    std::map<WindowId, Rect> frames;
    std::optional<WindowId> focused = 5;
    bool refuse = false;
    bool namesProcesses = true;
    std::vector<Rect> requests;
    std::vector<WindowId> raised;
};

// A 1440 x 900 primary under a menu bar and a 1920 x 1080 screen to its right.
struct Screens {
    Screens() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
    }
    sim::SimDesktop desktop;
};

// Places the focused window through the adapter over the compositor, to the end of the turn.
void placeThroughAdapter(Compositor& compositor, int64_t code) {
    Screens s;
    WindowControlAccessibility adapter(compositor, s.desktop.runLoop());
    Platform platform(adapter, s.desktop, s.desktop, s.desktop.runLoop(), s.desktop.platform());
    WindowAccess access(adapter);
    LayoutManager(platform, access).moveWindowToDirection(code);
    s.desktop.runLoop().runUntilIdle();
}

// What the element model gives the window on the simulated desktop.
Rect placedAsElements(int64_t code) {
    Screens s;
    auto window = s.desktop.addWindow(7, kStart).id;
    s.desktop.focus(window);
    WindowAccess access(s.desktop);
    LayoutManager(s.desktop.platform(), access).moveWindowToDirection(code);
    return s.desktop.window(window).frame;
}

TEST(WindowControl, EveryPlacementIsOneRequestWithTheFrameTheElementsGet) {
    // The halves, quarters, centres, maximize, thirds, grow and shrink, and the nudges.
    for (int64_t code = 100; code <= 340; code += 10) {
        if (code == 110) continue;  // no action has it
        Compositor compositor;
        placeThroughAdapter(compositor, code);
        ASSERT_EQ(compositor.requests.size(), 1u) << code;
        EXPECT_EQ(compositor.frames[5], placedAsElements(code)) << code;
    }
}

// Nothing the desktop does makes the adapter fail the program: a window gone
// before its frame is read or sent, a refused frame, the program ending
// before the end of the turn.
TEST(WindowControl, AGoneOrRefusingWindowAndAnEndBeforeTheTurnIsOver) {
    const struct {
        const char* name;
        void (*arrange)(Compositor&);
        size_t requests;
        std::optional<Rect> frame;
    } rows[] = {
        {"gone before the action", [](Compositor& c) { c.frames.clear(); }, 1, std::nullopt},
        {"no window has the keyboard", [](Compositor& c) { c.focused.reset(); }, 0, kStart},
        {"the desktop refuses", [](Compositor& c) { c.refuse = true; }, 1, kStart},
        {"the desktop names no process", [](Compositor& c) { c.namesProcesses = false; }, 1, Rect{0, 23, 720, 877}},
    };
    for (const auto& row : rows) {
        Compositor compositor;
        row.arrange(compositor);
        placeThroughAdapter(compositor, 120);
        EXPECT_EQ(compositor.requests.size(), row.requests) << row.name;
        EXPECT_EQ(compositor.frame(5), row.frame) << row.name;
    }

    // Written and read back in one turn, then written again just before the program ends.
    Screens s;
    Compositor compositor;
    {
        WindowControlAccessibility adapter(compositor, s.desktop.runLoop());
        AXCopyResult focused = adapter.copyAttributeValue(adapter.createApplication(7), ax::kFocusedWindow);
        ASSERT_TRUE(focused.ok() && focused.value.element());
        AXElement window = *focused.value.element();
        EXPECT_EQ(adapter.setAttributeValue(window, ax::kPosition, AXValue(Point{0, 23})), AXError::Success);
        EXPECT_EQ(adapter.setAttributeValue(window, ax::kSize, AXValue(Size{720, 877})), AXError::Success);
        // Read back, the window shows what was written: it went to the desktop first.
        EXPECT_EQ(*adapter.copyAttributeValue(window, ax::kSize).value.size(), (Size{720, 877}));
        EXPECT_EQ(compositor.requests.size(), 1u);

        // Written again and the program ends before the turn is over: the frame still goes.
        adapter.setAttributeValue(window, ax::kPosition, AXValue(Point{720, 23}));
        EXPECT_EQ(adapter.setAttributeValue(window, ax::kMain, AXValue(true)), AXError::Success);
    }
    EXPECT_EQ(compositor.frames[5], (Rect{720, 23, 720, 877}));
    EXPECT_EQ(compositor.raised, std::vector<WindowControl::WindowId>{5});
    s.desktop.runLoop().runUntilIdle();  // the queued turn finds the adapter gone
    EXPECT_EQ(compositor.requests.size(), 2u);
}

}  // namespace
}  // namespace tilvane
