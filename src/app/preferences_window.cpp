// The preferences window as the application opens it, and what its panes ask
// of the application.

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/shortcut_holders.h"
#include "preferences/launch_at_login_controller.h"
#include "preferences/preference_panes.h"
#include "preferences/preferences_window_controller.h"
#include "shortcuts/shortcut_validator.h"
#include "shortcuts/shortcut_view.h"

namespace tilvane {

PreferencesWindowController& AppDelegate::preferencesWindowController() {
    if (_preferencesWindowController) return *_preferencesWindowController;
    UserInterface& ui = *platform_.userInterface;
    SettingsStore& settings = *platform_.settings;
    registerPaneImages(ui);
    validator_ = std::make_unique<ShortcutValidator>(platform_.keyboard);
    validator_->setHotKeyService(platform_.hotKeys);
    recorderGroup_ = std::make_unique<RecorderGroup>(platform_, validator_.get());
    launchAtLogin_ = std::make_unique<LaunchAtLoginController>(platform_.loginItems, platform_.programPath);
    const bool hasFn = platform_.keyboard && platform_.keyboard->hasFunctionModifier();
    panes_.push_back(std::make_unique<GeneralPrefsViewController>(ui, settings, *this, *launchAtLogin_));
    panes_.push_back(std::make_unique<ShortcutsPrefsViewController>(ui, settings, *this, *recorderGroup_,
                                                                    recorderOutlets(ActionPane::Shortcuts)));
    panes_.push_back(
        std::make_unique<MultiTouchPrefsViewController>(ui, settings, hasFn, platform_.capabilities.swipes));
    panes_.push_back(std::make_unique<MoveResizePrefsViewController>(ui, settings, *this, *recorderGroup_,
                                                                     recorderOutlets(ActionPane::MoveResize), hasFn,
                                                                     platform_.capabilities.pointerEverywhere));
    // Snapping has a pane of its own here, as the command line is its only other way in.
    panes_.push_back(std::make_unique<SnapPrefsViewController>(ui, settings, platform_.capabilities.pointerEverywhere));
    std::vector<PreferencesViewController*> controllers;
    for (auto& pane : panes_) controllers.push_back(pane.get());
    _preferencesWindowController = std::make_unique<PreferencesWindowController>(ui, settings, std::move(controllers),
                                                                                 "Preferences", &platform_.screens);
    return *_preferencesWindowController;
}

void AppDelegate::showPreferecensPane() {
    UserInterface* ui = platform_.userInterface;
    if (!ui || !platform_.settings) return;
    // The Shortcuts pane marks the shortcuts other programs hold as it finds them now.
    hotKeys_->registerHeldElsewhereAgain();
    ui->activateIgnoringOtherApps(true);
    Window& window = preferencesWindowController().window();
    // Once for the window: the notices of its closing and of its losing the
    // keyboard end the time in which actions do nothing.
    if (prefsObservers_.empty()) {
        for (auto event : {Window::Event::WillClose, Window::Event::DidResignKey, Window::Event::DidResignMain})
            prefsObservers_.emplace_back(&window, window.observe(event, [this] { windowWillClose(); }));
    }
    prefsWindowActive_ = true;
    preferencesWindowController().showWindow();
}

void AppDelegate::windowWillClose() {
    prefsWindowActive_ = false;
    statusMenu_->setValidateMenu(true);
}

std::string AppDelegate::settingsKeyForAction(int64_t code) {
    const ActionInfo* info = actionForCode(code);
    return info ? std::string(info->settingsKey) : std::string();
}

std::optional<std::string> AppDelegate::shortcutTakenByAnotherAction(const Shortcut& shortcut, const std::string& key) {
    // The same rule as `tilvane shortcuts set`.
    if (!defaults() || !platform_.archiver) return std::nullopt;
    const ActionInfo* holder = actionHoldingShortcut(*defaults(), *platform_.archiver, shortcut, key);
    if (!holder) return std::nullopt;
    std::string name = holder->menuTitle.empty() ? std::string(holder->name) : std::string(holder->menuTitle);
    return "This shortcut cannot be used because it is already used by Tilvane's action \u2018" + name + "\u2019.";
}

}  // namespace tilvane
