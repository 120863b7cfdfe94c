// The status menu drawn by Qt without a display (the offscreen platform):
// the texts and shortcuts the user reads, the switch's weight and colour,
// and every picture drawn.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QStyleOptionMenuItem>

#include "app/app_delegate.h"
#include "app/menu_images.h"
#include "app/sim_application.h"
#include "platform/events.h"
#include "platform/qt/qt_user_interface.h"
#include "shortcuts/shortcut.h"

namespace tilvane::qt {
namespace {

TEST(ShortcutDisplayText, AsTheDesktopShowsShortcuts) {
    using namespace modifier;
    struct Row {
        std::string key;
        uint64_t mask;
        const char* shown;
    } rows[] = {
        {"\u2190", kControl | kOption, "Ctrl+Alt+Left"},
        {"m", kControl | kOption | kCommand, "Ctrl+Alt+Super+M"},
        {"\u2192", kShift | kControl, "Ctrl+Shift+Right"},
        {"=", kControl | kOption | kCommand, "Ctrl+Alt+Super+="},
        {"\uF708", 0, "F5"},
        {" ", kCommand, "Super+Space"},
        {"\u21A9", kControl, "Ctrl+Return"},
        {"", kControl, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(shortcutDisplayText(row.key, row.mask).toStdString(), row.shown);
}

class QtMenuTest : public testing::Test, protected SimApplication<QtUserInterface> {
protected:
    QtMenuTest() {
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
    EXPECT_EQ(action(app->enableShotcustItem)->text().toStdString(), "Disable Shortcuts");
    EXPECT_EQ(action(app->menuItemForAction(action::kLeft))->text().toStdString(), "Left\tCtrl+Alt+Left");
    EXPECT_EQ(action(app->menuItemForAction(action::kMaximize))->text().toStdString(), "Maximize\tCtrl+Alt+Super+M");
    EXPECT_EQ(action(app->menuItemForAction(action::kNextSpace))->text().toStdString(), "Next Space\tCtrl+Super+N");
    EXPECT_EQ(action(app->preferencesMenuItem)->text().toStdString(), "Preferences...");
    int separators = 0, actions = 0;
    for (QAction* a : qmenu().actions()) (a->isSeparator() ? separators : actions)++;
    EXPECT_EQ(actions, 31);
    EXPECT_EQ(separators, 13);

    // A changed shortcut shows at the next opening; a cleared one goes.
    desktop.settings().setObject(
        "LeftShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(4, modifier::kControl | modifier::kCommand))));
    desktop.settings().removeObject("RightShortcut");
    open();
    EXPECT_EQ(action(app->menuItemForAction(action::kLeft))->text().toStdString(), "Left\tCtrl+Super+H");
    EXPECT_EQ(action(app->menuItemForAction(action::kRight))->text().toStdString(), "Right");
}

TEST_F(QtMenuTest, TheSwitchIsBoldInTheTextColourWhenOnAndRedWhenOff) {
    open();
    auto on = qmenu().styleOptionFor(action(app->enableShotcustItem));
    EXPECT_TRUE(on.font.bold());
    EXPECT_EQ(on.palette.color(QPalette::Active, QPalette::Text),
              qmenu().palette().color(QPalette::Active, QPalette::Text));
    EXPECT_TRUE(qmenu().styleOptionFor(action(app->preferencesMenuItem)).font.bold());
    EXPECT_FALSE(qmenu().styleOptionFor(action(app->menuItemForAction(action::kLeft))).font.bold());

    desktop.settings().setBool("EnableShotcuts", false);
    open();
    auto off = qmenu().styleOptionFor(action(app->enableShotcustItem));
    EXPECT_EQ(action(app->enableShotcustItem)->text().toStdString(), "Enable Shortcuts");
    EXPECT_TRUE(off.font.bold());
    EXPECT_EQ(off.palette.color(QPalette::Active, QPalette::Text), QColor(0xD0, 0x1C, 0x1C));
}

TEST_F(QtMenuTest, InADarkMenuTheBoldTextColourBecomesWhite) {
    QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    QApplication::setPalette(dark);
    EXPECT_EQ(ui.effectiveAppearanceName(), kDarkAppearanceName);
    open();
    EXPECT_EQ(qmenu().styleOptionFor(action(app->enableShotcustItem)).palette.color(QPalette::Active, QPalette::Text),
              QColor(Qt::white));
    QApplication::setPalette(saved);
    EXPECT_NE(ui.effectiveAppearanceName(), kDarkAppearanceName);
}

TEST_F(QtMenuTest, EveryPictureIsDrawnInTheMenusTextColour) {
    open();
    QColor text = qmenu().palette().color(QPalette::Active, QPalette::Text);
    for (auto* item : app->theMenu->items()) {
        if (item->isSeparatorItem() || !item->tag()) continue;
        QImage image = action(item)->icon().pixmap(16, 16).toImage();
        ASSERT_FALSE(image.isNull()) << item->title();
        int drawn = 0, inTextColour = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() < 128) continue;
                ++drawn;
                if (pixel.red() == text.red() && pixel.green() == text.green() && pixel.blue() == text.blue())
                    ++inTextColour;
            }
        EXPECT_GT(drawn, 20) << item->title() << " " << item->imageName();
        EXPECT_GT(inTextColour, 0) << item->title();
    }
    QImage tray = ui.statusItem()->trayIcon().icon().pixmap(22, 22).toImage();
    EXPECT_FALSE(tray.isNull());
    QImage whole = qmenu().grab().toImage();
    EXPECT_GT(whole.height(), 300);
}

}  // namespace
}  // namespace tilvane::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
