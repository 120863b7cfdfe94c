#include "app/status_menu.h"

#include <cmath>

#include "app/action_dispatcher.h"
#include "app/hotkey_registration.h"
#include "platform/settings_keys.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

namespace {

constexpr double kMenuFontSize = 14;
// Newer interface kits draw template images in the menu bar's colour.
constexpr double kTemplateStatusImageKitVersion = 1265;

}  // namespace

StatusMenu::StatusMenu(const Platform& platform, ActionDispatcher& dispatcher, HotKeyRegistration& hotKeys,
                       Commands commands)
    : platform_(platform), dispatcher_(dispatcher), hotKeys_(hotKeys), commands_(std::move(commands)) {}

MenuItem& StatusMenu::createMenuItemForDirection(int64_t code, const std::string& title, const std::string& image) {
    MenuItem& item = theMenu_->addItem(
        title, [this](MenuItem& sender) { dispatcher_.moveWindowToDirection(sender.tag(), true); }, "");
    item.setTag(code);
    item.setImage(image, true);
    item.setValidator([this](MenuItem& sender) { return validateMenuItem(sender); });
    return item;
}

void StatusMenu::setupStatusMenuItem() {
    UserInterface* ui = platform_.userInterface;
    if (!ui) return;
    validateMenu_ = true;
    theMenu_ = ui->createMenu("");
    theMenu_->setAutoenablesItems(true);

    // Items handled here answer for their state through validateMenuItem.
    auto addOwnItem = [this](const std::string& title, std::function<void()> action) -> MenuItem& {
        MenuItem& item = theMenu_->addItem(
            title, [action](MenuItem&) { action(); }, "");
        item.setValidator([this](MenuItem& sender) { return validateMenuItem(sender); });
        return item;
    };

    enableShotcustItem_ = &addOwnItem(".enable.", [this] { enableShortcuts(); });
    // The cross-promotion entry and the separator after it are left out.
    theMenu_->addSeparatorItem();

    // The actions in groups, a separator before each group.
    int group = -1;
    for (const ActionInfo* info : menuActions()) {
        if (info->menuPlace / 10 != group) {
            if (group != -1) theMenu_->addSeparatorItem();
            group = info->menuPlace / 10;
        }
        actionItems_[*actionIndex(info->code)] =
            &createMenuItemForDirection(info->code, std::string(info->menuTitle), std::string(info->imageName));
    }
    theMenu_->addSeparatorItem();
    preferencesMenuItem_ = &addOwnItem("Preferences...", [this] { commands_.showPreferences(); });
    theMenu_->addSeparatorItem();
    addOwnItem("Check for Updates...", [this] { commands_.checkForUpdates(); });
    theMenu_->addSeparatorItem();
    addOwnItem("About Tilvane", [this] { commands_.showAbout(); });
    addOwnItem("Contact Support", [this] { commands_.showFeedback(); });
    theMenu_->addSeparatorItem();
    // The application object handles Quit; it is never asked to validate.
    theMenu_->addItem(
        "Quit", [ui](MenuItem&) { ui->terminate(); }, "");

    statusItem_ = ui->statusItemWithLength(StatusItem::kVariableLength);
    bool isTemplate = std::floor(ui->interfaceKitVersionNumber()) > kTemplateStatusImageKitVersion;
    statusItem_->setImage("split", isTemplate);
    statusItem_->setHighlightMode(true);
    statusItem_->setMenu(theMenu_.get());
}

MenuItem* StatusMenu::menuItemForAction(int64_t code) const {
    std::optional<size_t> index = actionIndex(code);
    return index ? actionItems_[*index] : nullptr;
}

bool StatusMenu::validateMenuItem(MenuItem& item) {
    if (!validateMenu_) return true;
    // The switch comes first in the menu: as it is opened, the shortcuts other
    // programs held are tried again, and the entries below show what came of it.
    if (&item == enableShotcustItem_) hotKeys_.registerHeldElsewhereAgain();
    if (platform_.settings && platform_.settings->boolForKey(settings_key::kEnableShotcuts)) {
        enableShotcustItem_->setTitle("Disable Shortcuts");
        setMenuColor(NamedColor::Black, enableShotcustItem_, true);
    } else {
        enableShotcustItem_->setTitle("Enable Shortcuts");
        setMenuColor(NamedColor::Red, enableShotcustItem_, true);
    }
    setMenuColor(NamedColor::Black, preferencesMenuItem_, true);
    const ActionInfo* info = actionForCode(item.tag());
    if (info && !info->menuTitle.empty()) setKeyEquivalentForMenuItem(item, std::string(info->settingsKey));
    // A desktop without desktops other programs can see has no Space to move to.
    if (item.tag() == action::kNextSpace || item.tag() == action::kPreviousSpace)
        return platform_.capabilities.virtualDesktops.available;
    return true;
}

void StatusMenu::setKeyEquivalentForMenuItem(MenuItem& item, const std::string& defaultsKey) {
    std::optional<Shortcut> shortcut = hotKeys_.shortCutWithKey(defaultsKey);
    if (!shortcut) {
        // A cleared shortcut no longer acts, so the menu stops showing it.
        item.setKeyEquivalent("");
        item.setKeyEquivalentModifierMask(0);
        return;
    }
    Shortcut copy = *shortcut;
    item.setKeyEquivalent(copy.keyCodeStringForKeyEquivalent(platform_.keyboard));
    item.setKeyEquivalentModifierMask(copy.modifierFlags());
    item.setKeyEquivalentUnavailable(hotKeys_.isHeldByAnotherProgram(defaultsKey));
}

void StatusMenu::setMenuColor(NamedColor color, MenuItem* item, bool useBold) {
    if (!item) return;
    TextAttributes attributes{useBold, kMenuFontSize, color};
    bool dark = platform_.userInterface &&
                platform_.userInterface->effectiveAppearanceName().find(kDarkAppearanceName) != std::string::npos;
    if (dark && useBold && color == NamedColor::Black) attributes = {true, kMenuFontSize, NamedColor::White};
    item->setAttributedTitle({item->title(), attributes});
}

void StatusMenu::enableShortcuts() {
    if (!platform_.settings) return;
    platform_.settings->setBool(settings_key::kEnableShotcuts,
                                !platform_.settings->boolForKey(settings_key::kEnableShotcuts));
    platform_.settings->synchronize();
}

}  // namespace tilvane
