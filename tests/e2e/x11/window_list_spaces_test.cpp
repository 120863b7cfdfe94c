// The window list and the Spaces on a real window manager: managed windows
// front to back with their frames, owners and layers, only those of the
// current desktop; desktops reported last first, the current one alone.

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

class WindowListSpacesTest : public BackendTest {
protected:
    std::vector<WindowInfo> list() { return backend().windowList().copyWindowInfo(kWindowListOnScreenOnly); }
    void sendToDesktop(xcb_window_t window, uint32_t desktop) {
        x().conn().sendRootMessage(window, x().atom("_NET_WM_DESKTOP"), {desktop, 2, 0, 0, 0});
        x().syncWindowManager();
    }
    void switchTo(uint32_t desktop) {
        x().conn().sendRootMessage(x().root(), x().atom("_NET_CURRENT_DESKTOP"), {desktop, 0, 0, 0, 0});
        x().syncWindowManager();
    }
};

TEST_F(WindowListSpacesTest, ManagedWindowsFrontToBackWithFramesOwnersAndLayers) {
    auto back = desktop().openWindow("back");
    auto front = desktop().openWindow("front");
    auto xlogo = desktop().openXlogo();
    x().placeFrame(back.id, {1600, 100, 400, 300});
    x().placeFrame(front.id, {100, 400, 300, 200});
    x().placeFrame(xlogo.id, {2500, 500, 300, 300});
    x().activate(front.id);

    auto windows = list();
    std::vector<WindowInfo> normal, docks;
    for (const auto& w : windows) (w.layer == 0 ? normal : docks).push_back(w);
    ASSERT_EQ(normal.size(), 3u);
    // Program coordinates: the primary monitor's corner is at (1440, 0).
    EXPECT_EQ(normal[0].windowNumber, front.id);
    EXPECT_EQ(normal[0].bounds, (Rect{100 - 1440, 400, 300, 200}));
    EXPECT_EQ(normal[0].ownerPid, front.process->pid());
    EXPECT_EQ(normal[1].windowNumber, xlogo.id);
    // xlogo names no process; the server knows which one it is.
    EXPECT_EQ(normal[1].ownerPid, xlogo.process->pid());
    EXPECT_EQ(normal[2].windowNumber, back.id);
    EXPECT_EQ(normal[2].bounds, (Rect{160, 100, 400, 300}));
    ASSERT_EQ(docks.size(), 2u);
    for (const auto& dock : docks) EXPECT_EQ(dock.layer, x11::kDockWindowLayer);

    // A window on another desktop is not on screen.
    sendToDesktop(back.id, 2);
    windows = list();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [&](const auto& w) { return w.windowNumber == back.id; }));
    switchTo(2);
    windows = list();
    EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [&](const auto& w) { return w.windowNumber == back.id; }));
    EXPECT_TRUE(
        std::none_of(windows.begin(), windows.end(), [&](const auto& w) { return w.windowNumber == front.id; }));
}

TEST_F(WindowListSpacesTest, DesktopsAreSpacesCountingFromOne) {
    auto& spaces = backend().spaces();
    EXPECT_EQ(spaces.copySpaces(7), (std::vector<uint64_t>{4, 3, 2, 1}));
    EXPECT_EQ(spaces.copySpaces(1), (std::vector<uint64_t>{1}));
    switchTo(2);
    EXPECT_EQ(spaces.copySpaces(1), (std::vector<uint64_t>{3}));
    for (uint64_t space : spaces.copySpaces(7)) EXPECT_NE(spaces.spaceType(space), 2);
}

}  // namespace
}  // namespace tilvane::e2e
