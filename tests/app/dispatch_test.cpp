// The dispatch of an action on the simulated desktop: the checks before it
// acts, what it writes, the Space moves and their numbers, and the action table.

#include <gtest/gtest.h>

#include <set>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

constexpr Rect kStart{100, 100, 800, 600};
constexpr Rect kLeftHalf{0, 23, 720, 877};

// A 1440 x 900 primary screen (23-point menu bar) and a 1920 x 1080 screen to
// its right; one focused window. Desktops 10, 20, 30 (reported in reverse), 10 current.
struct Desk {
    Desk() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
        window = desktop.addWindow(42, kStart).id;
        desktop.focus(window);
        desktop.setSpaces({{30, 0}, {20, 0}, {10, 0}}, 10);
        desktop.settings().setBool("EnableShotcuts", true);
    }
    void act(int64_t code, bool fromMenu = false) {
        app.moveWindowToDirection(code, fromMenu);
        desktop.runLoop().advance(1s);
    }
    sim::SimWindow& w() { return desktop.window(window); }
    Rect frame() { return w().frame; }
    Platform platform() {
        Platform p = desktop.platform();
        p.userInterface = &ui;  // where the preferences window opens
        return p;
    }

    sim::SimDesktop desktop;
    sim::SimUserInterface ui;
    uint64_t window = 0;
    AppDelegate app{platform()};
};

TEST(Dispatch, WhatAnActionDoesToTheFocusedWindow) {
    const auto switchAbsent = [](Desk& d) { d.desktop.settings().removeObject("EnableShotcuts"); };
    const auto switchOff = [](Desk& d) { d.desktop.settings().setBool("EnableShotcuts", false); };
    const auto preferencesActive = [](Desk& d) { d.desktop.setTrusted(false), d.app.showPreferecensPane(); };
    const auto minimumSize = [](Desk& d) { d.w().minSize = Size{800, 500}; };
    const auto refusing = [](Desk& d) { d.w().refusePosition = d.w().refuseSize = true; };
    const auto noFrame = [](Desk& d) { d.w().failPositionRead = d.w().failSizeRead = true; };
    const auto noPosition = [](Desk& d) { d.w().failPositionRead = true; };
    const struct {
        const char* name;
        void (*arrange)(Desk&);
        int64_t code;
        bool fromMenu;
        Rect expected;
        size_t writes;
    } rows[] = {
        {"hot key, the switch absent: off", switchAbsent, 120, false, kStart, 0},
        {"menu, shortcuts switched off", switchOff, 120, true, kLeftHalf, 2},
        // The preferences window in front stops both paths, before the permission is even asked for.
        {"hot key, preferences window active", preferencesActive, 120, false, kStart, 0},
        {"menu, preferences window active", preferencesActive, 120, true, kStart, 0},
        {"the application keeps its minimum size", minimumSize, 120, false, {0, 23, 800, 877}, 2},
        {"writes refused", refusing, 120, false, kStart, 2},
        // An unreadable frame counts as zeros, and (0, 0) lies in the menu bar,
        // outside every visible frame: the halves still keep clear of it.
        {"frame unreadable, grow", noFrame, 290, false, {0, 0, 20, 20}, 2},
        {"position unreadable, left half", noPosition, 120, false, kLeftHalf, 2},
    };
    for (const auto& row : rows) {
        Desk d;
        row.arrange(d);
        d.act(row.code, row.fromMenu);
        EXPECT_EQ(d.frame(), row.expected) << row.name;
        EXPECT_EQ(d.desktop.writes().size(), row.writes) << row.name;
        EXPECT_EQ(d.desktop.trustPrompts(), 0) << row.name;
    }
}

TEST(Dispatch, WritesPositionFirstThenSizeAndActsOnceTrusted) {
    Desk d;
    d.desktop.setTrusted(false);
    d.act(150);
    d.desktop.setTrusted(true);
    d.act(150);
    ASSERT_EQ(d.desktop.writes().size(), 2u);
    EXPECT_EQ(d.desktop.writes()[0].attribute, "AXPosition");
    EXPECT_EQ(*d.desktop.writes()[0].value.point(), (Point{720, 23}));
    EXPECT_EQ(*d.desktop.writes()[1].value.size(), (Size{720, 877}));
    EXPECT_EQ(d.desktop.scripts().size(), 1u);
}

TEST(Dispatch, EveryActionDoesNothingWithoutAFocusedWindow) {
    void (*const arrangements[])(sim::SimDesktop&, uint64_t) = {
        [](sim::SimDesktop& d, uint64_t) { d.clearFocus(); },
        [](sim::SimDesktop& d, uint64_t) { d.app(42).focusedWindowIsText = true; },
        [](sim::SimDesktop& d, uint64_t w) { d.closeWindow(w); },
    };
    for (int64_t code : {120, 350, 360, 370, 380, 1000}) {
        for (auto arrange : arrangements) {
            Desk d;
            arrange(d.desktop, d.window);
            d.act(code);
            EXPECT_TRUE(d.desktop.writes().empty()) << code;
            EXPECT_TRUE(d.desktop.postedEvents().empty()) << code;
        }
    }
}

// The Spaces are read anew for every number: the rows share one desktop.
TEST(Dispatch, NeighbourSpaceNumbersWrapAtTheEnds) {
    using Reported = std::vector<std::pair<uint64_t, int>>;  // window-server order, with types
    constexpr int64_t kNotFound = 0x7FFFFFFFFFFFFFFF;
    // Reported as 30, 20, 10: the Desktops are 10, 20, 30. 25 is type 2 and not counted.
    const Reported three{{30, 0}, {20, 0}, {10, 0}}, withType2{{30, 0}, {25, 2}, {20, 0}, {10, 0}};
    const std::tuple<Reported, std::optional<uint64_t>, uint64_t, int64_t> rows[] = {
        {three, 10, 2, 3},
        {three, 30, 1, 2},
        {withType2, 20, 3, 1},
        {withType2, 25, 1, kNotFound},
        {three, std::nullopt, 1, kNotFound},
        {{{40, 0}, {30, 0}, {20, 0}, {10, 0}}, 30, 4, 2},
        // No Spaces at all: the unsigned arithmetic lands far above 16, so nothing moves.
        {{}, std::nullopt, 0x8000000000000001, kNotFound},
    };
    sim::SimDesktop desktop;
    AppDelegate app(desktop.platform());
    for (const auto& [reported, current, next, previous] : rows) {
        desktop.setSpaces(reported, current);
        EXPECT_EQ(app.getNextSpaceNumber(), next) << reported.size() << " Spaces, current " << current.value_or(0);
        EXPECT_EQ(app.getPrevSpaceNumber(), previous) << reported.size() << " Spaces, current " << current.value_or(0);
    }
}

TEST(ActionTable, CodesNamesAndKeysAreUnique) {
    std::set<int64_t> codes;
    for (const auto& a : kActions) {
        codes.insert(a.code);
        EXPECT_EQ(actionForCode(a.code), &a);  // a lookup finds the first of equal ones
        EXPECT_EQ(actionForName(a.name), &a);
        EXPECT_EQ(actionForSettingsKey(a.settingsKey), &a);
    }
    EXPECT_EQ(codes.size(), kActions.size());
    EXPECT_EQ(actionForCode(110), nullptr);
}

}  // namespace
}  // namespace tilvane
