#include "platform/x11/x11_accessibility.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/window_owners.h"

namespace tilvane::x11 {

namespace {

constexpr uint32_t kStateRemove = 0, kStateAdd = 1;

// X coordinates are 16-bit; the request carries them in 32-bit words.
int32_t coordinate(double v) {
    return static_cast<int32_t>(std::clamp(std::lround(v), -32768L, 32767L));
}
uint32_t dimension(double v) {
    return static_cast<uint32_t>(std::clamp(std::lround(v), 1L, 32767L));
}

const X11Element* asX11(const AXElement& element) {
    return dynamic_cast<const X11Element*>(element.get());
}

}  // namespace

Extents extentsFrom(const std::vector<uint32_t>& words) {
    if (words.size() < 4) return {};
    return {double(words[0]), double(words[1]), double(words[2]), double(words[3])};
}

bool X11Element::isSameElement(const AXUIElement& other) const {
    const auto* o = dynamic_cast<const X11Element*>(&other);
    if (!o || o->kind != kind) return false;
    switch (kind) {
        case Kind::SystemWide: return true;
        case Kind::Application: return pid != 0 ? o->pid == pid : o->window == window;
        case Kind::Window: return o->window == window;
    }
    return false;
}

Rect outerFrame(const Rect& client, const Extents& d, const Extents& s) {
    return {client.x - d.left + s.left, client.y - d.top + s.top, client.width + d.left + d.right - s.left - s.right,
            client.height + d.top + d.bottom - s.top - s.bottom};
}

Size pixelSize(Point origin, Size size) {
    return {double(std::lround(origin.x + size.width) - std::lround(origin.x)),
            double(std::lround(origin.y + size.height) - std::lround(origin.y))};
}

Size clientSizeForOuterSize(Size outer, const Extents& d, const Extents& s) {
    return {std::max(1.0, outer.width - d.left - d.right + s.left + s.right),
            std::max(1.0, outer.height - d.top - d.bottom + s.top + s.bottom)};
}

// The requests of one frame read, sent together.
struct X11Accessibility::FrameRequests {
    xcb_window_t window;
    TranslateRequest origin;
    GeometryRequest geometry;
    // The state comes along in the same trip, for a write that may follow.
    PropertyRequest state, decorations, shadows;

    FrameRequests(Connection& conn, xcb_window_t w)
        : window(w),
          origin(conn.get(), w, conn.root()),
          geometry(conn.get(), w),
          state(conn.get(), w, conn.atoms()._NET_WM_STATE, XCB_ATOM_ATOM),
          decorations(conn.get(), w, conn.atoms()._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4),
          shadows(conn.get(), w, conn.atoms()._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4) {}
};

X11Accessibility::X11Accessibility(Connection& conn, X11Screens& screens) : conn_(conn), screens_(screens) {
    conn_.selectRootEvents(XCB_EVENT_MASK_PROPERTY_CHANGE);
    conn_.addObserver([this](const xcb_generic_event_t& e) { observe(e); });
}

X11Accessibility::~X11Accessibility() = default;

bool X11Accessibility::changesWatched(const xcb_generic_event_t& event) const {
    if (!watch_) return true;
    auto concerns = [&](xcb_window_t w) { return w == watch_->window || w == watch_->topLevel || w == conn_.root(); };
    const Atoms& a = conn_.atoms();
    switch (eventType(event)) {
        case XCB_CONFIGURE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_GRAVITY_NOTIFY: {
            // These events all begin with the window selected on, then the window concerned.
            const auto* words = reinterpret_cast<const uint32_t*>(&event);
            return concerns(words[1]) || concerns(words[2]);
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return p.window == watch_->window && (p.atom == a._NET_WM_STATE || p.atom == a._NET_FRAME_EXTENTS ||
                                                  p.atom == a._GTK_FRAME_EXTENTS || p.atom == a.I3_FLOATING_WINDOW);
        }
        default: return false;
    }
}

void X11Accessibility::observe(const xcb_generic_event_t& event) {
    // The frame last read (or about to be) may be out of date: that of the
    // watched window when the event says it changed, any other one whatever
    // the server says.
    bool watchedChanged = changesWatched(event);
    auto watched = [&](xcb_window_t w) { return watch_ && watch_->window == w; };
    if (lastFrame_ && (watchedChanged || !watched(lastFrame_->window))) lastFrame_.reset();
    if (frameAhead_ && (watchedChanged || !watched(frameAhead_->window))) frameAhead_.reset();
    // Moved to another parent (another window manager took it): its frame is another window now.
    if (watch_ && eventType(event) == XCB_REPARENT_NOTIFY &&
        reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window == watch_->window)
        watch_.reset();
    if (eventType(event) != XCB_PROPERTY_NOTIFY) return;
    const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    const Atoms& a = conn_.atoms();
    if (p.window == conn_.root() && p.atom == a._NET_ACTIVE_WINDOW) active_.reset();
    if (p.window == conn_.root() && p.atom == a._NET_SUPPORTING_WM_CHECK) windowManagerName_.reset();
    // A window that leaves may see its number given to another one.
    if (p.window == conn_.root() && p.atom == a._NET_CLIENT_LIST) {
        applications_.clear();
        applicationAhead_.reset();
        contexts_.clear();
    }
    if (p.atom == a._NET_WM_STATE || p.atom == a._NET_FRAME_EXTENTS || p.atom == a._GTK_FRAME_EXTENTS ||
        p.atom == a.I3_FLOATING_WINDOW)
        contexts_.erase(p.window);
    if (lateShadow_ && p.window == lateShadow_->window && p.atom == a._GTK_FRAME_EXTENTS) lateShadow_->changed = true;
    if (p.atom == a._NET_WM_PID) {
        applications_.erase(p.window);
        if (applicationAhead_ && applicationAhead_->window == p.window) applicationAhead_.reset();
    }
}

void X11Accessibility::wrote() {
    writesUnanswered_ = true;
    lastFrame_.reset();
    frameAhead_.reset();
}

const X11Accessibility::FrameRead* X11Accessibility::freshFrame(xcb_window_t window) const {
    if (!lastFrame_ || lastFrame_->window != window) return nullptr;
    return &*lastFrame_;
}

void X11Accessibility::askAfterWrites() {
    if (writesUnanswered_) askWindowManagerToAnswer();
}

void X11Accessibility::endTurn() {
    placeByLateShadow();
    // The writes of the turn are out: the window manager's answer comes while the loop waits.
    askAfterWrites();
    conn_.sendHeldRequests();
    auto watched = [&](xcb_window_t w) { return watch_ && watch_->window == w; };
    if (lastFrame_ && !watched(lastFrame_->window)) lastFrame_.reset();
    if (frameAhead_ && !watched(frameAhead_->window)) frameAhead_.reset();
    applicationAhead_.reset();
    writes_.reset();
    // The active window's frame changed (it moved, say): read it again now,
    // so that the next action finds it. Not while the window manager has
    // writes still to apply: what it answers then would be out of date.
    if (watch_ && active_ && *active_ == watch_->window && !lastFrame_ && !frameAhead_ && !conn_.questionsPending())
        frameAhead_ = std::make_unique<FrameRequests>(conn_, watch_->window);
}

void X11Accessibility::watch(xcb_window_t window) {
    watch_.reset();
    frameAhead_.reset();
    lastFrame_.reset();
    // Watched before its frame is read, so that no change falls in between.
    constexpr uint32_t kMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    conn_.selectWindowEvents(window, kMask);
    xcb_window_t w = window;
    for (int depth = 0; depth < 16; ++depth) {
        XPtr<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(conn_.get(), xcb_query_tree(conn_.get(), w), nullptr));
        if (!tree) return;
        if (tree->parent == conn_.root() || tree->parent == XCB_WINDOW_NONE) break;
        w = tree->parent;
    }
    if (w != window) conn_.selectWindowEvents(w, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    // Events read so far came before the selections took effect or say nothing new.
    conn_.readAvailable();
    watch_ = Watch{window, w};
}

void X11Accessibility::readAhead(xcb_window_t window) {
    if (!freshFrame(window) && !(frameAhead_ && frameAhead_->window == window))
        frameAhead_ = std::make_unique<FrameRequests>(conn_, window);
    if (!applications_.count(window) && !(applicationAhead_ && applicationAhead_->window == window))
        applicationAhead_ = std::make_unique<ApplicationAhead>(conn_, window);
    screens_.readAhead();
}

void X11Accessibility::askWindowManagerToAnswer() {
    // Asked once the writes of an action are out, the answer is usually in by the next read.
    writesUnanswered_ = false;
    conn_.askWindowManager();
}

AXElement X11Accessibility::createSystemWide() {
    return std::make_shared<X11Element>(X11Element::Kind::SystemWide, 0, XCB_WINDOW_NONE);
}

AXElement X11Accessibility::createApplication(int32_t pid) {
    return std::make_shared<X11Element>(X11Element::Kind::Application, pid, XCB_WINDOW_NONE);
}

AXElement X11Accessibility::windowElement(xcb_window_t window, int32_t pid) {
    return std::make_shared<X11Element>(X11Element::Kind::Window, pid, window);
}

void X11Accessibility::settle() {
    askAfterWrites();
    conn_.waitForWindowManager();
}

void X11Accessibility::syncWithWindowManager() {
    askWindowManagerToAnswer();
    settle();
}

std::optional<xcb_window_t> X11Accessibility::activeWindow() {
    // After that, a change of the property since it was read would have arrived.
    settle();
    if (!active_) {
        auto w = PropertyRequest(conn_.get(), conn_.root(), conn_.atoms()._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW).word();
        active_ = w && *w != XCB_WINDOW_NONE ? std::optional<xcb_window_t>(*w) : std::nullopt;
    }
    if (*active_) readAhead(**active_);
    return *active_;
}

std::optional<int32_t> X11Accessibility::applicationOf(xcb_window_t window) {
    conn_.readAvailable();
    if (auto known = applications_.find(window); known != applications_.end()) return known->second;
    std::unique_ptr<ApplicationAhead> ahead = std::move(applicationAhead_);
    if (!ahead || ahead->window != window) ahead = std::make_unique<ApplicationAhead>(conn_, window);
    int32_t application = ahead->request.applicationOf(0);
    if (!ahead->request.exists(0)) return std::nullopt;
    applications_[window] = application;
    return application;
}

std::optional<X11Accessibility::FrameRead> X11Accessibility::readFrame(FrameRequests& r) {
    if (!r.origin || !r.geometry || r.state.errorCode() != 0) return std::nullopt;
    const Atoms& a = conn_.atoms();
    Rect client{double(r.origin->dst_x), double(r.origin->dst_y), double(r.geometry->width),
                double(r.geometry->height)};
    auto decorations = r.decorations.words();
    WriteContext context = decorations.empty() ? contextFromFrame(r.window, extentsFrom(r.shadows.words()))
                                               : WriteContext{extentsFrom(decorations), extentsFrom(r.shadows.words())};
    auto atoms = r.state.words();
    bool maximized = std::any_of(atoms.begin(), atoms.end(), [&](uint32_t s) {
        return s == a._NET_WM_STATE_MAXIMIZED_VERT || s == a._NET_WM_STATE_MAXIMIZED_HORZ;
    });
    return FrameRead{r.window, outerFrame(client, context.decorations, context.shadows), maximized, context};
}

std::optional<Rect> X11Accessibility::outerFrameInRoot(xcb_window_t window) {
    settle();
    conn_.readAvailable();
    if (const FrameRead* known = freshFrame(window)) return known->frame;
    // The active window's frame is kept between actions while it reports no change.
    if (keepActiveFrame_ && active_ && *active_ == window && !(watch_ && watch_->window == window)) watch(window);
    std::unique_ptr<FrameRequests> requests = std::move(frameAhead_);
    if (!requests || requests->window != window) requests = std::make_unique<FrameRequests>(conn_, window);
    auto read = readFrame(*requests);
    if (!read) return std::nullopt;
    // Events that came before the replies are older than them: taken now, they leave this read standing.
    conn_.readAvailable();
    lastFrame_ = read;
    return read->frame;
}

std::vector<xcb_window_t> X11Accessibility::windowsOfApplication(int32_t application) {
    settle();
    auto stacking =
        PropertyRequest(conn_.get(), conn_.root(), conn_.atoms()._NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW).words();
    std::vector<xcb_window_t> result;
    if (auto own = windowOfOwnApplication(application)) {
        if (std::find(stacking.begin(), stacking.end(), *own) != stacking.end()) result.push_back(*own);
        return result;
    }
    ApplicationsRequest owners(conn_, stacking);
    for (size_t i = stacking.size(); i-- > 0;)
        if (owners.applicationOf(i) == application) result.push_back(stacking[i]);
    return result;
}

bool X11Accessibility::belongsTo(const X11Element& app, xcb_window_t window) {
    if (app.pid == 0) return window == app.window;
    if (auto own = windowOfOwnApplication(app.pid)) return window == *own;
    return applicationOf(window) == app.pid;
}

std::vector<xcb_window_t> X11Accessibility::windowsOf(const X11Element& app) {
    if (app.pid != 0) return windowsOfApplication(app.pid);
    // Found through a window that was gone when it was read: that window alone, if it is still managed.
    if (app.window == XCB_WINDOW_NONE) return {};
    return windowsOfApplication(owningApplication(app.window, std::nullopt, std::nullopt));
}

void X11Accessibility::activate(xcb_window_t window) {
    conn_.sendRootMessage(window, conn_.atoms()._NET_ACTIVE_WINDOW, {2, XCB_CURRENT_TIME, 0, 0, 0});
    active_.reset();
    lastFrame_.reset();
    askWindowManagerToAnswer();
}

AXCopyResult X11Accessibility::copyAttributeValue(const AXElement& element, std::string_view attribute) {
    const X11Element* e = asX11(element);
    if (!e) return {AXError::IllegalArgument, {}};
    if (!conn_.isUsable()) return {AXError::CannotComplete, {}};
    switch (e->kind) {
        case X11Element::Kind::SystemWide: return readSystemWide(attribute);
        case X11Element::Kind::Application: return readApplication(*e, attribute);
        case X11Element::Kind::Window: return readWindow(*e, attribute);
    }
    return {AXError::Failure, {}};
}

AXCopyResult X11Accessibility::readSystemWide(std::string_view attribute) {
    if (attribute != ax::kFocusedApplication) return {AXError::AttributeUnsupported, {}};
    auto active = activeWindow();
    if (!active) return {AXError::NoValue, {}};
    AXElement app =
        std::make_shared<X11Element>(X11Element::Kind::Application, applicationOf(*active).value_or(0), *active);
    return {AXError::Success, AXValue(app)};
}

AXCopyResult X11Accessibility::readApplication(const X11Element& app, std::string_view attribute) {
    if (attribute == ax::kFocusedWindow) {
        auto active = activeWindow();
        if (active && belongsTo(app, *active)) return {AXError::Success, AXValue(windowElement(*active, app.pid))};
        auto windows = windowsOf(app);
        if (windows.empty()) return {AXError::NoValue, {}};
        return {AXError::Success, AXValue(windowElement(windows.front(), app.pid))};
    }
    if (attribute == ax::kWindows) {
        AXArray list;
        for (xcb_window_t w : windowsOf(app)) list.emplace_back(windowElement(w, app.pid));
        return {AXError::Success, AXValue(std::move(list))};
    }
    if (attribute == ax::kFrontmost) {
        auto active = activeWindow();
        return {AXError::Success, AXValue(active.has_value() && belongsTo(app, *active))};
    }
    return {AXError::AttributeUnsupported, {}};
}

AXCopyResult X11Accessibility::readWindow(const X11Element& window, std::string_view attribute) {
    if (attribute == ax::kPosition || attribute == ax::kSize) {
        auto frame = outerFrameInRoot(window.window);
        if (!frame) return {AXError::InvalidUIElement, {}};
        if (attribute == ax::kSize) return {AXError::Success, AXValue(frame->size())};
        Point origin = screens_.primaryOrigin();
        return {AXError::Success, AXValue(Point{frame->x - origin.x, frame->y - origin.y})};
    }
    if (attribute == ax::kTitle) {
        PropertyRequest name(conn_.get(), window.window, conn_.atoms()._NET_WM_NAME, conn_.atoms().UTF8_STRING);
        PropertyRequest legacy(conn_.get(), window.window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        if (auto t = name.text()) return {AXError::Success, AXValue(*t)};
        if (auto t = legacy.text()) return {AXError::Success, AXValue(*t)};
        if (name.errorCode() != 0) return {AXError::InvalidUIElement, {}};
        return {AXError::Success, AXValue(std::string())};
    }
    if (attribute == ax::kMain || attribute == ax::kFocused) {
        auto active = activeWindow();
        return {AXError::Success, AXValue(active == window.window)};
    }
    return {AXError::AttributeUnsupported, {}};
}

AXError X11Accessibility::setAttributeValue(const AXElement& element, std::string_view attribute,
                                            const AXValue& value) {
    AXError result = writeAttribute(element, attribute, value);
    // Only a size right after a move rounds its far edges.
    if (writes_ && (attribute != ax::kPosition || result != AXError::Success)) writes_->position.reset();
    return result;
}

AXError X11Accessibility::writeAttribute(const AXElement& element, std::string_view attribute, const AXValue& value) {
    const X11Element* e = asX11(element);
    if (!e) return AXError::IllegalArgument;
    if (!conn_.isUsable()) return AXError::CannotComplete;
    if (e->kind == X11Element::Kind::Window) {
        if (attribute == ax::kPosition) {
            if (!value.point()) return AXError::IllegalArgument;
            return writePosition(e->window, *value.point());
        }
        if (attribute == ax::kSize) {
            if (!value.size()) return AXError::IllegalArgument;
            return writeSize(e->window, *value.size());
        }
        if (attribute == ax::kMain || attribute == ax::kFocused) {
            if (!value.boolean()) return AXError::IllegalArgument;
            if (*value.boolean()) activate(e->window);
            return AXError::Success;
        }
    }
    if (e->kind == X11Element::Kind::Application && attribute == ax::kFrontmost) {
        if (!value.boolean()) return AXError::IllegalArgument;
        if (!*value.boolean()) return AXError::Success;
        auto windows = windowsOf(*e);
        if (windows.empty()) return AXError::CannotComplete;
        activate(windows.front());
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

std::optional<X11Accessibility::WriteContext> X11Accessibility::prepareWrite(xcb_window_t window) {
    conn_.readAvailable();
    if (const FrameRead* known = freshFrame(window); known && !known->maximized) return known->context;
    if (auto known = contexts_.find(window); known != contexts_.end()) return known->second;
    const Atoms& a = conn_.atoms();
    xcb_connection_t* c = conn_.get();
    // Told of every later change of the state or the decorations, the program
    // can keep what it reads now; asked first, so that no change falls between.
    conn_.selectWindowEvents(window, XCB_EVENT_MASK_PROPERTY_CHANGE);
    PropertyRequest state(c, window, a._NET_WM_STATE, XCB_ATOM_ATOM);
    std::optional<PropertyRequest> decorations, shadows;
    decorations.emplace(c, window, a._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
    shadows.emplace(c, window, a._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
    auto atoms = state.words();
    if (state.errorCode() != 0) return std::nullopt;
    bool maximized = std::any_of(atoms.begin(), atoms.end(), [&](uint32_t s) {
        return s == a._NET_WM_STATE_MAXIMIZED_VERT || s == a._NET_WM_STATE_MAXIMIZED_HORZ;
    });
    std::optional<Extents> restoredShadows;
    if (maximized) {
        decorations.reset();
        shadows.reset();
        lastFrame_.reset();
        conn_.sendRootMessage(window, a._NET_WM_STATE,
                              {kStateRemove, a._NET_WM_STATE_MAXIMIZED_VERT, a._NET_WM_STATE_MAXIMIZED_HORZ, 2, 0});
        // The window's decorations change when it leaves the maximized state.
        syncWithWindowManager();
        decorations.emplace(c, window, a._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        shadows.emplace(c, window, a._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        restoredShadows = shadowsAfterRestore(window, shadows->words());
    }
    Extents shadowExtents = restoredShadows ? *restoredShadows : extentsFrom(shadows->words());
    auto decorationWords = decorations->words();
    WriteContext context = decorationWords.empty() ? contextFromFrame(window, shadowExtents)
                                                   : WriteContext{extentsFrom(decorationWords), shadowExtents};
    context.shadowsLate = restoredShadows && *restoredShadows == Extents{};
    // Events read with the replies are older than them.
    conn_.readAvailable();
    if (!maximized) contexts_[window] = context;
    return context;
}

const std::string& X11Accessibility::windowManagerName() {
    if (!windowManagerName_) {
        const Atoms& a = conn_.atoms();
        auto check = PropertyRequest(conn_.get(), conn_.root(), a._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1).word();
        windowManagerName_ =
            check ? PropertyRequest(conn_.get(), *check, a._NET_WM_NAME, a.UTF8_STRING).text().value_or("") : "";
    }
    return *windowManagerName_;
}

bool X11Accessibility::maximizesInstead(const WriteContext& context, const Rect& frame) {
    // Marco keeps the whole window on the screen, the shadow a window draws
    // around itself included, so that a window sized to fill the work area
    // comes out inset by its shadow; maximized, it fills it.
    bool drawsShadow =
        context.shadows.left > 0 || context.shadows.right > 0 || context.shadows.top > 0 || context.shadows.bottom > 0;
    if (!drawsShadow) return false;
    const auto& areas = screens_.visibleAreas();
    if (std::find(areas.begin(), areas.end(), frame) == areas.end()) return false;
    return windowManagerName().find("Marco") != std::string::npos;
}

X11Accessibility::WriteContext X11Accessibility::contextFromFrame(xcb_window_t window, const Extents& shadows) {
    xcb_connection_t* c = conn_.get();
    // i3 marks the windows it lets float; it tiles the others.
    PropertyRequest floating(c, window, conn_.atoms().I3_FLOATING_WINDOW, XCB_ATOM_CARDINAL, 1);
    TreeRequest tree(c, window);
    WriteContext context{{}, shadows};
    if (!tree || tree->parent == conn_.root() || tree->parent == XCB_WINDOW_NONE) return context;
    // A window manager that announces extents has not framed this window yet.
    if (conn_.windowManagerSupports(conn_.atoms()._NET_FRAME_EXTENTS)) return context;
    GeometryRequest own(c, window), frame(c, tree->parent);
    if (own && frame) {
        // From the window's inner area to the outer edges of its frame, borders included.
        double inX = own->x + own->border_width, inY = own->y + own->border_width, fb = frame->border_width;
        context.decorations = {inX + fb, frame->width + fb - inX - own->width, inY + fb,
                               frame->height + fb - inY - own->height};
        context.clientOffset = Point{own->x + fb, own->y + fb};
    }
    context.tiled = floating.words().empty() && windowManagerName() == "i3";
    return context;
}

bool X11Accessibility::screenComposited() {
    InternAtomRequest selection(conn_.get(), "_NET_WM_CM_S" + std::to_string(conn_.screenNumber()));
    return SelectionOwnerRequest(conn_.get(), selection.atom()).owner() != XCB_WINDOW_NONE;
}

std::optional<Extents> X11Accessibility::shadowsAfterRestore(xcb_window_t window, const std::vector<uint32_t>& read) {
    // A window that draws its own frame (GTK) leaves its shadow out while
    // maximized and puts it back only once it has seen the new state, which
    // may be after the window manager's answer. It draws a shadow only where
    // a compositing manager runs.
    auto none = [](const std::vector<uint32_t>& words) {
        return words.size() >= 4 && std::all_of(words.begin(), words.begin() + 4, [](uint32_t w) { return w == 0; });
    };
    if (!none(read) || !screenComposited()) return std::nullopt;
    const xcb_atom_t property = conn_.atoms()._GTK_FRAME_EXTENTS;
    // The window's property changes have come as events since before the
    // read. A window that keeps no shadow is placed as it is after a while.
    auto deadline = Connection::Clock::now() + kShadowPatience;
    std::vector<uint32_t> words = read;
    while (none(words)) {
        bool changed = conn_.waitForEvent(
            [&](const xcb_generic_event_t& e) {
                if (eventType(e) != XCB_PROPERTY_NOTIFY) return false;
                const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
                return p.window == window && p.atom == property;
            },
            deadline);
        if (!changed) break;
        words = PropertyRequest(conn_.get(), window, property, XCB_ATOM_CARDINAL, 4).words();
    }
    return extentsFrom(words);
}

void X11Accessibility::placeByLateShadow() {
    if (!lateShadow_) return;
    if (Connection::Clock::now() > lateShadow_->until) lateShadow_.reset();
    if (!lateShadow_ || !lateShadow_->changed) return;
    LateShadow late = *lateShadow_;
    lateShadow_.reset();
    auto words =
        PropertyRequest(conn_.get(), late.window, conn_.atoms()._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4).words();
    Extents shadows = extentsFrom(words);
    if (shadows == Extents{}) {
        late.changed = false;
        lateShadow_ = late;
        return;
    }
    late.context.shadows = shadows;
    Point corner = cornerFor(late.context, late.position);
    Size client = clientSizeForOuterSize(late.size, late.context.decorations, shadows);
    conn_.moveResizeWindow(late.window, {std::array<int32_t, 2>{coordinate(corner.x), coordinate(corner.y)},
                                         std::array<uint32_t, 2>{dimension(client.width), dimension(client.height)}});
    wrote();
}

void X11Accessibility::finishPlacements() {
    if (lateShadow_ && !lateShadow_->changed) {
        xcb_window_t window = lateShadow_->window;
        xcb_atom_t property = conn_.atoms()._GTK_FRAME_EXTENTS;
        conn_.waitForEvent(
            [&](const xcb_generic_event_t& e) {
                if (eventType(e) != XCB_PROPERTY_NOTIFY) return false;
                const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
                return p.window == window && p.atom == property;
            },
            lateShadow_->until);
    }
    placeByLateShadow();
    lateShadow_.reset();
}

Point X11Accessibility::cornerFor(const WriteContext& context, Point root) {
    // With north-west gravity x and y place the outer corner of the
    // decorations, or where the window manager says none, the client's.
    Point corner{root.x - context.shadows.left, root.y - context.shadows.top};
    if (context.clientOffset) corner = {corner.x + context.clientOffset->x, corner.y + context.clientOffset->y};
    return corner;
}

std::optional<X11Accessibility::WriteContext> X11Accessibility::contextForWrite(xcb_window_t window) {
    // What the first write of the turn read still holds for the next ones:
    // moves and sizes change neither the window's state nor its decorations.
    if (writes_ && writes_->window == window) return writes_->context;
    writes_.reset();
    // A newer placement of a window whose shadow is still to come waits for it in its turn.
    bool shadowStillLate = lateShadow_ && lateShadow_->window == window;
    lateShadow_.reset();
    auto context = prepareWrite(window);
    if (context && shadowStillLate && context->shadows == Extents{}) context->shadowsLate = true;
    if (context) writes_ = TurnWrites{window, *context, std::nullopt};
    if (context && context->tiled) {
        refusedTiled_ = true;
        if (log_)
            log_->write("i3 tiles the window (" + std::to_string(window) +
                        "); Tilvane places floating windows only: make it float first (i3: floating enable)");
    }
    return context;
}

AXError X11Accessibility::writePosition(xcb_window_t window, Point position) {
    if (!std::isfinite(position.x) || !std::isfinite(position.y)) return AXError::IllegalArgument;
    auto context = contextForWrite(window);
    if (!context) return AXError::InvalidUIElement;
    if (context->tiled) return AXError::CannotComplete;
    Point origin = screens_.primaryOrigin();
    Point root{position.x + origin.x, position.y + origin.y};
    Point corner = cornerFor(*context, root);
    conn_.moveResizeWindow(window, {std::array<int32_t, 2>{coordinate(corner.x), coordinate(corner.y)}, std::nullopt});
    writes_->position = root;
    wrote();
    return AXError::Success;
}

AXError X11Accessibility::writeSize(xcb_window_t window, Size size) {
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return AXError::IllegalArgument;
    auto context = contextForWrite(window);
    if (!context) return AXError::InvalidUIElement;
    if (context->tiled) return AXError::CannotComplete;
    // Right after a move, round the far edges rather than the size, so that
    // two windows placed side by side meet without a gap or an overlap.
    if (writes_->position) size = pixelSize(*writes_->position, size);
    if (writes_->position &&
        maximizesInstead(*context, {writes_->position->x, writes_->position->y, size.width, size.height})) {
        conn_.sendRootMessage(
            window, conn_.atoms()._NET_WM_STATE,
            {kStateAdd, conn_.atoms()._NET_WM_STATE_MAXIMIZED_VERT, conn_.atoms()._NET_WM_STATE_MAXIMIZED_HORZ, 2, 0});
        contexts_.erase(window);
        wrote();
        return AXError::Success;
    }
    if (context->shadowsLate && writes_->position)
        lateShadow_ =
            LateShadow{window, *context, *writes_->position, size, Connection::Clock::now() + kShadowLateness};
    // The request sizes the client window, inside the decorations.
    Size client = clientSizeForOuterSize(size, context->decorations, context->shadows);
    conn_.moveResizeWindow(window,
                           {std::nullopt, std::array<uint32_t, 2>{dimension(client.width), dimension(client.height)}});
    wrote();
    return AXError::Success;
}

std::optional<int32_t> X11Workspace::frontmostApplicationPid() {
    auto active = ax_.activeWindow();
    if (!active) return std::nullopt;
    return ax_.applicationOf(*active);
}

bool X11Workspace::activateApplication(int32_t pid, uint32_t) {
    auto windows = ax_.windowsOfApplication(pid);
    if (windows.empty()) return false;
    ax_.activate(windows.front());
    return true;
}

}  // namespace tilvane::x11
