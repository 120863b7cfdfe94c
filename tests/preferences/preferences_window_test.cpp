// The preferences window's pane switch on the simulated desktop: the size
// rules, the corner kept in place, the toolbar, and what the settings keep.

#include <gtest/gtest.h>

#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_user_interface.h"
#include "preferences/preferences_window_controller.h"

namespace tilvane {
namespace {

class TestPane : public PreferencesViewController {
public:
    TestPane(sim::SimUserInterface& ui, std::string identifier, Size size, unsigned mask = 0)
        : identifier_(std::move(identifier)) {
        ui.defineView(identifier_, {size, mask, {}, {}});
        view_ = ui.loadView(identifier_);
    }
    std::string viewIdentifier() const override { return identifier_; }
    std::string toolbarItemLabel() const override { return identifier_ + " label"; }
    std::optional<std::string> toolbarItemImage() const override { return image; }
    void viewWillAppear() override { ++appeared; }
    void viewDidDisappear() override { ++disappeared; }
    View& view() override { return *view_; }

    std::optional<std::string> image;
    int appeared = 0, disappeared = 0;

private:
    std::string identifier_;
    std::unique_ptr<View> view_;
};

constexpr double kChrome = sim::SimProgramWindow::kChromeHeight;
constexpr unsigned kWidth = View::kWidthSizable, kHeight = View::kHeightSizable;

class PreferencesWindowTest : public testing::Test {
protected:
    PreferencesWindowController& controller(std::vector<PreferencesViewController*> panes, std::string title = {}) {
        controller_ = std::make_unique<PreferencesWindowController>(ui, settings, std::move(panes), std::move(title));
        return *controller_;
    }
    sim::SimProgramWindow& window() { return static_cast<sim::SimProgramWindow&>(controller_->window()); }

    sim::SimUserInterface ui;
    sim::MemorySettingsStore settings;
    std::unique_ptr<PreferencesWindowController> controller_;
};

TEST_F(PreferencesWindowTest, ThePanesSizeRules) {
    constexpr double kMax = PreferencesWindowController::kLargestSize;
    const struct {
        const char* name;
        unsigned mask;
        std::optional<std::string> stored;
        Size content, maximum;
    } rows[] = {
        {"fixed, nothing stored", 0, std::nullopt, {400, 300}, {400, 300}},
        {"fixed, a larger size stored", 0, "{{0, 0}, {900, 700}}", {400, 300}, {400, 300}},
        {"width only, a wider size stored", kWidth, "{{0, 0}, {600, 700}}", {600, 300}, {kMax, 300}},
        {"width only, a narrower size stored", kWidth, "{{0, 0}, {200, 100}}", {400, 300}, {kMax, 300}},
        {"both ways, below the minimum", kWidth | kHeight, "{{0, 0}, {10, 10}}", {400, 300}, {kMax, kMax}},
        {"both ways, larger", kWidth | kHeight, "{{0, 0}, {500, 450}}", {500, 450}, {kMax, kMax}},
    };
    for (const auto& row : rows) {
        settings.removeObject(preferencesFrameKey("pane"));
        if (row.stored) settings.setObject(preferencesFrameKey("pane"), *row.stored);
        TestPane pane(ui, "pane", {400, 300}, row.mask);
        controller({&pane});
        EXPECT_EQ(window().frame().size(), (Size{row.content.width, row.content.height + kChrome})) << row.name;
        EXPECT_EQ(pane.view().frame().size(), row.content) << row.name;
        EXPECT_EQ(window().contentMinSize(), (Size{400, 300})) << row.name;
        EXPECT_EQ(window().contentMaxSize(), row.maximum) << row.name;
        EXPECT_EQ(window().zoomButtonEnabled(), row.mask != 0) << row.name;
        EXPECT_EQ(window().showsResizeIndicator(), row.mask != 0) << row.name;
        controller_.reset();
    }
}

TEST_F(PreferencesWindowTest, SwitchingPanesKeepsTheTopLeftCorner) {
    TestPane small(ui, "small", {300, 200}), large(ui, "large", {500, 450});
    auto& c = controller({&small, &large});
    window().userMoves({250, 400, 300, 200 + kChrome});
    const double top = 400 + 200 + kChrome;
    c.selectControllerWithIdentifier("large");
    EXPECT_EQ(window().frame(), (Rect{250, top - 450 - kChrome, 500, 450 + kChrome}));
    EXPECT_EQ(window().contentView(), &large.view());
    c.selectControllerWithIdentifier("small");
    EXPECT_EQ(window().frame(), (Rect{250, top - 200 - kChrome, 300, 200 + kChrome}));
    EXPECT_EQ(large.appeared, 1);
    EXPECT_EQ(large.disappeared, 1);
    EXPECT_EQ(small.appeared, 2);
}

TEST_F(PreferencesWindowTest, NextAndPreviousWrapAtTheEnds) {
    TestPane a(ui, "a", {100, 100}), b(ui, "b", {100, 100}), c(ui, "c", {100, 100});
    auto& controller = this->controller({&a, &b, &c});
    std::string walked;
    for (int i = 0; i < 3; ++i) {
        controller.goNextTab();
        walked += controller.selectedViewController()->viewIdentifier();
    }
    controller.goPreviousTab();
    walked += controller.selectedViewController()->viewIdentifier();
    EXPECT_EQ(walked, "bcac");
    window().pressPreviousTab();  // the desktop's keys for the previous tab
    EXPECT_EQ(controller.selectedViewController(), &b);
    window().pressNextTab();
    EXPECT_EQ(controller.selectedViewController(), &c);
}

// The selected pane, the corner and each pane's size are kept as the user
// leaves them; a stored selection that names no pane gives the first.
TEST_F(PreferencesWindowTest, ThePaneTheCornerAndTheSizeAreKept) {
    TestPane a(ui, "a", {300, 200}, kWidth), b(ui, "b", {320, 240});
    settings.setObject(kPreferencesSelectedIdentifierKey, "gone");
    auto& c = controller({&a, &b});
    EXPECT_EQ(c.selectedViewController(), &a);
    c.selectControllerWithIdentifier("b");
    EXPECT_EQ(settings.stringForKey(kPreferencesSelectedIdentifierKey), "b");
    window().userMoves({90, 100, 320, 240 + kChrome});
    EXPECT_EQ(settings.stringForKey(kPreferencesFrameTopLeftKey), "{90, " + std::to_string(100 + 240 + 78) + "}");
    c.selectControllerWithIdentifier("a");
    Rect f = window().frame();
    window().userResizes({f.x, f.y - 50, 640.5, f.height + 50});
    EXPECT_EQ(settings.stringForKey(preferencesFrameKey("a")), "{{0, 0}, {640.5, 250}}");
}

// Two monitors side by side, a panel across the primary one's top.
class TwoScreens : public Screens {
public:
    std::vector<Screen> list{{1, {0, 0, 1440, 900}, {0, 0, 1440, 870}},
                             {2, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}}};
    std::vector<Screen> screens() override { return list; }
    std::optional<Screen> mainScreen() override { return list.front(); }
};

TEST_F(PreferencesWindowTest, TheWindowOpensWhollyOnAScreen) {
    struct Row {
        const char* name;
        std::optional<std::string> topLeft;
        Rect frame;
    } rows[] = {
        {"nothing stored: centred on the primary monitor", std::nullopt, {520, 246, 400, 378}},
        {"on the other monitor: where it was", "{2000, 800}", {2000, 422, 400, 378}},
        {"on a monitor unplugged since: on the nearest, whole", "{-900, 700}", {0, 322, 400, 378}},
        {"the title bar above the top: brought down", "{100, 1000}", {100, 492, 400, 378}},
        {"across both monitors: on the one it covers more", "{1300, 800}", {1440, 422, 400, 378}},
        {"far below both: up into the corner of the nearest", "{5000, -500}", {2960, 0, 400, 378}},
    };
    TwoScreens screens;
    TestPane pane(ui, "pane", {400, 300});
    for (const auto& row : rows) {
        settings.removeObject(kPreferencesFrameTopLeftKey);
        if (row.topLeft) settings.setObject(kPreferencesFrameTopLeftKey, *row.topLeft);
        controller_.reset();
        controller_ = std::make_unique<PreferencesWindowController>(
            ui, settings, std::vector<PreferencesViewController*>{&pane}, "", &screens);
        EXPECT_EQ(window().frame(), row.frame) << row.name;
    }
    // Shown again after its monitor went, the window comes back onto one.
    screens.list.pop_back();
    controller_->showWindow();
    EXPECT_EQ(window().frame(), (Rect{1040, 0, 400, 378}));
}

// The toolbar shows the panes' pictures and labels; a click selects a pane.
TEST_F(PreferencesWindowTest, TheToolbarSelectsThePanes) {
    TestPane a(ui, "a", {100, 100}), b(ui, "b", {100, 100});
    a.image = "general";
    auto& c = controller({&a, &b}, "Preferences");
    EXPECT_EQ(window().simToolbar().displayMode(), Toolbar::kDisplayModeIconAndLabel);
    EXPECT_EQ(window().simToolbar().item("a")->imageName(), "general");
    EXPECT_EQ(window().simToolbar().item("b")->label(), "b label");
    window().simToolbar().item("b")->click();
    EXPECT_EQ(c.selectedViewController(), &b);
    EXPECT_EQ(window().simToolbar().selectedItemIdentifier(), "b");
    EXPECT_EQ(window().title(), "Preferences");
}

// The tests above read and write the settings' text forms; what a hand edit broke reads as far as it goes.
TEST(PreferencesTextForms, BrokenTextReadsAsFarAsItGoes) {
    EXPECT_EQ(rectFromString("{{1, 2}, {3"), (Rect{1, 2, 3, 0}));
    EXPECT_EQ(pointFromString("{-12.5,9e2}"), (Point{-12.5, 900}));
    EXPECT_EQ(pointFromString("nonsense"), (Point{0, 0}));
}

}  // namespace
}  // namespace tilvane
