#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/log.h"
#include "platform/window_server.h"
#include "platform/x11/window_owners.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_screens.h"

namespace tilvane::x11 {

// An element of the X11 accessibility tree. Applications are known as
// owningApplication tells: by their process id, or a window of a program on
// another machine by the negative of its id.
struct X11Element : AXUIElement {
    enum class Kind { SystemWide, Application, Window };
    Kind kind;
    int32_t pid = 0;                        // applications and windows; 0 when unknown (the window is gone)
    xcb_window_t window = XCB_WINDOW_NONE;  // windows; for applications the window it was found through
    X11Element(Kind k, int32_t p, xcb_window_t w) : kind(k), pid(p), window(w) {}
    bool isSameElement(const AXUIElement& other) const override;
};

// Space the window manager or the client adds around a client window.
struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
    bool operator==(const Extents&) const = default;
};
// The extents of a _NET_FRAME_EXTENTS or _GTK_FRAME_EXTENTS value (left,
// right, top, bottom); none when the value is missing or short.
Extents extentsFrom(const std::vector<uint32_t>& words);

// The outer frame of a window, decorations included and client-side shadows
// left out, from the client window's area and the two kinds of extents.
Rect outerFrame(const Rect& client, const Extents& decorations, const Extents& shadows);
// The size in whole pixels of an area at origin: its far edges rounded, not its size.
Size pixelSize(Point origin, Size size);
// The client size that gives the outer frame this size; at least one pixel each way.
Size clientSizeForOuterSize(Size outer, const Extents& decorations, const Extents& shadows);

// Other applications' windows as accessibility elements, on an EWMH window
// manager. Positions and sizes are the outer frame in the program's top-left
// coordinates (origin at the primary monitor). Writes go to the window
// manager as pager requests; the next read waits until it has handled them,
// so it reports where the window really is. A window that is gone gives
// failed reads and ignored writes. X11 has no permission for this: the
// process is always trusted.
//
// The active window and the windows' applications are read once and kept
// until the server reports a change of them. A frame read serves the reads
// and writes of the same window that follow it within one turn of the main
// loop, and once the active window is known, its frame and application and
// what the screens need are asked for together. A move and a size of the
// same window within one turn reach the window manager as one request (see
// Connection::moveResizeWindow).
class X11Accessibility : public Accessibility {
public:
    X11Accessibility(Connection& conn, X11Screens& screens);
    ~X11Accessibility() override;

    AXElement createSystemWide() override;
    AXElement createApplication(int32_t pid) override;
    AXCopyResult copyAttributeValue(const AXElement& element, std::string_view attribute) override;
    AXError setAttributeValue(const AXElement& element, std::string_view attribute, const AXValue& value) override;
    bool isProcessTrustedWithOptions(bool) override { return true; }
    bool apiEnabled() override { return true; }

    // The window with the keyboard focus as the window manager names it.
    std::optional<xcb_window_t> activeWindow();
    // The outer frame in root coordinates; none when the window is gone.
    std::optional<Rect> outerFrameInRoot(xcb_window_t window);
    // The application of a window (see owningApplication); none when the window is gone.
    std::optional<int32_t> applicationOf(xcb_window_t window);
    // The managed windows of the application, front to back.
    std::vector<xcb_window_t> windowsOfApplication(int32_t application);
    void activate(xcb_window_t window);
    // Returns once the window manager has handled every request sent so far.
    void syncWithWindowManager();
    // The end of a turn of the main loop, before it waits: sends the writes
    // held back, asks the window manager to tell when it has handled them,
    // and forgets the reads of the turn.
    void endTurn();
    // Before the program leaves: waits, for a while, for the shadow of a
    // window just placed without it (see LateShadow), and places it again.
    void finishPlacements();
    // For a program that serves: the active window's frame is kept from one
    // action to the next, and read again as soon as it changes, so that an
    // action finds it without asking the server.
    void keepActiveFrame() { keepActiveFrame_ = true; }
    // Where the program says why it leaves a window where it is.
    void setLog(Log* log) { log_ = log; }
    // Whether a write was refused because i3 tiles the window: the program
    // places floating windows there, and leaves tiled ones to i3.
    bool refusedTiledWindow() const { return refusedTiled_; }

private:
    AXCopyResult readSystemWide(std::string_view attribute);
    AXCopyResult readApplication(const X11Element& app, std::string_view attribute);
    AXCopyResult readWindow(const X11Element& window, std::string_view attribute);
    AXError writeAttribute(const AXElement& element, std::string_view attribute, const AXValue& value);
    AXError writePosition(xcb_window_t window, Point position);
    AXError writeSize(xcb_window_t window, Size size);
    // What a move or resize needs to know of the window.
    struct WriteContext {
        Extents decorations, shadows;
        // i3 tiles the window: writes are refused.
        bool tiled = false;
        // Where the window manager puts the client window's outer corner
        // rather than the frame's (i3), the client's offset in the frame.
        std::optional<Point> clientOffset = std::nullopt;
        // The window draws its own frame and had not put its shadow back
        // yet when the program stopped waiting for it (see shadowsAfterRestore).
        bool shadowsLate = false;
    };
    // The context of a window whose window manager announces no decorations
    // (i3): its frame is its parent window, if it has one other than the root.
    WriteContext contextFromFrame(xcb_window_t window, const Extents& shadows);
    // The running window manager's name (empty when none runs), read once.
    const std::string& windowManagerName();
    // Whether the window manager should rather maximize the window than
    // size it to the frame (root coordinates) (see writeSize).
    bool maximizesInstead(const WriteContext& context, const Rect& frame);
    // Reads what a move or resize needs, taking the window out of the
    // maximized state first; none when the window is gone.
    std::optional<WriteContext> prepareWrite(xcb_window_t window);
    // The shadow of a window that draws its own frame, once it has put it
    // back after leaving the maximized state (read: the extents read right
    // after); none when there is nothing to wait for. Waits for the window's
    // property to change on the connection, at most kShadowPatience.
    std::optional<Extents> shadowsAfterRestore(xcb_window_t window, const std::vector<uint32_t>& read);
    static constexpr auto kShadowPatience = std::chrono::milliseconds(500);
    // A window placed without the shadow it puts back later (a busy
    // program may take seconds on a loaded machine) is placed again by it when it comes, for as long as
    // kShadowLateness after the placement. `tilvane place` waits that long
    // only for a window that keeps no shadow at all, which GTK draws
    // whenever a compositing manager runs.
    struct LateShadow {
        xcb_window_t window;
        WriteContext context;
        Point position;  // root coordinates
        Size size;
        Connection::Clock::time_point until;
        bool changed = false;
    };
    std::optional<LateShadow> lateShadow_;
    static constexpr auto kShadowLateness = std::chrono::seconds(5);
    // Places the window by its shadow when it has changed.
    void placeByLateShadow();
    // Where a move puts the window's corner, for its outer frame's corner (root coordinates).
    static Point cornerFor(const WriteContext& context, Point root);
    // Whether a compositing manager runs on the program's screen.
    bool screenComposited();
    // The context of the turn's writes when they are of this window, else prepareWrite's.
    std::optional<WriteContext> contextForWrite(xcb_window_t window);
    void observe(const xcb_generic_event_t& event);
    void wrote();
    bool belongsTo(const X11Element& app, xcb_window_t window);
    std::vector<xcb_window_t> windowsOf(const X11Element& app);
    AXElement windowElement(xcb_window_t window, int32_t pid);
    // After a write: asks the window manager for an answer that tells when it has handled the write.
    void askWindowManagerToAnswer();
    // Asks for that answer when writes went out since the last question.
    void askAfterWrites();
    // Before a read: waits for the answers still to come, so the window
    // manager has handled every write sent so far.
    void settle();
    // Sends the reads an action asks for after it has found the active
    // window (its frame and application, and what the screens need), so
    // that they cost one trip together.
    void readAhead(xcb_window_t window);

    Connection& conn_;
    X11Screens& screens_;
    bool writesUnanswered_ = false;
    // Reads kept, see above.
    std::optional<std::optional<xcb_window_t>> active_;
    std::map<xcb_window_t, int32_t> applications_;
    struct ApplicationAhead {
        xcb_window_t window;
        ApplicationsRequest request;
        ApplicationAhead(Connection& conn, xcb_window_t w) : window(w), request(conn, {w}) {}
    };
    std::unique_ptr<ApplicationAhead> applicationAhead_;
    // The writes of the turn so far, all of one window: what was read for
    // them, and the last position written (root coordinates, unrounded)
    // when the last write was a move, for the size that follows it.
    struct TurnWrites {
        xcb_window_t window;
        WriteContext context;
        std::optional<Point> position;
    };
    std::optional<TurnWrites> writes_;
    // What writes need of the windows written to before, kept until the
    // server reports a change of their state or decorations.
    std::map<xcb_window_t, WriteContext> contexts_;
    // The frame read last in this turn, with what a write needs, for the
    // reads and the writes of the action that follow it. Any event from the
    // server, any write and the end of the turn make it stale.
    struct FrameRead {
        xcb_window_t window;
        Rect frame;
        bool maximized;
        WriteContext context;
    };
    struct FrameRequests;
    std::optional<FrameRead> lastFrame_;
    std::unique_ptr<FrameRequests> frameAhead_;
    // The window whose frame is kept across turns, and its top-level
    // ancestor (the window manager's frame, or itself); both report changes.
    struct Watch {
        xcb_window_t window;
        xcb_window_t topLevel;
    };
    std::optional<Watch> watch_;
    bool keepActiveFrame_ = false;
    Log* log_ = nullptr;
    bool refusedTiled_ = false;
    std::optional<std::string> windowManagerName_;
    void watch(xcb_window_t window);
    // Whether the event may change the watched window's frame (true when none is watched).
    bool changesWatched(const xcb_generic_event_t& event) const;
    const FrameRead* freshFrame(xcb_window_t window) const;
    std::optional<FrameRead> readFrame(FrameRequests& requests);
};

// The running applications as processes owning windows.
class X11Workspace : public Workspace {
public:
    explicit X11Workspace(X11Accessibility& ax) : ax_(ax) {}
    std::optional<int32_t> frontmostApplicationPid() override;
    bool activateApplication(int32_t pid, uint32_t options) override;

private:
    X11Accessibility& ax_;
};

}  // namespace tilvane::x11
