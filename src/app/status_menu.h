#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/action_table.h"
#include "platform/platform.h"

namespace tilvane {

class ActionDispatcher;
class HotKeyRegistration;

// The program's icon in the desktop's status area and its menu: the shortcut
// switch, the window actions with the shortcuts that start them, and the
// program's own entries, each refreshed as the menu is opened.
class StatusMenu {
public:
    // What the program's own entries do.
    struct Commands {
        std::function<void()> showPreferences, checkForUpdates, showAbout, showFeedback;
    };
    StatusMenu(const Platform& platform, ActionDispatcher& dispatcher, HotKeyRegistration& hotKeys, Commands commands);
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    // Builds the status menu and the status item; once, at start-up.
    void setupStatusMenuItem();
    MenuItem& createMenuItemForDirection(int64_t code, const std::string& title, const std::string& image);
    // Asked for every item each time the menu is about to be shown: refreshes
    // the switch, the preferences entry and the item's key equivalent. Every
    // item is enabled, but for the Space moves on a desktop without desktops.
    bool validateMenuItem(MenuItem& item);
    void setKeyEquivalentForMenuItem(MenuItem& item, const std::string& defaultsKey);
    void setMenuColor(NamedColor color, MenuItem* item, bool useBold);
    // The switch's action: shortcuts on becomes off and the other way round.
    void enableShortcuts();

    // The menu and its entries; null until the menu is built.
    Menu* theMenu() const { return theMenu_.get(); }
    MenuItem* enableShotcustItem() const { return enableShotcustItem_; }
    MenuItem* preferencesMenuItem() const { return preferencesMenuItem_; }
    // An action's entry; null for an action the menu leaves out.
    MenuItem* menuItemForAction(int64_t code) const;
    StatusItem* statusItem() const { return statusItem_.get(); }
    // Set when the menu is built; while set, opening the menu refreshes it.
    bool _validateMenu() const { return validateMenu_; }
    void setValidateMenu(bool validate) { validateMenu_ = validate; }

private:
    Platform platform_;
    ActionDispatcher& dispatcher_;
    HotKeyRegistration& hotKeys_;
    Commands commands_;
    bool validateMenu_ = false;
    // The menu outlives the status item that shows it.
    std::unique_ptr<Menu> theMenu_;
    std::unique_ptr<StatusItem> statusItem_;
    MenuItem* enableShotcustItem_ = nullptr;
    MenuItem* preferencesMenuItem_ = nullptr;
    std::array<MenuItem*, kActionCount> actionItems_{};
};

}  // namespace tilvane
