#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"

namespace tilvane {

struct MenuItem;

// A menu as plain values: what the user interface shows and what the shortcut
// checks search. The user-interface backend renders it; tests read it.
struct Menu {
    std::string title;
    std::vector<MenuItem> items;
};

struct MenuItem {
    std::string title;
    // The character that triggers the item, UTF-8; empty when it has none. An
    // upper-case letter means Shift is part of the combination.
    std::string keyEquivalent;
    // Modifier bits held with the key equivalent; Command unless set otherwise.
    uint64_t keyEquivalentModifierMask = modifier::kCommand;
    int64_t tag = 0;
    std::string imageName;
    bool enabled = true;
    bool separator = false;
    std::optional<Menu> submenu;

    bool hasSubmenu() const { return submenu.has_value(); }
    static MenuItem separatorItem() {
        MenuItem item;
        item.separator = true;
        item.keyEquivalentModifierMask = 0;
        return item;
    }
};

}  // namespace tilvane
