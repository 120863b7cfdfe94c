#include "platform/x11/x11_hot_keys.h"

#include <algorithm>

#include "platform/x11/key_codes.h"

namespace tilvane::x11 {

namespace {

constexpr uint16_t kModifierMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                                   XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
constexpr uint8_t kBadAccess = 10;

constexpr xcb_keysym_t kNumLock = 0xff7f, kScrollLock = 0xff14, kAltL = 0xffe9, kAltR = 0xffea, kSuperL = 0xffeb,
                       kSuperR = 0xffec;

}  // namespace

uint16_t ModifierBits::fromCarbon(uint32_t carbon) const {
    uint16_t mods = 0;
    if (carbon & kCarbonControlKey) mods |= XCB_MOD_MASK_CONTROL;
    if (carbon & kCarbonOptionKey) mods |= option;
    if (carbon & kCarbonCmdKey) mods |= command;
    if (carbon & kCarbonShiftKey) mods |= XCB_MOD_MASK_SHIFT;
    return mods;
}

std::vector<uint16_t> ModifierBits::lockVariants() const {
    std::vector<uint16_t> locks{XCB_MOD_MASK_LOCK};
    for (uint16_t m : {numLock, scrollLock})
        if (m != 0 && std::find(locks.begin(), locks.end(), m) == locks.end()) locks.push_back(m);
    std::vector<uint16_t> variants;
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        uint16_t v = 0;
        for (size_t i = 0; i < locks.size(); ++i)
            if (subset & (1u << i)) v |= locks[i];
        variants.push_back(v);
    }
    return variants;
}

uint16_t ModifierBits::significant(uint16_t state) const {
    return state & kModifierMask & static_cast<uint16_t>(~(numLock | scrollLock));
}

X11HotKeyService::X11HotKeyService(Connection& conn, X11Keyboard& keyboard) : conn_(conn) {
    readModifierBits();
    keyboard.addMappingObserver([this] { mappingChanged(); });
    conn_.onEvent(XCB_KEY_PRESS, [this](const xcb_generic_event_t& e) {
        keyPressed(reinterpret_cast<const xcb_key_press_event_t&>(e));
    });
}

X11HotKeyService::~X11HotKeyService() {
    for (const auto& [combination, refs] : grabs_) ungrab(combination);
    conn_.flush();
}

void X11HotKeyService::readModifierBits() {
    xcb_connection_t* c = conn_.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_keycode_t first = setup->min_keycode;
    uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    XPtr<xcb_get_modifier_mapping_reply_t> modmap(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    XPtr<xcb_get_keyboard_mapping_reply_t> keymap(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr));
    ModifierBits bits{0, 0, 0, 0};
    if (modmap && keymap) {
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modmap.get());
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keymap.get());
        int symsLength = xcb_get_keyboard_mapping_keysyms_length(keymap.get());
        int perKey = keymap->keysyms_per_keycode;
        int perModifier = modmap->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod) {
            uint16_t bit = static_cast<uint16_t>(1u << mod);
            for (int j = 0; j < perModifier; ++j) {
                xcb_keycode_t kc = keycodes[mod * perModifier + j];
                if (kc < first) continue;
                for (int k = 0; k < perKey; ++k) {
                    int index = (kc - first) * perKey + k;
                    if (index >= symsLength) break;
                    xcb_keysym_t sym = syms[index];
                    if (sym == kNumLock && !bits.numLock) bits.numLock = bit;
                    if (sym == kScrollLock && !bits.scrollLock) bits.scrollLock = bit;
                    if ((sym == kAltL || sym == kAltR) && !bits.option) bits.option = bit;
                    if ((sym == kSuperL || sym == kSuperR) && !bits.command) bits.command = bit;
                }
            }
        }
    }
    if (!bits.option) bits.option = XCB_MOD_MASK_1;
    if (!bits.command) bits.command = XCB_MOD_MASK_4;
    bits_ = bits;
}

std::optional<X11HotKeyService::Combination> X11HotKeyService::combinationFor(uint32_t keyCode,
                                                                              uint32_t carbonModifiers) const {
    if (keyCode > 0xFFFF) return std::nullopt;
    auto keycode = xKeycodeForVirtualKey(static_cast<uint16_t>(keyCode));
    if (!keycode) return std::nullopt;
    return Combination{*keycode, bits_.fromCarbon(carbonModifiers)};
}

OSStatus X11HotKeyService::grab(const Combination& combination) {
    xcb_connection_t* c = conn_.get();
    std::vector<xcb_void_cookie_t> cookies;
    auto variants = bits_.lockVariants();
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

void X11HotKeyService::ungrab(const Combination& combination) {
    // Ungrabbing a variant another client holds leaves that grab alone.
    for (uint16_t lock : bits_.lockVariants())
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
    ModifierBits before = bits_;
    readModifierBits();
    std::map<Combination, std::vector<EventHotKeyRef>> wanted;
    for (const auto& [ref, r] : registrations_)
        if (auto combination = combinationFor(r.keyCode, r.carbonModifiers)) wanted[*combination].push_back(ref);
    bool sameKeys =
        wanted.size() == grabs_.size() && std::equal(wanted.begin(), wanted.end(), grabs_.begin(),
                                                     [](const auto& a, const auto& b) { return a.first == b.first; });
    if (before == bits_ && sameKeys) return;

    // Release everything under the old mapping, then grab under the new one.
    std::swap(bits_, before);
    for (const auto& [combination, refs] : grabs_) ungrab(combination);
    std::swap(bits_, before);
    grabs_.clear();
    for (auto& [combination, refs] : wanted) {
        // A combination someone else took meanwhile stays registered but silent.
        if (grab(combination) == kNoErr) grabs_[combination] = std::move(refs);
    }
    conn_.flush();
}

void X11HotKeyService::keyPressed(const xcb_key_press_event_t& event) {
    if (event.event != conn_.root()) return;
    auto found = grabs_.find({event.detail, bits_.significant(event.state)});
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
