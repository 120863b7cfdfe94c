// Windows of other programs as accessibility elements on a real server and
// window manager: focus, the outer frame, writes that land where they say,
// and windows that go away under the program's feet.

#include <algorithm>
#include <limits>

#include "platform/x11/window_owners.h"
#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

using AccessibilityTest = BackendTest;

struct OwnerRow {
    const char* name;
    bool xlogo;
    std::vector<std::string> args;  // of the tests' own window
};

// xlogo, xclock and many Xt and Motif programs name no process in _NET_WM_PID.
const OwnerRow kOwnerRows[] = {
    {"a window that names its process", false, {}},
    {"xlogo", true, {}},
    {"a window that names no process", false, {"--no-pid"}},
};

TEST_F(AccessibilityTest, WindowsWithoutNetWmPidBelongToTheirProcess) {
    std::vector<TestWindow> open;
    for (const auto& row : kOwnerRows) {
        SCOPED_TRACE(row.name);
        auto& window = open.emplace_back(row.xlogo ? desktop().openXlogo() : desktop().openWindow(row.name, row.args));
        int32_t pid = window.process->pid();
        EXPECT_EQ(idOf(focusedWindow()), window.id);
        EXPECT_EQ(backend().workspace().frontmostApplicationPid(), pid);
        auto windows = ax().copyAttributeValue(ax().createApplication(pid), ax::kWindows);
        ASSERT_TRUE(windows.ok() && windows.value.array());
        ASSERT_EQ(windows.value.array()->size(), 1u);
        EXPECT_EQ(idOf(*windows.value.array()->front().element()), window.id);
    }
    auto title = ax().copyAttributeValue(focusedWindow(), ax::kTitle);
    ASSERT_TRUE(title.ok());
    EXPECT_EQ(*title.value.text(), "a window that names no process");

    // xlogo's program is found again by the owner the window list names.
    xcb_window_t xlogo = open[1].id;
    auto list = backend().windowList().copyWindowInfo(kWindowListOnScreenOnly);
    auto entry = std::find_if(list.begin(), list.end(), [&](const auto& w) { return w.windowNumber == xlogo; });
    ASSERT_NE(entry, list.end());
    ASSERT_TRUE(backend().workspace().activateApplication(entry->ownerPid, 0));
    backend().connection().flush();
    ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == xlogo; }));
    EXPECT_EQ(idOf(focusedWindow()), xlogo);
}

TEST_F(AccessibilityTest, AWindowOfAProgramElsewhereIsItsOwnApplication) {
    // The server knows no process for a program on another machine; the
    // window list names such a window's application by the window itself.
    auto window = desktop().openWindow("elsewhere");
    auto app = ax().createApplication(x11::owningApplication(window.id, std::nullopt, std::nullopt));
    auto windows = ax().copyAttributeValue(app, ax::kWindows);
    ASSERT_TRUE(windows.ok() && windows.value.array());
    ASSERT_EQ(windows.value.array()->size(), 1u);
    EXPECT_EQ(idOf(*windows.value.array()->front().element()), window.id);
    auto focused = ax().copyAttributeValue(app, ax::kFocusedWindow);
    ASSERT_TRUE(focused.ok() && focused.value.element());
    EXPECT_EQ(idOf(*focused.value.element()), window.id);
    EXPECT_EQ(*ax().copyAttributeValue(app, ax::kFrontmost).value.boolean(), true);
}

TEST_F(AccessibilityTest, PositionAndSizeAreTheFrameWindowsGeometry) {
    auto window = desktop().openWindow("frame");
    for (Rect frame : {Rect{1500, 100, 640, 480}, Rect{20, 300, 333, 222}}) {
        x().placeFrame(window.id, frame);
        // A read serves the rest of the loop's turn; the move comes in another.
        catchUp();
        auto serverFrame = x().frameOf(window.id);
        ASSERT_TRUE(serverFrame);
        EXPECT_EQ(*serverFrame, frame);
        EXPECT_EQ(reportedFrame(focusedWindow()), frame);
    }
}

struct Placement {
    const char* name;
    Rect frame;  // the program's top-left coordinates
    Rect root;   // where the frame must land on the server
};

// Fractional numbers are placed with their edges rounded to whole pixels.
const Placement kPlacements[] = {
    {"primary left half", {0, 0, 960, 1040}, {1440, 0, 960, 1040}},
    {"primary thirds", {640, 0, 640, 346.666666}, {2080, 0, 640, 347}},
    {"secondary monitor, left of the origin", {-1440, 210, 720, 435}, {0, 210, 720, 435}},
    {"half pixels", {-720.5, 600.5, 719.5, 435.25}, {720, 601, 719, 435}},
};

TEST_F(AccessibilityTest, AReadAfterAWriteReportsWhereTheWindowIs) {
    auto window = desktop().openWindow("writes");
    AXElement element = focusedWindow();
    for (const auto& p : kPlacements) {
        SCOPED_TRACE(p.name);
        x().placeFrame(window.id, {1600, 200, 300, 200});
        EXPECT_EQ(ax().setAttributeValue(element, ax::kPosition, AXValue(p.frame.origin())), AXError::Success);
        EXPECT_EQ(ax().setAttributeValue(element, ax::kSize, AXValue(p.frame.size())), AXError::Success);
        EXPECT_EQ(reportedFrame(element), p.root);
        x().syncWindowManager();
        EXPECT_EQ(x().frameOf(window.id), std::optional<Rect>(p.root));
    }
}

// One write of a sequence: a move, a size, or a read of the frame in between.
struct Write {
    enum { Position, Size, Read } kind;
    double a = 0, b = 0;
};

struct CoalescingRow {
    const char* name;
    std::vector<Write> writes;
    std::vector<uint32_t> fields;  // of each request the window manager gets: 0x300 a move, 0xC00 a size
    Rect root;
};

const CoalescingRow kCoalescingRows[] = {
    {"a move and the size after it",
     {{Write::Position, 100, 100}, {Write::Size, 500, 400}},
     {0xF00},
     {1540, 100, 500, 400}},
    {"a size, a move and the size again, as a move to another display writes them",
     {{Write::Size, 300, 300}, {Write::Position, 200, 150}, {Write::Size, 640, 480}},
     {0xF00},
     {1640, 150, 640, 480}},
    {"a size alone", {{Write::Size, 420, 310}}, {0xC00}, {1600, 200, 420, 310}},
    {"a read between the move and the size",
     {{Write::Position, 10, 10}, {Write::Read}, {Write::Size, 700, 500}},
     {0x300, 0xC00},
     {1450, 10, 700, 500}},
};

TEST_F(AccessibilityTest, AMoveAndASizeInOneTurnReachTheWindowManagerAsOneRequest) {
    auto window = desktop().openWindow("coalesced");
    xcb_atom_t moveResize = x().atom("_NET_MOVERESIZE_WINDOW");
    // The test's connection hears the client messages sent to the root window, as the window manager does.
    std::vector<uint32_t> fields;
    x().conn().onEvent(XCB_CLIENT_MESSAGE, [&](const xcb_generic_event_t& e) {
        const auto& m = reinterpret_cast<const xcb_client_message_event_t&>(e);
        if (m.type == moveResize && m.window == window.id) fields.push_back(m.data.data32[0] & 0xF00);
    });
    AXElement element = focusedWindow();
    for (const auto& row : kCoalescingRows) {
        SCOPED_TRACE(row.name);
        x().placeFrame(window.id, {1600, 200, 300, 200});
        catchUp();
        x().conn().roundTrip();
        x().conn().dispatchPending();
        fields.clear();
        for (const auto& w : row.writes) {
            if (w.kind == Write::Position) ax().setAttributeValue(element, ax::kPosition, AXValue(Point{w.a, w.b}));
            if (w.kind == Write::Size) ax().setAttributeValue(element, ax::kSize, AXValue(Size{w.a, w.b}));
            if (w.kind == Write::Read) reportedFrame(element);
        }
        // The end of the loop's turn sends what is held back.
        catchUp();
        x().syncWindowManager();
        x().conn().dispatchPending();
        EXPECT_EQ(fields, row.fields);
        EXPECT_EQ(x().frameOf(window.id), std::optional<Rect>(row.root));
    }
}

TEST_F(AccessibilityTest, AMaximizedWindowLeavesTheMaximizedStateToMove) {
    auto window = desktop().openWindow("maximized");
    x().setMaximized(window.id, true);
    ASSERT_TRUE(x().isMaximized(window.id));
    AXElement element = focusedWindow();
    ax().setAttributeValue(element, ax::kPosition, AXValue(Point{100, 100}));
    ax().setAttributeValue(element, ax::kSize, AXValue(Size{500, 400}));
    EXPECT_EQ(reportedFrame(element), (Rect{1540, 100, 500, 400}));
    EXPECT_FALSE(x().isMaximized(window.id));
    EXPECT_EQ(x().frameOf(window.id), (std::optional<Rect>{{1540, 100, 500, 400}}));
}

TEST_F(AccessibilityTest, ClientSideShadowsAreNotPartOfTheFrame) {
    auto window = desktop().openWindow("shadowed", {"--shadow", "12"});
    AXElement element = focusedWindow();
    ax().setAttributeValue(element, ax::kPosition, AXValue(Point{200, 100}));
    ax().setAttributeValue(element, ax::kSize, AXValue(Size{600, 400}));
    EXPECT_EQ(reportedFrame(element), (Rect{1640, 100, 600, 400}));
    // Undecorated: the frame window is the client window, shadows included.
    EXPECT_EQ(x().frameOf(window.id), (std::optional<Rect>{{1628, 88, 624, 424}}));
}

TEST_F(AccessibilityTest, AWindowThatIsGoneFailsReadsAndIgnoresWrites) {
    auto window = desktop().openWindow("doomed");
    AXElement element = focusedWindow();
    auto app = ax().copyAttributeValue(ax().createSystemWide(), ax::kFocusedApplication);
    ASSERT_TRUE(app.ok());
    desktop().closeWindow(window);

    EXPECT_EQ(ax().copyAttributeValue(element, ax::kPosition).error, AXError::InvalidUIElement);
    EXPECT_EQ(ax().copyAttributeValue(element, ax::kSize).error, AXError::InvalidUIElement);
    EXPECT_EQ(ax().copyAttributeValue(element, ax::kTitle).error, AXError::InvalidUIElement);
    EXPECT_NE(ax().setAttributeValue(element, ax::kPosition, AXValue(Point{0, 0})), AXError::Success);
    EXPECT_NE(ax().setAttributeValue(element, ax::kSize, AXValue(Size{100, 100})), AXError::Success);
    EXPECT_FALSE(ax().copyAttributeValue(*app.value.element(), ax::kFocusedWindow).ok());
    catchUp();

    // The connection survives and the next window works as before.
    ASSERT_TRUE(backend().connection().isUsable());
    auto next = desktop().openWindow("next");
    AXElement nextElement = focusedWindow();
    ax().setAttributeValue(nextElement, ax::kPosition, AXValue(Point{10, 10}));
    EXPECT_EQ(reportedFrame(nextElement).origin(), (Point{1450, 10}));
}

TEST_F(AccessibilityTest, RequestsThatAreNotNumbersAreRefused) {
    auto window = desktop().openWindow("nan");
    x().placeFrame(window.id, {1600, 200, 300, 200});
    AXElement element = focusedWindow();
    double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ax().setAttributeValue(element, ax::kPosition, AXValue(Point{nan, 0})), AXError::IllegalArgument);
    EXPECT_EQ(ax().setAttributeValue(element, ax::kSize, AXValue(Size{inf, 10})), AXError::IllegalArgument);
    EXPECT_EQ(ax().setAttributeValue(element, ax::kPosition, AXValue(Size{1, 1})), AXError::IllegalArgument);
    EXPECT_EQ(reportedFrame(element), (Rect{1600, 200, 300, 200}));
}

}  // namespace
}  // namespace tilvane::e2e
