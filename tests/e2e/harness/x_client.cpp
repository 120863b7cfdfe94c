#include "harness/x_client.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <algorithm>

#include "platform/x11/key_codes.h"

namespace tilvane::e2e {

namespace {

constexpr uint32_t kPagerRequest = 2u << 12;

uint8_t keycode(uint16_t virtualKey) {
    return x11::xKeycodeForVirtualKey(virtualKey).value_or(0);
}

}  // namespace

std::unique_ptr<XClient> XClient::connect(const std::string& display) {
    std::string error;
    auto conn = x11::Connection::open(display.c_str(), error);
    if (!conn) return nullptr;
    return std::unique_ptr<XClient>(new XClient(std::move(conn)));
}

XClient::XClient(std::unique_ptr<x11::Connection> conn) : conn_(std::move(conn)) {
    conn_->selectRootEvents(XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    conn_->flush();
}

bool XClient::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        conn_->dispatchPending();
        if (condition()) return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        // Whatever arrives may change the answer; so may other programs
        // that send us nothing, hence the short slices.
        conn_->waitForEvent([](const xcb_generic_event_t&) { return true; }, std::min(deadline, now + 20ms));
    }
}

std::optional<xcb_window_t> XClient::activeWindow() {
    auto w = words(root(), "_NET_ACTIVE_WINDOW");
    if (w.empty() || w[0] == XCB_WINDOW_NONE) return std::nullopt;
    return w[0];
}

xcb_window_t XClient::focusedWindow() {
    x11::XPtr<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr));
    xcb_window_t focus = reply ? reply->focus : XCB_WINDOW_NONE;
    return focus == XCB_INPUT_FOCUS_POINTER_ROOT ? XCB_WINDOW_NONE : focus;
}

std::string XClient::windowClass(xcb_window_t window) {
    std::string value = x11::PropertyRequest(c(), window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).text().value_or("");
    return value.substr(0, value.find('\0'));
}

x11::XPtr<xcb_get_window_attributes_reply_t> XClient::attributes(xcb_window_t window) {
    return x11::XPtr<xcb_get_window_attributes_reply_t>(
        xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr));
}

std::optional<xcb_window_t> XClient::windowTitled(const std::string& wanted) {
    for (xcb_window_t w : clientList())
        if (title(w) == wanted) return w;
    return std::nullopt;
}

int XClient::viewableTopLevels(const std::string& wanted) {
    auto top = children(root());
    return int(
        std::count_if(top.begin(), top.end(), [&](xcb_window_t w) { return isViewable(w) && title(w) == wanted; }));
}

int XClient::framedTopLevels(const std::string& wanted) {
    int count = 0;
    for (xcb_window_t top : children(root()))
        for (xcb_window_t child : children(top)) count += title(child) == wanted;
    return count;
}

xcb_window_t XClient::topLevelOf(xcb_window_t client) {
    for (xcb_window_t w = client;;) {
        x11::TreeRequest tree(c(), w);
        if (!tree || tree->parent == root() || tree->parent == XCB_WINDOW_NONE) return w;
        w = tree->parent;
    }
}

std::optional<Rect> XClient::frameOf(xcb_window_t client) {
    x11::GeometryRequest g(c(), topLevelOf(client));
    if (!g) return std::nullopt;
    double border = 2.0 * g->border_width;
    return Rect{double(g->x), double(g->y), g->width + border, g->height + border};
}

std::optional<Rect> XClient::visibleFrameOf(xcb_window_t client) {
    auto frame = frameOf(client);
    // Some window managers (marco) make their frame windows wider than the
    // decorations, for borders that take the pointer but are not drawn;
    // the extents they announce are what shows.
    if (auto e = words(client, "_NET_FRAME_EXTENTS"); frame && e.size() >= 4) {
        x11::TranslateRequest origin(c(), client, root());
        x11::GeometryRequest size(c(), client);
        if (!origin || !size) return std::nullopt;
        frame = Rect{double(origin->dst_x) - e[0], double(origin->dst_y) - e[2], double(size->width) + e[0] + e[1],
                     double(size->height) + e[2] + e[3]};
    }
    auto s = words(client, "_GTK_FRAME_EXTENTS");
    if (!frame || s.size() < 4) return frame;
    return Rect{frame->x + s[0], frame->y + s[2], frame->width - s[0] - s[1], frame->height - s[2] - s[3]};
}

bool XClient::windowManagerAnswers(std::chrono::milliseconds limit) {
    bool answered = conn_->syncWithWindowManager(limit);
    conn_->dispatchPending();
    return answered;
}

void XClient::syncWindowManager() {
    // Tests on a busy machine are more patient than the program.
    if (!windowManagerAnswers(10s)) ADD_FAILURE() << "the window manager did not answer a frame-extents request";
}

void XClient::placeFrame(xcb_window_t client, const Rect& frame) {
    waitForShadow(client);
    if (isMaximized(client)) setMaximized(client, false);
    auto e = words(client, "_NET_FRAME_EXTENTS");
    // A window's own shadow lies outside the frame the user sees, but inside what the window manager moves.
    auto s = words(client, "_GTK_FRAME_EXTENTS");
    s.resize(4, 0);
    int32_t x = int32_t(frame.x) - int32_t(s[0]), y = int32_t(frame.y) - int32_t(s[2]);
    if (e.empty()) {
        // A window manager that announces no extents (i3) frames the window
        // all the same, and puts the client where a move asks.
        auto outer = frameOf(client);
        x11::TranslateRequest origin(c(), client, root());
        x11::GeometryRequest size(c(), client);
        if (outer && origin && size) {
            e = {uint32_t(origin->dst_x - outer->x), uint32_t(outer->x + outer->width - origin->dst_x - size->width),
                 uint32_t(origin->dst_y - outer->y), uint32_t(outer->y + outer->height - origin->dst_y - size->height)};
            // The client's own border (xlogo has one) lies outside where it is put.
            x += int32_t(e[0]) - size->border_width;
            y += int32_t(e[2]) - size->border_width;
        }
    }
    e.resize(4, 0);
    conn_->sendRootMessage(
        client, atom("_NET_MOVERESIZE_WINDOW"),
        {1 | (0xFu << 8) | kPagerRequest, uint32_t(x), uint32_t(y), uint32_t(frame.width - e[0] - e[1] + s[0] + s[1]),
         uint32_t(frame.height - e[2] - e[3] + s[2] + s[3])});
    syncWindowManager();
    // Not every window manager answers a frame-extents request (i3 does
    // not). The whole frame tells, as a window often starts where it was.
    waitUntil([&] { return visibleFrameOf(client) == frame; }, 2s);
}

void XClient::activate(xcb_window_t window) {
    conn_->sendRootMessage(window, atom("_NET_ACTIVE_WINDOW"), {2, XCB_CURRENT_TIME, 0, 0, 0});
    if (!waitUntil([&] { return activeWindow() == window; }))
        ADD_FAILURE() << "window " << window << " did not become active";
}

void XClient::setMaximized(xcb_window_t window, bool maximized) {
    conn_->sendRootMessage(
        window, atom("_NET_WM_STATE"),
        {maximized ? 1u : 0u, atom("_NET_WM_STATE_MAXIMIZED_VERT"), atom("_NET_WM_STATE_MAXIMIZED_HORZ"), 2, 0});
    syncWindowManager();
    waitForShadow(window);
}

void XClient::waitForShadow(xcb_window_t window) {
    if (words(window, "_GTK_FRAME_EXTENTS").empty()) return;
    waitUntil([&] {
        auto s = words(window, "_GTK_FRAME_EXTENTS");
        return std::all_of(s.begin(), s.end(), [](uint32_t side) { return side == 0; }) == isMaximized(window);
    });
}

bool XClient::isMaximized(xcb_window_t window) {
    auto state = words(window, "_NET_WM_STATE");
    xcb_atom_t vert = atom("_NET_WM_STATE_MAXIMIZED_VERT"), horz = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    return std::any_of(state.begin(), state.end(), [&](uint32_t s) { return s == vert || s == horz; });
}

void XClient::keys(uint8_t type, const std::vector<uint16_t>& virtualKeys) {
    for (uint16_t vk : virtualKeys) xcb_test_fake_input(c(), type, keycode(vk), XCB_CURRENT_TIME, root(), 0, 0, 0);
    conn_->roundTrip();
}

void XClient::fake(uint8_t type, uint8_t detail, int16_t x, int16_t y) {
    xcb_test_fake_input(c(), type, detail, XCB_CURRENT_TIME, root(), x, y, 0);
    conn_->roundTrip();
}

xcb_window_t XClient::createWindow(const std::string& title) {
    xcb_window_t w = xcb_generate_id(c());
    uint32_t values[] = {conn_->screen()->white_pixel};
    xcb_create_window(c(), XCB_COPY_FROM_PARENT, w, root(), 0, 0, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
    xcb_change_property(c(), XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(title.size()), title.data());
    xcb_map_window(c(), w);
    conn_->flush();
    return w;
}

bool XClient::pingSelectionOwner(const std::string& selection, std::chrono::milliseconds limit) {
    xcb_window_t own = conn_->helperWindow();
    xcb_atom_t sel = atom(selection), target = atom("TIMESTAMP"), property = atom("TILVANE_TEST_PING");
    xcb_convert_selection(c(), own, sel, target, property, XCB_CURRENT_TIME);
    return conn_->waitForEvent(
        [&](const xcb_generic_event_t& e) {
            if (x11::eventType(e) != XCB_SELECTION_NOTIFY) return false;
            const auto& n = reinterpret_cast<const xcb_selection_notify_event_t&>(e);
            return n.requestor == own && n.selection == sel;
        },
        std::chrono::steady_clock::now() + limit);
}

bool XClient::grabKey(uint16_t virtualKey, uint16_t modifiers) {
    x11::XPtr<xcb_generic_error_t> error(
        xcb_request_check(c(), xcb_grab_key_checked(c(), 1, root(), modifiers, keycode(virtualKey), XCB_GRAB_MODE_ASYNC,
                                                    XCB_GRAB_MODE_ASYNC)));
    return !error;
}

void XClient::ungrabKey(uint16_t virtualKey, uint16_t modifiers) {
    xcb_ungrab_key(c(), keycode(virtualKey), root(), modifiers);
    conn_->roundTrip();
}

bool XClient::keyIsFree(uint16_t virtualKey, uint16_t modifiers) {
    if (!grabKey(virtualKey, modifiers)) return false;
    ungrabKey(virtualKey, modifiers);
    return true;
}

bool XClient::grabKeyboard() {
    x11::XPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c(), xcb_grab_keyboard(c(), 0, root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

void XClient::ungrabKeyboard() {
    xcb_ungrab_keyboard(c(), XCB_CURRENT_TIME);
    conn_->roundTrip();
}

bool XClient::keyboardIsFree() {
    if (!grabKeyboard()) return false;
    ungrabKeyboard();
    return true;
}

}  // namespace tilvane::e2e
