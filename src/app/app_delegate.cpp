#include "app/app_delegate.h"

#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"
#include "preferences/launch_at_login_controller.h"
#include "preferences/preferences_window_controller.h"
#include "shortcuts/shortcut_validator.h"
#include "shortcuts/shortcut_view.h"

namespace tilvane {

AppDelegate::AppDelegate(const Platform& platform) : platform_(platform) {
    spaceMover_ = std::make_unique<SpaceMover>(platform_);
    // The preferences window may have become the key window again a moment
    // ago, before the program heard of it: that is asked at the moment of the action.
    dispatcher_ = std::make_unique<ActionDispatcher>(platform_, *spaceMover_,
                                                     [this] { return prefsWindowActive_ || preferencesWindowIsKey(); });
    hotKeys_ = std::make_unique<HotKeyRegistration>(platform_, *dispatcher_, [this] { showPreferecensPane(); });
    statusMenu_ = std::make_unique<StatusMenu>(
        platform_, *dispatcher_, *hotKeys_,
        StatusMenu::Commands{[this] { showPreferecensPane(); }, [this] { checkUpates(); }, [this] { showAboutPanel(); },
                             [this] { showFeedbackDialog(); }});
}

AppDelegate::~AppDelegate() {
    hotKeys_->stopWatchingForEmptySettings();
    hotKeys_->stopFollowingShortcutSwitch();
    // A recording under way lets go of the keyboard while the window it
    // records in is still there: the window goes before its recorders do.
    if (recorderGroup_) recorderGroup_->abandonRecording();
}

bool AppDelegate::preferencesWindowIsKey() {
    if (!_preferencesWindowController) return false;
    Window& window = _preferencesWindowController->window();
    return window.isVisible() && window.isKeyWindow();
}

}  // namespace tilvane
