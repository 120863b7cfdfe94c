#pragma once

// The connection to the X server and the typed requests the X11 backend
// makes. Only code in src/platform/x11/ includes this header.

#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tilvane::x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
// A reply or event as xcb hands it out: one malloc'd block.
template <typename T>
using XPtr = std::unique_ptr<T, FreeDeleter>;

// Every atom the backend uses, interned together when the connection opens.
#define TILVANE_X11_ATOMS(X)        \
    X(UTF8_STRING)                  \
    X(MANAGER)                      \
    X(TARGETS)                      \
    X(TIMESTAMP)                    \
    X(_NET_SUPPORTED)               \
    X(_NET_SUPPORTING_WM_CHECK)     \
    X(_NET_ACTIVE_WINDOW)           \
    X(_NET_CLIENT_LIST)             \
    X(_NET_CLIENT_LIST_STACKING)    \
    X(_NET_WM_PID)                  \
    X(_NET_WM_NAME)                 \
    X(_NET_WM_STATE)                \
    X(_NET_WM_STATE_MAXIMIZED_VERT) \
    X(_NET_WM_STATE_MAXIMIZED_HORZ) \
    X(_NET_WM_STATE_SKIP_TASKBAR)   \
    X(_NET_WM_STATE_SKIP_PAGER)     \
    X(_NET_WM_STRUT)                \
    X(_NET_WM_STRUT_PARTIAL)        \
    X(_NET_FRAME_EXTENTS)           \
    X(_NET_REQUEST_FRAME_EXTENTS)   \
    X(_NET_MOVERESIZE_WINDOW)       \
    X(_NET_NUMBER_OF_DESKTOPS)      \
    X(_NET_CURRENT_DESKTOP)         \
    X(_NET_WM_DESKTOP)              \
    X(_NET_WM_WINDOW_TYPE)          \
    X(_NET_WM_WINDOW_TYPE_DOCK)     \
    X(_NET_WM_WINDOW_TYPE_DESKTOP)  \
    X(_GTK_FRAME_EXTENTS)           \
    X(_NET_WORKAREA)                \
    X(I3_FLOATING_WINDOW)

struct Atoms {
#define TILVANE_X11_DECLARE_ATOM(name) xcb_atom_t name = XCB_ATOM_NONE;
    TILVANE_X11_ATOMS(TILVANE_X11_DECLARE_ATOM)
#undef TILVANE_X11_DECLARE_ATOM
};

// A request whose reply is read on first use. The request goes out when the
// object is made; a reply nobody asked for is discarded when it goes away.
template <typename Cookie, typename Reply, Reply* (*ReplyFn)(xcb_connection_t*, Cookie, xcb_generic_error_t**)>
class PendingReply {
public:
    PendingReply(xcb_connection_t* c, Cookie cookie) : c_(c), cookie_(cookie) {}
    PendingReply(const PendingReply&) = delete;
    PendingReply& operator=(const PendingReply&) = delete;
    PendingReply(PendingReply&& o) noexcept
        : c_(o.c_), cookie_(o.cookie_), fetched_(o.fetched_), reply_(std::move(o.reply_)), error_(o.error_) {
        o.fetched_ = true;
    }
    ~PendingReply() {
        if (!fetched_) xcb_discard_reply(c_, cookie_.sequence);
    }

    // The reply; null when the server answered with an error or the connection broke.
    const Reply* get() {
        if (!fetched_) {
            xcb_generic_error_t* e = nullptr;
            reply_.reset(ReplyFn(c_, cookie_, &e));
            if (e) error_ = e->error_code;
            std::free(e);
            fetched_ = true;
        }
        return reply_.get();
    }
    const Reply* operator->() { return get(); }
    explicit operator bool() { return get() != nullptr; }
    // The X error code of a failed request (0 when there was none).
    uint8_t errorCode() {
        get();
        return error_;
    }

protected:
    xcb_connection_t* c_;
    Cookie cookie_;
    bool fetched_ = false;
    XPtr<Reply> reply_;
    uint8_t error_ = 0;
};

// GetProperty with typed reads of its value.
class PropertyRequest
    : public PendingReply<xcb_get_property_cookie_t, xcb_get_property_reply_t, xcb_get_property_reply> {
public:
    PropertyRequest(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                    xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY, uint32_t maxWords = 4096);
    // The 32-bit items (CARDINAL, WINDOW, ATOM); empty when absent or of another format.
    std::vector<uint32_t> words();
    std::optional<uint32_t> word();
    // An 8-bit value as text; none when absent or of another format.
    std::optional<std::string> text();
};

class GeometryRequest
    : public PendingReply<xcb_get_geometry_cookie_t, xcb_get_geometry_reply_t, xcb_get_geometry_reply> {
public:
    GeometryRequest(xcb_connection_t* c, xcb_drawable_t d) : PendingReply(c, xcb_get_geometry(c, d)) {}
};

class TranslateRequest : public PendingReply<xcb_translate_coordinates_cookie_t, xcb_translate_coordinates_reply_t,
                                             xcb_translate_coordinates_reply> {
public:
    TranslateRequest(xcb_connection_t* c, xcb_window_t from, xcb_window_t to, int16_t x = 0, int16_t y = 0)
        : PendingReply(c, xcb_translate_coordinates(c, from, to, x, y)) {}
};

class TreeRequest : public PendingReply<xcb_query_tree_cookie_t, xcb_query_tree_reply_t, xcb_query_tree_reply> {
public:
    TreeRequest(xcb_connection_t* c, xcb_window_t w) : PendingReply(c, xcb_query_tree(c, w)) {}
    // Bottom to top; empty when the window is gone.
    std::vector<xcb_window_t> children() {
        if (!get()) return {};
        const xcb_window_t* first = xcb_query_tree_children(get());
        return {first, first + xcb_query_tree_children_length(get())};
    }
};

class InternAtomRequest
    : public PendingReply<xcb_intern_atom_cookie_t, xcb_intern_atom_reply_t, xcb_intern_atom_reply> {
public:
    InternAtomRequest(xcb_connection_t* c, const std::string& name, bool onlyIfExists = false)
        : PendingReply(c, xcb_intern_atom(c, onlyIfExists, static_cast<uint16_t>(name.size()), name.data())) {}
    xcb_atom_t atom() { return get() ? get()->atom : xcb_atom_t{XCB_ATOM_NONE}; }
};

class SelectionOwnerRequest : public PendingReply<xcb_get_selection_owner_cookie_t, xcb_get_selection_owner_reply_t,
                                                  xcb_get_selection_owner_reply> {
public:
    SelectionOwnerRequest(xcb_connection_t* c, xcb_atom_t selection)
        : PendingReply(c, xcb_get_selection_owner(c, selection)) {}
    xcb_window_t owner() { return get() ? get()->owner : xcb_window_t{XCB_WINDOW_NONE}; }
};

// The response type of an event without the bit that marks sent events.
inline uint8_t eventType(const xcb_generic_event_t& e) {
    return e.response_type & 0x7f;
}

// The connection to one X display: its atoms, the events read from it and
// the handlers that take them. Events are read as they arrive (also while
// the program waits inside an action); observers see each one at once,
// handlers run later from dispatchPending() on the run loop.
class Connection {
public:
    using EventHandler = std::function<void(const xcb_generic_event_t&)>;
    using ErrorHandler = std::function<void(const xcb_generic_error_t&)>;
    using Clock = std::chrono::steady_clock;

    // Opens the display (null: $DISPLAY). On failure gives null and says why in error.
    static std::unique_ptr<Connection> open(const char* displayName, std::string& error);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return c_; }
    const Atoms& atoms() const { return atoms_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    int screenNumber() const { return screenNumber_; }
    int fd() const { return xcb_get_file_descriptor(c_); }
    // False once the server has gone away or the connection failed.
    bool isUsable() const { return xcb_connection_has_error(c_) == 0; }

    // Handlers by event type; several may share one type and run in the order added.
    void onEvent(uint8_t type, EventHandler handler);
    // Sees every event the moment it is read, before its handlers run.
    void addObserver(EventHandler observer);
    // Errors of requests whose replies nobody reads (a window that went away, say).
    void onError(ErrorHandler handler) { errorHandlers_.push_back(std::move(handler)); }

    // Reads whatever the server has sent, without blocking.
    void readAvailable();
    // Runs the handlers of the events read so far, in order.
    void dispatchPending();
    bool hasUndispatchedEvents() const { return !queue_.empty(); }
    // Waits until an event satisfying the predicate arrives or the deadline
    // passes. Every event read meanwhile, the matching one included, is kept
    // for dispatchPending.
    bool waitForEvent(const std::function<bool(const xcb_generic_event_t&)>& matches, Clock::time_point deadline);
    void flush();
    // A request with a reply, to be sure the server has handled everything sent before.
    void roundTrip();

    // A window of the program's own: never mapped, its property changes reported.
    xcb_window_t helperWindow();
    // Whether a window manager runs and lists the atom in _NET_SUPPORTED
    // (read once, and again when the window manager changes).
    bool windowManagerSupports(xcb_atom_t atom);

    // How long the program waits for the window manager's answer before it
    // goes on without it (a window manager that hangs, or has gone).
    static constexpr auto kWindowManagerPatience = std::chrono::seconds(1);
    // Asks the window manager to answer once it has handled every request
    // sent so far, without waiting for the answer.
    void askWindowManager();
    // Waits for the answers to every question asked so far; false when one
    // did not come within the patience. Where the window manager cannot
    // answer, a round trip is all there is. Questions asked of a window
    // manager that has gone since are not waited for.
    bool waitForWindowManager(std::chrono::milliseconds patience = kWindowManagerPatience);
    // Asks and waits: returns once the window manager has handled every request sent before.
    bool syncWithWindowManager(std::chrono::milliseconds patience = kWindowManagerPatience);

    // Adds to the events this program hears on the root window.
    void selectRootEvents(uint32_t mask);
    // Adds to the events this program hears on another window; what was selected before stays.
    void selectWindowEvents(xcb_window_t window, uint32_t mask);
    // Whether questions to the window manager are still unanswered.
    bool questionsPending() const { return answered_ < asked_; }

    // Sends a client message about the window, with 32-bit data, to the
    // clients that select the mask on the destination.
    void sendClientMessage(xcb_window_t destination, uint32_t eventMask, xcb_window_t window, xcb_atom_t type,
                           std::array<uint32_t, 5> data);
    // Sends a client message to the root window the way EWMH asks.
    void sendRootMessage(xcb_window_t window, xcb_atom_t type, std::array<uint32_t, 5> data);

    // Asks the window manager, as a pager acting for the user, to move the
    // window's frame (north-west gravity: x and y place the frame's corner)
    // and to size its client area. The request is held back until the
    // connection is flushed, another message or question goes to the window
    // manager, or input is synthesized: a move and a size of the same window
    // in between reach the window manager as one request carrying both, the
    // later value of each winning.
    struct MoveResize {
        std::optional<std::array<int32_t, 2>> position;
        std::optional<std::array<uint32_t, 2>> size;
    };
    void moveResizeWindow(xcb_window_t window, const MoveResize& request);
    // Sends the request held back, if any; what must reach the window
    // manager after it (synthesized input, say) calls this first.
    void sendHeldRequests();

    // The first event code of an extension, or none when the server lacks it.
    std::optional<uint8_t> extensionEventBase(xcb_extension_t* extension);

private:
    Connection(xcb_connection_t* c, int screenNumber);
    void take(xcb_generic_event_t* event);
    bool isWindowManagerAnswer(const xcb_generic_event_t& event) const;
    // Reads which window manager runs and what it supports.
    void readWindowManager();
    // Whether the event tells that a window manager left, came or changed what it supports.
    bool isWindowManagerChange(const xcb_generic_event_t& event) const;
    void windowManagerChanged();
    // Gives up on the questions still unanswered: the window manager that
    // was asked has gone, or is too slow to wait for.
    void forgetQuestions();

    xcb_connection_t* c_;
    int screenNumber_;
    xcb_screen_t* screen_ = nullptr;
    Atoms atoms_;
    std::deque<XPtr<xcb_generic_event_t>> queue_;
    std::array<std::vector<EventHandler>, 128> handlers_;
    std::vector<EventHandler> observers_;
    std::vector<ErrorHandler> errorHandlers_;
    xcb_window_t helper_ = XCB_WINDOW_NONE;
    // Questions to the window manager asked and answered (see askWindowManager),
    // and the window whose property changes answer them.
    xcb_window_t answers_ = XCB_WINDOW_NONE;
    uint64_t asked_ = 0;
    uint64_t answered_ = 0;
    bool roundTripOwed_ = false;
    uint32_t rootMask_ = 0;
    std::map<xcb_window_t, uint32_t> windowMasks_;
    std::optional<std::vector<uint32_t>> supported_;
    // The running window manager's check window (none: no window manager
    // runs, or it is not known yet), and the selection window managers hold.
    xcb_window_t windowManagerCheck_ = XCB_WINDOW_NONE;
    xcb_atom_t windowManagerSelection_ = XCB_ATOM_NONE;
    std::optional<std::pair<xcb_window_t, MoveResize>> held_;
};

// The whole server, held for a few requests that must not be interleaved
// with another client's. Let go of, and the release sent at once, when it
// goes: a grab left queued would stop every client of the display, the
// program's own other connections included.
class ServerGrab {
public:
    explicit ServerGrab(Connection& conn) : conn_(conn) { xcb_grab_server(conn_.get()); }
    ~ServerGrab() {
        xcb_ungrab_server(conn_.get());
        conn_.flush();
    }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;

private:
    Connection& conn_;
};

}  // namespace tilvane::x11
