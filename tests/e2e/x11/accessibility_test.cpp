// Windows of other programs as accessibility elements on a real server and
// window manager: their applications (whether they name their process or
// not), frames read and written in the program's coordinates, a move and a
// size of one turn sent as one request, and windows that go away under the
// program's feet.

#include <limits>

#include "platform/x11/window_owners.h"
#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

using AccessibilityTest = BackendTest;

// xlogo, xclock and many Xt and Motif programs name no process in _NET_WM_PID.
TEST_F(AccessibilityTest, WindowsWithoutNetWmPidBelongToTheirProcess) {
    std::vector<TestWindow> open;
    for (Client client : {Client::Own, Client::Xlogo}) {
        auto& window = open.emplace_back(desktop().open(client, "owner " + std::to_string(open.size())));
        SCOPED_TRACE(int(client));
        int32_t pid = window.process->pid();
        EXPECT_EQ(idOf(focusedWindow()), window.id);
        EXPECT_EQ(backend().workspace().frontmostApplicationPid(), pid);
        EXPECT_EQ(windowsOf(ax().createApplication(pid)), std::vector<xcb_window_t>{window.id});
    }
    EXPECT_EQ(*ax().copyAttributeValue(focusedWindow(), ax::kTitle).value.text(), "xlogo");

    // xlogo's program is found again by the owner the window list names.
    x().activate(open[0].id);
    xcb_window_t xlogo = open[1].id;
    auto list = backend().windowList().copyWindowInfo(kWindowListOnScreenOnly);
    auto entry = std::find_if(list.begin(), list.end(), [&](const auto& w) { return w.windowNumber == xlogo; });
    ASSERT_NE(entry, list.end());
    ASSERT_TRUE(backend().workspace().activateApplication(entry->ownerPid, 0));
    backend().connection().flush();
    ASSERT_TRUE(x().waitUntil([&] { return x().activeWindow() == xlogo; }));
    EXPECT_EQ(idOf(focusedWindow()), xlogo);

    // The server knows no process for a program on another machine; such a
    // window's application is the window itself.
    auto app = ax().createApplication(x11::owningApplication(xlogo, std::nullopt, std::nullopt));
    EXPECT_EQ(windowsOf(app), std::vector<xcb_window_t>{xlogo});
    auto focused = ax().copyAttributeValue(app, ax::kFocusedWindow);
    ASSERT_TRUE(focused.ok() && focused.value.element());
    EXPECT_EQ(idOf(*focused.value.element()), xlogo);
    EXPECT_EQ(*ax().copyAttributeValue(app, ax::kFrontmost).value.boolean(), true);
}

// One step of what the program does to a window in one turn of its loop.
struct Step {
    enum { Position, Size, Read } kind;
    double a = 0, b = 0;
};

struct WriteRow {
    const char* name;
    std::vector<Step> steps;  // in the program's top-left coordinates
    // What each request the window manager gets carries: 0x300 a move, 0xC00 a size.
    std::vector<uint32_t> requests;
    Rect root;  // where the frame lands, and what a read that ends the steps reports
};

const WriteRow kWriteRows[] = {
    {"a size, a move and the size again, as a move to another display writes them",
     {{Step::Size, 300, 300}, {Step::Position, 200, 150}, {Step::Size, 640, 480}},
     {0xF00},
     {1640, 150, 640, 480}},
    {"a size alone", {{Step::Size, 420, 310}}, {0xC00}, {1600, 200, 420, 310}},
    {"a read between the move and the size",
     {{Step::Position, 10, 10}, {Step::Read}, {Step::Size, 700, 500}},
     {0x300, 0xC00},
     {1450, 10, 700, 500}},
    // Fractional numbers are placed with their edges rounded to whole pixels.
    {"half pixels left of the origin, read at once",
     {{Step::Position, -720.5, 600.5}, {Step::Size, 719.5, 435.25}, {Step::Read}},
     {0xF00},
     {720, 601, 719, 435}},
};

TEST_F(AccessibilityTest, WritesLandWhereTheySayAndAMoveAndASizeInOneTurnAreOneRequest) {
    auto window = desktop().openWindow("writes");
    xcb_atom_t moveResize = x().atom("_NET_MOVERESIZE_WINDOW");
    // The test's connection hears the client messages sent to the root window, as the window manager does.
    std::vector<uint32_t> requests;
    x().conn().onEvent(XCB_CLIENT_MESSAGE, [&](const xcb_generic_event_t& e) {
        const auto& m = reinterpret_cast<const xcb_client_message_event_t&>(e);
        if (m.type == moveResize && m.window == window.id) requests.push_back(m.data.data32[0] & 0xF00);
    });
    AXElement element = focusedWindow();
    const Rect start{1600, 200, 300, 200};
    for (const auto& row : kWriteRows) {
        SCOPED_TRACE(row.name);
        // Moved by another program: the next turn reads where it is.
        x().placeFrame(window.id, start);
        catchUp();
        EXPECT_EQ(reportedFrame(element), start);
        x().conn().roundTrip();
        x().conn().dispatchPending();
        requests.clear();
        Rect read = kNullRect;
        for (const auto& s : row.steps) {
            if (s.kind == Step::Position) ax().setAttributeValue(element, ax::kPosition, AXValue(Point{s.a, s.b}));
            if (s.kind == Step::Size) ax().setAttributeValue(element, ax::kSize, AXValue(Size{s.a, s.b}));
            if (s.kind == Step::Read) read = reportedFrame(element);
        }
        if (row.steps.back().kind == Step::Read) EXPECT_EQ(read, row.root);
        // The end of the loop's turn sends what is held back.
        catchUp();
        x().syncWindowManager();
        x().conn().dispatchPending();
        EXPECT_EQ(requests, row.requests);
        EXPECT_EQ(x().frameOf(window.id), std::optional<Rect>(row.root));
    }
    // Numbers that are not numbers are refused, and change nothing.
    double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ax().setAttributeValue(element, ax::kPosition, AXValue(Point{nan, 0})), AXError::IllegalArgument);
    EXPECT_EQ(ax().setAttributeValue(element, ax::kSize, AXValue(Size{inf, 10})), AXError::IllegalArgument);
    EXPECT_EQ(ax().setAttributeValue(element, ax::kPosition, AXValue(Size{1, 1})), AXError::IllegalArgument);
    EXPECT_EQ(reportedFrame(element), kWriteRows[std::size(kWriteRows) - 1].root);
}

TEST_F(AccessibilityTest, AWindowThatIsGoneFailsReadsAndIgnoresWrites) {
    auto window = desktop().openWindow("doomed");
    AXElement element = focusedWindow();
    auto app = ax().copyAttributeValue(ax().createSystemWide(), ax::kFocusedApplication);
    ASSERT_TRUE(app.ok());
    desktop().closeWindow(window);

    for (const auto& attribute : {ax::kPosition, ax::kSize, ax::kTitle})
        EXPECT_EQ(ax().copyAttributeValue(element, attribute).error, AXError::InvalidUIElement) << attribute;
    EXPECT_NE(ax().setAttributeValue(element, ax::kPosition, AXValue(Point{0, 0})), AXError::Success);
    EXPECT_NE(ax().setAttributeValue(element, ax::kSize, AXValue(Size{100, 100})), AXError::Success);
    EXPECT_FALSE(ax().copyAttributeValue(*app.value.element(), ax::kFocusedWindow).ok());
    catchUp();
    EXPECT_TRUE(backend().connection().isUsable());
}

}  // namespace
}  // namespace tilvane::e2e
