#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/keyboard.h"
#include "platform/x11/x11_connection.h"

struct xkb_context;
struct xkb_keymap;

namespace tilvane::x11 {

// Code points as UTF-16, the form key texts take in the program.
std::u16string utf16FromCodePoint(uint32_t codePoint);

// The keyboard of the X display through XKB: what a key types on the current
// layout, and word of every change of the keyboard's mapping.
class X11Keyboard : public Keyboard {
public:
    explicit X11Keyboard(Connection& conn);
    ~X11Keyboard() override;

    // The key pressed without modifiers, on the current layout or, when that
    // one does not type Latin letters, the first layout that does.
    KeyTranslation translateKeyCode(uint16_t keyCode) override;
    // X11 desktops keep their shortcuts in many places; none is reserved here.
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return std::vector<SymbolicHotKey>{}; }

    // Runs after the keyboard's mapping changed (a new keyboard, a new
    // layout, a new modifier map), from the event dispatch.
    void addMappingObserver(std::function<void()> observer) { mappingObservers_.push_back(std::move(observer)); }

private:
    void mappingChanged();
    bool loadKeymap();

    Connection& conn_;
    std::optional<uint8_t> xkbEventBase_;
    int32_t deviceId_ = -1;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::vector<std::function<void()>> mappingObservers_;
};

}  // namespace tilvane::x11
