#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/geometry.h"

namespace tilvane {

// The program's own user interface as the platform draws it: menus, the
// status (tray) item, alerts, the About panel. The core builds everything
// through these classes and never draws; a backend shows them (Qt on a
// desktop) or records them (the simulated desktop, for tests).

// The colours the program names. Black is the platform's own text colour
// object (on a desktop: the menu's text colour), so it can be told apart
// from a colour that merely looks black.
enum class NamedColor { Black, White, Red };

// Text attributes of an attributed title.
struct TextAttributes {
    bool bold = false;
    double pointSize = 0;
    NamedColor color = NamedColor::Black;
    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

struct AttributedTitle {
    std::string text;
    TextAttributes attributes;
    friend bool operator==(const AttributedTitle&, const AttributedTitle&) = default;
};

class Menu;

// One entry of a menu. Setters take effect the next time the menu is shown.
class MenuItem {
public:
    using Action = std::function<void(MenuItem&)>;
    // Answers whether the item is enabled, asked each time the menu is about
    // to be shown when the menu enables its items automatically.
    using Validator = std::function<bool(MenuItem&)>;

    virtual ~MenuItem() = default;
    virtual bool isSeparatorItem() const = 0;

    virtual std::string title() const = 0;
    virtual void setTitle(std::string title) = 0;
    virtual int64_t tag() const = 0;
    virtual void setTag(int64_t tag) = 0;
    // An image by name from the program's images (see UserInterface::registerImage);
    // a template image is drawn in the menu's text colour. Empty: no image.
    virtual std::string imageName() const = 0;
    virtual void setImage(std::string name, bool isTemplate) = 0;
    // The key equivalent as a menu shows it: the key's character (lower case
    // for letters; the platform's function-key characters for F1...) and the
    // modifier flags held with it.
    virtual std::string keyEquivalent() const = 0;
    virtual void setKeyEquivalent(std::string key) = 0;
    virtual uint64_t keyEquivalentModifierMask() const = 0;
    virtual void setKeyEquivalentModifierMask(uint64_t mask) = 0;
    // The key equivalent cannot act (another program holds the combination):
    // the menu shows it so.
    virtual bool keyEquivalentIsUnavailable() const = 0;
    virtual void setKeyEquivalentUnavailable(bool unavailable) = 0;
    virtual std::optional<AttributedTitle> attributedTitle() const = 0;
    virtual void setAttributedTitle(AttributedTitle title) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // What choosing the item does (its target and action), and who answers
    // for its being enabled; an item with no validator keeps its own state.
    virtual void setAction(Action action) = 0;
    virtual void setValidator(Validator validator) = 0;
    // The menu the item opens; null for an ordinary item. The item owns it.
    virtual Menu* submenu() const = 0;
    virtual void setSubmenu(std::unique_ptr<Menu> menu) = 0;
};

class Menu {
public:
    virtual ~Menu() = default;
    // Appends an item; the menu owns it and it lives as long as the menu.
    virtual MenuItem& addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) = 0;
    virtual void addSeparatorItem() = 0;
    // When on, each item's validator decides whether it is enabled, every
    // time the menu is about to be shown.
    virtual void setAutoenablesItems(bool on) = 0;
    virtual std::vector<MenuItem*> items() const = 0;
};

// The program's icon in the desktop's status area (the system tray).
class StatusItem {
public:
    static constexpr double kVariableLength = -1;
    virtual ~StatusItem() = default;
    virtual void setImage(std::string name, bool isTemplate) = 0;
    // Highlight the item while its menu is open.
    virtual void setHighlightMode(bool on) = 0;
    // The menu the item opens; it must outlive the item's use of it.
    virtual void setMenu(Menu* menu) = 0;
};

enum class AlertStyle { Warning, Informational, Critical };

// A modal alert: a message, an optional informative text, buttons from left
// to right in the order given (the first is the default button), and an
// optional suppression check box.
struct Alert {
    std::string messageText;
    std::string informativeText;
    AlertStyle style = AlertStyle::Warning;
    std::vector<std::string> buttons;
    // The button Escape presses; none: Escape does nothing special.
    std::optional<size_t> escapeButton;
    bool showsSuppressionButton = false;
};

struct AlertResult {
    size_t button = 0;  // index into Alert::buttons
    bool suppressionChecked = false;
};

// --- windows, views and controls ----------------------------------------------
// Rectangles of windows are in the screens' bottom-left coordinates; those of
// views are in the view's own, flipped ones (origin at the top left, y down).

enum class TextAlignment { Left, Center, Right };

// The cell that draws a push button, one piece at a time: the control sets
// the piece's title, alignment and state and has the cell draw itself.
class ButtonCell {
public:
    // Looks: 12 round-rect bezel, 11 textured rounded, 1 rounded; 0 with no border: none.
    static constexpr int kRoundRectBezel = 12, kTexturedRoundedBezel = 11, kRoundedBezel = 1;

    virtual ~ButtonCell() = default;
    virtual void setTitle(std::string title) = 0;
    virtual void setAlignment(TextAlignment alignment) = 0;
    // On: the pressed look.
    virtual void setState(bool on) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setBezelStyle(int style) = 0;
    // Without a border the cell draws on a clear background.
    virtual void setBordered(bool bordered) = 0;
    virtual double fontPointSize() const = 0;
    virtual void setFontPointSize(double points) = 0;
    // The height the cell wants for its title.
    virtual double naturalHeight() const = 0;
    // Draws in the view that is drawing now.
    virtual void drawWithFrame(const Rect& frame) = 0;
};

// The logic of a control the program draws itself (the shortcut recorder):
// the platform view calls it for drawing, clicks, the mouse over its areas,
// tool tips, keyboard focus and accessibility.
class CustomViewLogic {
public:
    virtual ~CustomViewLogic() = default;
    virtual void drawRect(const Rect& dirty) = 0;
    virtual void mouseDown(Point inView) = 0;
    virtual void mouseEntered(int trackingArea) = 0;
    virtual void mouseExited(int trackingArea) = 0;
    virtual std::string toolTip(int tag) = 0;
    virtual Size intrinsicContentSize() = 0;
    virtual bool acceptsFirstResponder() = 0;
    virtual bool becomeFirstResponder() = 0;
    virtual bool resignFirstResponder() = 0;
    virtual std::string accessibilityLabel() = 0;
    virtual std::string accessibilityHelp() = 0;
    virtual bool accessibilityPerformPress() = 0;
    // The view's bounds changed: areas that depend on them must follow.
    virtual void boundsDidChange() {}
};

class Window;

// A platform view whose drawing and behaviour come from a CustomViewLogic.
class CustomView {
public:
    // Tracking-area options: mouse entered and exited, active in any window
    // state, the mouse assumed inside at first.
    static constexpr unsigned kTrackingOptions = 0x181;

    virtual ~CustomView() = default;
    virtual void setLogic(CustomViewLogic* logic) = 0;
    virtual Rect bounds() const = 0;
    virtual ButtonCell& cell() = 0;
    virtual void setNeedsDisplay() = 0;
    virtual void invalidateIntrinsicContentSize() = 0;
    // A tool tip over the rectangle, its text asked of the logic with the tag
    // the call returns; 0 when it could not be added.
    virtual int addToolTipRect(const Rect& rect) = 0;
    virtual void removeToolTip(int tag) = 0;
    virtual int addTrackingArea(const Rect& rect, unsigned options) = 0;
    virtual void removeTrackingArea(int area) = 0;
    // Draws through a layer of its own (the borderless look).
    virtual void setWantsLayer(bool layer) = 0;
    // Whether the view takes the keyboard focus (by Tab, say).
    virtual void setAcceptsFocus(bool accepts) = 0;
    // The window that shows the view; null when it is in none.
    virtual Window* window() = 0;
};

// An ordinary control of a view: a check box, a button, a label, an image.
class Control {
public:
    virtual ~Control() = default;
    // Check boxes: on or off.
    virtual bool state() const = 0;
    virtual void setState(bool on) = 0;
    virtual std::string stringValue() const = 0;
    virtual void setStringValue(std::string text) = 0;
    virtual void setTextColor(NamedColor color) = 0;
    // Images by name, the platform's own status images included.
    virtual void setImage(std::string name) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // A hidden control takes no room and never the keyboard focus.
    virtual void setHidden(bool hidden) = 0;
    // What the user's change of the control does (after the control changed).
    virtual void setAction(std::function<void()> action) = 0;
};

inline constexpr const char* kStatusAvailableImage = "NSStatusAvailable";
inline constexpr const char* kStatusPartiallyAvailableImage = "NSStatusPartiallyAvailable";

// A view loaded from an interface file: a pane of the preferences window.
// Its controls and its self-drawn controls are found by their names in the file.
class View {
public:
    // Autoresizing mask bits.
    static constexpr unsigned kWidthSizable = 2, kHeightSizable = 16;

    virtual ~View() = default;
    virtual Rect bounds() const = 0;
    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame) = 0;
    virtual unsigned autoresizingMask() const = 0;
    virtual Control* control(const std::string& name) = 0;
    virtual CustomView* customView(const std::string& name) = 0;
};

class ToolbarItem {
public:
    virtual ~ToolbarItem() = default;
    virtual std::string itemIdentifier() const = 0;
    virtual std::string label() const = 0;
    virtual void setLabel(std::string label) = 0;
    virtual std::string imageName() const = 0;
    virtual void setImage(std::string name) = 0;
    // Target and action; none clears them.
    virtual void setAction(std::function<void(ToolbarItem&)> action) = 0;
};

// Answers the toolbar's questions about its items.
class ToolbarDelegate {
public:
    virtual ~ToolbarDelegate() = default;
    virtual std::vector<std::string> toolbarAllowedItemIdentifiers() = 0;
    virtual std::vector<std::string> toolbarDefaultItemIdentifiers() = 0;
    virtual std::vector<std::string> toolbarSelectableItemIdentifiers() = 0;
    // Fills in the new item made for the identifier.
    virtual void toolbarItemForItemIdentifier(ToolbarItem& item, const std::string& identifier,
                                              bool willBeInserted) = 0;
};

inline constexpr const char* kToolbarFlexibleSpaceItemIdentifier = "NSToolbarFlexibleSpaceItem";

class Toolbar {
public:
    // Display modes: icons and labels, icons only, labels only.
    static constexpr int kDisplayModeIconAndLabel = 1, kDisplayModeIconOnly = 2, kDisplayModeLabelOnly = 3;

    virtual ~Toolbar() = default;
    // The delegate builds the items: the default identifiers, in order.
    virtual void setDelegate(ToolbarDelegate* delegate) = 0;
    virtual int displayMode() const = 0;
    virtual void setDisplayMode(int mode) = 0;
    virtual std::string selectedItemIdentifier() const = 0;
    virtual void setSelectedItemIdentifier(std::string identifier) = 0;
    virtual void insertItemWithItemIdentifier(std::string identifier, size_t index) = 0;
    virtual std::vector<ToolbarItem*> items() = 0;
    virtual void validateVisibleItems() = 0;
};

// One of the program's own windows, with a toolbar.
class Window {
public:
    enum class Event { WillClose, DidResignKey, DidResignMain, DidBecomeKey, DidMove, DidResize };
    using ObserverId = uint64_t;

    virtual ~Window() = default;
    virtual ObserverId observe(Event event, std::function<void()> handler) = 0;
    virtual void removeObserver(ObserverId id) = 0;
    // Asked before the user's close takes effect; false keeps the window open.
    virtual void setShouldClose(std::function<bool()> shouldClose) = 0;
    // What the desktop's keys for the next and the previous tab do in the window.
    virtual void setTabActions(std::function<void()> next, std::function<void()> previous) = 0;

    virtual std::string title() const = 0;
    virtual void setTitle(std::string title) = 0;
    virtual Toolbar& toolbar() = 0;

    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame, bool display, bool animate) = 0;
    virtual void setFrameTopLeftPoint(Point topLeft) = 0;
    virtual Rect frameRectForContentRect(const Rect& content) const = 0;
    virtual void setContentMinSize(Size size) = 0;
    virtual void setContentMaxSize(Size size) = 0;
    virtual void setShowsResizeIndicator(bool shows) = 0;
    virtual void setZoomButtonEnabled(bool enabled) = 0;
    virtual void layoutIfNeeded() = 0;
    // The view shown as the window's content; null shows an empty one.
    virtual void setContentView(View* view) = 0;
    virtual View* contentView() const = 0;

    // Keyboard focus: whether the window itself has it, and giving it to a
    // control of the content (by name; empty: the first control after the
    // content view) after the order of the controls was worked out anew.
    virtual void recalculateKeyViewLoop() = 0;
    virtual bool firstResponderIsWindow() const = 0;
    virtual void makeFirstResponder(const std::string& controlName) = 0;

    virtual bool isVisible() const = 0;
    virtual bool isKeyWindow() const = 0;
    // Shows the window in front and gives it the keyboard.
    virtual void makeKeyAndOrderFront() = 0;
    virtual void close() = 0;
};

// A key event as the program's own windows receive it.
struct KeyEvent {
    EventType type = EventType::KeyDown;  // KeyDown or FlagsChanged
    uint16_t keyCode = 0;                 // virtual key code
    uint64_t modifierFlags = 0;
};

// The program's application object and what it asks of the desktop.
class UserInterface {
public:
    // Activation policies: a regular application shows in the taskbar, an
    // accessory one does not.
    enum class ActivationPolicy { Regular = 0, Accessory = 1 };

    virtual ~UserInterface() = default;

    virtual std::unique_ptr<Menu> createMenu(std::string title) = 0;
    virtual std::unique_ptr<StatusItem> statusItemWithLength(double length) = 0;
    // Adds a picture to the program's images under a name; pictures are SVG
    // documents whose template parts are drawn in "currentColor".
    virtual void registerImage(std::string name, std::string svg) = 0;

    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
    virtual void activateIgnoringOtherApps(bool flag) = 0;
    virtual void orderFrontStandardAboutPanel() = 0;
    virtual void beep() = 0;
    virtual AlertResult runModal(const Alert& alert) = 0;
    // The name of the appearance the program's menus are drawn in; it
    // contains kDarkAppearanceName when they are dark.
    virtual std::string effectiveAppearanceName() = 0;
    // The version of the platform's interface kit, as the checks of newer
    // behaviour compare it.
    virtual double interfaceKitVersionNumber() = 0;
    // Ends the program in order: the termination work runs, then the loop stops.
    virtual void terminate() = 0;

    // A window with a toolbar, not shown yet.
    virtual std::unique_ptr<Window> createWindow(std::string title) = 0;
    // The view of an interface file (a pane); null when there is no such
    // file. kEmptyInterfaceFile gives an empty view.
    virtual std::unique_ptr<View> loadView(const std::string& interfaceFile) = 0;

    // Every key-down and modifier change in the program's windows passes the
    // monitor before the window handles it; the monitor answers whether the
    // event goes on (false swallows it). One monitor at most.
    using KeyMonitor = std::function<bool(const KeyEvent&)>;
    virtual void setLocalKeyMonitor(KeyMonitor monitor) = 0;
    // While grabbed, every key of the desktop comes to the program's windows,
    // even combinations that other programs (or this one) hold as hot keys.
    virtual void setKeyboardGrabbed(bool grabbed) = 0;
    // Says the text to users of assistive technology.
    virtual void postAccessibilityAnnouncement(const std::string& text, int priority) = 0;

    // A message of the desktop's own kind (a notification bubble), which the
    // user may act on with one button; the program goes on meanwhile.
    struct Notification {
        std::string title;
        std::string body;
        std::string actionTitle;  // empty: no button
        std::function<void()> onAction;
    };
    virtual void postNotification(Notification notification) = 0;
};

inline constexpr const char* kEmptyInterfaceFile = "";
inline constexpr const char* kDarkAppearanceName = "NSAppearanceNameVibrantDark";

}  // namespace tilvane
