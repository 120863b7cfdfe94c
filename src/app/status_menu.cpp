// The status menu: the program's icon in the desktop's status area and its
// menu of window actions, the shortcut switch and the program's entries.

#include <cmath>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_binder.h"

namespace tilvane {

namespace {

constexpr double kMenuFontSize = 14;
// Newer interface kits draw template images in the menu bar's colour.
constexpr double kTemplateStatusImageKitVersion = 1265;

}  // namespace

MenuItem& AppDelegate::createMenuItemForDirection(int64_t code, const std::string& title, const std::string& image) {
    MenuItem& item = theMenu->addItem(
        title, [this](MenuItem& sender) { moveWindowToDirectionFromMenu(sender.tag()); }, "");
    item.setTag(code);
    item.setImage(image, true);
    item.setValidator([this](MenuItem& sender) { return validateMenuItem(sender); });
    return item;
}

void AppDelegate::setupStatusMenuItem() {
    UserInterface* ui = platform_.userInterface;
    if (!ui) return;
    _validateMenu = true;
    theMenu = ui->createMenu("");
    theMenu->setAutoenablesItems(true);

    // Items handled here answer for their state through validateMenuItem.
    auto addOwnItem = [this](const std::string& title, std::function<void()> action) -> MenuItem& {
        MenuItem& item = theMenu->addItem(
            title, [action](MenuItem&) { action(); }, "");
        item.setValidator([this](MenuItem& sender) { return validateMenuItem(sender); });
        return item;
    };

    enableShotcustItem = &addOwnItem(".enable.", [this] { enableShortcuts(); });
    // The cross-promotion entry and the separator after it are left out.
    theMenu->addSeparatorItem();

    // The actions in groups, a separator before each group.
    int group = -1;
    for (const ActionInfo* info : menuActions()) {
        if (info->menuPlace / 10 != group) {
            if (group != -1) theMenu->addSeparatorItem();
            group = info->menuPlace / 10;
        }
        actionItems_[*actionIndex(info->code)] =
            &createMenuItemForDirection(info->code, std::string(info->menuTitle), std::string(info->imageName));
    }
    theMenu->addSeparatorItem();
    preferencesMenuItem = &addOwnItem("Preferences...", [this] { showPreferecensPane(); });
    theMenu->addSeparatorItem();
    addOwnItem("Check for Updates...", [this] { checkUpates(); });
    theMenu->addSeparatorItem();
    addOwnItem("About Tilvane", [this] { showAboutPanel(); });
    addOwnItem("Contact Support", [this] { showFeedbackDialog(); });
    theMenu->addSeparatorItem();
    // The application object handles Quit; it is never asked to validate.
    theMenu->addItem(
        "Quit", [ui](MenuItem&) { ui->terminate(); }, "");

    _statusItem = ui->statusItemWithLength(StatusItem::kVariableLength);
    bool isTemplate = std::floor(ui->interfaceKitVersionNumber()) > kTemplateStatusImageKitVersion;
    _statusItem->setImage("split", isTemplate);
    _statusItem->setHighlightMode(true);
    _statusItem->setMenu(theMenu.get());
}

MenuItem* AppDelegate::menuItemForAction(int64_t code) const {
    std::optional<size_t> index = actionIndex(code);
    return index ? actionItems_[*index] : nullptr;
}

bool AppDelegate::validateMenuItem(MenuItem& item) {
    if (!_validateMenu) return true;
    // The switch comes first in the menu: as it is opened, the shortcuts other
    // programs held are tried again, and the entries below show what came of it.
    if (&item == enableShotcustItem && hotKeysBound_) shortcutBinder().registerHeldElsewhereAgain();
    if (defaults && defaults->boolForKey("EnableShotcuts")) {
        enableShotcustItem->setTitle("Disable Shortcuts");
        setMenuColor(NamedColor::Black, enableShotcustItem, true);
    } else {
        enableShotcustItem->setTitle("Enable Shortcuts");
        setMenuColor(NamedColor::Red, enableShotcustItem, true);
    }
    setMenuColor(NamedColor::Black, preferencesMenuItem, true);
    const ActionInfo* info = actionForCode(item.tag());
    if (info && !info->menuTitle.empty()) setKeyEquivalentForMenuItem(item, std::string(info->settingsKey));
    // A desktop without desktops other programs can see has no Space to move to.
    if (item.tag() == action::kNextSpace || item.tag() == action::kPreviousSpace)
        return platform_.capabilities.virtualDesktops.available;
    return true;
}

void AppDelegate::setKeyEquivalentForMenuItem(MenuItem& item, const std::string& defaultsKey) {
    std::optional<Shortcut> shortcut = shortCutWithKey(defaultsKey);
    if (!shortcut) {
        // A cleared shortcut no longer acts, so the menu stops showing it.
        item.setKeyEquivalent("");
        item.setKeyEquivalentModifierMask(0);
        return;
    }
    Shortcut copy = *shortcut;
    item.setKeyEquivalent(copy.keyCodeStringForKeyEquivalent(platform_.keyboard));
    item.setKeyEquivalentModifierMask(copy.modifierFlags());
    item.setKeyEquivalentUnavailable(shortcutBinder_ && shortcutBinder_->isHeldByAnotherProgram(defaultsKey));
}

void AppDelegate::setMenuColor(NamedColor color, MenuItem* item, bool useBold) {
    if (!item) return;
    TextAttributes attributes{useBold, kMenuFontSize, color};
    bool dark = platform_.userInterface &&
                platform_.userInterface->effectiveAppearanceName().find(kDarkAppearanceName) != std::string::npos;
    if (dark && useBold && color == NamedColor::Black) attributes = {true, kMenuFontSize, NamedColor::White};
    item->setAttributedTitle({item->title(), attributes});
}

void AppDelegate::enableShortcuts() {
    if (!defaults) return;
    defaults->setBool("EnableShotcuts", !defaults->boolForKey("EnableShotcuts"));
    defaults->synchronize();
}

}  // namespace tilvane
