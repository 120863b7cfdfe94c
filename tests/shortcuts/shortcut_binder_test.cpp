// Hot keys on the simulated hot-key service: the monitor that registers
// shortcuts and runs their actions, and the binder that keeps them in step
// with the stored settings.

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
using Call = SimHotKeyService::Call;

const Shortcut kLeft(123, modifier::kControl | modifier::kOption);   // Carbon 0x1800
const Shortcut kRight(124, modifier::kControl | modifier::kOption);  // Carbon 0x1800
const Shortcut kUp(126, modifier::kControl | modifier::kOption);
const Shortcut kM(46, modifier::kCommand);  // Carbon 0x0100

struct RecordingLog : Log {
    std::vector<std::string> lines;
    void write(std::string_view line) override { lines.emplace_back(line); }
};

class HotKeys : public ::testing::Test {
protected:
    void SetUp() override {
        monitor = ShortcutMonitor::create(service, runLoop);
        ASSERT_TRUE(monitor);
        binder = std::make_unique<ShortcutBinder>(store, &archiver, monitor.get(), &log);
    }
    void storeShortcut(const std::string& key, const Shortcut& s) {
        store.setObject(key, SettingsValue(archiveShortcut(archiver, s)));
    }
    // An action that records its name when it runs.
    std::function<void()> record(std::string name) {
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
    RecordingLog log;
    std::unique_ptr<ShortcutMonitor> monitor;
    std::unique_ptr<ShortcutBinder> binder;
    std::vector<std::string> ran;
};
class ShortcutMonitorTest : public HotKeys {};
class ShortcutBinderTest : public HotKeys {};

// A refused combination is not registered; a press runs its action on a later turn, not inside the handler.
TEST_F(ShortcutMonitorTest, RegistersWhatTheServiceTakesAndRunsActionsOnALaterTurn) {
    service.refuse(124, 0x1800);
    EXPECT_TRUE(monitor->registerShortcut(kLeft, record("left")));
    EXPECT_FALSE(monitor->registerShortcut(kRight, record("right")));
    EXPECT_FALSE(monitor->isShortcutRegistered(kRight));
    EXPECT_TRUE(service.press(123, 0x1800));
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(runLoop.runUntilIdle(), 1);
    EXPECT_EQ(ran, std::vector<std::string>{"left"});
}

// An equal shortcut is registered anew before the old one goes; a refusal keeps the old one.
TEST_F(ShortcutMonitorTest, ReplacingAnEqualShortcut) {
    monitor->registerShortcut(kLeft, record("old"));
    service.clearCalls();
    EXPECT_TRUE(monitor->registerShortcut(Shortcut(123, 0xC0000 | modifier::kCapsLock), record("new")));
    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(std::make_pair(service.calls()[0].kind, service.calls()[0].id.id),
              std::make_pair(Call::Kind::Register, 2u));
    EXPECT_EQ(std::make_pair(service.calls()[1].kind, service.calls()[1].id.id),
              std::make_pair(Call::Kind::Unregister, 1u));
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"new"});

    service.refuse(123, 0x1800);
    EXPECT_FALSE(monitor->registerShortcut(kLeft, record("refused")));
    EXPECT_TRUE(service.isRegistered(123, 0x1800));
    EXPECT_EQ(press(kLeft), std::vector<std::string>{"new"});
}

// The binding registers the stored shortcut at once and follows whoever writes it.
TEST_F(ShortcutBinderTest, FollowsTheStoredValueUntilTheBindingIsBroken) {
    storeShortcut("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("first"));
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));  // rebinding replaces the action
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> onLeft, onM;
        std::optional<Shortcut> value;
    } steps[] = {
        {"as bound", [] {}, {"left"}, {}, kLeft},
        {"another shortcut stored", [&] { storeShortcut("LeftShortcut", kM); }, {}, {"left"}, kM},
        {"a value that is not a shortcut",
         [&] { store.setObject("LeftShortcut", SettingsValue("text")); },
         {},
         {},
         std::nullopt},
        {"removed", [&] { store.removeObject("LeftShortcut"); }, {}, {}, std::nullopt},
        {"stored again", [&] { storeShortcut("LeftShortcut", kLeft); }, {"left"}, {}, kLeft},
        {"another key written", [&] { store.setObject("EnableShotcuts", SettingsValue(true)); }, {"left"}, {}, kLeft},
        {"the binding broken", [&] { binder->breakBindingWithDefaultsKey("LeftShortcut"); }, {}, {}, std::nullopt},
        {"stored after it was broken", [&] { storeShortcut("LeftShortcut", kM); }, {}, {}, std::nullopt},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(press(kLeft), step.onLeft);
        EXPECT_EQ(press(kM), step.onM);
        EXPECT_EQ(binder->valueForUndefinedKey("LeftShortcut"), step.value);
        EXPECT_LE(service.registrations().size(), 1u);
    }
    EXPECT_FALSE(binder->isRegisteredAction("LeftShortcut"));
    EXPECT_TRUE(store.dataForKey("LeftShortcut"));  // the stored value stays

    // Writing the same combination again withdraws and registers it once more, once.
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    service.clearCalls();
    storeShortcut("LeftShortcut", kM);
    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(service.calls()[0].kind, Call::Kind::Unregister);
    EXPECT_EQ(service.calls()[1].kind, Call::Kind::Register);

    // Destroying the binder unbinds the rest and stops following the store.
    binder.reset();
    EXPECT_TRUE(service.registrations().empty());
    storeShortcut("LeftShortcut", kUp);
    EXPECT_TRUE(service.registrations().empty());
}

// Two actions given one shortcut (by a hand edit): the first keeps the hot
// key, and when it moves away the other gets it; neither is left listed and dead.
TEST_F(ShortcutBinderTest, TwoKeysWithTheSameShortcutNeverLeaveOneDead) {
    for (const char* key : {"A", "B", "C"}) storeShortcut(key, kLeft);
    binder->bindShortcutWithDefaultsKey("A", record("a"));
    binder->bindShortcutWithDefaultsKey("B", record("b"));
    binder->bindShortcutWithDefaultsKey("C", record("c"));
    EXPECT_EQ(service.registrations().size(), 1u);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0],
              "shortcuts: B and A hold the same shortcut, ctrl+alt+Left; it stays with A until A changes");

    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> onLeft, onUp;
    } steps[] = {
        {"as bound", [] {}, {"a"}, {}},
        {"the holder moves away: the first waiting takes over", [&] { storeShortcut("A", kUp); }, {"b"}, {"a"}},
        {"the first comes back and waits now", [&] { storeShortcut("A", kLeft); }, {"b"}, {}},
        {"the holder loses its value", [&] { store.removeObject("B"); }, {"a"}, {}},
        {"the holder's binding is broken", [&] { binder->breakBindingWithDefaultsKey("A"); }, {"c"}, {}},
        {"the same combination written again keeps it", [&] { storeShortcut("C", kLeft); }, {"c"}, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(press(kLeft), step.onLeft);
        EXPECT_EQ(press(kUp), step.onUp);
        EXPECT_LE(service.registrations().size(), 2u);
    }
}

// A combination refused now is registered once it is written again and free.
TEST_F(ShortcutBinderTest, ARefusedCombinationIsRecordedWithoutAHotKey) {
    service.refuse(123, 0x1800);
    storeShortcut("LeftShortcut", kLeft);
    binder->bindShortcutWithDefaultsKey("LeftShortcut", record("left"));
    EXPECT_EQ(binder->valueForUndefinedKey("LeftShortcut"), kLeft);
    EXPECT_FALSE(monitor->isShortcutRegistered(kLeft));
    service.allow(123, 0x1800);
    storeShortcut("LeftShortcut", kLeft);
    EXPECT_TRUE(monitor->isShortcutRegistered(kLeft));
}

}  // namespace
}  // namespace tilvane
