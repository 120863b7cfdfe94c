#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
};

inline constexpr const char* kDarkAppearanceName = "NSAppearanceNameVibrantDark";

}  // namespace tilvane
