#pragma once

#include <string>

namespace tilvane {

// What a desktop lets the program do beyond placing the focused window.
// The program asks once; the menu and the panes show only what works and
// say why the rest is missing.
struct DesktopCapabilities {
    struct Capability {
        bool available = true;
        // Why it is missing, in the user's words; empty when it is there.
        std::string whyMissing;
    };
    // The pointer seen over every window: modifier-drag and snap to edge.
    Capability pointerEverywhere;
    // Touchpad swipes seen over every window.
    Capability swipes;
    // Windows sent to the next or previous desktop.
    Capability virtualDesktops;
    // Every key sent to the program while a shortcut is recorded, the
    // combinations other programs hold included.
    Capability keyboardGrab;
};

}  // namespace tilvane
