#include "platform/sway/sway_backend.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/events.h"
#include "platform/key_symbols.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace tilvane::sway {

namespace {

// Long enough for a busy window manager; a request that takes longer means it hangs.
constexpr auto kPatience = std::chrono::seconds(2);

// Runs a binding command in the user's default mode, whichever mode is on.
constexpr const char* kDefaultMode = "mode \"default\" ";

}  // namespace

// --- the session ---------------------------------------------------------------

bool SwayDesktopBackend::fits(std::string& whyNot) {
    // i3 names its socket in $I3SOCK alone, and sway in both. On i3, an X11
    // window manager, the X11 desktop serves: i3 takes no key bindings
    // while it runs. TILVANE_BACKEND=sway places windows through i3's socket.
    const char* sway = std::getenv("SWAYSOCK");
    if (sway && *sway) return true;
    whyNot = "no sway session ($SWAYSOCK is not set)";
    return false;
}

std::unique_ptr<SwayDesktopBackend> SwayDesktopBackend::open(std::string& error) {
    auto path = IpcConnection::socketPathFromEnvironment();
    if (!path) {
        fits(error);
        return nullptr;
    }
    auto connection = IpcConnection::open(*path, error);
    if (!connection) {
        error = "cannot reach the window manager at " + *path + ": " + error;
        return nullptr;
    }
    std::unique_ptr<SwayDesktopBackend> backend(new SwayDesktopBackend(*path, std::move(connection)));
    // sway's own socket needs no asking which window manager answers: a placement is one round trip fewer.
    const char* sway = std::getenv("SWAYSOCK");
    if (!sway || *path != sway) {
        auto version = backend->ask(IpcConnection::kGetVersion);
        if (!version) {
            error = "the window manager at " + *path + " does not answer";
            return nullptr;
        }
        // i3 names no variant; sway says it is sway.
        backend->variant_ = (*version)["variant"].string().value_or("i3");
    }
    backend->titles_ = backend->variant_ == "sway" ? TitleBar::AboveRect : TitleBar::InsideRect;
    return backend;
}

std::string SwayDesktopBackend::windowManagerName() {
    auto version = ask(IpcConnection::kGetVersion);
    return variant_ + " " + (version ? (*version)["human_readable"].string().value_or("") : "");
}

SwayDesktopBackend::SwayDesktopBackend(std::string socketPath, std::unique_ptr<IpcConnection> requests)
    : socketPath_(std::move(socketPath)), requests_(std::move(requests)) {}

SwayDesktopBackend::~SwayDesktopBackend() {
    // Ended while recording, the program gives the user's bindings back.
    releaseKeyboard();
    hotKeys_.unbindAll();
    detach();
}

std::optional<Json> SwayDesktopBackend::ask(IpcConnection::Type type, std::string_view payload) {
    std::string error;
    // Once the connection is lost, the requests that follow (the hot keys'
    // unbinding as the program ends) fail without a line each.
    bool wasOpen = requests_->fd() >= 0;
    auto reply = requests_->request(type, payload, kPatience, error);
    if (reply) {
        if (auto json = Json::parse(*reply, error)) return json;
        error = "a reply that is not JSON: " + error;
    }
    if (log_ && wasOpen) log_->write(variant_ + ": " + error);
    return std::nullopt;
}

std::optional<Json> SwayDesktopBackend::tree() {
    if (tree_) return tree_;
    tree_ = ask(IpcConnection::kGetTree);
    if (tree_ && !primaryCorner_) treeOrigin_ = origin(*tree_);
    return tree_;
}

std::optional<Point> SwayDesktopBackend::lastWindowsOrigin() {
    if (primaryCorner_) return primaryCorner_();
    if (!treeOrigin_) tree();
    return treeOrigin_;
}

bool SwayDesktopBackend::run(const std::string& command) {
    tree_.reset();
    auto reply = ask(IpcConnection::kRunCommand, command);
    if (!reply) return false;
    bool all = !reply->elements().empty();
    for (const Json& outcome : reply->elements()) {
        if (outcome["success"].boolean().value_or(false)) continue;
        all = false;
        if (log_) log_->write(variant_ + " refused \"" + command + "\": " + outcome["error"].string().value_or("?"));
    }
    return all;
}

std::string SwayDesktopBackend::sessionName() {
    return variant_ + " at " + socketPath_;
}

DesktopCapabilities SwayDesktopBackend::capabilities() {
    DesktopCapabilities can;
    can.pointerEverywhere = {false, variant_ == "sway"
                                        ? "sway shows the pointer over other windows to itself alone; it moves "
                                          "and resizes floating windows with floating_modifier and a drag"
                                        : "i3 moves and resizes floating windows with floating_modifier and a drag"};
    can.swipes = {false, variant_ + " shows the touchpad's swipes to itself alone"};
    return can;
}

void SwayDesktopBackend::serveWindowsOnly(ProcessOfXWindow processOf, std::function<Point()> primaryCorner) {
    windowsOnly_ = true;
    primaryCorner_ = std::move(primaryCorner);
    windows_.setProcessOfXWindow(std::move(processOf));
}

void SwayDesktopBackend::fill(PlatformServices& platform, Uses uses) {
    log_ = platform.log;
    runLoop_ = platform.runLoop;
    uses_ = uses;
    platform.spaces = &spaces_;
    if (windowsOnly_) return;
    platform.screens = &screens_;
    if (uses == Uses::OneAction) return;
    platform.keyboard = &keyboard_;
    platform.hotKeys = &hotKeys_;
    platform.capabilities = capabilities();
}

void SwayDesktopBackend::attach(DescriptorWatcher& loop, std::function<void()> onLost) {
    onLost_ = std::move(onLost);
    watcher_ = &loop;
    if (instance_) instance_->serveOn(loop);
    // What the window manager said stays true only until the loop waits: a user may change it meanwhile.
    auto forgetTree = [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) tree_.reset();
    };
    if (windowsOnly_ && uses_ == Uses::Everything) loop.addBeforeWait(forgetTree);
    // One placement needs none of the window manager's news.
    if (uses_ == Uses::OneAction || windowsOnly_) return;
    std::string error;
    events_ = IpcConnection::open(socketPath_, error);
    if (events_) {
        auto reply = events_->request(IpcConnection::kSubscribe, R"(["binding","window","workspace","shutdown"])",
                                      kPatience, error);
        if (!reply || reply->find("true") == std::string::npos) events_.reset();
    }
    if (!events_) {
        lost("cannot listen to the window manager's events: " + error);
        return;
    }
    loop.watchFd(events_->fd(), [this] { readEvents(); });
    loop.addBeforeWait(forgetTree);
}

void SwayDesktopBackend::detach() {
    if (instance_) instance_->stopServing();
    if (watcher_ && events_) watcher_->unwatchFd(events_->fd());
    watcher_ = nullptr;
}

void SwayDesktopBackend::lost(const std::string& why) {
    if (log_) log_->write(variant_ + ": " + why);
    if (watcher_ && events_) watcher_->unwatchFd(events_->fd());
    if (auto onLost = std::exchange(onLost_, nullptr)) onLost();
}

void SwayDesktopBackend::readEvents() {
    std::string error;
    bool open = events_->readAvailable(error);
    for (const auto& message : events_->takeEvents()) {
        constexpr uint32_t kWorkspaceEvent = 0, kWindowEvent = 3, kBindingEvent = 5, kShutdownEvent = 6;
        if (message.eventType() == kShutdownEvent) return lost("the window manager is shutting down");
        std::string parseError;
        auto event = Json::parse(message.payload, parseError);
        if (!event) continue;
        if (message.eventType() == kBindingEvent) hotKeys_.bindingRan(*event);
        // A reload gives sway the user's configuration alone: what the program bound or ruled goes.
        if (message.eventType() == kWorkspaceEvent && (*event)["change"].string() == "reload") {
            hotKeys_.bindAgain();
            if (ownWindows_) floatOwnWindows();
        }
        if (message.eventType() == kWindowEvent && (*event)["change"].string() == "focus" && activeChanged_)
            activeChanged_(windowShownBy((*event)["container"]));
        if (message.eventType() == kWindowEvent && (*event)["change"].string() == "new")
            floatPopUp((*event)["container"]);
    }
    if (!open) lost("the connection broke: " + error);
}

InstanceClaim& SwayDesktopBackend::instance(RunLoop&) {
    if (!instance_) {
        instance_ = std::make_unique<linux_platform::SocketInstance>(socketPath_);
        if (watcher_) instance_->serveOn(*watcher_);
    }
    return *instance_;
}

// --- windows ---------------------------------------------------------------------

Point SwayDesktopBackend::origin(const Json& tree) {
    auto primary = primaryOf(outputsOf(tree));
    return primary ? primary->area.origin() : Point{};
}

Point SwayDesktopBackend::primaryTopLeft() {
    auto t = tree();
    return t ? origin(*t) : Point{};
}

std::optional<WindowControl::WindowId> SwayWindows::focusedWindow() {
    auto t = desktop_.tree();
    if (!t) return std::nullopt;
    auto window = focusedWindowOf(*t, desktop_.titleBars());
    if (!window) return std::nullopt;
    return static_cast<WindowId>(window->id);
}

std::optional<DesktopBackend::WindowId> SwayDesktopBackend::activeWindowNow() {
    auto t = tree();
    const Json* focused = t ? focusedClientOf(*t) : nullptr;
    if (!focused) return std::nullopt;
    return windowShownBy(*focused);
}

std::optional<std::string> SwayDesktopBackend::trayTextColour() {
    auto bars = ask(IpcConnection::kGetBarConfig);
    if (!bars || bars->elements().empty()) return std::nullopt;
    auto bar = ask(IpcConnection::kGetBarConfig, bars->elements().front().string().value_or(""));
    return bar ? barTextColour(*bar) : std::nullopt;
}

void SwayDesktopBackend::listOwnWindows(std::function<std::vector<OwnWindow>()> shown) {
    ownWindows_ = std::move(shown);
    floatOwnWindows();
}

void SwayDesktopBackend::floatOwnWindows() {
    // The program's windows (preferences, about, alerts) are small ones,
    // which sway would tile over the workspace and under any floating
    // window: they float from the start, at their own size, in the middle.
    run("for_window [pid=" + std::to_string(::getpid()) + "] floating enable");
}

void SwayDesktopBackend::floatPopUp(const Json& container) {
    // A menu the program pops up with no window of its own under it (the
    // tray's, when the bar shows none itself) is a window of its own on
    // Wayland: it floats at the pointer.
    if (!ownWindows_ || !isOwnMenu(container, ::getpid(), ownWindows_())) return;
    auto id = container["id"].number();
    if (id) run("[con_id=" + std::to_string(static_cast<int64_t>(*id)) + "] floating enable, move position cursor");
}

DesktopBackend::WindowId SwayDesktopBackend::windowShownBy(const Json& container) {
    return windowIdFor(container, static_cast<int32_t>(::getpid()),
                       ownWindows_ ? ownWindows_() : std::vector<OwnWindow>{});
}

std::optional<int32_t> SwayWindows::processOf(WindowId window) {
    auto t = desktop_.tree();
    if (!t) return std::nullopt;
    auto node = windowOf(*t, static_cast<int64_t>(window), desktop_.titleBars());
    if (!node) return std::nullopt;
    if (!node->pid && node->xWindow && processOfXWindow_) return processOfXWindow_(*node->xWindow);
    return node->pid;
}

std::vector<WindowControl::WindowId> SwayWindows::windowsOf(int32_t process) {
    std::vector<WindowId> ids;
    if (auto t = desktop_.tree())
        for (const auto& window : windowsOfProcess(*t, process, desktop_.titleBars(), processOfXWindow_))
            ids.push_back(static_cast<WindowId>(window.id));
    return ids;
}

std::optional<Rect> SwayWindows::frame(WindowId window) {
    auto t = desktop_.tree();
    if (!t) return std::nullopt;
    auto node = windowOf(*t, static_cast<int64_t>(window), desktop_.titleBars());
    if (!node) return std::nullopt;
    Point o = desktop_.windowsOrigin(*t);
    return Rect{node->frame.x - o.x, node->frame.y - o.y, node->frame.width, node->frame.height};
}

bool SwayWindows::setFrame(WindowId window, const Rect& frame) {
    // The frame was worked out from the screens and the window as last
    // read: it is put in their layout, without asking for the tree again
    // (one request less on every hot key).
    auto o = desktop_.lastWindowsOrigin();
    if (!o) return false;
    return desktop_.run(
        setFrameCommand(static_cast<int64_t>(window), {frame.x + o->x, frame.y + o->y, frame.width, frame.height}));
}

void SwayWindows::raise(WindowId window) {
    desktop_.run("[con_id=" + std::to_string(window) + "] focus");
}

// --- keys --------------------------------------------------------------------------

std::optional<uint16_t> SwayDesktopBackend::virtualKeyCode(const NativeKey& key) {
    // sway binds keys by their symbols, and a Wayland client's key codes are
    // those of the keyboard's own keymap (a virtual keyboard's are made up):
    // a key typed in the program's windows is the key its symbol names.
    return keyCodeOfKeySymbol(key.keySymbol);
}

void SwayDesktopBackend::captureKeyboard(RunLoop&, std::function<void(const CapturedKey&)>,
                                         std::function<void(bool)> done) {
    // No client gets every key; but in a binding mode of the program's own,
    // which binds nothing the user types, sway keeps none of the user's
    // combinations, and each reaches the recorder's window. sway makes a mode
    // with its first binding: one no keyboard has.
    if (!recording_ &&
        run("mode " + Json::quote(kRecordingMode) + " bindsym --no-repeat Ctrl+Mod1+Mod4+Shift+F35 nop " +
            kRecordingMode) &&
        run("mode " + Json::quote(kRecordingMode)))
        recording_ = true;
    // The user interface records what reaches its window.
    done(false);
}

void SwayDesktopBackend::releaseKeyboard() {
    if (recording_) run("mode default");
    recording_ = false;
}

uint64_t SwayKeyboard::windowCommandModifier() const {
    return modifier::kControl;
}

KeyTranslation SwayKeyboard::translateKeyCode(uint16_t keyCode) {
    auto name = keySymbolName(keyCode);
    if (!name || name->size() != 1) return {KeyTranslation::Status::NoLayout, {}};
    return {KeyTranslation::Status::Ok, std::u16string(1, char16_t((*name)[0]))};
}

// --- hot keys ----------------------------------------------------------------------

SwayHotKeys::~SwayHotKeys() = default;

OSStatus SwayHotKeys::registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                          EventHotKeyRef& outRef) {
    auto combo = comboFor(keyCode, modifiers);
    if (!combo) return kEventHotKeyInvalidErr;
    if (isHeldByAnotherProgram(keyCode, modifiers)) return kEventHotKeyExistsErr;
    EventHotKeyRef ref = nextRef_++;
    // --no-repeat: a held key places the window once. In the default mode
    // whichever mode sway is in: a shortcut recorded is bound while sway is
    // still in the recording's mode.
    if (!desktop_.run(std::string(kDefaultMode) + "bindsym --no-repeat " + *combo + " nop " + kCommandPrefix + " " +
                      std::to_string(ref)))
        return kEventHotKeyInvalidErr;
    registrations_[ref] = {*combo, id, true};
    outRef = ref;
    return kNoErr;
}

OSStatus SwayHotKeys::unregisterEventHotKey(EventHotKeyRef ref) {
    auto found = registrations_.find(ref);
    if (found == registrations_.end()) return kEventHotKeyInvalidErr;
    if (found->second.bound) desktop_.run(std::string(kDefaultMode) + "unbindsym --no-repeat " + found->second.combo);
    registrations_.erase(found);
    return kNoErr;
}

void SwayHotKeys::bindAgain() {
    auto config = desktop_.ask(IpcConnection::kGetConfig);
    auto taken = boundCombos(config ? (*config)["config"].string().value_or("") : "");
    for (auto& [ref, registration] : registrations_) {
        // A combination the configuration now binds is the user's: not bound over, nor unbound later.
        registration.bound = std::find(taken.begin(), taken.end(), registration.combo) == taken.end();
        if (registration.bound)
            registration.bound = desktop_.run(std::string(kDefaultMode) + "bindsym --no-repeat " + registration.combo +
                                              " nop " + kCommandPrefix + " " + std::to_string(ref));
        else
            desktop_.log("the configuration now binds " + registration.combo +
                         " itself: Tilvane's shortcut for it does nothing until it is changed");
    }
}

void SwayHotKeys::unbindAll() {
    while (!registrations_.empty()) unregisterEventHotKey(registrations_.begin()->first);
}

OSStatus SwayHotKeys::installEventHandler(Handler handler, EventHandlerRef& outRef) {
    handler_ = std::move(handler);
    outRef = 1;
    return kNoErr;
}

OSStatus SwayHotKeys::removeEventHandler(EventHandlerRef) {
    handler_ = nullptr;
    return kNoErr;
}

bool SwayHotKeys::isHeldByAnotherProgram(uint32_t keyCode, uint32_t modifiers) {
    auto combo = comboFor(keyCode, modifiers);
    if (!combo) return false;
    for (const auto& [ref, registration] : registrations_)
        if (registration.combo == *combo) return !registration.bound;
    auto config = desktop_.ask(IpcConnection::kGetConfig);
    if (!config) return false;
    auto bound = boundCombos((*config)["config"].string().value_or(""));
    return std::find(bound.begin(), bound.end(), *combo) != bound.end();
}

void SwayHotKeys::bindingRan(const Json& event) {
    auto ref = hotKeyOfBinding(event, kCommandPrefix);
    if (!ref || !handler_) return;
    auto found = registrations_.find(*ref);
    if (found == registrations_.end()) return;
    HotKeyEvent hotKey;
    hotKey.hotKeyID = found->second.id;
    handler_(hotKey);
}

// --- workspaces --------------------------------------------------------------------

std::vector<uint64_t> SwaySpaces::copySpaces(int mask) {
    constexpr int kCurrent = 1;
    auto tree = desktop_.tree();
    if (!tree) return {};
    Workspaces workspaces = focusedOutputsWorkspaces(*tree);
    std::vector<uint64_t> spaces;
    // Listed from the last, as the program reads them.
    for (auto it = workspaces.all.rbegin(); it != workspaces.all.rend(); ++it)
        if (mask != kCurrent || it->first == workspaces.shown) spaces.push_back(static_cast<uint64_t>(it->first));
    return spaces;
}

bool SwaySpaces::moveFocusedWindowToSpace(uint64_t spaceNumber, std::function<void()> done) {
    auto tree = desktop_.tree();
    RunLoop* loop = desktop_.runLoop();
    if (!tree || !loop) return false;
    auto window = focusedWindowOf(*tree, desktop_.titleBars());
    Workspaces workspaces = focusedOutputsWorkspaces(*tree);
    if (!window || spaceNumber < 1 || spaceNumber > workspaces.all.size()) return false;
    if (!desktop_.run(moveToWorkspaceCommand(window->id, workspaces.all[spaceNumber - 1].second))) return false;
    loop->async(std::move(done));
    return true;
}

// --- screens -----------------------------------------------------------------------

std::vector<Screen> SwayScreens::screens() {
    auto tree = desktop_.tree();
    return tree ? screensOf(outputsOf(*tree)) : std::vector<Screen>{};
}

std::optional<Screen> SwayScreens::mainScreen() {
    auto tree = desktop_.tree();
    if (!tree) return std::nullopt;
    auto outputs = outputsOf(*tree);
    auto screens = screensOf(outputs);
    for (const auto& output : outputs)
        if (output.focused)
            for (const auto& screen : screens)
                if (screen.id == static_cast<uint64_t>(output.id)) return screen;
    return screens.empty() ? std::nullopt : std::optional<Screen>(screens.front());
}

double SwayScreens::menuBarHeight() {
    auto all = screens();
    return all.empty() ? 0 : all.front().menuBarHeight;
}

}  // namespace tilvane::sway
