#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/screens.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"

namespace tilvane {

// A pane of the preferences window. The defaults of the optional parts say
// that the pane does not offer them.
class PreferencesViewController {
public:
    virtual ~PreferencesViewController() = default;
    virtual std::string viewIdentifier() const = 0;
    virtual std::string toolbarItemLabel() const = 0;
    virtual std::optional<std::string> toolbarItemImage() const { return std::nullopt; }
    // None: the view's autoresizing mask decides.
    virtual std::optional<bool> hasResizableWidth() const { return std::nullopt; }
    virtual std::optional<bool> hasResizableHeight() const { return std::nullopt; }
    // The control that gets the keyboard focus when the pane appears; none: the first one.
    virtual std::optional<std::string> initialKeyView() const { return std::nullopt; }
    virtual void viewWillAppear() {}
    // Before another pane replaces this one, and when the window closes.
    virtual void viewWillDisappear() {}
    virtual void viewDidDisappear() {}
    // False keeps the pane (and the window) where it is: an edit could not be finished.
    virtual bool commitEditing() { return true; }
    // The pane's view, loaded on first use.
    virtual View& view() = 0;
};

// Settings keys of the preferences window.
inline constexpr const char* kPreferencesSelectedIdentifierKey = "Preferences Selected Identifier View";
inline constexpr const char* kPreferencesFrameTopLeftKey = "Preferences Frame Top Left";
// Formatted with a pane's identifier: "Preferences General Frame".
std::string preferencesFrameKey(const std::string& identifier);

// The text forms of rectangles and points in the settings: {{x, y}, {w, h}}
// and {x, y}. Reading is lenient: the numbers in order, zero for missing ones.
std::string stringFromRect(const Rect& r);
std::string stringFromPoint(Point p);
Rect rectFromString(const std::string& text);
Point pointFromString(const std::string& text);

// Where a window goes to lie whole on a screen (frames in bottom-left
// coordinates): where it is when its frame lies inside one screen's visible
// frame; else moved the least onto the visible frame of the nearest screen
// (of those it overlaps, the one it overlaps most), with its top-left corner
// inside where it is too large. Where it is when there are no screens.
Rect frameOnScreens(const Rect& frame, const std::vector<Screen>& screens);
// The frame centred on the screen's visible frame, in whole pixels.
Rect frameCenteredOn(const Rect& frame, const Screen& screen);

// The preferences window: a toolbar with an item per pane; clicking one shows
// that pane, the window resized around it with its top-left corner kept in
// place and the pane's size limits deciding whether it can be resized. The
// window remembers the pane shown last, each resizable pane's size and its
// own top-left corner in the settings. It opens centred on the primary
// screen the first time, and always wholly on a screen. A null pane stands
// for a flexible space in the toolbar.
class PreferencesWindowController : public ToolbarDelegate {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);
    static constexpr double kLargestSize = 1.7976931348623157e308;

    // Without screens, the window stays where the window system puts it.
    PreferencesWindowController(UserInterface& ui, SettingsStore& settings,
                                std::vector<PreferencesViewController*> viewControllers, std::string title = {},
                                Screens* screens = nullptr);
    ~PreferencesWindowController() override;
    PreferencesWindowController(const PreferencesWindowController&) = delete;
    PreferencesWindowController& operator=(const PreferencesWindowController&) = delete;

    const std::vector<PreferencesViewController*>& viewControllers() const { return _viewControllers; }
    const std::string& title() const { return _title; }
    PreferencesViewController* selectedViewController() const { return _selectedViewController; }
    // The window, loaded (and restored: pane, sizes, corner) with the controller.
    Window& window();
    // Shows the window in front, wholly on a screen.
    void showWindow();

    void addViewController(PreferencesViewController* viewController);
    std::vector<std::string> toolbarItemIdentifiers() const;
    size_t indexOfSelectedController() const;
    PreferencesViewController* viewControllerForIdentifier(const std::string& identifier) const;
    PreferencesViewController* firstViewController() const;
    void setSelectedViewController(PreferencesViewController* controller);
    void toolbarItemDidClick(ToolbarItem& sender);
    void selectControllerAtIndex(size_t index);
    void selectControllerWithIdentifier(const std::string& identifier);
    void goNextTab();
    void goPreviousTab();
    bool windowShouldClose();
    void windowDidMove();
    void windowDidResize();

    // Called after every change of pane ("PreferencesWindowControllerDidChangeViewNotification").
    void onDidChangeView(std::function<void(PreferencesWindowController&)> handler) {
        didChangeView_.push_back(std::move(handler));
    }

    // ToolbarDelegate
    std::vector<std::string> toolbarAllowedItemIdentifiers() override { return toolbarItemIdentifiers(); }
    std::vector<std::string> toolbarDefaultItemIdentifiers() override { return toolbarItemIdentifiers(); }
    std::vector<std::string> toolbarSelectableItemIdentifiers() override { return toolbarItemIdentifiers(); }
    void toolbarItemForItemIdentifier(ToolbarItem& item, const std::string& identifier, bool willBeInserted) override;

private:
    void windowDidLoad();
    void step(int direction);
    // Puts the window wholly on a screen: centred on the primary one, or
    // where it is as far as the screens allow.
    void placeWindow(bool centred);

    UserInterface& ui_;
    SettingsStore& settings_;
    Screens* screens_;
    std::vector<PreferencesViewController*> _viewControllers;
    std::map<std::string, std::string> _minimumViewRects;
    std::string _title;
    PreferencesViewController* _selectedViewController = nullptr;
    std::unique_ptr<Window> window_;
    std::vector<Window::ObserverId> observers_;
    std::vector<std::function<void(PreferencesWindowController&)>> didChangeView_;
};

}  // namespace tilvane
