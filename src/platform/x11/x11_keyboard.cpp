#include "platform/x11/x11_keyboard.h"

// xkb.h names a field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <dlfcn.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/x11/key_codes.h"

namespace tilvane::x11 {

namespace {

constexpr uint16_t kVirtualKeyA = 0x00;

// xkbcommon, loaded the first time a key's text is asked for: serving the
// hot keys and placing windows need no layout, and start quicker without it.
#define TILVANE_XKBCOMMON_FUNCTIONS(X)     \
    X(xkb_context_new)                     \
    X(xkb_context_unref)                   \
    X(xkb_keymap_key_get_syms_by_level)    \
    X(xkb_keymap_num_layouts)              \
    X(xkb_keymap_unref)                    \
    X(xkb_keysym_to_utf32)                 \
    X(xkb_x11_get_core_keyboard_device_id) \
    X(xkb_x11_keymap_new_from_device)

struct XkbLibrary {
#define TILVANE_XKB_DECLARE(name) decltype(&::name) name = nullptr;
    TILVANE_XKBCOMMON_FUNCTIONS(TILVANE_XKB_DECLARE)
#undef TILVANE_XKB_DECLARE
    bool loaded = false;
};

// The library; not loaded (and no layout to be had) when it cannot be found.
const XkbLibrary& xkb() {
    static const XkbLibrary library = [] {
        XkbLibrary l;
        // The X11 part needs the rest and brings it along.
        void* handle = ::dlopen(TILVANE_XKBCOMMON_X11_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!handle) return l;
        l.loaded = true;
#define TILVANE_XKB_LOAD(name)                                            \
    l.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
    l.loaded = l.loaded && l.name;
        TILVANE_XKBCOMMON_FUNCTIONS(TILVANE_XKB_LOAD)
#undef TILVANE_XKB_LOAD
        return l;
    }();
    return library;
}

xkb_keysym_t firstSymbol(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout) {
    const xkb_keysym_t* syms = nullptr;
    int n = xkb().xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &syms);
    return n > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

using UseExtensionRequest =
    PendingReply<xcb_xkb_use_extension_cookie_t, xcb_xkb_use_extension_reply_t, xcb_xkb_use_extension_reply>;

}  // namespace

uint8_t xkbEventType(const xcb_generic_event_t& event) {
    // Every XKB event starts with its response type and then its kind.
    return reinterpret_cast<const uint8_t*>(&event)[1];
}

std::u16string utf16FromCodePoint(uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    if (cp < 0x10000) return std::u16string(1, static_cast<char16_t>(cp));
    cp -= 0x10000;
    return {static_cast<char16_t>(0xD800 + (cp >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
}

X11Keyboard::X11Keyboard(Connection& conn) : conn_(conn) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(conn_.get(), &xcb_xkb_id);
    UseExtensionRequest use(conn_.get(), xcb_xkb_use_extension(conn_.get(), XCB_XKB_MAJOR_VERSION, 0));
    if (extension && extension->present && use && use->supported) {
        uint8_t base = extension->first_event;
        xkbEventBase_ = base;
        hasXkb_ = true;
        uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
        uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
        xcb_xkb_select_events(conn_.get(), XCB_XKB_ID_USE_CORE_KBD, events, 0, events, mapParts, mapParts, nullptr);
        conn_.onEvent(base, [this](const xcb_generic_event_t& e) {
            uint8_t type = xkbEventType(e);
            if (type == XCB_XKB_NEW_KEYBOARD_NOTIFY || type == XCB_XKB_MAP_NOTIFY) mappingChanged();
        });
    }
    // Servers without XKB, and clients that never asked for XKB, hear of changes this way.
    conn_.onEvent(XCB_MAPPING_NOTIFY, [this](const xcb_generic_event_t& e) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t&>(e).request != XCB_MAPPING_POINTER) mappingChanged();
    });
}

X11Keyboard::~X11Keyboard() {
    if (keymap_) xkb().xkb_keymap_unref(keymap_);
    if (context_) xkb().xkb_context_unref(context_);
}

std::optional<X11Keyboard::State> X11Keyboard::state() {
    if (!hasXkb_) return std::nullopt;
    PendingReply<xcb_xkb_get_state_cookie_t, xcb_xkb_get_state_reply_t, xcb_xkb_get_state_reply> reply(
        conn_.get(), xcb_xkb_get_state(conn_.get(), XCB_XKB_ID_USE_CORE_KBD));
    if (!reply) return std::nullopt;
    return State{static_cast<uint16_t>(reply->baseMods | reply->latchedMods), reply->lockedMods, reply->group};
}

const ModifierMap& X11Keyboard::modifierMap() {
    if (!modifierMap_) modifierMap_ = readModifierMap(conn_.get());
    return *modifierMap_;
}

void X11Keyboard::mappingChanged() {
    if (keymap_) xkb().xkb_keymap_unref(keymap_);
    keymap_ = nullptr;
    modifierMap_.reset();
    auto observers = mappingObservers_;
    for (const auto& notify : observers) notify();
}

bool X11Keyboard::loadKeymap() {
    if (keymap_) return true;
    if (!hasXkb_ || !xkb().loaded) return false;
    if (!context_) context_ = xkb().xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context_) return false;
    int32_t device = xkb().xkb_x11_get_core_keyboard_device_id(conn_.get());
    if (device < 0) return false;
    keymap_ = xkb().xkb_x11_keymap_new_from_device(context_, conn_.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    return keymap_ != nullptr;
}

KeyTranslation X11Keyboard::translateKeyCode(uint16_t keyCode) {
    if (!loadKeymap()) return {KeyTranslation::Status::NoLayout, {}};
    auto key = xKeycodeForVirtualKey(keyCode);
    if (!key) return {KeyTranslation::Status::Error, {}};

    xkb_layout_index_t layouts = xkb().xkb_keymap_num_layouts(keymap_);
    if (layouts == 0) return {KeyTranslation::Status::NoLayout, {}};
    auto state = this->state();
    xkb_layout_index_t current = state ? state->layout % layouts : 0;

    // The layout to use: the current one if it types Latin letters, else the first that does.
    auto latin = [&](xkb_layout_index_t layout) {
        xkb_keysym_t a = firstSymbol(keymap_, *xKeycodeForVirtualKey(kVirtualKeyA), layout);
        return a >= XKB_KEY_a && a <= XKB_KEY_z;
    };
    xkb_layout_index_t layout = current;
    if (!latin(current)) {
        for (xkb_layout_index_t i = 0; i < layouts; ++i) {
            if (latin(i)) {
                layout = i;
                break;
            }
        }
    }
    xkb_keysym_t sym = firstSymbol(keymap_, *key, layout);
    return {KeyTranslation::Status::Ok, utf16FromCodePoint(xkb().xkb_keysym_to_utf32(sym))};
}

}  // namespace tilvane::x11
