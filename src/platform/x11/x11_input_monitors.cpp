#include "platform/x11/x11_input_monitors.h"

#include <xcb/xinput.h>
// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cmath>

namespace tilvane::x11 {

namespace {

constexpr uint16_t kAllDevices = 0, kAllMasterDevices = 1;
constexpr uint16_t kFirstPointerAxis = 0, kSecondPointerAxis = 1;
constexpr uint32_t kLeftButton = 1;
constexpr uint16_t kAnyButton =
    XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
constexpr uint16_t kModifierParts =
    XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK;

uint64_t maskOf(EventType type) {
    return 1ull << static_cast<uint32_t>(type);
}

double fromFixed(const xcb_input_fp3232_t& v) {
    return double(v.integral) + double(v.frac) / 4294967296.0;
}

// The valuators a raw event carries, by number.
std::map<uint16_t, double> rawValues(const xcb_input_raw_motion_event_t& raw) {
    std::map<uint16_t, double> values;
    const uint32_t* mask = xcb_input_raw_button_press_valuator_mask(&raw);
    const xcb_input_fp3232_t* data = xcb_input_raw_button_press_axisvalues(&raw);
    int count = xcb_input_raw_button_press_axisvalues_length(&raw);
    int next = 0;
    for (uint16_t bit = 0; bit < raw.valuators_len * 32u && next < count; ++bit)
        if (mask[bit / 32] & (1u << (bit % 32))) values[bit] = fromFixed(data[next++]);
    return values;
}

class QueryDeviceRequest : public PendingReply<xcb_input_xi_query_device_cookie_t, xcb_input_xi_query_device_reply_t,
                                               xcb_input_xi_query_device_reply> {
public:
    explicit QueryDeviceRequest(xcb_connection_t* c) : PendingReply(c, xcb_input_xi_query_device(c, kAllDevices)) {}
};

class ListDevicesRequest
    : public PendingReply<xcb_input_list_input_devices_cookie_t, xcb_input_list_input_devices_reply_t,
                          xcb_input_list_input_devices_reply> {
public:
    explicit ListDevicesRequest(xcb_connection_t* c) : PendingReply(c, xcb_input_list_input_devices(c)) {}
};

}  // namespace

uint64_t flagsOfKeyboardState(uint16_t heldOrLatched, uint16_t locked, const ModifierMap& modifiers) {
    uint64_t flags = modifiers.flagsOf(heldOrLatched);
    if (locked & XCB_MOD_MASK_LOCK) flags |= modifier::kCapsLock;
    return flags;
}

ScrollPhase ScrollPhases::scrolled(Clock::time_point now) {
    bool begins = !last_;
    last_ = now;
    return begins ? ScrollPhase::Began : ScrollPhase::Changed;
}

std::optional<ScrollPhases::Clock::time_point> ScrollPhases::endsAt() const {
    if (!last_) return std::nullopt;
    return *last_ + kQuietPeriod;
}

bool ScrollPhases::endIfQuiet(Clock::time_point now) {
    if (!last_ || now < *last_ + kQuietPeriod) return false;
    last_.reset();
    return true;
}

double scrollingDelta(double valuatorChange, const ScrollAxis& axis) {
    if (axis.increment == 0 || !std::isfinite(axis.increment)) return 0;
    // X counts downwards and rightwards (the wheel's button 5 and 7) as positive.
    return -valuatorChange / axis.increment;
}

X11InputMonitors::X11InputMonitors(Connection& conn, X11Screens& screens, X11Keyboard& keyboard, RunLoop* runLoop)
    : conn_(conn), screens_(screens), keyboard_(keyboard), runLoop_(runLoop) {
    xcb_connection_t* c = conn_.get();
    if (auto xkbBase = keyboard_.xkbEventBase()) {
        // Only the state notifications, and of them only the modifiers' (not the
        // buttons', the layout's or the grabs'), so that a modifier key wakes the
        // program once and a click not at all. What else this connection hears
        // from XKB stays as it is.
        xcb_xkb_select_events_details_t details{};
        details.affectState = kModifierParts;
        details.stateDetails = kModifierParts;
        xcb_xkb_select_events_aux(c, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_EVENT_TYPE_STATE_NOTIFY, 0, 0, 0, 0, &details);
        if (auto state = keyboard_.state())
            flags_ = flagsOfKeyboardState(state->heldOrLatched, state->locked, keyboard_.modifierMap());
        conn_.onEvent(*xkbBase, [this](const xcb_generic_event_t& e) { keyboardEvent(e); });
    }

    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (xinput && xinput->present) {
        XPtr<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 4), nullptr));
        // Raw events reach clients that did not grab the pointer from version 2.1 on.
        if (version && (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 1))) {
            xinputOpcode_ = xinput->major_opcode;
            struct {
                xcb_input_event_mask_t head;
                uint32_t bits;
            } masks[] = {{{kAllDevices, 1}, XCB_INPUT_XI_EVENT_MASK_HIERARCHY | XCB_INPUT_XI_EVENT_MASK_DEVICE_CHANGED},
                         {{kAllMasterDevices, 1},
                          XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE}};
            xcb_input_xi_select_events(c, conn_.root(), 2, &masks[0].head);
            conn_.onEvent(XCB_GE_GENERIC, [this](const xcb_generic_event_t& e) { inputEvent(e); });
        }
    }
    InternAtomRequest touchpad(c, "TOUCHPAD");
    touchpadType_ = touchpad.atom();
    // A pointer query answers until the server says anything more.
    conn_.addObserver([alive = std::weak_ptr<bool>(alive_), this](const xcb_generic_event_t&) {
        if (alive.lock()) pointer_.reset();
    });
    lastPointer_ = pointerLocation();
}

X11InputMonitors::~X11InputMonitors() {
    *alive_ = false;
}

void X11InputMonitors::addGlobalMonitor(uint64_t mask, Handler handler) {
    global_.emplace_back(mask, std::move(handler));
}

bool X11InputMonitors::createListenOnlyTap(uint64_t mask, Handler handler) {
    if (!xinputOpcode_) return false;
    taps_.emplace_back(mask, std::move(handler));
    return true;
}

bool X11InputMonitors::wants(uint64_t mask) const {
    for (const auto& [m, handler] : global_)
        if (m & mask) return true;
    return false;
}

void X11InputMonitors::deliver(const std::vector<std::pair<uint64_t, Handler>>& handlers, const InputEvent& event) {
    uint64_t mask = maskOf(event.type);
    // Copy: a handler may add monitors.
    auto list = handlers;
    for (const auto& [m, handle] : list)
        if (m & mask) handle(event);
}

X11InputMonitors::Pointer X11InputMonitors::queryPointer() {
    conn_.readAvailable();
    if (pointer_) return *pointer_;
    XPtr<xcb_query_pointer_reply_t> p(
        xcb_query_pointer_reply(conn_.get(), xcb_query_pointer(conn_.get(), conn_.root()), nullptr));
    Point origin = screens_.primaryOrigin();
    if (!p) return {lastPointer_.value_or(Point{}), 0};
    // Events read with the reply are older than it: taken now, they leave the answer standing.
    conn_.readAvailable();
    pointer_ = Pointer{{p->root_x - origin.x, p->root_y - origin.y}, p->mask};
    seenPointer_ = pointer_->location;
    return *pointer_;
}

Point X11InputMonitors::mouseLocation() {
    Point p = pointerLocation();
    const auto& monitors = screens_.monitors();
    double height = monitors.empty() ? 0 : monitors.front().area.height;
    return {p.x, height - p.y};
}

void X11InputMonitors::keyboardEvent(const xcb_generic_event_t& e) {
    if (xkbEventType(e) != XCB_XKB_STATE_NOTIFY) return;
    const auto& state = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(e);
    if (!(state.changed & kModifierParts)) return;
    uint64_t flags =
        flagsOfKeyboardState(state.baseMods | state.latchedMods, state.lockedMods, keyboard_.modifierMap());
    if (flags == flags_) return;
    flags_ = flags;
    if (!wants(maskOf(EventType::FlagsChanged))) return;
    InputEvent event;
    event.type = EventType::FlagsChanged;
    // Where the pointer was last seen: a modifier key costs no question to the server.
    event.location = seenPointer_;
    event.modifierFlags = flags;
    deliver(global_, event);
}

void X11InputMonitors::inputEvent(const xcb_generic_event_t& e) {
    const auto& ge = reinterpret_cast<const xcb_ge_generic_event_t&>(e);
    if (ge.extension != xinputOpcode_) return;
    switch (ge.event_type) {
        case XCB_INPUT_HIERARCHY: devices_.reset(); break;
        case XCB_INPUT_DEVICE_CHANGED:
            // A master device's classes follow whichever device was used last; that is no change.
            if (reinterpret_cast<const xcb_input_device_changed_event_t&>(e).reason ==
                XCB_INPUT_CHANGE_REASON_DEVICE_CHANGE)
                devices_.reset();
            break;
        case XCB_INPUT_RAW_MOTION: rawMotion(e); break;
        case XCB_INPUT_RAW_BUTTON_RELEASE: {
            const auto& raw = reinterpret_cast<const xcb_input_raw_button_release_event_t&>(e);
            if (raw.detail != kLeftButton || taps_.empty()) break;
            InputEvent event;
            event.type = EventType::LeftMouseUp;
            event.location = pointerLocation();
            event.modifierFlags = flags_;
            deliver(taps_, event);
            break;
        }
        default: break;
    }
}

void X11InputMonitors::rawMotion(const xcb_generic_event_t& e) {
    const auto& raw = reinterpret_cast<const xcb_input_raw_motion_event_t&>(e);
    auto values = rawValues(raw);
    if ((values.count(kFirstPointerAxis) || values.count(kSecondPointerAxis)) && wants(maskOf(EventType::MouseMoved))) {
        Pointer now = queryPointer();
        Point before = lastPointer_.value_or(now.location);
        // Followed while a button is held too, so that the first free movement after it goes from there.
        lastPointer_ = now.location;
        if (now.location != before && !(now.buttons & kAnyButton)) {
            InputEvent event;
            event.type = EventType::MouseMoved;
            event.location = now.location;
            event.modifierFlags = flags_;
            event.deltaX = now.location.x - before.x;
            event.deltaY = now.location.y - before.y;
            deliver(global_, event);
        }
    }

    // Wheel clicks turned into valuator changes by the server are no gesture.
    if (raw.flags & XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED) return;
    if (!runLoop_ || !wants(maskOf(EventType::ScrollWheel))) return;
    if (!devices_) readDevices();
    auto device = devices_->find(raw.sourceid);
    if (device == devices_->end() || !device->second.touchpad) return;
    double dx = 0, dy = 0;
    bool scrolled = false;
    for (const auto& [number, axis] : device->second.scrollAxes) {
        auto value = values.find(number);
        if (value == values.end()) continue;
        double change = value->second;
        if (axis.absolute) {
            auto& last = lastAbsolute_[{raw.sourceid, number}];
            change = value->second - last;
            last = value->second;
        }
        (axis.vertical ? dy : dx) += scrollingDelta(change, axis);
        scrolled = true;
    }
    if (scrolled) this->scrolled(dx, dy);
}

void X11InputMonitors::scrolled(double deltaX, double deltaY) {
    InputEvent event;
    event.type = EventType::ScrollWheel;
    event.location = pointerLocation();
    event.modifierFlags = flags_;
    event.phase = phases_.scrolled(runLoop_->now());
    if (event.phase == ScrollPhase::Began) {
        // The gesture begins with nothing summed yet; this first movement is its first change.
        deliver(global_, event);
        event.phase = ScrollPhase::Changed;
    }
    event.scrollingDeltaX = deltaX;
    event.scrollingDeltaY = deltaY;
    deliver(global_, event);
    if (!endCheckScheduled_) {
        endCheckScheduled_ = true;
        std::weak_ptr<bool> alive = alive_;
        runLoop_->after(ScrollPhases::kQuietPeriod, [this, alive] {
            if (alive.lock()) checkGestureEnd();
        });
    }
}

void X11InputMonitors::checkGestureEnd() {
    endCheckScheduled_ = false;
    auto now = runLoop_->now();
    if (phases_.endIfQuiet(now)) {
        InputEvent event;
        event.type = EventType::ScrollWheel;
        event.location = pointerLocation();
        event.modifierFlags = flags_;
        event.phase = ScrollPhase::Ended;
        deliver(global_, event);
        return;
    }
    auto endsAt = phases_.endsAt();
    if (!endsAt) return;
    endCheckScheduled_ = true;
    std::weak_ptr<bool> alive = alive_;
    runLoop_->after(*endsAt - now, [this, alive] {
        if (alive.lock()) checkGestureEnd();
    });
}

void X11InputMonitors::readDevices() {
    xcb_connection_t* c = conn_.get();
    QueryDeviceRequest query(c);
    ListDevicesRequest list(c);
    devices_.emplace();
    lastAbsolute_.clear();
    if (list) {
        const xcb_input_device_info_t* infos = xcb_input_list_input_devices_devices(list.get());
        int n = xcb_input_list_input_devices_devices_length(list.get());
        for (int i = 0; i < n; ++i)
            if (infos[i].device_type == touchpadType_ && touchpadType_ != XCB_ATOM_NONE)
                (*devices_)[infos[i].device_id].touchpad = true;
    }
    if (!query) return;
    for (auto it = xcb_input_xi_query_device_infos_iterator(query.get()); it.rem; xcb_input_xi_device_info_next(&it)) {
        Device& device = (*devices_)[it.data->deviceid];
        std::map<uint16_t, bool> absolute;
        for (auto k = xcb_input_xi_device_info_classes_iterator(it.data); k.rem; xcb_input_device_class_next(&k)) {
            if (k.data->type == XCB_INPUT_DEVICE_CLASS_TYPE_VALUATOR) {
                const auto* v = reinterpret_cast<const xcb_input_valuator_class_t*>(k.data);
                absolute[v->number] = v->mode == XCB_INPUT_VALUATOR_MODE_ABSOLUTE;
            } else if (k.data->type == XCB_INPUT_DEVICE_CLASS_TYPE_SCROLL) {
                const auto* s = reinterpret_cast<const xcb_input_scroll_class_t*>(k.data);
                ScrollAxis& axis = device.scrollAxes[s->number];
                axis.vertical = s->scroll_type == XCB_INPUT_SCROLL_TYPE_VERTICAL;
                axis.increment = fromFixed(s->increment);
            }
        }
        for (auto& [number, axis] : device.scrollAxes) axis.absolute = absolute[number];
    }
}

}  // namespace tilvane::x11
