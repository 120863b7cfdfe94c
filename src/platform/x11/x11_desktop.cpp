#include "platform/x11/x11_desktop.h"

#include "platform/x11/x_errors.h"

namespace tilvane::x11 {

std::unique_ptr<X11Desktop> X11Desktop::open(const char* displayName, std::string& error) {
    auto conn = Connection::open(displayName, error);
    if (!conn) return nullptr;
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(conn)));
}

X11Desktop::X11Desktop(std::unique_ptr<Connection> conn) : conn_(std::move(conn)) {
    // Errors of requests nobody waits for; the reads that matter report their own.
    conn_->onError([this, policy = XErrorPolicy::fromEnvironment()](const xcb_generic_error_t& error) {
        handleError(error, policy, *xcb_get_setup(conn_->get()));
    });
    screens_ = std::make_unique<X11Screens>(*conn_);
    accessibility_ = std::make_unique<X11Accessibility>(*conn_, *screens_);
    workspace_ = std::make_unique<X11Workspace>(*accessibility_);
    windowList_ = std::make_unique<X11WindowList>(*conn_, *screens_);
    spaces_ = std::make_unique<X11Spaces>(*conn_);
    screens_->setFocusedFrameSource([this]() -> std::optional<Rect> {
        auto active = accessibility_->activeWindow();
        if (!active) return std::nullopt;
        return accessibility_->outerFrameInRoot(*active);
    });
}

X11Desktop::~X11Desktop() {
    detach();
    // The hot keys ungrab through the connection, so they go first; the
    // poster and the monitors use the keyboard, so they go before it.
    hotKeys_.reset();
    inputMonitors_.reset();
    eventPoster_.reset();
    keyboard_.reset();
    if (conn_->isUsable()) accessibility_->finishPlacements();
    // The last requests (the window's new size, say) must reach the server:
    // requests it has not handled yet when the connection closes may be lost.
    if (conn_->isUsable()) conn_->roundTrip();
}

X11Keyboard& X11Desktop::keyboard() {
    if (!keyboard_) keyboard_ = std::make_unique<X11Keyboard>(*conn_);
    return *keyboard_;
}

X11HotKeyService& X11Desktop::hotKeys() {
    if (!hotKeys_) hotKeys_ = std::make_unique<X11HotKeyService>(*conn_, keyboard());
    return *hotKeys_;
}

void X11Desktop::fill(PlatformServices& platform, Uses uses) {
    platform.accessibility = accessibility_.get();
    accessibility_->setLog(platform.log);
    platform.screens = screens_.get();
    platform.workspace = workspace_.get();
    platform.windowList = windowList_.get();
    platform.spaces = spaces_.get();
    if (!eventPoster_) {
        // One action may post no input at all: the keyboard is set up when the first event goes out.
        auto modifiers = [this]() -> const ModifierMap& { return keyboard().modifierMap(); };
        eventPoster_ = std::make_unique<X11EventPoster>(*conn_, *screens_, modifiers, platform.runLoop);
    }
    platform.eventPoster = eventPoster_.get();
    if (uses == Uses::OneAction) return;
    accessibility_->keepActiveFrame();
    platform.keyboard = &keyboard();
    platform.hotKeys = &hotKeys();
    if (!inputMonitors_)
        inputMonitors_ = std::make_unique<X11InputMonitors>(*conn_, *screens_, keyboard(), platform.runLoop);
    platform.eventMonitors = inputMonitors_.get();
}

std::string X11Desktop::windowManagerName() {
    const Atoms& atoms = conn_->atoms();
    PropertyRequest check(conn_->get(), conn_->root(), atoms._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
    auto window = check.word();
    if (!window) return {};
    PropertyRequest name(conn_->get(), *window, atoms._NET_WM_NAME, atoms.UTF8_STRING);
    return name.text().value_or("");
}

std::string X11Desktop::serverDescription() {
    const xcb_setup_t* setup = xcb_get_setup(conn_->get());
    std::string vendor(xcb_setup_vendor(setup), static_cast<size_t>(xcb_setup_vendor_length(setup)));
    return vendor + " release " + std::to_string(setup->release_number) + ", protocol " +
           std::to_string(setup->protocol_major_version) + "." + std::to_string(setup->protocol_minor_version);
}

void X11Desktop::onActiveWindowChange(std::function<void(xcb_window_t)> handler) {
    conn_->selectRootEvents(XCB_EVENT_MASK_PROPERTY_CHANGE);
    conn_->onEvent(XCB_PROPERTY_NOTIFY, [this, handler = std::move(handler)](const xcb_generic_event_t& e) {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.window != conn_->root() || p.atom != conn_->atoms()._NET_ACTIVE_WINDOW) return;
        handler(accessibility_->activeWindow().value_or(XCB_WINDOW_NONE));
    });
}

void X11Desktop::setSkipTaskbar(xcb_window_t window, bool skip) {
    const Atoms& atoms = conn_->atoms();
    constexpr uint32_t kRemove = 0, kAdd = 1, kFromApplication = 1;
    conn_->sendRootMessage(
        window, atoms._NET_WM_STATE,
        {skip ? kAdd : kRemove, atoms._NET_WM_STATE_SKIP_TASKBAR, atoms._NET_WM_STATE_SKIP_PAGER, kFromApplication, 0});
    conn_->flush();
}

void X11Desktop::dispatchEvents() {
    conn_->dispatchPending();
    accessibility_->endTurn();
    conn_->flush();
}

std::optional<xcb_window_t> X11Desktop::activeWindowNow() {
    auto w = PropertyRequest(conn_->get(), conn_->root(), conn_->atoms()._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW).word();
    if (!w || *w == XCB_WINDOW_NONE) return std::nullopt;
    return *w;
}

void X11Desktop::detach() {
    if (!attached_) return;
    *attached_ = false;
    attached_.reset();
    if (onLost_) loop_->unwatchFd(conn_->fd());
    onLost_ = nullptr;
}

void X11Desktop::attach(DescriptorWatcher& loop, std::function<void()> onLost) {
    detach();
    loop_ = &loop;
    onLost_ = std::move(onLost);
    attached_ = std::make_shared<bool>(true);
    auto handle = [this] {
        conn_->dispatchPending();
        if (!conn_->isUsable() && onLost_) {
            auto lost = std::move(onLost_);
            onLost_ = nullptr;
            loop_->unwatchFd(conn_->fd());
            lost();
        }
    };
    loop.watchFd(conn_->fd(), handle);
    // xcb may have read events while waiting for a reply; they sit in its
    // queue where poll() cannot see them, so handle them before every wait.
    loop.addBeforeWait([this, handle, attached = attached_] {
        if (!*attached) return;
        handle();
        if (!onLost_) return;
        accessibility_->endTurn();
        conn_->flush();
    });
}

}  // namespace tilvane::x11
