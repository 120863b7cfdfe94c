// The X11 backend's input and desktop values without a server: Spaces from
// desktops, which windows the window list shows, scroll phases and deltas,
// and synthesized input held back.

#include <gtest/gtest.h>

#include "platform/x11/x11_event_poster.h"
#include "platform/x11/x11_input_monitors.h"
#include "platform/x11/x11_spaces.h"
#include "platform/x11/x11_window_list.h"

namespace tilvane::x11 {
namespace {

using namespace std::chrono_literals;
using Clock = RunLoop::Clock;

TEST(Spaces, DesktopsAreReportedLastFirstSoThatReadBackwardsTheyCountFromOne) {
    const struct {
        int mask;
        uint32_t count;
        std::optional<uint32_t> current;
        std::vector<uint64_t> spaces;
    } rows[] = {
        {7, 4, 0, {4, 3, 2, 1}},  {1, 4, 2, {3}},           {2, 4, 2, {4, 2, 1}}, {7, 1, 0, {1}},
        {7, 0, std::nullopt, {}}, {1, 4, std::nullopt, {}}, {1, 4, 4, {}},        {7, 3, 9, {3, 2, 1}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(spacesForDesktops(row.mask, row.count, row.current), row.spaces)
            << "mask " << row.mask << ", " << row.count << " desktops";
}

// Beyond the windows of this desktop and the other ones, and the docks, which
// the end-to-end tests list.
TEST(WindowList, ShownWindowsOfTheCurrentDesktopWithTheirLayers) {
    constexpr uint32_t kSticky = 0xFFFFFFFF;
    const struct {
        const char* name;
        ClientFacts facts;
        uint32_t options;
        bool listed;
        int64_t layer;
    } rows[] = {
        {"on every desktop", {true, kSticky, false, false}, 0, true, kNormalWindowLayer},
        {"names no desktop", {true, std::nullopt, false, false}, 0, true, kNormalWindowLayer},
        {"unmapped (minimized)", {false, 1, false, false}, 0, false, kNormalWindowLayer},
        {"dock", {true, kSticky, true, false}, kWindowListExcludeDesktopElements, true, kDockWindowLayer},
        {"desktop window", {true, 1, false, true}, 0, true, kDesktopWindowLayer},
        {"desktop window left out", {true, 1, false, true}, kWindowListExcludeDesktopElements, false, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(listsWindow(row.facts, 1, row.options), row.listed);
        EXPECT_EQ(layerOf(row.facts), row.layer);
    }
    // A window manager without desktops shows every mapped window.
    EXPECT_TRUE(listsWindow({true, 5, false, false}, std::nullopt, 0));
}

TEST(Scrolling, AGestureBeginsAfterQuietAndEndsWithItAndWheelClicksUpAndLeftArePositive) {
    ScrollPhases phases;
    Clock::time_point t0{};
    EXPECT_EQ(phases.endsAt(), std::nullopt);
    EXPECT_EQ(phases.scrolled(t0), ScrollPhase::Began);
    EXPECT_EQ(phases.scrolled(t0 + 50ms), ScrollPhase::Changed);
    EXPECT_EQ(phases.scrolled(t0 + 150ms), ScrollPhase::Changed);
    EXPECT_EQ(phases.endsAt(), t0 + 150ms + ScrollPhases::kQuietPeriod);
    // A timer that fires early, set for an earlier event, ends nothing.
    EXPECT_FALSE(phases.endIfQuiet(t0 + 200ms));
    EXPECT_TRUE(phases.endIfQuiet(t0 + 150ms + ScrollPhases::kQuietPeriod));
    EXPECT_FALSE(phases.endIfQuiet(t0 + 1s));
    EXPECT_EQ(phases.scrolled(t0 + 2s), ScrollPhase::Began);

    // Wheel clicks up and left are positive deltas.
    ScrollAxis down{true, 15, false}, inverted{true, -15, false};
    EXPECT_DOUBLE_EQ(scrollingDelta(30, down), -2);
    EXPECT_DOUBLE_EQ(scrollingDelta(-7.5, down), 0.5);
    EXPECT_DOUBLE_EQ(scrollingDelta(30, inverted), 2);
    EXPECT_DOUBLE_EQ(scrollingDelta(30, {false, 0, false}), 0);
}

SyntheticEvent key(uint16_t code) {
    return {EventType::KeyDown, {}, code, 0};
}

TEST(InputHoldBack, EventsWaitForTheKeysAndKeepTheirSpacing) {
    InputHoldBack holdBack;
    Clock::time_point t0{};
    holdBack.queue(key(1), t0);
    holdBack.queue(key(2), t0);
    holdBack.queue(key(3), t0 + 500ms);

    // Held keys: look again shortly.
    auto step = holdBack.step(t0, true);
    EXPECT_FALSE(step.post);
    EXPECT_EQ(step.wakeAt, t0 + InputHoldBack::kPollInterval);
    // Let go 200 ms later: the first two go, the third 500 ms after them.
    EXPECT_EQ(holdBack.step(t0 + 200ms, false).post, key(1));
    EXPECT_EQ(holdBack.step(t0 + 200ms, false).post, key(2));
    step = holdBack.step(t0 + 200ms, false);
    EXPECT_FALSE(step.post);
    EXPECT_EQ(step.wakeAt, t0 + 700ms);
    EXPECT_EQ(holdBack.step(t0 + 700ms, false).post, key(3));
    EXPECT_TRUE(holdBack.empty());

    // Keys held beyond the patience no longer hold anything back; an empty
    // queue starts over without delay.
    holdBack.queue(key(4), t0 + 10s);
    EXPECT_FALSE(holdBack.step(t0 + 10s, true).post);
    EXPECT_EQ(holdBack.step(t0 + 10s + InputHoldBack::kPatience, true).post, key(4));
    holdBack.queue(key(5), t0 + 20s);
    EXPECT_EQ(holdBack.step(t0 + 20s, false).post, key(5));
    auto nothing = holdBack.step(t0 + 20s, false);
    EXPECT_FALSE(nothing.post);
    EXPECT_FALSE(nothing.wakeAt);
}

}  // namespace
}  // namespace tilvane::x11
