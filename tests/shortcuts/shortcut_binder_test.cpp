#include "shortcuts/shortcut_binder.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_run_loop.h"

namespace tilvane {
namespace {

using sim::SimHotKeyService;

const Shortcut kLeft(123, modifier::kControl | modifier::kOption);  // Carbon 0x1800
const Shortcut kUp(126, modifier::kControl | modifier::kOption);
const Shortcut kM(46, modifier::kCommand);  // Carbon 0x0100

struct RecordingLog : Log {
    std::vector<std::string> lines;
    void write(std::string_view line) override { lines.emplace_back(line); }
};

class ShortcutBinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor = ShortcutMonitor::create(service, runLoop);
        binder = std::make_unique<ShortcutBinder>(store, &archiver, monitor.get());
    }
    void store_(const std::string& key, const Shortcut& s) {
        store.setObject(key, SettingsValue(archiveShortcut(archiver, s)));
    }
    ShortcutBinder::Action record(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
    // Presses the combination and runs what it queued.
    std::vector<std::string> press(const Shortcut& s) {
        ran.clear();
        service.press(s.carbonKeyCode(), s.carbonFlags());
        runLoop.runUntilIdle();
        return ran;
    }

    SimHotKeyService service;
    sim::SimRunLoop runLoop;
    sim::MemorySettingsStore store;
    plist::PlistKeyedArchiver archiver;
    std::unique_ptr<ShortcutMonitor> monitor;
    std::unique_ptr<ShortcutBinder> binder;
    std::vector<std::string> ran;
};

TEST_F(ShortcutBinderTest, BindingRegistersTheStoredShortcutAtOnce) {
    store_("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    EXPECT_TRUE(service.isRegistered(123, 0x1800));
    EXPECT_EQ(binder->valueForUndefinedKey("LeftShortcut"), kLeft);
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"left"});

    binder->bindShortcutWithDefaultsKey("Empty", record("empty"));
    EXPECT_TRUE(binder->isRegisteredAction("Empty"));
    EXPECT_EQ(binder->valueForUndefinedKey("Empty"), std::nullopt);
    EXPECT_EQ(service.registrations().size(), 1u);
}

TEST_F(ShortcutBinderTest, FollowsChangesOfTheStoredValue) {
    store_("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));

    store_("LeftShortcut", kM);
    EXPECT_FALSE(service.isRegistered(123, 0x1800));
    EXPECT_TRUE(press(kLeft).empty());
    EXPECT_EQ(press(kM), std::vector<std::string>{"left"});

    // Writing the same combination again withdraws and registers it once more.
    service.clearCalls();
    store_("LeftShortcut", kM);
    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(service.calls()[0].kind, SimHotKeyService::Call::Kind::Unregister);
    EXPECT_EQ(service.calls()[1].kind, SimHotKeyService::Call::Kind::Register);

    // A value that is not an archived shortcut counts as none.
    store.setObject("LeftShortcut", SettingsValue("text"));
    EXPECT_TRUE(service.registrations().empty());

    store_("LeftShortcut", kUp);
    store.removeObject("LeftShortcut");
    EXPECT_TRUE(service.registrations().empty());
    EXPECT_EQ(binder->valueForUndefinedKey("LeftShortcut"), std::nullopt);
    EXPECT_TRUE(binder->isRegisteredAction("LeftShortcut"));

    // Other keys do not disturb it.
    store_("LeftShortcut", kLeft);
    store.setObject("EnableShotcuts", SettingsValue(true));
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"left"});
}

TEST_F(ShortcutBinderTest, RebindingReplacesTheAction) {
    store_("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("first"));
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("second"));
    EXPECT_EQ(service.registrations().size(), 1u);
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"second"});
    // One observation only: a change re-registers once.
    service.clearCalls();
    store_("LeftShortcut", kUp);
    EXPECT_EQ(service.calls().size(), 2u);
}

TEST_F(ShortcutBinderTest, BreakingABindingUnregistersAndStopsFollowing) {
    store_("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    binder->breakBindingWithDefaultsKey("LeftShortcut");
    EXPECT_TRUE(service.registrations().empty());
    EXPECT_FALSE(binder->isRegisteredAction("LeftShortcut"));
    EXPECT_TRUE(store.dataForKey("LeftShortcut"));  // the stored value stays
    store_("LeftShortcut", kUp);
    EXPECT_TRUE(service.registrations().empty());

    // A key without a shortcut: nothing reaches the monitor.
    binder->bindShortcutWithDefaultsKey("Empty", record("empty"));
    service.clearCalls();
    binder->breakBindingWithDefaultsKey("Empty");
    EXPECT_TRUE(service.calls().empty());
    EXPECT_FALSE(binder->isRegisteredAction("Empty"));
    EXPECT_FALSE(binder->setValueForUndefinedKey(kUp, "Empty"));

    // Destroying the binder unbinds the rest and stops following the store.
    store_("UpShortcut", kUp);
    binder->bindShortcutWithDefaultsKey("UpShortcut", record("up"));
    binder.reset();
    EXPECT_TRUE(service.registrations().empty());
    store_("UpShortcut", kM);
    EXPECT_TRUE(service.registrations().empty());
}

// Two actions given one shortcut (by a hand edit): the first keeps the hot
// key, and when it moves away the other gets it; neither is left listed and dead.
TEST_F(ShortcutBinderTest, TwoKeysWithTheSameShortcutNeverLeaveOneDead) {
    RecordingLog log;
    binder = std::make_unique<ShortcutBinder>(store, &archiver, monitor.get(), &log);
    store_("A", kLeft);
    store_("B", kLeft);
    store_("C", kLeft);
    binder->bindShortcutWithDefaultsKey("A", record("a"));
    binder->bindShortcutWithDefaultsKey("B", record("b"));
    binder->bindShortcutWithDefaultsKey("C", record("c"));
    EXPECT_EQ(service.registrations().size(), 1u);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0],
              "shortcuts: B and A hold the same shortcut, ctrl+alt+Left; it stays with A until A changes");

    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> onLeft, onUp;
    };
    const Step steps[] = {
        {"as bound", [] {}, {"a"}, {}},
        {"the holder moves away: the first waiting takes over", [&] { store_("A", kUp); }, {"b"}, {"a"}},
        {"the first comes back and waits now", [&] { store_("A", kLeft); }, {"b"}, {}},
        {"the holder loses its value", [&] { store.removeObject("B"); }, {"a"}, {}},
        {"the holder's binding is broken", [&] { binder->breakBindingWithDefaultsKey("A"); }, {"c"}, {}},
        {"the same combination written again keeps it", [&] { store_("C", kLeft); }, {"c"}, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(press(kLeft), step.onLeft);
        EXPECT_EQ(press(kUp), step.onUp);
        EXPECT_LE(service.registrations().size(), 2u);
    }
}

// A stored shortcut without a key (archived with key code -1) must not turn
// into key code 0, the A key: "super" alone would grab Super+A.
TEST_F(ShortcutBinderTest, AShortcutWithNoKeyRegistersNothing) {
    const Shortcut noKey(Shortcut::kNoKeyCode, modifier::kCommand);
    store_("LeftShortcut", noKey);
    ASSERT_EQ(unarchiveShortcut(archiver, *store.dataForKey("LeftShortcut")), noKey);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    EXPECT_TRUE(service.calls().empty());
    EXPECT_FALSE(binder->holdsHotKey("LeftShortcut"));
    EXPECT_TRUE(press(Shortcut(0, modifier::kCommand)).empty());

    store_("LeftShortcut", kLeft);
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"left"});
    store_("LeftShortcut", noKey);
    EXPECT_TRUE(service.registrations().empty());
}

TEST_F(ShortcutBinderTest, ARefusedCombinationIsRecordedWithoutAHotKey) {
    service.refuse(123, 0x1800);
    store_("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    EXPECT_EQ(binder->valueForUndefinedKey("LeftShortcut"), kLeft);
    EXPECT_FALSE(monitor->isShortcutRegistered(kLeft));
    service.allow(123, 0x1800);
    store_("LeftShortcut", kLeft);
    EXPECT_TRUE(monitor->isShortcutRegistered(kLeft));
}

TEST(ShortcutBinderPlatformTest, WithoutAHotKeyServiceNothingIsRegistered) {
    sim::MemorySettingsStore store;
    plist::PlistKeyedArchiver archiver;
    Platform platform;
    platform.settings = &store;
    platform.archiver = &archiver;
    ShortcutBinder binder(platform);
    store.setObject("LeftShortcut", SettingsValue(archiveShortcut(archiver, kLeft)));
    binder.bindShortcutWithDefaultsKey("LeftShortcut", [] {});
    EXPECT_EQ(binder.valueForUndefinedKey("LeftShortcut"), kLeft);
}

}  // namespace
}  // namespace tilvane
