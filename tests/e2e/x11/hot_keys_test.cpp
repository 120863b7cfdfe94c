// Hot keys as root-window grabs on a real server: presses through XTest reach
// the handler with the registration's identifier whatever the lock keys,
// combinations another client holds are refused, and the grabs follow
// changes of the keyboard mapping.

#include <chrono>
#include <optional>
#include <vector>

#include "platform/linux/linux_run_loop.h"
#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

constexpr uint16_t kLeft = 123, kRight = 124, kNumLockKey = 0x47, kCapsLock = 0x39;
constexpr uint16_t kControl = 0x3B, kOption = 0x3A, kCommand = 0x37, kShift = 0x38;
constexpr uint32_t kControlOption = kCarbonControlKey | kCarbonOptionKey;
constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

class HotKeysTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        EventHandlerRef ref = 0;
        backend().hotKeys().installEventHandler(
            [this](const HotKeyEvent& e) {
                if (e.hotKeyID) pressed_.push_back(e.hotKeyID->id);
            },
            ref);
    }

    OSStatus add(uint32_t keyCode, uint32_t modifiers, uint32_t id, EventHotKeyRef* ref = nullptr) {
        EventHotKeyRef r = 0;
        OSStatus status = backend().hotKeys().registerEventHotKey(keyCode, modifiers, {kSignature, id}, r);
        if (ref) *ref = r;
        return status;
    }

    // Presses the chord and returns the identifiers the handler heard.
    std::vector<uint32_t> press(const std::vector<uint16_t>& chord) {
        pressed_.clear();
        x().pressChord(chord);
        // Everything the press caused is in the backend's queue after a round trip.
        catchUp();
        return pressed_;
    }

    static constexpr uint32_t kSignature = fourCharCode("TLVN");
    std::vector<uint32_t> pressed_;
};

TEST_F(HotKeysTest, APressReachesTheHandlerWithItsIdentifier) {
    ASSERT_EQ(add(kLeft, kControlOption, 7), kNoErr);
    ASSERT_EQ(add(kRight, kCarbonCmdKey | kCarbonShiftKey, 8), kNoErr);
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{7});
    EXPECT_EQ(press({kCommand, kShift, kRight}), std::vector<uint32_t>{8});
    // Other modifiers make another combination.
    EXPECT_EQ(press({kControl, kLeft}), std::vector<uint32_t>{});
    EXPECT_EQ(press({kControl, kOption, kShift, kLeft}), std::vector<uint32_t>{});
}

TEST_F(HotKeysTest, LockKeysDoNotStopAHotKey) {
    ASSERT_EQ(add(kLeft, kControlOption, 1), kNoErr);
    for (uint16_t lock : {kNumLockKey, kCapsLock}) {
        SCOPED_TRACE(lock);
        press({lock});  // on
        EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{1});
        press({lock});  // off
    }
    press({kNumLockKey});
    press({kCapsLock});
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{1});
}

TEST_F(HotKeysTest, ACombinationAnotherClientHoldsIsRefusedAndTheRestWork) {
    auto other = XClient::connect(desktop().display());
    ASSERT_TRUE(other->grabKey(kLeft, kXControlAlt));
    EXPECT_EQ(add(kLeft, kControlOption, 1), kEventHotKeyExistsErr);
    EXPECT_EQ(add(kRight, kControlOption, 2), kNoErr);
    EXPECT_EQ(press({kControl, kOption, kRight}), std::vector<uint32_t>{2});
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{});

    // A refused registration leaves no grab of its own behind once the other client lets go.
    other->ungrabKey(kLeft, kXControlAlt);
    auto third = XClient::connect(desktop().display());
    EXPECT_TRUE(third->grabKey(kLeft, kXControlAlt));
}

TEST_F(HotKeysTest, UnregisteringReleasesTheGrabOnlyWhenNoRegistrationSharesIt) {
    EventHotKeyRef first = 0, second = 0;
    ASSERT_EQ(add(kLeft, kControlOption, 1, &first), kNoErr);
    ASSERT_EQ(add(kLeft, kControlOption, 2, &second), kNoErr);
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{2});

    backend().hotKeys().unregisterEventHotKey(second);
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{1});
    auto other = XClient::connect(desktop().display());
    EXPECT_FALSE(other->grabKey(kLeft, kXControlAlt));

    backend().hotKeys().unregisterEventHotKey(first);
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{});
    EXPECT_TRUE(other->grabKey(kLeft, kXControlAlt));
}

TEST_F(HotKeysTest, KeysWithoutAPlaceOnTheKeyboardAreInvalid) {
    EXPECT_EQ(add(0x34, kControlOption, 1), kEventHotKeyInvalidErr);
    EXPECT_EQ(add(0x10000, kControlOption, 2), kEventHotKeyInvalidErr);
}

TEST_F(HotKeysTest, GrabsFollowAChangedModifierMap) {
    if (!inPath("xmodmap")) GTEST_SKIP() << "xmodmap is not installed";
    ASSERT_EQ(add(kLeft, kControlOption, 1), kNoErr);
    // Num Lock moves to another modifier bit: presses with it on carry Mod3 now.
    ASSERT_EQ(desktop().run({"xmodmap", "-e", "clear mod2", "-e", "add mod3 = Num_Lock"}), 0);
    catchUp();
    press({kNumLockKey});
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{1});
    press({kNumLockKey});
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{1});
}

}  // namespace
}  // namespace tilvane::e2e

namespace tilvane::e2e {
namespace {

// While the user records a shortcut, the program asks whether another
// program holds the combination: a probe that must leave every grab as it was.
TEST_F(HotKeysTest, ACombinationAnotherProgramHoldsIsReportedAndProbingChangesNoGrab) {
    auto& hotKeys = backend().hotKeys();
    ASSERT_TRUE(x().grabKey(kRight, kXControlAlt));  // another program holds Control+Alt+Right
    EXPECT_TRUE(hotKeys.isHeldByAnotherProgram(kRight, kControlOption));
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kLeft, kControlOption));
    // The free combination was let go of again: the other program can take it.
    EXPECT_TRUE(x().grabKey(kLeft, kXControlAlt));
    x().ungrabKey(kLeft, kXControlAlt);
    x().ungrabKey(kRight, kXControlAlt);

    // The program's own hot key is not another program's, and it keeps acting.
    ASSERT_EQ(add(kLeft, kControlOption, 9), kNoErr);
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kLeft, kControlOption));
    EXPECT_EQ(press({kControl, kOption, kLeft}), std::vector<uint32_t>{9});
}

}  // namespace
}  // namespace tilvane::e2e

namespace tilvane::e2e {
namespace {

// Recording a shortcut takes the whole keyboard. Another client holding it
// for a moment only delays that; one that keeps it makes it fail.
// The keyboard is asked for again on the loop while another client holds it,
// so that the program goes on meanwhile; it is taken once the other lets go.
TEST_F(HotKeysTest, TheKeyboardIsTakenOnceAnotherClientLetsGoOfIt) {
    auto& hotKeys = backend().hotKeys();
    auto grabByTheTest = [&] {
        x11::XPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
            x().c(),
            xcb_grab_keyboard(x().c(), 0, x().root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    };
    auto noKey = [](const x11::X11HotKeyService::GrabbedKey&) {};
    linux_platform::LinuxRunLoop loop;
    std::optional<bool> taken;
    auto runUntilAnswered = [&] {
        while (!taken) loop.runOnce(std::chrono::milliseconds(100));
    };

    ASSERT_TRUE(grabByTheTest());
    hotKeys.grabKeyboard(loop, noKey, [&](bool ok) { taken = ok; });
    EXPECT_FALSE(taken) << "the answer came while the other client held the keyboard";
    xcb_ungrab_keyboard(x().c(), XCB_CURRENT_TIME);
    x().conn().roundTrip();
    runUntilAnswered();
    EXPECT_EQ(taken, true);
    EXPECT_FALSE(grabByTheTest());
    hotKeys.releaseKeyboard();
    catchUp();

    // Held for good by the other: refused, after a while on the loop.
    ASSERT_TRUE(grabByTheTest());
    taken.reset();
    hotKeys.grabKeyboard(loop, noKey, [&](bool ok) { taken = ok; });
    runUntilAnswered();
    EXPECT_EQ(taken, false);
    xcb_ungrab_keyboard(x().c(), XCB_CURRENT_TIME);
    x().conn().roundTrip();
}

}  // namespace
}  // namespace tilvane::e2e
