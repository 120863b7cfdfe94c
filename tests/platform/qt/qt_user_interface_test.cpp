// The user interface drawn by Qt without a display (the offscreen platform).
// The status menu: the texts and shortcuts the user reads, the switch's
// weight and colour, and every picture drawn. The preferences window: every
// check box of the panes' interface files bound to its setting, the
// recorders, the swipe note, the order of Tab, and the keyboard kept while
// alerts come and go.

#include "platform/qt/qt_user_interface.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <set>

#include "app/app_delegate.h"
#include "app/menu_images.h"
#include "app/sim_application.h"
#include "platform/events.h"
#include "platform/qt/qt_view.h"
#include "platform/qt/qt_window.h"
#include "preferences/preferences_window_controller.h"
#include "shortcuts/shortcut.h"

namespace tilvane::qt {
namespace {

// Beyond the menu's own shortcuts below: the desktop's order of modifiers,
// function keys and keys named by their glyph.
TEST(ShortcutDisplayText, AsTheDesktopShowsShortcuts) {
    using namespace modifier;
    EXPECT_EQ(shortcutDisplayText("\u2192", kShift | kControl).toStdString(), "Ctrl+Shift+Right");
    EXPECT_EQ(shortcutDisplayText("\uF708", 0).toStdString(), "F5");
    EXPECT_EQ(shortcutDisplayText(" ", kCommand).toStdString(), "Super+Space");
    EXPECT_EQ(shortcutDisplayText("\u21A9", kControl).toStdString(), "Ctrl+Return");
    EXPECT_EQ(shortcutDisplayText("", kControl).toStdString(), "");
}

// The application on the simulated desktop with Qt's user interface; as on
// X11, the keyboard has no Fn.
class QtMenuTest : public testing::Test, protected SimApplication<QtUserInterface> {
protected:
    QtMenuTest() {
        keyboard.setHasFunctionModifier(false);
        registerMenuImages(ui);
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    ~QtMenuTest() override { app->applicationWillTerminate(); }

    AttributedMenu& qmenu() { return static_cast<AttributedMenu&>(*ui.statusItem()->trayIcon().contextMenu()); }
    QAction* action(MenuItem* item) { return static_cast<QtMenuItem*>(item)->action(); }
    // The menu is about to be shown, as when the user opens it.
    void open() { emit qmenu().aboutToShow(); }

    std::unique_ptr<AppDelegate> app;
};

TEST_F(QtMenuTest, TextsAndShortcutsAsTheUserReadsThem) {
    open();
    EXPECT_EQ(action(app->enableShotcustItem())->text().toStdString(), "Disable Shortcuts");
    EXPECT_EQ(action(app->menuItemForAction(action::kLeft))->text().toStdString(), "Left\tCtrl+Alt+Left");
    EXPECT_EQ(action(app->menuItemForAction(action::kMaximize))->text().toStdString(), "Maximize\tCtrl+Alt+Super+M");
    EXPECT_EQ(action(app->menuItemForAction(action::kNextSpace))->text().toStdString(), "Next Space\tCtrl+Super+N");
    // The two "Center 1/3" entries, each with its own shortcut.
    EXPECT_EQ(action(app->menuItemForAction(action::kCenterVerticalThird))->text().toStdString(),
              "Center 1/3\tCtrl+Alt+Super+2");
    EXPECT_EQ(action(app->menuItemForAction(action::kCenterHorizontalThird))->text().toStdString(),
              "Center 1/3\tCtrl+Alt+Super+5");
    EXPECT_EQ(action(app->preferencesMenuItem())->text().toStdString(), "Preferences...");

    // A changed shortcut shows at the next opening; a cleared one goes.
    // (Regression: a cleared shortcut stayed on its item until a restart.)
    desktop.settings().setObject(
        "LeftShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(4, modifier::kControl | modifier::kCommand))));
    desktop.settings().removeObject("RightShortcut");
    open();
    EXPECT_EQ(action(app->menuItemForAction(action::kLeft))->text().toStdString(), "Left\tCtrl+Super+H");
    EXPECT_EQ(action(app->menuItemForAction(action::kRight))->text().toStdString(), "Right");
}

TEST_F(QtMenuTest, TheSwitchIsBoldInTheTextColourWhenOnRedWhenOffAndWhiteInADarkMenu) {
    auto switchColour = [&] {
        return qmenu()
            .styleOptionFor(action(app->enableShotcustItem()))
            .palette.color(QPalette::Active, QPalette::Text);
    };
    open();
    EXPECT_TRUE(qmenu().styleOptionFor(action(app->enableShotcustItem())).font.bold());
    EXPECT_EQ(switchColour(), qmenu().palette().color(QPalette::Active, QPalette::Text));
    EXPECT_TRUE(qmenu().styleOptionFor(action(app->preferencesMenuItem())).font.bold());
    EXPECT_FALSE(qmenu().styleOptionFor(action(app->menuItemForAction(action::kLeft))).font.bold());

    QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    QApplication::setPalette(dark);
    EXPECT_EQ(ui.effectiveAppearanceName(), kDarkAppearanceName);
    open();
    EXPECT_EQ(switchColour(), QColor(Qt::white));
    QApplication::setPalette(saved);
    EXPECT_NE(ui.effectiveAppearanceName(), kDarkAppearanceName);

    desktop.settings().setBool("EnableShotcuts", false);
    open();
    EXPECT_EQ(action(app->enableShotcustItem())->text().toStdString(), "Enable Shortcuts");
    EXPECT_TRUE(qmenu().styleOptionFor(action(app->enableShotcustItem())).font.bold());
    EXPECT_EQ(switchColour(), QColor(0xD0, 0x1C, 0x1C));
}

TEST_F(QtMenuTest, EveryPictureIsDrawnInTheMenusTextColour) {
    open();
    QColor text = qmenu().palette().color(QPalette::Active, QPalette::Text);
    for (auto* item : app->theMenu()->items()) {
        if (item->isSeparatorItem() || !item->tag()) continue;
        QImage image = action(item)->icon().pixmap(16, 16).toImage();
        ASSERT_FALSE(image.isNull()) << item->title();
        int drawn = 0, inTextColour = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                drawn += pixel.alpha() >= 128;
                inTextColour += pixel.alpha() >= 128 && pixel.rgb() == text.rgb();
            }
        EXPECT_GT(drawn, 20) << item->title() << " " << item->imageName();
        EXPECT_GT(inTextColour, 0) << item->title();
    }
    EXPECT_FALSE(ui.statusItem()->trayIcon().icon().pixmap(22, 22).toImage().isNull());
    EXPECT_GT(qmenu().grab().height(), 300);
}

// The preferences window open; its Fn boxes are hidden.
class QtPanesTest : public QtMenuTest {
protected:
    QtPanesTest() { app->showPreferecensPane(); }

    QMainWindow& window() { return static_cast<QtWindow&>(app->preferencesWindowController().window()).qwindow(); }
    QWidget& pane(const std::string& identifier) {
        app->preferencesWindowController().selectControllerWithIdentifier(identifier);
        return *static_cast<QtView&>(app->preferencesWindowController().selectedViewController()->view()).widget();
    }
};

const char* const kPanes[] = {"GeneralPreferences", "Shortcuts", "MultiTouch", "MoveResize", "Snap"};

// Each box, hidden ones too, writes a setting of its own and shows that
// setting's changes; launch at login is a login item instead.
TEST_F(QtPanesTest, EveryCheckBoxOfEveryPaneWritesASettingOfItsOwn) {
    auto& settings = desktop.settings();
    std::set<std::string> keys;
    size_t boxes = 0;
    for (const char* identifier : kPanes)
        for (QCheckBox* box : pane(identifier).findChildren<QCheckBox*>()) {
            if (box->objectName() == "launchAtLoginCheckbox") continue;
            SCOPED_TRACE(box->objectName().toStdString());
            ++boxes;
            const size_t written = settings.writtenKeys().size();
            const bool before = box->isChecked();
            box->click();
            ASSERT_EQ(settings.writtenKeys().size(), written + 1);
            const std::string key = settings.writtenKeys().back();
            keys.insert(key);
            EXPECT_EQ(settings.boolForKey(key), !before) << key;
            settings.setBool(key, before);
            EXPECT_EQ(box->isChecked(), before) << key;
        }
    EXPECT_EQ(boxes, 22u);
    EXPECT_EQ(keys.size(), boxes);
}

TEST_F(QtPanesTest, TheSwipeNoteIsRedAndAssistiveTechnologyHearsARecorderAsAButtonNamedByItsShortcut) {
    auto* note = pane("MultiTouch").findChild<QLabel*>("noteLabel");
    EXPECT_NE(note->text().indexOf("touchpad with two-finger scrolling"), -1) << note->text().toStdString();
    EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(0xD0, 0x1C, 0x1C));

    auto* left = pane("Shortcuts").findChild<CustomViewWidget*>("leftShortcutView");
    ASSERT_TRUE(left);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(left);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), "\u2303\u2325\u2190 keyboard shortcut");
    EXPECT_GE(left->grab().width(), 120);
}

// The controls in reading order: rows of controls that overlap one another
// from top to bottom, each row from left to right; by their names.
std::vector<std::string> readingOrder(QWidget& view, std::vector<QWidget*> controls) {
    auto area = [&view](QWidget* w) { return QRect(w->mapTo(&view, QPoint(0, 0)), w->size()); };
    std::sort(controls.begin(), controls.end(), [&](QWidget* a, QWidget* b) { return area(a).top() < area(b).top(); });
    std::vector<std::vector<QWidget*>> rows;
    int rowBottom = -1;
    for (QWidget* w : controls) {
        if (rows.empty() || area(w).top() > rowBottom) rows.emplace_back();
        rowBottom = std::max(rows.back().empty() ? -1 : rowBottom, area(w).bottom());
        rows.back().push_back(w);
    }
    std::vector<std::string> names;
    for (auto& row : rows) {
        std::sort(row.begin(), row.end(), [&](QWidget* a, QWidget* b) { return area(a).left() < area(b).left(); });
        for (QWidget* w : row) names.push_back(w->objectName().toStdString());
    }
    return names;
}

// Tab takes a person to every control of every pane (buttons, check boxes,
// recorders) in reading order; hidden controls are passed over.
TEST_F(QtPanesTest, TabGoesThroughEveryPaneInReadingOrder) {
    window().show();
    for (const char* identifier : kPanes) {
        QWidget& view = pane(identifier);
        view.layout()->activate();
        QApplication::processEvents();
        std::vector<std::string> tabbed;
        for (QWidget* w = view.nextInFocusChain(); w != &view; w = w->nextInFocusChain())
            if (view.isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&view))
                tabbed.push_back(w->objectName().toStdString());
        std::vector<QWidget*> controls;
        for (QWidget* w : view.findChildren<QWidget*>())
            if ((qobject_cast<QAbstractButton*>(w) || qobject_cast<CustomViewWidget*>(w)) && w->isVisibleTo(&view))
                controls.push_back(w);
        EXPECT_EQ(tabbed, readingOrder(view, controls)) << identifier;
    }
}

// The window manager's news that an alert became active comes on another
// connection than the key that answered it, and may come after the alert has
// closed: that news does not take the keyboard from the window under it.
TEST_F(QtPanesTest, NewsOfAnAnsweredAlertsActivationLeavesTheWindowKey) {
    auto& prefs = static_cast<QtWindow&>(app->preferencesWindowController().window());
    prefs.qwindow().activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(prefs.qwindow().isActiveWindow());
    unsigned long alertId = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        alertId = box->winId();
        box->accept();
    });
    ui.runModal({"The key combination cannot be used", "", AlertStyle::Critical, {"OK"}, std::nullopt, false});
    prefs.qwindow().activateWindow();
    QApplication::processEvents();
    ASSERT_NE(alertId, 0u);
    int resigned = 0;
    prefs.observe(Window::Event::DidResignKey, [&] { ++resigned; });

    ui.activeWindowChanged(alertId);
    EXPECT_EQ(resigned, 0);
    // Another program's window becoming active does take it.
    ui.activeWindowChanged(alertId + 1000);
    EXPECT_EQ(resigned, 1);
}

}  // namespace
}  // namespace tilvane::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
