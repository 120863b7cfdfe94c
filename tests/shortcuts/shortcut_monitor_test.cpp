#include "shortcuts/shortcut_monitor.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_run_loop.h"

namespace tilvane {
namespace {

using sim::SimHotKeyService;
using Call = SimHotKeyService::Call;

const Shortcut kLeft(123, modifier::kControl | modifier::kOption);   // Carbon 0x1800
const Shortcut kRight(124, modifier::kControl | modifier::kOption);  // Carbon 0x1800
const Shortcut kM(46, modifier::kCommand);                           // Carbon 0x0100

class ShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor = ShortcutMonitor::create(service, runLoop);
        ASSERT_TRUE(monitor);
    }
    // An action that records its name when it runs.
    ShortcutMonitor::Action record(std::string name) {
        return [this, name] { ran.push_back(name); };
    }

    SimHotKeyService service;
    sim::SimRunLoop runLoop;
    std::unique_ptr<ShortcutMonitor> monitor;
    std::vector<std::string> ran;
};

TEST_F(ShortcutMonitorTest, RegistersWithSignatureAndCountingIdentifiers) {
    service.refuse(124, 0x1800);
    EXPECT_TRUE(monitor->registerShortcut(kLeft, record("left")));
    EXPECT_FALSE(monitor->registerShortcut(kRight, record("right")));
    EXPECT_TRUE(monitor->registerShortcut(kM, record("m")));

    // The refused attempt used identifier 2.
    ASSERT_EQ(service.calls().size(), 3u);
    const std::tuple<Call::Kind, uint32_t, uint32_t, uint32_t> expected[] = {{Call::Kind::Register, 123, 0x1800, 1},
                                                                             {Call::Kind::Refused, 124, 0x1800, 2},
                                                                             {Call::Kind::Register, 46, 0x0100, 3}};
    for (size_t i = 0; i < 3; ++i) {
        const Call& c = service.calls()[i];
        EXPECT_EQ(std::make_tuple(c.kind, c.keyCode, c.modifiers, c.id.id), expected[i]) << i;
        EXPECT_EQ(c.id.signature, 0x544C564Eu);
    }
    EXPECT_TRUE(monitor->isShortcutRegistered(kLeft));
    EXPECT_FALSE(monitor->isShortcutRegistered(kRight));
}

TEST_F(ShortcutMonitorTest, PressQueuesTheActionToRunAfterTheHandler) {
    monitor->registerShortcut(kLeft, record("left"));
    EXPECT_TRUE(service.press(123, 0x1800));
    EXPECT_TRUE(ran.empty());                          // not inside the handler
    EXPECT_TRUE(service.press(123, 0x1800 | 0x0400));  // Caps Lock held: same hot key
    EXPECT_EQ(runLoop.runUntilIdle(), 2);
    EXPECT_EQ(ran, (std::vector<std::string>{"left", "left"}));
}

TEST_F(ShortcutMonitorTest, ReplacingAnEqualShortcutRegistersTheNewOneFirst) {
    monitor->registerShortcut(kLeft, record("old"));
    service.clearCalls();
    EXPECT_TRUE(monitor->registerShortcut(Shortcut(123, 0xC0000 | modifier::kCapsLock), record("new")));
    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(service.calls()[0].kind, Call::Kind::Register);
    EXPECT_EQ(service.calls()[0].id.id, 2u);
    EXPECT_EQ(service.calls()[1].kind, Call::Kind::Unregister);
    EXPECT_EQ(service.calls()[1].id.id, 1u);
    EXPECT_EQ(service.registrations().size(), 1u);

    service.press(123, 0x1800);
    runLoop.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"new"});
}

TEST_F(ShortcutMonitorTest, RefusalOfAHeldCombinationKeepsTheOldEntry) {
    monitor->registerShortcut(kLeft, record("old"));
    service.refuse(123, 0x1800);
    EXPECT_FALSE(monitor->registerShortcut(kLeft, record("new")));
    EXPECT_TRUE(monitor->isShortcutRegistered(kLeft));
    EXPECT_TRUE(service.isRegistered(123, 0x1800));
    service.press(123, 0x1800);
    runLoop.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"old"});
}

TEST_F(ShortcutMonitorTest, EventsThatMatchNothingAreIgnored) {
    monitor->registerShortcut(kLeft, record("left"));  // id 1
    monitor->registerShortcut(kM, nullptr);            // id 2: no action
    struct Row {
        const char* what;
        HotKeyEvent event;
    } rows[] = {
        {"foreign signature", {kEventClassKeyboard, kEventHotKeyPressed, EventHotKeyID{fourCharCode("ABCD"), 1}}},
        {"unknown id", {kEventClassKeyboard, kEventHotKeyPressed, EventHotKeyID{kHotKeySignature, 9}}},
        {"unreadable id", {kEventClassKeyboard, kEventHotKeyPressed, std::nullopt}},
        {"other class", {fourCharCode("mous"), kEventHotKeyPressed, EventHotKeyID{kHotKeySignature, 1}}},
        {"entry without action", {kEventClassKeyboard, kEventHotKeyPressed, EventHotKeyID{kHotKeySignature, 2}}},
    };
    for (const auto& row : rows) {
        service.deliver(row.event);
        EXPECT_EQ(runLoop.pendingTasks(), 0u) << row.what;
    }
    service.deliver({kEventClassKeyboard, kEventHotKeyPressed, EventHotKeyID{kHotKeySignature, 1}});
    runLoop.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"left"});
}

TEST_F(ShortcutMonitorTest, UnregisteringRemovesTheSystemRegistration) {
    monitor->registerShortcut(kLeft, record("left"));
    monitor->registerShortcut(kM, record("m"));
    EXPECT_TRUE(service.press(123, 0x1800));  // queued before unregistering: still runs
    monitor->unregisterShortcut(std::nullopt);
    monitor->unregisterShortcut(kRight);
    EXPECT_EQ(service.registrations().size(), 2u);
    monitor->unregisterShortcut(kLeft);
    EXPECT_FALSE(service.isRegistered(123, 0x1800));
    EXPECT_FALSE(service.press(123, 0x1800));
    runLoop.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"left"});
}

TEST(ShortcutMonitorCreationTest, FailsWithoutAHandlerAndCleansUp) {
    SimHotKeyService service;
    sim::SimRunLoop runLoop;
    service.setHandlerInstallationFails(true);
    EXPECT_FALSE(ShortcutMonitor::create(service, runLoop));

    service.setHandlerInstallationFails(false);
    {
        auto monitor = ShortcutMonitor::create(service, runLoop);
        monitor->registerShortcut(kLeft, [] {});
        EXPECT_EQ(service.handlerCount(), 1u);
    }
    EXPECT_EQ(service.handlerCount(), 0u);
    EXPECT_TRUE(service.registrations().empty());
}

}  // namespace
}  // namespace tilvane
