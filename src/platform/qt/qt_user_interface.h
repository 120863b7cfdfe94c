#pragma once

#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/qt/qt_notifications.h"
#include "platform/stored_controls.h"
#include "platform/user_interface.h"

namespace tilvane::qt {

class QtUserInterface;

// How a menu shows a key equivalent: "Ctrl+Alt+Left" for the key character
// and the modifier flags; empty when there is no key.
QString shortcutDisplayText(const std::string& keyEquivalent, uint64_t modifierMask);

// The colour a named colour is drawn in: Black is the palette's text colour.
QColor colorFor(NamedColor color, const QPalette& palette);

class QtMenu;
class QtWindow;

// A menu item as an action of a Qt menu. The item keeps what the program set;
// the action shows it after each change and each time the menu opens.
class QtMenuItem : public StoredMenuItem {
public:
    QtMenuItem(QtUserInterface& ui, QtMenu& menu, QAction* action, bool separator);

    void setSubmenu(std::unique_ptr<Menu> menu) override;
    QAction* action() const { return qaction_; }
    // Shows the item's state on the action (also when the menu opens).
    void changed() override;

private:
    QtUserInterface& ui_;
    QtMenu& menu_;
    QAction* qaction_;
};

// The Qt menu that draws attributed titles: the item's weight and colour.
class AttributedMenu : public QMenu {
public:
    explicit AttributedMenu(QtMenu& owner) : owner_(owner) {}
    // The style option the menu draws an action with (public for tests).
    QStyleOptionMenuItem styleOptionFor(const QAction* action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    QtMenu& owner_;
};

class QtMenu : public Menu {
public:
    QtMenu(QtUserInterface& ui, std::string title);
    ~QtMenu() override;

    MenuItem& addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) override;
    void addSeparatorItem() override;
    void setAutoenablesItems(bool on) override { autoenables_ = on; }
    std::vector<MenuItem*> items() const override;

    QMenu* qmenu() const { return qmenu_.get(); }
    QtMenuItem* itemFor(const QAction* action) const;
    // Refreshes every item, as before the menu is shown.
    void aboutToShow();

private:
    QtUserInterface& ui_;
    std::unique_ptr<AttributedMenu> qmenu_;
    std::vector<std::unique_ptr<QtMenuItem>> items_;
    bool autoenables_ = false;
};

// The status item as a system tray icon; either button opens its menu.
class QtStatusItem : public StatusItem {
public:
    explicit QtStatusItem(QtUserInterface& ui);
    ~QtStatusItem() override;
    void setImage(std::string name, bool isTemplate) override;
    void setHighlightMode(bool) override {}
    void setMenu(Menu* menu) override;

    QSystemTrayIcon& trayIcon() { return *tray_; }
    // False on Wayland until a tray runs.
    bool hasTray() const { return tray_ != nullptr; }

private:
    // Opens the menu at the point, once Qt knows where the keyboard is (see
    // QtUserInterface::qtBehindOnTheKeyboard).
    void popUp(QPoint at);
    void makeTray();

    QtUserInterface& ui_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QtMenu* menu_ = nullptr;
    // A click that came while Qt was behind: the menu opens when it catches up.
    std::unique_ptr<QObject> pendingPopUp_;
    // On Wayland, until a tray runs.
    std::unique_ptr<QObject> trayWatcher_;
    std::string image_;
    bool imageIsTemplate_ = false;
};

// The program's user interface on Qt Widgets.
class QtUserInterface : public UserInterface {
public:
    struct About {
        QString name, version, licence;
    };
    explicit QtUserInterface(About about);
    ~QtUserInterface() override;

    std::unique_ptr<Menu> createMenu(std::string title) override;
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override;
    void registerImage(std::string name, std::string svg) override { images_[name] = std::move(svg); }
    void setActivationPolicy(ActivationPolicy policy) override;
    void activateIgnoringOtherApps(bool flag) override;
    void orderFrontStandardAboutPanel() override;
    void beep() override;
    AlertResult runModal(const Alert& alert) override;
    std::string effectiveAppearanceName() override;
    double interfaceKitVersionNumber() override;
    void terminate() override;
    std::unique_ptr<Window> createWindow(std::string title) override;
    std::unique_ptr<View> loadView(const std::string& interfaceFile) override;
    void setLocalKeyMonitor(KeyMonitor monitor) override;
    void setKeyboardGrabbed(bool grabbed) override;
    void postAccessibilityAnnouncement(const std::string& text, int priority) override;
    // Through the desktop's notification service; where there is none, as
    // the tray icon's message; the log has said it either way.
    void postNotification(Notification notification) override;
    // The user clicked the tray icon's message.
    void trayMessageClicked();

    // What ends the program (the composition root's orderly end).
    void onTerminate(std::function<void()> handler) { onTerminate_ = std::move(handler); }
    // Marks a window of the program as kept out of the taskbar and pager, or
    // not; the composition root gives the desktop's way of doing it.
    void onTaskbarPresence(std::function<void(unsigned long windowId, bool skip)> handler) {
        taskbarPresence_ = std::move(handler);
    }
    // Every window of the program passes here when it is shown, so that it
    // follows the activation policy.
    void windowShown(QWidget* window);
    // The virtual key code of a key event's native key code and key symbol
    // (the X or xkb key code, the keysym); the composition root gives the
    // desktop's map. Without it keys are not monitored.
    using KeyCodeTranslator = std::function<std::optional<uint16_t>(uint32_t keyCode, uint32_t keySymbol)>;
    void setKeyCodeTranslator(KeyCodeTranslator translator) { keyCodeTranslator_ = std::move(translator); }
    // The desktop's way of sending every key to the program while a shortcut
    // is recorded: grab(done) takes the keyboard and says how it went, at
    // once or later; release() lets go of it, or stops the taking. Without
    // it, or when it fails, Qt grabs the keyboard. Keys then come back
    // through deliverGrabbedKey.
    struct KeyboardGrabber {
        std::function<void(std::function<void(bool taken)> done)> grab;
        std::function<void()> release;
    };
    void setKeyboardGrabber(KeyboardGrabber grabber) { keyboardGrabber_fn_ = std::move(grabber); }
    // A key of the desktop's grab: it passes the key monitor; a key the
    // monitor lets go on does what it does in the window (Tab moves the focus,
    // Ctrl+W closes the window, Ctrl+Q quits).
    void deliverGrabbedKey(const KeyEvent& event);
    // The program's windows know the user interface, and it knows them.
    void windowCreated(QtWindow* window) { qtWindows_.push_back(window); }
    void windowGone(QtWindow* window);
    QtWindow* windowOf(const QWidget* widget) const;
    // The desktop names the window that has the keyboard focus now: the
    // program's windows that no longer have it resign at once (Qt learns of
    // it a moment later).
    void activeWindowChanged(unsigned long windowId);
    // The program's windows and menus that are shown (no tool tips): their
    // identifiers and titles, for a desktop that names windows its own way.
    struct ShownWindow {
        unsigned long id = 0;
        std::string title;
        bool menu = false;
    };
    std::vector<ShownWindow> shownWindows() const;
    // Whether the desktop's keyboard grab is held for a recording. Qt then
    // takes the focus the grab moves for the windows losing it; only the
    // window manager's news of another active window says they did.
    bool holdsDesktopKeyboard() const { return desktopGrab_; }
    // Whether the window manager has given the keyboard to another program's
    // window while Qt still counts one of the program's windows as focused.
    // Qt learns it a moment later, and then closes any menu opened meanwhile.
    bool qtBehindOnTheKeyboard() const;
    // Asks the desktop which window has the keyboard now (none: no window,
    // or the desktop cannot tell); without it Qt's own, later, news is used.
    void setActiveWindowQuery(std::function<std::optional<unsigned long>()> query) {
        activeWindowQuery_ = std::move(query);
    }
    // The colour the desktop's bar writes in, for the tray icon's one-colour
    // pictures; without it (or when the desktop does not say) the palette's text colour.
    void setTrayTextColourQuery(std::function<std::optional<std::string>()> query) {
        trayTextColourQuery_ = std::move(query);
    }
    std::optional<std::string> trayTextColour() const {
        return trayTextColourQuery_ ? trayTextColourQuery_() : std::nullopt;
    }
    // Whether the window has the keyboard at this moment, as the desktop says.
    bool hasKeyboardNow(const QWidget& window) const;
    // What a key event means to the key monitor; none for events it does not see.
    std::optional<KeyEvent> keyEventFor(const QKeyEvent& event) const;
    // The last text said to assistive technology (tests read it).
    const std::string& lastAnnouncement() const { return lastAnnouncement_; }

    // The named image drawn in a colour (template images) at a size; a null
    // icon when there is no such image.
    QIcon icon(const std::string& name, bool isTemplate, const QColor& templateColor) const;
    const QtStatusItem* statusItem() const { return statusItem_; }
    QtStatusItem* statusItem() { return statusItem_; }
    void statusItemGone(QtStatusItem* item) {
        if (statusItem_ == item) statusItem_ = nullptr;
    }

private:
    About about_;
    std::map<std::string, std::string> images_;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    std::vector<QPointer<QWidget>> windows_;
    std::function<void()> onTerminate_;
    std::function<void(unsigned long, bool)> taskbarPresence_;
    QtStatusItem* statusItem_ = nullptr;
    std::unique_ptr<QtNotifications> notifications_;
    // What the tray icon's message that is up does when clicked.
    std::function<void()> trayMessageAction_;
    KeyMonitor keyMonitor_;
    std::unique_ptr<QObject> keyFilter_;
    KeyCodeTranslator keyCodeTranslator_;
    std::vector<QtWindow*> qtWindows_;
    // The alerts that have been answered, by window identifier.
    std::set<unsigned long> closedAlerts_;
    QPointer<QWidget> keyboardGrabber_;
    KeyboardGrabber keyboardGrabber_fn_;
    // The desktop's grab is held, or asked for; the asking counts each ask.
    bool desktopGrab_ = false;
    bool desktopGrabAsked_ = false;
    uint64_t grabAsked_ = 0;
    // Qt's grab, for a desktop without one of its own.
    void grabWithQt();
    std::function<std::optional<unsigned long>()> activeWindowQuery_;
    std::function<std::optional<std::string>()> trayTextColourQuery_;
    std::string lastAnnouncement_;
};

}  // namespace tilvane::qt
