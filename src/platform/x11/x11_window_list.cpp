#include "platform/x11/x11_window_list.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "platform/x11/window_owners.h"
#include "platform/x11/x11_accessibility.h"

namespace tilvane::x11 {

namespace {

constexpr uint32_t kAllDesktops = 0xFFFFFFFF;

class AttributesRequest : public PendingReply<xcb_get_window_attributes_cookie_t, xcb_get_window_attributes_reply_t,
                                              xcb_get_window_attributes_reply> {
public:
    AttributesRequest(xcb_connection_t* c, xcb_window_t w) : PendingReply(c, xcb_get_window_attributes(c, w)) {}
};

// Every request about one window, sent together and read later.
struct ClientRequests {
    AttributesRequest attributes;
    PropertyRequest desktop;
    PropertyRequest types;
    TranslateRequest origin;
    GeometryRequest geometry;
    PropertyRequest decorations;
    PropertyRequest shadows;
};

}  // namespace

bool listsWindow(const ClientFacts& facts, std::optional<uint32_t> currentDesktop, uint32_t options) {
    if (!facts.viewable) return false;
    if ((options & kWindowListExcludeDesktopElements) && facts.isDesktop) return false;
    // A window manager without desktops, or a window that names none, counts as here.
    if (!currentDesktop || !facts.desktop || *facts.desktop == kAllDesktops) return true;
    return *facts.desktop == *currentDesktop;
}

int64_t layerOf(const ClientFacts& facts) {
    if (facts.isDock) return kDockWindowLayer;
    if (facts.isDesktop) return kDesktopWindowLayer;
    return kNormalWindowLayer;
}

X11WindowList::X11WindowList(Connection& conn, X11Screens& screens) : conn_(conn), screens_(screens) {
    // Interned with the connection's other atoms: no round trip of their own.
    const Atoms& a = conn_.atoms();
    currentDesktop_ = a._NET_CURRENT_DESKTOP;
    wmDesktop_ = a._NET_WM_DESKTOP;
    windowType_ = a._NET_WM_WINDOW_TYPE;
    typeDock_ = a._NET_WM_WINDOW_TYPE_DOCK;
    typeDesktop_ = a._NET_WM_WINDOW_TYPE_DESKTOP;
}

std::vector<WindowInfo> X11WindowList::copyWindowInfo(uint32_t options) {
    xcb_connection_t* c = conn_.get();
    const Atoms& a = conn_.atoms();
    PropertyRequest stackingRequest(c, conn_.root(), a._NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW);
    PropertyRequest currentRequest(c, conn_.root(), currentDesktop_, XCB_ATOM_CARDINAL, 1);
    std::vector<uint32_t> stacking = stackingRequest.words();
    std::optional<uint32_t> current = currentRequest.word();

    // One batch of requests for all windows, then the replies: a round trip in all.
    std::vector<ClientRequests> requests;
    requests.reserve(stacking.size());
    for (xcb_window_t w : stacking) {
        requests.push_back({AttributesRequest(c, w), PropertyRequest(c, w, wmDesktop_, XCB_ATOM_CARDINAL, 1),
                            PropertyRequest(c, w, windowType_, XCB_ATOM_ATOM), TranslateRequest(c, w, conn_.root()),
                            GeometryRequest(c, w), PropertyRequest(c, w, a._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4),
                            PropertyRequest(c, w, a._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4)});
    }
    ApplicationsRequest owners(conn_, stacking);
    Point origin = screens_.primaryOrigin();

    // The stacking list runs from bottom to top; the window list from front to back.
    std::vector<WindowInfo> list;
    std::vector<size_t> unframed;  // in the list: windows that announce no decorations
    for (size_t i = stacking.size(); i-- > 0;) {
        ClientRequests& r = requests[i];
        ClientFacts facts;
        facts.viewable = r.attributes && r.attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        facts.desktop = r.desktop.word();
        auto types = r.types.words();
        facts.isDock = std::find(types.begin(), types.end(), typeDock_) != types.end();
        facts.isDesktop = std::find(types.begin(), types.end(), typeDesktop_) != types.end();
        if (!listsWindow(facts, current, options) || !r.origin || !r.geometry) continue;

        Rect client{double(r.origin->dst_x), double(r.origin->dst_y), double(r.geometry->width),
                    double(r.geometry->height)};
        auto decorations = r.decorations.words();
        if (decorations.empty()) unframed.push_back(list.size());
        Rect frame = outerFrame(client, extentsFrom(decorations), extentsFrom(r.shadows.words()));
        WindowInfo info;
        info.layer = layerOf(facts);
        info.bounds = {frame.x - origin.x, frame.y - origin.y, frame.width, frame.height};
        info.ownerPid = owners.applicationOf(i);
        info.windowNumber = stacking[i];
        list.push_back(info);
    }
    // A window manager that announces no decorations (i3) frames the windows
    // all the same, in a parent window: the frame the pointer grabs, and the
    // one the windows' elements give.
    if (unframed.empty() || conn_.windowManagerSupports(a._NET_FRAME_EXTENTS)) return list;
    std::deque<TreeRequest> trees;
    for (size_t i : unframed) trees.emplace_back(c, static_cast<xcb_window_t>(list[i].windowNumber));
    std::deque<std::optional<GeometryRequest>> parents;
    for (auto& tree : trees) {
        parents.emplace_back();
        if (tree && tree->parent != conn_.root() && tree->parent != XCB_WINDOW_NONE)
            parents.back().emplace(c, tree->parent);
    }
    for (size_t k = 0; k < unframed.size(); ++k) {
        if (!parents[k] || !*parents[k]) continue;
        auto& g = *parents[k];
        double border = g->border_width;
        list[unframed[k]].bounds = {g->x - origin.x, g->y - origin.y, g->width + 2 * border, g->height + 2 * border};
    }
    return list;
}

}  // namespace tilvane::x11
