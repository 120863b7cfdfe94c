#include "platform/x11/x11_screens.h"

#include <xcb/randr.h>

namespace tilvane::x11 {

namespace {

class MonitorsRequest : public PendingReply<xcb_randr_get_monitors_cookie_t, xcb_randr_get_monitors_reply_t,
                                            xcb_randr_get_monitors_reply> {
public:
    MonitorsRequest(xcb_connection_t* c, xcb_window_t root) : PendingReply(c, xcb_randr_get_monitors(c, root, 1)) {}

    std::vector<Monitor> monitors() {
        std::vector<Monitor> list;
        if (!get()) return list;
        for (auto it = xcb_randr_get_monitors_monitors_iterator(get()); it.rem; xcb_randr_monitor_info_next(&it)) {
            const auto* m = it.data;
            if (m->width == 0 || m->height == 0) continue;
            list.push_back(
                {m->name, {double(m->x), double(m->y), double(m->width), double(m->height)}, m->primary != 0});
        }
        return list;
    }
};

}  // namespace

struct X11Screens::Reads {
    GeometryRequest rootGeometry;
    std::optional<MonitorsRequest> monitors;
    PropertyRequest clientList;
    Reads(Connection& conn, bool randr)
        : rootGeometry(conn.get(), conn.root()),
          clientList(conn.get(), conn.root(), conn.atoms()._NET_CLIENT_LIST, XCB_ATOM_WINDOW) {
        if (randr) monitors.emplace(conn.get(), conn.root());
    }
};

struct X11Screens::StrutReads {
    std::vector<std::pair<PropertyRequest, PropertyRequest>> partialAndFull;
};

X11Screens::~X11Screens() = default;

X11Screens::X11Screens(Connection& conn) : conn_(conn) {
    conn_.selectRootEvents(XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    randrBase_ = conn_.extensionEventBase(&xcb_randr_id);
    if (randrBase_) {
        xcb_randr_select_input(conn_.get(), conn_.root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    conn_.addObserver([this](const xcb_generic_event_t& e) { observe(e); });
    // The first question asked of the program is about the screens: the answer starts on its way now.
    early_ = std::make_unique<Reads>(conn_, randrBase_.has_value());
}

void X11Screens::observe(const xcb_generic_event_t& event) {
    bool wasStale = stale_;
    stale_ = false;
    observeChange(event);
    // Reads sent before a change would give the old answer.
    if (stale_) {
        early_.reset();
        struts_.reset();
    }
    stale_ = stale_ || wasStale;
}

void X11Screens::observeChange(const xcb_generic_event_t& event) {
    uint8_t type = eventType(event);
    const Atoms& a = conn_.atoms();
    if (type == XCB_CONFIGURE_NOTIFY) {
        // Monitors that change without a RandR notification still reconfigure the root window.
        if (reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == conn_.root()) stale_ = true;
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if ((p.window == conn_.root() && p.atom == a._NET_CLIENT_LIST) || p.atom == a._NET_WM_STRUT_PARTIAL ||
            p.atom == a._NET_WM_STRUT)
            stale_ = true;
    } else if (topLevelStruts_ && (type == XCB_MAP_NOTIFY || type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY)) {
        // Panels are read from the windows on the root: one may have come or gone.
        const auto* words = reinterpret_cast<const uint32_t*>(&event);
        if (words[1] == conn_.root()) stale_ = true;
    } else if (randrBase_ &&
               (type == *randrBase_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == *randrBase_ + XCB_RANDR_NOTIFY)) {
        stale_ = true;
    }
}

std::unique_ptr<X11Screens::StrutReads> X11Screens::readStruts(const std::vector<uint32_t>& clients) {
    xcb_connection_t* c = conn_.get();
    std::set<xcb_window_t> current(clients.begin(), clients.end());
    // Hear about struts set or changed later on every client's window.
    for (xcb_window_t w : current)
        if (!clients_.count(w)) conn_.selectWindowEvents(w, XCB_EVENT_MASK_PROPERTY_CHANGE);
    clients_ = std::move(current);
    auto reads = std::make_unique<StrutReads>();
    reads->partialAndFull.reserve(clients.size());
    for (xcb_window_t w : clients)
        reads->partialAndFull.emplace_back(
            PropertyRequest(c, w, conn_.atoms()._NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, 12),
            PropertyRequest(c, w, conn_.atoms()._NET_WM_STRUT, XCB_ATOM_CARDINAL, 4));
    return reads;
}

std::vector<Strut> X11Screens::strutsOfTopLevels() {
    // Some window managers (i3) list no docks among their clients and keep
    // no work area: the panels are found among the windows on the screen,
    // in the window manager's frames (one level down) or not.
    xcb_connection_t* c = conn_.get();
    const Atoms& a = conn_.atoms();
    std::vector<xcb_window_t> tops = TreeRequest(c, conn_.root()).children();
    std::vector<TreeRequest> trees;
    trees.reserve(tops.size());
    for (xcb_window_t w : tops) trees.emplace_back(c, w);
    std::vector<xcb_window_t> candidates = tops;
    for (auto& tree : trees) {
        auto children = tree.children();
        candidates.insert(candidates.end(), children.begin(), children.end());
    }
    std::vector<std::pair<PropertyRequest, PropertyRequest>> reads;
    reads.reserve(candidates.size());
    for (xcb_window_t w : candidates)
        reads.emplace_back(PropertyRequest(c, w, a._NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, 12),
                           PropertyRequest(c, w, a._NET_WM_STRUT, XCB_ATOM_CARDINAL, 4));
    std::vector<Strut> list;
    for (size_t i = 0; i < reads.size(); ++i) {
        auto strut = strutFromProperties(reads[i].first.words(), reads[i].second.words(), root_);
        if (!strut) continue;
        list.push_back(*strut);
        // Hear when it changes; a panel that comes or goes maps or unmaps a window on the root.
        if (!clients_.count(candidates[i])) {
            conn_.selectWindowEvents(candidates[i], XCB_EVENT_MASK_PROPERTY_CHANGE);
            clients_.insert(candidates[i]);
        }
    }
    return list;
}

void X11Screens::readAhead() {
    if (!stale_ || struts_) return;
    if (!early_) early_ = std::make_unique<Reads>(conn_, randrBase_.has_value());
    // The client list was asked for before the caller's reads: its answer is usually in already.
    struts_ = readStruts(early_->clientList.words());
}

void X11Screens::refresh() {
    conn_.readAvailable();
    if (!stale_) return;
    // Cleared before reading: a change that arrives during the reads marks it stale again.
    stale_ = false;
    std::unique_ptr<Reads> reads = early_ ? std::move(early_) : std::make_unique<Reads>(conn_, randrBase_.has_value());
    std::unique_ptr<StrutReads> struts = struts_ ? std::move(struts_) : readStruts(reads->clientList.words());
    GeometryRequest& rootGeometry = reads->rootGeometry;
    std::optional<MonitorsRequest>& monitorsRequest = reads->monitors;

    root_ = rootGeometry ? Size{double(rootGeometry->width), double(rootGeometry->height)}
                         : Size{double(conn_.screen()->width_in_pixels), double(conn_.screen()->height_in_pixels)};
    std::vector<Strut> list;
    for (auto& [partial, full] : struts->partialAndFull)
        if (auto s = strutFromProperties(partial.words(), full.words(), root_)) list.push_back(*s);
    topLevelStruts_ = list.empty() && !conn_.windowManagerSupports(conn_.atoms()._NET_WORKAREA);
    if (topLevelStruts_) {
        conn_.selectRootEvents(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        list = strutsOfTopLevels();
    }
    monitors_ = orderedMonitors(monitorsRequest ? monitorsRequest->monitors() : std::vector<Monitor>{}, root_);
    screens_ = screensFromMonitors(monitors_, list, root_);
    visibleAreas_.clear();
    for (const auto& m : monitors_) visibleAreas_.push_back(visibleArea(m.area, list, root_));
}

const std::vector<Rect>& X11Screens::visibleAreas() {
    refresh();
    return visibleAreas_;
}

std::vector<Screen> X11Screens::screens() {
    refresh();
    return screens_;
}

const std::vector<Monitor>& X11Screens::monitors() {
    refresh();
    return monitors_;
}

Point X11Screens::primaryOrigin() {
    refresh();
    return monitors_.empty() ? Point{} : monitors_.front().area.origin();
}

std::optional<Screen> X11Screens::mainScreen() {
    refresh();
    if (screens_.empty()) return std::nullopt;
    if (focusedFrame_) {
        if (auto frame = focusedFrame_()) {
            refresh();
            if (auto i = monitorWithLargestOverlap(monitors_, *frame)) return screens_[*i];
        }
    }
    return screens_.front();
}

}  // namespace tilvane::x11
