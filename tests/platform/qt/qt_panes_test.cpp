// The preferences window drawn by Qt without a display: every check box of
// the panes' interface files is bound to its settings key, the recorders
// draw, and the swipe note says what swipes need.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QTimer>
#include <QToolBar>
#include <set>

#include "app/app_delegate.h"
#include "app/sim_application.h"
#include "platform/qt/qt_user_interface.h"
#include "platform/qt/qt_view.h"
#include "platform/qt/qt_window.h"
#include "preferences/preferences_window_controller.h"

namespace tilvane::qt {
namespace {

class QtPanesTest : public testing::Test, protected SimApplication<QtUserInterface> {
protected:
    QtPanesTest() {
        // As on X11, the keyboard has no Fn: its boxes are hidden.
        keyboard.setHasFunctionModifier(false);
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
        app->showPreferecensPane();
    }
    ~QtPanesTest() override { app->applicationWillTerminate(); }

    QMainWindow& window() { return static_cast<QtWindow&>(app->preferencesWindowController().window()).qwindow(); }
    QWidget& pane(const std::string& identifier) {
        app->preferencesWindowController().selectControllerWithIdentifier(identifier);
        return *static_cast<QtView&>(app->preferencesWindowController().selectedViewController()->view()).widget();
    }

    std::unique_ptr<AppDelegate> app;
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

TEST_F(QtPanesTest, TheToolbarTheStatusTheNoteAndTheRecorders) {
    std::vector<std::string> labels;
    for (QAction* action : window().findChild<QToolBar*>()->actions()) labels.push_back(action->text().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"General", "Shortcuts", "MultiTouch", "Move/Resize", "Snap to Edge"}));
    EXPECT_EQ(window().windowTitle().toStdString(), "Preferences");

    auto* status = pane("GeneralPreferences").findChild<QLabel*>("accessibilityStatusText");
    EXPECT_EQ(status->text().toStdString(), "Accessibility is enabled. You're all set!");
    auto* light = pane("GeneralPreferences").findChild<QLabel*>("accessibilityStatusImage");
    EXPECT_FALSE(light->pixmap().isNull());

    auto* note = pane("MultiTouch").findChild<QLabel*>("noteLabel");
    EXPECT_NE(note->text().indexOf("touchpad with two-finger scrolling"), -1) << note->text().toStdString();
    EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(0xD0, 0x1C, 0x1C));

    auto* left = pane("Shortcuts").findChild<CustomViewWidget*>("leftShortcutView");
    ASSERT_TRUE(left);
    // Assistive technology hears the recorder as a button named by its shortcut.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(left);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), "\u2303\u2325\u2190 keyboard shortcut");
    EXPECT_GE(left->grab().width(), 120);
    EXPECT_EQ(pane("Shortcuts").findChildren<CustomViewWidget*>().size(), 25);
    EXPECT_EQ(pane("MoveResize").findChildren<CustomViewWidget*>().size(), 4);
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
