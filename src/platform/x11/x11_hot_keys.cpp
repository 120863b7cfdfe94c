#include "platform/x11/x11_hot_keys.h"

#include <algorithm>
#include <chrono>

#include "platform/x11/key_codes.h"

namespace tilvane::x11 {

namespace {

constexpr uint8_t kBadAccess = 10;
// Another client may hold the whole keyboard for a moment (a launcher, a
// window manager between two keys of a chain): the grab is asked again for
// a fifth of a second before it is given up.
constexpr int kKeyboardGrabAttempts = 50;
constexpr auto kKeyboardGrabRetry = std::chrono::milliseconds(4);

}  // namespace

X11HotKeyService::X11HotKeyService(Connection& conn, X11Keyboard& keyboard)
    : conn_(conn), keyboard_(keyboard), modifiers_(keyboard.modifierMap()) {
    keyboard.addMappingObserver([this] { mappingChanged(); });
    conn_.onEvent(XCB_KEY_PRESS, [this](const xcb_generic_event_t& e) {
        keyPressed(reinterpret_cast<const xcb_key_press_event_t&>(e));
    });
    conn_.onEvent(XCB_KEY_RELEASE, [this](const xcb_generic_event_t& e) {
        if (grabbedKeys_) keyOfGrab(reinterpret_cast<const xcb_key_press_event_t&>(e), false);
    });
}

X11HotKeyService::~X11HotKeyService() {
    for (const auto& [combination, refs] : grabs_) ungrab(combination);
    conn_.flush();
}

std::optional<X11HotKeyService::Combination> X11HotKeyService::combinationFor(uint32_t keyCode,
                                                                              uint32_t carbonModifiers) const {
    if (keyCode > 0xFFFF) return std::nullopt;
    auto keycode = xKeycodeForVirtualKey(static_cast<uint16_t>(keyCode));
    if (!keycode) return std::nullopt;
    return Combination{*keycode, modifiers_.fromCarbon(carbonModifiers)};
}

OSStatus X11HotKeyService::grab(const Combination& combination) {
    xcb_connection_t* c = conn_.get();
    std::vector<xcb_void_cookie_t> cookies;
    auto variants = modifiers_.lockVariants();
    for (uint16_t lock : variants)
        cookies.push_back(xcb_grab_key_checked(c, 0, conn_.root(), combination.modifiers | lock, combination.keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    OSStatus status = kNoErr;
    for (auto cookie : cookies) {
        if (XPtr<xcb_generic_error_t> error{xcb_request_check(c, cookie)}) {
            if (status == kNoErr || error->error_code == kBadAccess)
                status = error->error_code == kBadAccess ? kEventHotKeyExistsErr : kEventHotKeyInvalidErr;
        }
    }
    if (!conn_.isUsable()) status = kEventHotKeyInvalidErr;
    // All variants or none: a partial grab would work only with some locks on.
    if (status != kNoErr) ungrab(combination);
    return status;
}

bool X11HotKeyService::isHeldByAnotherProgram(uint32_t keyCode, uint32_t carbonModifiers) {
    auto combination = combinationFor(keyCode, carbonModifiers);
    if (!combination) return false;
    // A combination this program holds is its own; probing it would let go of it.
    if (grabs_.count(*combination)) return false;
    OSStatus status = grab(*combination);
    if (status == kNoErr) ungrab(*combination);
    // Once the answer is given the probe is over: another program may grab the combination at once.
    conn_.roundTrip();
    return status == kEventHotKeyExistsErr;
}

void X11HotKeyService::ungrab(const Combination& combination) {
    // Ungrabbing a variant another client holds leaves that grab alone.
    for (uint16_t lock : modifiers_.lockVariants())
        xcb_ungrab_key(conn_.get(), combination.keycode, conn_.root(), combination.modifiers | lock);
}

OSStatus X11HotKeyService::registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                               EventHotKeyRef& outRef) {
    outRef = 0;
    auto combination = combinationFor(keyCode, modifiers);
    if (!combination) return kEventHotKeyInvalidErr;
    auto shared = grabs_.find(*combination);
    if (shared == grabs_.end()) {
        if (OSStatus status = grab(*combination); status != kNoErr) return status;
        shared = grabs_.emplace(*combination, std::vector<EventHotKeyRef>{}).first;
    }
    EventHotKeyRef ref = nextRef_++;
    registrations_[ref] = {id, keyCode, modifiers};
    shared->second.push_back(ref);
    outRef = ref;
    return kNoErr;
}

OSStatus X11HotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
    if (!registrations_.erase(ref)) return kEventHotKeyInvalidErr;
    for (auto it = grabs_.begin(); it != grabs_.end(); ++it) {
        auto& refs = it->second;
        auto found = std::find(refs.begin(), refs.end(), ref);
        if (found == refs.end()) continue;
        refs.erase(found);
        if (refs.empty()) {
            ungrab(it->first);
            grabs_.erase(it);
        }
        break;
    }
    return kNoErr;
}

OSStatus X11HotKeyService::installEventHandler(Handler handler, EventHandlerRef& outRef) {
    outRef = nextRef_++;
    handlers_[outRef] = std::move(handler);
    return kNoErr;
}

OSStatus X11HotKeyService::removeEventHandler(EventHandlerRef ref) {
    return handlers_.erase(ref) ? kNoErr : kEventHandlerFailedErr;
}

void X11HotKeyService::mappingChanged() {
    ModifierMap before = modifiers_;
    modifiers_ = keyboard_.modifierMap();
    std::map<Combination, std::vector<EventHotKeyRef>> wanted;
    for (const auto& [ref, r] : registrations_)
        if (auto combination = combinationFor(r.keyCode, r.carbonModifiers)) wanted[*combination].push_back(ref);
    bool sameKeys =
        wanted.size() == grabs_.size() && std::equal(wanted.begin(), wanted.end(), grabs_.begin(),
                                                     [](const auto& a, const auto& b) { return a.first == b.first; });
    if (before == modifiers_ && sameKeys) return;

    // Release everything under the old mapping, then grab under the new one.
    std::swap(modifiers_, before);
    for (const auto& [combination, refs] : grabs_) ungrab(combination);
    std::swap(modifiers_, before);
    grabs_.clear();
    for (auto& [combination, refs] : wanted) {
        // A combination someone else took meanwhile stays registered but silent.
        if (grab(combination) == kNoErr) grabs_[combination] = std::move(refs);
    }
    conn_.flush();
}

void X11HotKeyService::grabKeyboard(RunLoop& loop, std::function<void(const GrabbedKey&)> onKey,
                                    std::function<void(bool)> done) {
    releaseKeyboard();
    keyboardRequest_ = std::make_shared<KeyboardRequest>(KeyboardRequest{std::move(onKey), std::move(done)});
    askForKeyboard(loop, 0);
}

void X11HotKeyService::askForKeyboard(RunLoop& loop, int attempt) {
    auto request = keyboardRequest_;
    XPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        conn_.get(),
        xcb_grab_keyboard(conn_.get(), 0, conn_.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    bool held = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    bool busy = reply && (reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED || reply->status == XCB_GRAB_STATUS_FROZEN);
    if (!held && busy && attempt + 1 < kKeyboardGrabAttempts) {
        std::weak_ptr<KeyboardRequest> asked = request;
        loop.after(kKeyboardGrabRetry, [this, &loop, asked, attempt] {
            if (auto still = asked.lock(); still && still == keyboardRequest_) askForKeyboard(loop, attempt + 1);
        });
        return;
    }
    keyboardRequest_.reset();
    if (held) grabbedKeys_ = std::move(request->onKey);
    request->done(held);
}

void X11HotKeyService::releaseKeyboard() {
    keyboardRequest_.reset();
    if (!grabbedKeys_) return;
    grabbedKeys_ = nullptr;
    xcb_ungrab_keyboard(conn_.get(), XCB_CURRENT_TIME);
    conn_.flush();
}

void X11HotKeyService::keyOfGrab(const xcb_key_press_event_t& event, bool press) {
    auto keyCode = virtualKeyForXKeycode(event.detail);
    if (!keyCode) return;
    // The state is the one before the key: a modifier key changes it.
    GrabbedKey key{press, *keyCode, modifiers_.flagsOf(modifiers_.significant(event.state)), false};
    for (size_t i = 0; i < ModifierMap::kFlags.size(); ++i) {
        const auto& keys = modifiers_.keys[i];
        if (std::find(keys.begin(), keys.end(), event.detail) == keys.end()) continue;
        key.isModifier = true;
        key.flags = press ? key.flags | ModifierMap::kFlags[i] : key.flags & ~ModifierMap::kFlags[i];
    }
    auto onKey = grabbedKeys_;
    onKey(key);
}

void X11HotKeyService::keyPressed(const xcb_key_press_event_t& event) {
    if (grabbedKeys_) return keyOfGrab(event, true);
    if (event.event != conn_.root()) return;
    auto found = grabs_.find({event.detail, modifiers_.significant(event.state)});
    if (found == grabs_.end() || found->second.empty()) return;
    auto registration = registrations_.find(found->second.back());
    if (registration == registrations_.end()) return;
    HotKeyEvent hotKey;
    hotKey.hotKeyID = registration->second.id;
    // Copy: a handler may install or remove handlers.
    auto handlers = handlers_;
    for (const auto& [ref, handle] : handlers) handle(hotKey);
}

}  // namespace tilvane::x11
