#include "platform/x11/x11_instance.h"

#include <cstring>
#include <optional>

namespace tilvane::x11 {

InstanceSelection::InstanceSelection(Connection& conn, RunLoop& loop)
    : conn_(conn), loop_(loop), name_("TILVANE_S" + std::to_string(conn.screenNumber())) {
    InternAtomRequest selection(conn_.get(), name_), showPreferences(conn_.get(), "TILVANE_SHOW_PREFERENCES"),
        heldElsewhere(conn_.get(), "TILVANE_HELD_ELSEWHERE");
    selection_ = selection.atom();
    showPreferences_ = showPreferences.atom();
    heldElsewhere_ = heldElsewhere.atom();
    conn_.onEvent(XCB_SELECTION_REQUEST, [this](const xcb_generic_event_t& e) {
        const auto& request = reinterpret_cast<const xcb_selection_request_event_t&>(e);
        if (request.selection != selection_ || !owned_) return;
        loop_.async([this, request] { answer(request); });
    });
    conn_.onEvent(XCB_SELECTION_CLEAR, [this](const xcb_generic_event_t& e) {
        const auto& clear = reinterpret_cast<const xcb_selection_clear_event_t&>(e);
        if (clear.selection != selection_ || !owned_) return;
        owned_ = false;
        if (onLost_) onLost_();
    });
}

InstanceSelection::~InstanceSelection() {
    if (owned_) {
        xcb_set_selection_owner(conn_.get(), XCB_WINDOW_NONE, selection_, since_);
        conn_.flush();
    }
}

bool InstanceSelection::heldByAnother() {
    xcb_window_t owner = SelectionOwnerRequest(conn_.get(), selection_).owner();
    return owner != XCB_WINDOW_NONE && owner != conn_.helperWindow();
}

xcb_timestamp_t InstanceSelection::serverTime() {
    // A change of one of our own properties comes back with the server's time.
    xcb_window_t helper = conn_.helperWindow();
    xcb_change_property(conn_.get(), XCB_PROP_MODE_APPEND, helper, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, 0, "");
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    conn_.waitForEvent(
        [&](const xcb_generic_event_t& e) {
            if (eventType(e) != XCB_PROPERTY_NOTIFY) return false;
            const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
            if (p.window != helper || p.atom != XCB_ATOM_WM_CLASS) return false;
            time = p.time;
            return true;
        },
        Connection::Clock::now() + std::chrono::seconds(5));
    return time;
}

bool InstanceSelection::claim() {
    xcb_window_t helper = conn_.helperWindow();
    xcb_timestamp_t time = serverTime();
    xcb_window_t owner = XCB_WINDOW_NONE;
    {
        // Look and take in one step, so two programs starting together cannot
        // both win. The server answers no other client until it is let go.
        ServerGrab grab(conn_);
        owner = SelectionOwnerRequest(conn_.get(), selection_).owner();
        if (owner == XCB_WINDOW_NONE) xcb_set_selection_owner(conn_.get(), helper, selection_, time);
    }
    if (owner != XCB_WINDOW_NONE || SelectionOwnerRequest(conn_.get(), selection_).owner() != helper) return false;
    owned_ = true;
    since_ = time;

    conn_.sendClientMessage(conn_.root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY, conn_.root(), conn_.atoms().MANAGER,
                            {time, selection_, helper, 0, 0});
    conn_.flush();
    return true;
}

void InstanceSelection::answer(const xcb_selection_request_event_t& request) {
    const Atoms& a = conn_.atoms();
    // Old clients name no property; the target's name is used then.
    xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
    if (request.target == a.TARGETS) {
        xcb_atom_t targets[] = {a.TARGETS, a.TIMESTAMP};
        xcb_change_property(conn_.get(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32, 2,
                            targets);
    } else if (request.target == a.TIMESTAMP) {
        xcb_change_property(conn_.get(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &since_);
    } else if (request.target == showPreferences_ && onShowPreferences_) {
        uint32_t shown = 1;
        xcb_change_property(conn_.get(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &shown);
        onShowPreferences_();
    } else {
        property = XCB_ATOM_NONE;  // refused
    }
    xcb_selection_notify_event_t notify;
    std::memset(&notify, 0, sizeof notify);
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    // The answer says the program has handled everything sent before the
    // question: a move it holds back goes out first.
    conn_.sendHeldRequests();
    xcb_send_event(conn_.get(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    conn_.flush();
}

InstanceSelection::Request InstanceSelection::askOwnerToShowPreferences(std::chrono::milliseconds limit) {
    if (SelectionOwnerRequest(conn_.get(), selection_).owner() == XCB_WINDOW_NONE) return Request::NoOwner;
    xcb_window_t helper = conn_.helperWindow();
    xcb_convert_selection(conn_.get(), helper, selection_, showPreferences_, showPreferences_, XCB_CURRENT_TIME);
    conn_.flush();
    std::optional<xcb_atom_t> answered;
    conn_.waitForEvent(
        [&](const xcb_generic_event_t& e) {
            if (eventType(e) != XCB_SELECTION_NOTIFY) return false;
            const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(e);
            if (notify.requestor != helper || notify.selection != selection_) return false;
            answered = notify.property;
            return true;
        },
        Connection::Clock::now() + limit);
    return answered && *answered != XCB_ATOM_NONE ? Request::Done : Request::Refused;
}

}  // namespace tilvane::x11

namespace tilvane::x11 {

void InstanceSelection::publishHeldElsewhere(const std::vector<std::string>& keys) {
    std::string text;
    for (const auto& key : keys) text += key + "\n";
    xcb_change_property(conn_.get(), XCB_PROP_MODE_REPLACE, conn_.helperWindow(), heldElsewhere_,
                        conn_.atoms().UTF8_STRING, 8, static_cast<uint32_t>(text.size()), text.data());
    conn_.flush();
}

std::optional<std::vector<std::string>> InstanceSelection::heldElsewhereByOwner() {
    xcb_window_t owner = SelectionOwnerRequest(conn_.get(), selection_).owner();
    if (owner == XCB_WINDOW_NONE) return std::nullopt;
    std::string text =
        PropertyRequest(conn_.get(), owner, heldElsewhere_, conn_.atoms().UTF8_STRING).text().value_or("");
    std::vector<std::string> keys;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) keys.push_back(text.substr(start, end - start));
    }
    return keys;
}

}  // namespace tilvane::x11
