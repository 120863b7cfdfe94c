#include "platform/x11/x11_connection.h"

#include <poll.h>
#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>
// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <algorithm>
#include <cstring>

namespace tilvane::x11 {

PropertyRequest::PropertyRequest(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                 uint32_t maxWords)
    : PendingReply(c, xcb_get_property(c, 0, window, property, type, 0, maxWords)) {}

std::vector<uint32_t> PropertyRequest::words() {
    const auto* r = get();
    if (!r || r->format != 32 || r->type == XCB_ATOM_NONE) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r));
    int n = xcb_get_property_value_length(r) / 4;
    return std::vector<uint32_t>(data, data + std::max(n, 0));
}

std::optional<uint32_t> PropertyRequest::word() {
    auto w = words();
    if (w.empty()) return std::nullopt;
    return w.front();
}

std::optional<std::string> PropertyRequest::text() {
    const auto* r = get();
    if (!r || r->format != 8 || r->type == XCB_ATOM_NONE) return std::nullopt;
    const auto* data = static_cast<const char*>(xcb_get_property_value(r));
    return std::string(data, static_cast<size_t>(std::max(xcb_get_property_value_length(r), 0)));
}

namespace {

std::string connectionErrorText(int code, const char* displayName) {
    std::string display = displayName ? displayName : (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    if (display.empty()) return "no X display: DISPLAY is not set";
    switch (code) {
        case XCB_CONN_CLOSED_PARSE_ERR: return "cannot parse the display name \"" + display + "\"";
        case XCB_CONN_CLOSED_INVALID_SCREEN: return "display \"" + display + "\" has no such screen";
        case XCB_CONN_CLOSED_EXT_NOTSUPPORTED: return "display \"" + display + "\" lacks a needed extension";
        case XCB_CONN_CLOSED_MEM_INSUFFICIENT: return "out of memory connecting to \"" + display + "\"";
        default: return "cannot open display \"" + display + "\"";
    }
}

}  // namespace

std::unique_ptr<Connection> Connection::open(const char* displayName, std::string& error) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    if (int code = xcb_connection_has_error(c)) {
        error = connectionErrorText(code, displayName);
        xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<Connection> conn(new Connection(c, screenNumber));
    if (!conn->screen_) {
        error = connectionErrorText(XCB_CONN_CLOSED_INVALID_SCREEN, displayName);
        return nullptr;
    }
    return conn;
}

Connection::Connection(xcb_connection_t* c, int screenNumber) : c_(c), screenNumber_(screenNumber) {
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber_) {
            screen_ = it.data;
            break;
        }
    }
    // The extensions' data travels with the atoms instead of costing round trips of its own.
    for (xcb_extension_t* extension : {&xcb_randr_id, &xcb_xkb_id, &xcb_test_id, &xcb_input_id, &xcb_res_id})
        xcb_prefetch_extension_data(c_, extension);
    // Intern every atom in one batch: all requests first, then the replies.
    std::vector<InternAtomRequest> requests;
#define TILVANE_X11_REQUEST_ATOM(name) requests.emplace_back(c_, #name);
    TILVANE_X11_ATOMS(TILVANE_X11_REQUEST_ATOM)
#undef TILVANE_X11_REQUEST_ATOM
    InternAtomRequest windowManagerSelection(c_, "WM_S" + std::to_string(screenNumber_));
    size_t i = 0;
#define TILVANE_X11_STORE_ATOM(name) atoms_.name = requests[i++].atom();
    TILVANE_X11_ATOMS(TILVANE_X11_STORE_ATOM)
#undef TILVANE_X11_STORE_ATOM
    windowManagerSelection_ = windowManagerSelection.atom();
}

Connection::~Connection() {
    sendHeldRequests();
    xcb_flush(c_);
    queue_.clear();
    xcb_disconnect(c_);
}

void Connection::onEvent(uint8_t type, EventHandler handler) {
    handlers_[type & 0x7f].push_back(std::move(handler));
}

void Connection::addObserver(EventHandler observer) {
    observers_.push_back(std::move(observer));
}

void Connection::take(xcb_generic_event_t* event) {
    XPtr<xcb_generic_event_t> owned(event);
    if (isWindowManagerChange(*event)) windowManagerChanged();
    if (eventType(*event) == XCB_DESTROY_NOTIFY)
        windowMasks_.erase(reinterpret_cast<const xcb_destroy_notify_event_t&>(*event).window);
    if (isWindowManagerAnswer(*event)) ++answered_;
    for (const auto& observe : observers_) observe(*event);
    queue_.push_back(std::move(owned));
}

void Connection::readAvailable() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) take(e);
}

void Connection::dispatchPending() {
    // Handlers make requests, and xcb reads the events that come before
    // their replies; keep going until nothing is left anywhere.
    for (readAvailable(); !queue_.empty(); readAvailable()) {
        XPtr<xcb_generic_event_t> event = std::move(queue_.front());
        queue_.pop_front();
        if (event->response_type == 0) {
            const auto& error = reinterpret_cast<const xcb_generic_error_t&>(*event);
            for (const auto& handle : errorHandlers_) handle(error);
            continue;
        }
        // Copy: a handler may add handlers while it runs.
        auto handlers = handlers_[eventType(*event)];
        for (const auto& handle : handlers) handle(*event);
    }
}

void Connection::flush() {
    sendHeldRequests();
    xcb_flush(c_);
}

bool Connection::waitForEvent(const std::function<bool(const xcb_generic_event_t&)>& matches,
                              Clock::time_point deadline) {
    flush();
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            bool found = e->response_type != 0 && matches(*e);
            take(e);
            if (found) return true;
        }
        if (!isUsable()) return false;
        auto now = Clock::now();
        if (now >= deadline) return false;
        auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        pollfd p{fd(), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<long long>(remaining, 60'000)));
    }
}

void Connection::roundTrip() {
    sendHeldRequests();
    XPtr<xcb_get_input_focus_reply_t> r(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

xcb_window_t Connection::helperWindow() {
    if (helper_ != XCB_WINDOW_NONE) return helper_;
    helper_ = xcb_generate_id(c_);
    uint32_t values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, helper_, root(), -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
    static constexpr char kName[] = "tilvane";
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, helper_, atoms_._NET_WM_NAME, atoms_.UTF8_STRING, 8,
                        sizeof kName - 1, kName);
    return helper_;
}

bool Connection::windowManagerSupports(xcb_atom_t atom) {
    if (!supported_) readWindowManager();
    return std::find(supported_->begin(), supported_->end(), atom) != supported_->end();
}

void Connection::readWindowManager() {
    // Changes of the window manager come as changes of these properties, as a
    // MANAGER message and as the destruction of its check window.
    selectRootEvents(XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    PropertyRequest check(c_, root(), atoms_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
    PropertyRequest supported(c_, root(), atoms_._NET_SUPPORTED, XCB_ATOM_ATOM);
    supported_.emplace();
    windowManagerCheck_ = XCB_WINDOW_NONE;
    auto window = check.word();
    if (!window || *window == XCB_WINDOW_NONE) return;
    // A window manager that was killed leaves its properties behind: its
    // check window, which names itself while it runs, tells. Watched before
    // it is asked, so that its end cannot fall in between.
    uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, *window, XCB_CW_EVENT_MASK, &mask);
    if (PropertyRequest(c_, *window, atoms_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1).word() != window) return;
    windowManagerCheck_ = *window;
    supported_ = supported.words();
}

bool Connection::isWindowManagerChange(const xcb_generic_event_t& event) const {
    switch (eventType(event)) {
        case XCB_PROPERTY_NOTIFY: {
            const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return p.window == root() && (p.atom == atoms_._NET_SUPPORTED || p.atom == atoms_._NET_SUPPORTING_WM_CHECK);
        }
        case XCB_DESTROY_NOTIFY:
            return windowManagerCheck_ != XCB_WINDOW_NONE &&
                   reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window == windowManagerCheck_;
        case XCB_CLIENT_MESSAGE: {
            const auto& m = reinterpret_cast<const xcb_client_message_event_t&>(event);
            return m.type == atoms_.MANAGER && m.format == 32 && m.data.data32[1] == windowManagerSelection_;
        }
        default: return false;
    }
}

void Connection::windowManagerChanged() {
    supported_.reset();
    windowManagerCheck_ = XCB_WINDOW_NONE;
    forgetQuestions();
}

void Connection::forgetQuestions() {
    // Answers to them would come to the old window, where nobody listens;
    // the next question goes to a new one.
    if (answers_ != XCB_WINDOW_NONE) xcb_destroy_window(c_, answers_);
    answers_ = XCB_WINDOW_NONE;
    if (asked_ > answered_) roundTripOwed_ = true;
    asked_ = answered_ = 0;
}

void Connection::askWindowManager() {
    sendHeldRequests();
    // A window manager that left or came since the last question changes who answers.
    readAvailable();
    // The window manager answers a frame-extents request for one of our own
    // windows by setting a property on it. It handles requests in order, so
    // once the answer arrives every request sent before it has been applied.
    if (!windowManagerSupports(atoms_._NET_REQUEST_FRAME_EXTENTS)) {
        roundTripOwed_ = true;
        return;
    }
    if (answers_ == XCB_WINDOW_NONE) {
        answers_ = xcb_generate_id(c_);
        uint32_t values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, answers_, root(), -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
    }
    sendRootMessage(answers_, atoms_._NET_REQUEST_FRAME_EXTENTS, {0, 0, 0, 0, 0});
    ++asked_;
}

bool Connection::isWindowManagerAnswer(const xcb_generic_event_t& event) const {
    if (answers_ == XCB_WINDOW_NONE || eventType(event) != XCB_PROPERTY_NOTIFY) return false;
    const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    return p.window == answers_ && p.atom == atoms_._NET_FRAME_EXTENTS;
}

bool Connection::waitForWindowManager(std::chrono::milliseconds patience) {
    readAvailable();
    auto deadline = Clock::now() + patience;
    bool answered = true;
    while (answered_ < asked_) {
        if (!waitForEvent([this](const xcb_generic_event_t& e) { return isWindowManagerAnswer(e); }, deadline)) {
            // Late answers to these questions would be taken for answers to later ones.
            forgetQuestions();
            answered = false;
        }
    }
    if (roundTripOwed_) {
        roundTripOwed_ = false;
        roundTrip();
    }
    return answered;
}

bool Connection::syncWithWindowManager(std::chrono::milliseconds patience) {
    askWindowManager();
    return waitForWindowManager(patience);
}

void Connection::selectRootEvents(uint32_t mask) {
    if ((rootMask_ | mask) == rootMask_) return;
    rootMask_ |= mask;
    xcb_change_window_attributes(c_, root(), XCB_CW_EVENT_MASK, &rootMask_);
}

void Connection::selectWindowEvents(xcb_window_t window, uint32_t mask) {
    uint32_t& selected = windowMasks_[window];
    if ((selected | mask) == selected) return;
    selected |= mask;
    xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &selected);
}

void Connection::sendClientMessage(xcb_window_t destination, uint32_t eventMask, xcb_window_t window, xcb_atom_t type,
                                   std::array<uint32_t, 5> data) {
    sendHeldRequests();
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(c_, 0, destination, eventMask, reinterpret_cast<const char*>(&event));
}

void Connection::sendRootMessage(xcb_window_t window, xcb_atom_t type, std::array<uint32_t, 5> data) {
    sendClientMessage(root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, window, type,
                      data);
}

void Connection::moveResizeWindow(xcb_window_t window, const MoveResize& request) {
    if (held_ && held_->first != window) sendHeldRequests();
    if (!held_) held_.emplace(window, MoveResize{});
    MoveResize& merged = held_->second;
    if (request.position) merged.position = request.position;
    if (request.size) merged.size = request.size;
}

void Connection::sendHeldRequests() {
    if (!held_) return;
    // Gravity in the low byte, the fields given, and the source: 2, a pager acting for the user.
    constexpr uint32_t kGravityNorthWest = 1, kSourcePager = 2u << 12;
    constexpr uint32_t kX = 1u << 8, kY = 1u << 9, kWidth = 1u << 10, kHeight = 1u << 11;
    auto [window, request] = *held_;
    held_.reset();
    std::array<uint32_t, 5> data{kGravityNorthWest | kSourcePager, 0, 0, 0, 0};
    if (request.position) {
        data[0] |= kX | kY;
        data[1] = static_cast<uint32_t>((*request.position)[0]);
        data[2] = static_cast<uint32_t>((*request.position)[1]);
    }
    if (request.size) {
        data[0] |= kWidth | kHeight;
        data[3] = (*request.size)[0];
        data[4] = (*request.size)[1];
    }
    sendRootMessage(window, atoms_._NET_MOVERESIZE_WINDOW, data);
}

std::optional<uint8_t> Connection::extensionEventBase(xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c_, extension);
    if (!ext || !ext->present) return std::nullopt;
    return ext->first_event;
}

}  // namespace tilvane::x11
