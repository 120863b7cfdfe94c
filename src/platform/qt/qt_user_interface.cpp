#include "platform/qt/qt_user_interface.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionMenuItem>
#include <QSvgRenderer>
#include <QTimer>
#include <QWindow>

#include "platform/events.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_view.h"
#include "platform/qt/qt_window.h"

namespace tilvane::qt {

namespace {

// The platform's private-use characters of F1 to F35.
constexpr char32_t kF1Character = 0xF704;
constexpr char32_t kF35Character = 0xF726;

struct KeyName {
    char32_t character;
    const char* name;
};
// Key characters of the menu's key equivalents and the names a desktop shows for them.
constexpr KeyName kKeyNames[] = {
    {U'\u2190', "Left"},   {U'\u2192', "Right"},  {U'\u2191', "Up"},    {U'\u2193', "Down"},
    {U'\u21A9', "Return"}, {U'\u2305', "Enter"},  {U'\u21E5', "Tab"},   {U'\u232B', "Backspace"},
    {U'\u2326', "Delete"}, {U'\u238B', "Esc"},    {U'\u2196', "Home"},  {U'\u2198', "End"},
    {U'\u21DE', "PgUp"},   {U'\u21DF', "PgDown"}, {U'\u2327', "Clear"}, {U' ', "Space"},
};

QString keyName(const QString& key) {
    if (key.isEmpty()) return {};
    QList<uint> characters = key.toUcs4();
    if (characters.size() == 1) {
        char32_t c = characters.front();
        for (const auto& entry : kKeyNames)
            if (entry.character == c) return QString::fromLatin1(entry.name);
        if (c >= kF1Character && c <= kF35Character) return QStringLiteral("F%1").arg(c - kF1Character + 1);
    }
    return key.toUpper();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

constexpr int kIconSizes[] = {16, 22, 24, 32, 48};

}  // namespace

QString shortcutDisplayText(const std::string& keyEquivalent, uint64_t modifierMask) {
    QString key = keyName(QString::fromStdString(keyEquivalent));
    if (key.isEmpty()) return {};
    QString text;
    if (modifierMask & modifier::kControl) text += "Ctrl+";
    if (modifierMask & modifier::kOption) text += "Alt+";
    if (modifierMask & modifier::kShift) text += "Shift+";
    if (modifierMask & modifier::kCommand) text += "Super+";
    return text + key;
}

QColor colorFor(NamedColor color, const QPalette& palette) {
    switch (color) {
        case NamedColor::Red: return QColor(0xD0, 0x1C, 0x1C);
        case NamedColor::White: return QColor(Qt::white);
        case NamedColor::Black: break;
    }
    return palette.color(QPalette::Text);
}

// --- menu items ---------------------------------------------------------------

QtMenuItem::QtMenuItem(QtUserInterface& ui, QtMenu& menu, QAction* action, bool separator)
    : StoredMenuItem(separator), ui_(ui), menu_(menu), qaction_(action) {}

void QtMenuItem::setSubmenu(std::unique_ptr<Menu> menu) {
    StoredMenuItem::setSubmenu(std::move(menu));
    auto* qtMenu = dynamic_cast<QtMenu*>(submenu());
    qaction_->setMenu(qtMenu ? qtMenu->qmenu() : nullptr);
}

void QtMenuItem::changed() {
    if (isSeparatorItem()) return;
    // An attributed title replaces the title, as the menu shows it.
    std::optional<AttributedTitle> attributed = attributedTitle();
    QString text = QString::fromStdString(attributed ? attributed->text : title());
    // Menus show an ampersand as a mnemonic marker; the program's titles have none.
    text.replace("&", "&&");
    QString shortcut = shortcutDisplayText(keyEquivalent(), keyEquivalentModifierMask());
    // A shortcut another program holds is shown as one that does nothing here.
    if (!shortcut.isEmpty() && keyEquivalentIsUnavailable()) shortcut += QStringLiteral(" (unavailable)");
    if (!shortcut.isEmpty()) text += "\t" + shortcut;
    qaction_->setToolTip(keyEquivalentIsUnavailable() ? QStringLiteral("Another program holds this shortcut")
                                                      : QString());
    qaction_->setText(text);
    QFont font = qaction_->font();
    font.setBold(attributed && attributed->attributes.bold);
    qaction_->setFont(font);
    qaction_->setEnabled(isEnabled());
    QColor iconColor = menu_.qmenu()->palette().color(QPalette::Active, QPalette::Text);
    std::string image = imageName();
    qaction_->setIcon(image.empty() ? QIcon() : ui_.icon(image, imageIsTemplate(), iconColor));
}

// --- menus --------------------------------------------------------------------

QStyleOptionMenuItem AttributedMenu::styleOptionFor(const QAction* action) const {
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option;
}

void AttributedMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    QtMenuItem* item = owner_.itemFor(action);
    std::optional<AttributedTitle> title = item ? item->attributedTitle() : std::nullopt;
    if (!title) return;
    const TextAttributes& attributes = title->attributes;
    option->font.setBold(attributes.bold);
    QColor text = colorFor(attributes.color, option->palette);
    // The selected entry keeps the highlight's own text colour, readable on the highlight.
    constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive};
    constexpr QPalette::ColorRole kRoles[] = {QPalette::Text, QPalette::WindowText, QPalette::ButtonText};
    for (auto group : kGroups)
        for (auto role : kRoles) option->palette.setColor(group, role, text);
}

QtMenu::QtMenu(QtUserInterface& ui, std::string title) : ui_(ui), qmenu_(std::make_unique<AttributedMenu>(*this)) {
    qmenu_->setTitle(QString::fromStdString(title));
    qmenu_->setToolTipsVisible(true);
    QObject::connect(qmenu_.get(), &QMenu::aboutToShow, qmenu_.get(), [this] { aboutToShow(); });
}

QtMenu::~QtMenu() {
    // The menu's actions go before the items that point at them.
    qmenu_.reset();
}

MenuItem& QtMenu::addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) {
    QAction* qaction = qmenu_->addAction(QString());
    auto item = std::make_unique<QtMenuItem>(ui_, *this, qaction, false);
    QtMenuItem* raw = item.get();
    items_.push_back(std::move(item));
    raw->setTitle(std::move(title));
    raw->setAction(std::move(action));
    raw->setKeyEquivalent(std::move(keyEquivalent));
    // The item acts once the menu has closed and let go of the pointer and keyboard.
    QObject::connect(qaction, &QAction::triggered, qmenu_.get(),
                     [raw, menu = qmenu_.get()] { QTimer::singleShot(0, menu, [raw] { raw->choose(); }); });
    return *raw;
}

void QtMenu::addSeparatorItem() {
    QAction* separator = qmenu_->addSeparator();
    items_.push_back(std::make_unique<QtMenuItem>(ui_, *this, separator, true));
}

std::vector<MenuItem*> QtMenu::items() const {
    std::vector<MenuItem*> result;
    for (const auto& item : items_) result.push_back(item.get());
    return result;
}

QtMenuItem* QtMenu::itemFor(const QAction* action) const {
    for (const auto& item : items_)
        if (item->action() == action) return item.get();
    return nullptr;
}

void QtMenu::aboutToShow() {
    if (autoenables_)
        for (auto& item : items_)
            if (item->hasValidator()) item->setEnabled(item->validate());
    // Pictures follow the menu's text colour, which the desktop's theme may have changed.
    for (auto& item : items_) item->changed();
}

// --- the status item ----------------------------------------------------------

QtStatusItem::QtStatusItem(QtUserInterface& ui) : ui_(ui) {
    if (QGuiApplication::platformName() != QLatin1String("wayland") || QtApplication::waylandTrayRuns()) {
        makeTray();
        return;
    }
    // Qt looks for a Wayland tray once, as it makes the first icon, and
    // offers no later icon to a tray that comes after: the icon is made when
    // one comes (a bar started with the program, or later).
    auto* watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                            QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration);
    trayWatcher_.reset(watcher);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, watcher, [this] {
        if (tray_) return;
        makeTray();
        setMenu(menu_);
        if (!image_.empty()) setImage(image_, imageIsTemplate_);
    });
}

void QtStatusItem::makeTray() {
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setToolTip(QStringLiteral("Tilvane"));
    // A click with the first button opens the menu too, as a status item does;
    // so does a second click soon after the first (a double click to Qt).
    QObject::connect(tray_.get(), &QSystemTrayIcon::messageClicked, tray_.get(), [this] { ui_.trayMessageClicked(); });
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated, tray_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         bool click = reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
                         if (!click || !menu_ || menu_->qmenu()->isVisible()) return;
                         popUp(QCursor::pos());
                     });
}

void QtStatusItem::popUp(QPoint at) {
    pendingPopUp_.reset();
    if (!ui_.qtBehindOnTheKeyboard()) {
        menu_->qmenu()->popup(at);
        return;
    }
    // The menu opens once Qt has caught up with the focus, and at the latest
    // after a second (a window manager that never says).
    pendingPopUp_ = std::make_unique<QObject>();
    auto open = [this, at] {
        pendingPopUp_.reset();
        if (menu_ && !menu_->qmenu()->isVisible()) menu_->qmenu()->popup(at);
    };
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, pendingPopUp_.get(), [open](QWindow*) {
        // After Qt's own handling of the change.
        QTimer::singleShot(0, qApp, open);
    });
    QTimer::singleShot(1000, pendingPopUp_.get(), open);
}

QtStatusItem::~QtStatusItem() {
    ui_.statusItemGone(this);
}

void QtStatusItem::setImage(std::string name, bool isTemplate) {
    image_ = std::move(name);
    imageIsTemplate_ = isTemplate;
    if (!tray_) return;  // drawn once a tray comes
    QColor color = QApplication::palette().color(QPalette::Active, QPalette::WindowText);
    if (auto bars = ui_.trayTextColour()) color = QColor(QString::fromStdString(*bars));
    tray_->setIcon(ui_.icon(image_, imageIsTemplate_, color));
    tray_->show();
}

void QtStatusItem::setMenu(Menu* menu) {
    menu_ = dynamic_cast<QtMenu*>(menu);
    if (tray_) tray_->setContextMenu(menu_ ? menu_->qmenu() : nullptr);
}

// --- the application ----------------------------------------------------------

QtUserInterface::QtUserInterface(About about) : about_(std::move(about)) {
    // Self-drawn controls come out of the interface files, made by Qt; this
    // is how they find the window they are in.
    CustomViewWidget::setUserInterface(this);
}

QtUserInterface::~QtUserInterface() {
    CustomViewWidget::setUserInterface(nullptr);
}

std::unique_ptr<Menu> QtUserInterface::createMenu(std::string title) {
    return std::make_unique<QtMenu>(*this, std::move(title));
}

std::unique_ptr<StatusItem> QtUserInterface::statusItemWithLength(double) {
    auto item = std::make_unique<QtStatusItem>(*this);
    statusItem_ = item.get();
    return item;
}

QIcon QtUserInterface::icon(const std::string& name, bool isTemplate, const QColor& templateColor) const {
    auto it = images_.find(name);
    if (it == images_.end()) return {};
    std::string svg = it->second;
    if (isTemplate) svg = replaceAll(svg, "currentColor", templateColor.name(QColor::HexRgb).toStdString());
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    if (!renderer.isValid()) return {};
    QIcon icon;
    for (int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void QtUserInterface::setActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    for (const auto& window : windows_)
        if (window && window->isVisible() && taskbarPresence_)
            taskbarPresence_(window->winId(), policy_ == ActivationPolicy::Accessory);
}

void QtUserInterface::windowShown(QWidget* window) {
    if (!window) return;
    // A new window may have the identifier of an alert that has gone.
    closedAlerts_.erase(window->winId());
    bool known = false;
    for (const auto& w : windows_) known = known || w == window;
    if (!known) windows_.emplace_back(window);
    if (taskbarPresence_) taskbarPresence_(window->winId(), policy_ == ActivationPolicy::Accessory);
}

void QtUserInterface::activateIgnoringOtherApps(bool) {
    for (const auto& window : windows_) {
        if (!window || !window->isVisible()) continue;
        window->raise();
        window->activateWindow();
    }
}

void QtUserInterface::orderFrontStandardAboutPanel() {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About %1").arg(about_.name),
                                QStringLiteral("<h3>%1</h3><p>Version %2</p><p>Moves and resizes the windows of "
                                               "your other applications from the keyboard and the mouse.</p>"
                                               "<p>%3</p>")
                                    .arg(about_.name, about_.version, about_.licence),
                                QMessageBox::Ok);
    box->setIconPixmap(icon("split", true, box->palette().color(QPalette::WindowText)).pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    windowShown(box);
}

void QtUserInterface::beep() {
    QApplication::beep();
}

AlertResult QtUserInterface::runModal(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(about_.name);
    switch (alert.style) {
        case AlertStyle::Critical: box.setIcon(QMessageBox::Critical); break;
        case AlertStyle::Informational: box.setIcon(QMessageBox::Information); break;
        case AlertStyle::Warning: box.setIcon(QMessageBox::Warning); break;
    }
    box.setText(QString::fromStdString(alert.messageText));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    std::vector<QPushButton*> buttons;
    std::vector<std::string> titles = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    for (size_t i = 0; i < titles.size(); ++i)
        buttons.push_back(box.addButton(QString::fromStdString(titles[i]),
                                        i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    box.setDefaultButton(buttons.front());
    if (alert.escapeButton && *alert.escapeButton < buttons.size()) box.setEscapeButton(buttons[*alert.escapeButton]);
    QCheckBox* suppression = nullptr;
    if (alert.showsSuppressionButton) {
        suppression = new QCheckBox(QStringLiteral("Do not show this message again"));
        box.setCheckBox(suppression);
    }
    box.show();
    windowShown(&box);
    const WId shownAs = box.winId();
    box.exec();
    closedAlerts_.insert(shownAs);
    AlertResult result;
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) result.button = i;
    result.suppressionChecked = suppression && suppression->isChecked();
    return result;
}

std::string QtUserInterface::effectiveAppearanceName() {
    QColor window = QApplication::palette("QMenu").color(QPalette::Window);
    return window.lightness() < 128 ? kDarkAppearanceName : "NSAppearanceNameAqua";
}

double QtUserInterface::interfaceKitVersionNumber() {
    // Every Qt draws template pictures in the panel's colour.
    return QT_VERSION;
}

void QtUserInterface::terminate() {
    if (onTerminate_)
        onTerminate_();
    else
        QApplication::quit();
}

std::unique_ptr<Window> QtUserInterface::createWindow(std::string title) {
    return std::make_unique<QtWindow>(*this, std::move(title));
}

std::unique_ptr<View> QtUserInterface::loadView(const std::string& interfaceFile) {
    auto widget = loadInterfaceFile(interfaceFile);
    if (!widget) return nullptr;
    return std::make_unique<QtView>(*this, std::move(widget));
}

void QtUserInterface::windowGone(QtWindow* window) {
    qtWindows_.erase(std::remove(qtWindows_.begin(), qtWindows_.end(), window), qtWindows_.end());
}

void QtUserInterface::activeWindowChanged(unsigned long windowId) {
    // The window manager's news comes on another connection than the keys:
    // an alert answered with the keyboard may be closed before the news that
    // it became active arrives. That news is stale; the window under it keeps the keyboard.
    if (closedAlerts_.count(windowId)) return;
    auto windows = qtWindows_;
    for (QtWindow* window : windows) {
        if (!window->qwindow().isVisible()) continue;
        // The window manager's word counts both ways: Qt may not have heard
        // yet that the window got the keyboard, when it loses it again.
        if (window->qwindow().winId() == windowId)
            window->becameKey();
        else
            window->resignedKey();
    }
}

std::vector<QtUserInterface::ShownWindow> QtUserInterface::shownWindows() const {
    std::vector<ShownWindow> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || widget->windowType() == Qt::ToolTip) continue;
        shown.push_back({static_cast<unsigned long>(widget->winId()), widget->windowTitle().toStdString(),
                         widget->windowType() == Qt::Popup});
    }
    return shown;
}

bool QtUserInterface::qtBehindOnTheKeyboard() const {
    QWindow* focus = QGuiApplication::focusWindow();
    if (!focus || !activeWindowQuery_ || (focus->flags() & Qt::Popup) == Qt::Popup) return false;
    return activeWindowQuery_() != focus->winId();
}

bool QtUserInterface::hasKeyboardNow(const QWidget& window) const {
    if (!window.isVisible()) return false;
    if (!activeWindowQuery_) return window.isActiveWindow();
    return activeWindowQuery_() == window.winId();
}

QtWindow* QtUserInterface::windowOf(const QWidget* widget) const {
    const QWidget* top = widget ? widget->window() : nullptr;
    for (QtWindow* window : qtWindows_)
        if (&window->qwindow() == top) return window;
    return nullptr;
}

namespace {

// X key state bits and the program's modifier flags.
constexpr uint32_t kXShift = 1, kXControl = 4, kXMod1 = 8, kXMod4 = 64;

uint64_t flagsOfState(uint32_t state) {
    uint64_t flags = 0;
    if (state & kXShift) flags |= modifier::kShift;
    if (state & kXControl) flags |= modifier::kControl;
    if (state & kXMod1) flags |= modifier::kOption;
    if (state & kXMod4) flags |= modifier::kCommand;
    return flags;
}

// The flag a modifier key stands for; 0 for other keys.
uint64_t modifierOfKey(int key) {
    switch (key) {
        case Qt::Key_Shift: return modifier::kShift;
        case Qt::Key_Control: return modifier::kControl;
        case Qt::Key_Alt:
        case Qt::Key_AltGr: return modifier::kOption;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R: return modifier::kCommand;
        default: return 0;
    }
}

// Passes the program's key events through the key monitor, each once.
class KeyFilter : public QObject {
public:
    KeyFilter(QtUserInterface& ui, std::function<bool(const KeyEvent&)> monitor)
        : ui_(ui), monitor_(std::move(monitor)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        // An event a widget leaves is offered to its parents; it is the same key.
        if (!watched->isWidgetType()) return false;
        const auto& key = *static_cast<QKeyEvent*>(event);
        Seen seen{event->type(), key.timestamp(), key.nativeScanCode()};
        if (seen == last_) return false;
        last_ = seen;
        auto keyEvent = ui_.keyEventFor(key);
        if (!keyEvent) return false;
        auto monitor = monitor_;
        bool goesOn = monitor(*keyEvent);
        if (!goesOn) event->accept();
        return !goesOn;
    }

private:
    QtUserInterface& ui_;
    std::function<bool(const KeyEvent&)> monitor_;
    struct Seen {
        QEvent::Type type = QEvent::None;
        quint64 timestamp = 0;
        quint32 scanCode = 0;
        friend bool operator==(const Seen&, const Seen&) = default;
    };
    Seen last_;
};

}  // namespace

std::optional<KeyEvent> QtUserInterface::keyEventFor(const QKeyEvent& event) const {
    if (!keyCodeTranslator_) return std::nullopt;
    auto keyCode = keyCodeTranslator_(event.nativeScanCode(), event.nativeVirtualKey());
    if (!keyCode) return std::nullopt;
    // The native state is the one before the key: a modifier key changes it.
    uint64_t flags = flagsOfState(event.nativeModifiers());
    uint64_t own = modifierOfKey(event.key());
    if (own) {
        flags = event.type() == QEvent::KeyPress ? flags | own : flags & ~own;
        return KeyEvent{EventType::FlagsChanged, *keyCode, flags};
    }
    if (event.type() != QEvent::KeyPress) return std::nullopt;
    return KeyEvent{EventType::KeyDown, *keyCode, flags};
}

void QtUserInterface::setLocalKeyMonitor(KeyMonitor monitor) {
    keyMonitor_ = std::move(monitor);
    if (keyFilter_) qApp->removeEventFilter(keyFilter_.get());
    keyFilter_.reset();
    if (!keyMonitor_) return;
    keyFilter_ = std::make_unique<KeyFilter>(*this, keyMonitor_);
    qApp->installEventFilter(keyFilter_.get());
}

void QtUserInterface::setKeyboardGrabbed(bool grabbed) {
    ++grabAsked_;
    if (keyboardGrabber_) keyboardGrabber_->releaseKeyboard();
    keyboardGrabber_ = nullptr;
    // Asked, the desktop is told the end even when it refused to send every
    // key: it may have done something else for the recording meanwhile (sway
    // holds back the user's bindings).
    if (desktopGrabAsked_ && keyboardGrabber_fn_.release) keyboardGrabber_fn_.release();
    desktopGrab_ = desktopGrabAsked_ = false;
    if (!grabbed) return;
    if (!keyboardGrabber_fn_.grab) return grabWithQt();
    // While it records, every key of the desktop comes here, the combinations
    // other programs hold included.
    desktopGrab_ = desktopGrabAsked_ = true;
    uint64_t asked = grabAsked_;
    keyboardGrabber_fn_.grab([this, asked](bool taken) {
        if (asked != grabAsked_ || taken) return;
        desktopGrab_ = false;
        grabWithQt();
    });
}

void QtUserInterface::grabWithQt() {
    // The window that records: the active one, else the program's window shown last
    // (Qt may not know yet that the window manager gave it the focus).
    QWidget* window = QApplication::activeWindow();
    for (auto it = qtWindows_.rbegin(); !window && it != qtWindows_.rend(); ++it)
        if ((*it)->qwindow().isVisible()) window = &(*it)->qwindow();
    if (!window) return;
    QWidget* focus = QApplication::focusWidget();
    keyboardGrabber_ = focus && focus->window() == window ? focus : window;
    keyboardGrabber_->grabKeyboard();
}

void QtUserInterface::deliverGrabbedKey(const KeyEvent& event) {
    KeyMonitor monitor = keyMonitor_;
    if (!monitor || !monitor(event) || event.type != EventType::KeyDown) return;
    constexpr uint16_t kTab = 48, kW = 13, kQ = 12;
    // Linux desktops close a window with Ctrl+W and quit with Ctrl+Q.
    constexpr uint64_t kWindowCommand = modifier::kControl;
    uint64_t modifiers =
        event.modifierFlags & (modifier::kShift | modifier::kControl | modifier::kOption | modifier::kCommand);
    if (event.keyCode == kTab) {
        if (QWidget* focus = QApplication::focusWidget()) {
            bool back = modifiers & modifier::kShift;
            QKeyEvent tab(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                          back ? Qt::ShiftModifier : Qt::NoModifier);
            QApplication::sendEvent(focus, &tab);
        }
    } else if (event.keyCode == kW && modifiers == kWindowCommand) {
        if (QWidget* window = QApplication::activeWindow()) window->close();
    } else if (event.keyCode == kQ && modifiers == kWindowCommand) {
        terminate();
    }
}

void QtUserInterface::postNotification(Notification notification) {
    QString title = QString::fromStdString(notification.title), body = QString::fromStdString(notification.body);
    if (!notifications_) notifications_ = std::make_unique<QtNotifications>();
    if (QtNotifications::available() &&
        notifications_->notify(title, body, QString::fromStdString(notification.actionTitle),
                               std::move(notification.onAction)))
        return;
    if (!statusItem_ || !statusItem_->hasTray() || !QtApplication::trayAvailable()) return;
    trayMessageAction_ = std::move(notification.onAction);
    if (!notification.actionTitle.empty()) body += "\n" + QString::fromStdString(notification.actionTitle) + "\u2026";
    statusItem_->trayIcon().showMessage(title, body, QSystemTrayIcon::Warning);
}

void QtUserInterface::trayMessageClicked() {
    auto action = std::move(trayMessageAction_);
    trayMessageAction_ = nullptr;
    if (action) action();
}

void QtUserInterface::postAccessibilityAnnouncement(const std::string& text, int) {
    lastAnnouncement_ = text;
    QWidget* window = QApplication::activeWindow();
    if (!window) return;
    auto* label = window->findChild<QLabel*>(QStringLiteral("accessibilityAnnouncement"));
    if (!label) {
        label = new QLabel(window);
        label->setObjectName(QStringLiteral("accessibilityAnnouncement"));
        label->setGeometry(0, 0, 1, 1);
        label->show();
    }
    label->setText(QString::fromStdString(text));
    label->setAccessibleName(QString::fromStdString(text));
    QAccessibleEvent event(label, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

}  // namespace tilvane::qt
