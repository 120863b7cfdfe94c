#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/keyboard.h"
#include "platform/x11/modifier_map.h"
#include "platform/x11/x11_connection.h"

struct xkb_context;
struct xkb_keymap;

namespace tilvane::x11 {

// Code points as UTF-16, the form key texts take in the program.
std::u16string utf16FromCodePoint(uint32_t codePoint);

// The kind of an XKB event (state, map, new keyboard...), all of which share one event code.
uint8_t xkbEventType(const xcb_generic_event_t& event);

// The keyboard of the X display through XKB: what a key types on the current
// layout, which keys and bits hold the modifiers, and word of every change of
// the keyboard's mapping. The modifier map is read on first use and again
// after a change, never for each key or modifier event.
class X11Keyboard : public Keyboard {
public:
    explicit X11Keyboard(Connection& conn);
    ~X11Keyboard() override;

    // The key pressed without modifiers, on the current layout or, when that
    // one does not type Latin letters, the first layout that does.
    KeyTranslation translateKeyCode(uint16_t keyCode) override;
    // X11 desktops keep their shortcuts in many places; none is reserved here.
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return std::vector<SymbolicHotKey>{}; }
    // Linux desktops write Ctrl+Alt+Left, and close windows with Ctrl+W.
    ShortcutWording shortcutWording() const override { return ShortcutWording::Words; }
    uint64_t windowCommandModifier() const override { return modifier::kControl; }
    // X11 has no Fn modifier: the key, where a keyboard has one, reaches no client.
    bool hasFunctionModifier() override { return false; }

    // Runs after the keyboard's mapping changed (a new keyboard, a new
    // layout, a new modifier map), from the event dispatch.
    void addMappingObserver(std::function<void()> observer) { mappingObservers_.push_back(std::move(observer)); }

    const ModifierMap& modifierMap();
    // The modifiers held or latched and locked, and the layout in use; none without XKB.
    struct State {
        uint16_t heldOrLatched = 0;
        uint16_t locked = 0;
        uint8_t layout = 0;
    };
    std::optional<State> state();
    // The first event code of XKB; none when the server lacks it.
    std::optional<uint8_t> xkbEventBase() const { return xkbEventBase_; }

private:
    void mappingChanged();
    bool loadKeymap();

    Connection& conn_;
    std::optional<uint8_t> xkbEventBase_;
    bool hasXkb_ = false;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::optional<ModifierMap> modifierMap_;
    std::vector<std::function<void()>> mappingObservers_;
};

}  // namespace tilvane::x11
