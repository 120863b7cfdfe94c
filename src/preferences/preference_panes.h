#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/capabilities.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"
#include "preferences/launch_at_login_controller.h"
#include "preferences/preferences_host.h"
#include "preferences/preferences_window_controller.h"
#include "preferences/setting_bindings.h"
#include "shortcuts/shortcut_view.h"

namespace tilvane {

// What every pane shares: its interface file, loaded on first use, and the
// settings it writes through.
class PreferencePane : public PreferencesViewController {
public:
    PreferencePane(UserInterface& ui, SettingsStore& settings, std::string interfaceFile);
    View& view() override;
    // Writes the settings through to storage.
    void syncDefaults() { settings_.synchronize(); }

protected:
    // Ties the loaded view's controls to the settings; once, when the view is loaded.
    virtual void viewDidLoad() {}

    UserInterface& ui_;
    SettingsStore& settings_;

private:
    std::string interfaceFile_;
    std::unique_ptr<View> view_;
};

// A pane with recorders: one for each outlet, recording the shortcut of its
// action; a recorder is marked when another program holds its shortcut.
class RecorderPane : public PreferencePane {
public:
    // The recorders' outlet names and the action each records.
    using Outlets = std::vector<std::pair<std::string, int64_t>>;

    // The recorder of the outlet; null before the view is loaded or for an unknown one.
    ShortcutView* recorder(const std::string& outlet) const;
    void viewWillAppear() override;

protected:
    RecorderPane(UserInterface& ui, SettingsStore& settings, std::string interfaceFile, PreferencesHost& host,
                 RecorderGroup& recorders, Outlets outlets);
    // Sets up a recorder in each outlet the loaded view has.
    void loadRecorders(View& view);

    PreferencesHost& host_;

private:
    RecorderGroup& recorders_;
    Outlets outlets_;
    std::vector<std::pair<std::string, std::unique_ptr<ShortcutView>>> views_;
};

// The accessibility permission (always granted on X11), the taskbar entry of
// the program's windows and starting at login.
class GeneralPrefsViewController : public PreferencePane {
public:
    GeneralPrefsViewController(UserInterface& ui, SettingsStore& settings, PreferencesHost& host,
                               LaunchAtLoginController& launchAtLogin);
    ~GeneralPrefsViewController() override;
    std::string viewIdentifier() const override { return "GeneralPreferences"; }
    std::string toolbarItemLabel() const override { return "General"; }
    std::optional<std::string> toolbarItemImage() const override { return "NSImageNamePreferencesGeneral"; }
    void viewWillAppear() override;
    void viewWillDisappear() override;

    void setHideDockIcon();
    void openAccessibility();
    bool accessibilityEnabled() { return host_.accessibilityEnabled(); }
    std::string isAccessibilityEnabledImage();
    std::string maybeEnableAccessibilityString();

    SettingsStore* defaults;

protected:
    void viewDidLoad() override;

private:
    void showAccessibility();
    void showLaunchAtLogin();

    PreferencesHost& host_;
    LaunchAtLoginController& launchAtLogin_;
    std::vector<std::unique_ptr<CheckboxBinding>> bindings_;
};

// A recorder for each window action that has a menu entry.
class ShortcutsPrefsViewController : public RecorderPane {
public:
    ShortcutsPrefsViewController(UserInterface& ui, SettingsStore& settings, PreferencesHost& host,
                                 RecorderGroup& recorders, Outlets outlets);
    std::string viewIdentifier() const override { return "Shortcuts"; }
    std::string toolbarItemLabel() const override { return "Shortcuts"; }
    std::optional<std::string> toolbarItemImage() const override { return "shortcuts.tiff"; }

    void restoreDefaults();

protected:
    void viewDidLoad() override;
};

// The swipe settings and a note that turns red when swipes cannot work. The
// Fn box is offered only where the keyboard has an Fn modifier.
class MultiTouchPrefsViewController : public PreferencePane {
public:
    // swipes: whether the desktop lets the program see swipes over other windows.
    MultiTouchPrefsViewController(UserInterface& ui, SettingsStore& settings, bool hasFunctionModifier,
                                  DesktopCapabilities::Capability swipes)
        : PreferencePane(ui, settings, "MultiTouchPrefsView"),
          hasFunctionModifier_(hasFunctionModifier),
          swipes_(std::move(swipes)) {}
    std::string viewIdentifier() const override { return "MultiTouch"; }
    std::string toolbarItemLabel() const override { return "MultiTouch"; }
    std::optional<std::string> toolbarItemImage() const override { return "multitouch"; }

    NamedColor notesLabelColor() const;
    // Fn counts only where the keyboard has it.
    bool isOneOrMoreSwipeModifersSelected() const;
    void syncDefaults();

protected:
    void viewDidLoad() override;

private:
    bool hasFunctionModifier_;
    DesktopCapabilities::Capability swipes_;
    std::vector<std::unique_ptr<CheckboxBinding>> bindings_;
};

// The modifier-drag settings and the recorders of the four keyboard moves.
// The Fn boxes are offered only where the keyboard has an Fn modifier.
class MoveResizePrefsViewController : public RecorderPane {
public:
    MoveResizePrefsViewController(UserInterface& ui, SettingsStore& settings, PreferencesHost& host,
                                  RecorderGroup& recorders, Outlets outlets, bool hasFunctionModifier,
                                  DesktopCapabilities::Capability pointer);
    std::string viewIdentifier() const override { return "MoveResize"; }
    std::string toolbarItemLabel() const override { return "Move/Resize"; }
    std::optional<std::string> toolbarItemImage() const override { return "move-resize"; }

protected:
    void viewDidLoad() override;

private:
    bool hasFunctionModifier_;
    DesktopCapabilities::Capability pointer_;
    std::vector<std::unique_ptr<CheckboxBinding>> bindings_;
};

// Snapping to the screen edges, otherwise only reachable from the command line.
class SnapPrefsViewController : public PreferencePane {
public:
    SnapPrefsViewController(UserInterface& ui, SettingsStore& settings, DesktopCapabilities::Capability pointer)
        : PreferencePane(ui, settings, "SnapPrefsView"), pointer_(std::move(pointer)) {}
    std::string viewIdentifier() const override { return "Snap"; }
    std::string toolbarItemLabel() const override { return "Snap to Edge"; }
    std::optional<std::string> toolbarItemImage() const override { return "snap-to-edge"; }

protected:
    void viewDidLoad() override;

private:
    DesktopCapabilities::Capability pointer_;
    std::vector<std::unique_ptr<CheckboxBinding>> bindings_;
};

// The pictures of the panes' toolbar items, for the user interface's images.
void registerPaneImages(UserInterface& ui);

}  // namespace tilvane
