// Hot keys as root-window grabs on a real server: combinations another client
// holds are refused and told apart from the program's own, and recording a
// shortcut takes the whole keyboard once another client lets go of it. (The
// lock keys and the modifier map, and a grab two registrations share, the
// serving and settings tests of the program show.)

#include <chrono>
#include <optional>
#include <vector>

#include "platform/linux/linux_run_loop.h"
#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

constexpr uint16_t kLeft = 123, kRight = 124;
constexpr uint32_t kControlOption = kCarbonControlKey | kCarbonOptionKey;
constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

class HotKeysTest : public BackendTest {
protected:
    OSStatus add(uint32_t keyCode, uint32_t modifiers, uint32_t id) {
        EventHotKeyRef ref = 0;
        return backend().hotKeys().registerEventHotKey(keyCode, modifiers, {fourCharCode("TLVN"), id}, ref);
    }
};

// While the user records a shortcut, the program asks whether another
// program holds the combination: a probe that must leave every grab as it was.
TEST_F(HotKeysTest, ACombinationAnotherProgramHoldsIsRefusedReportedAndProbingChangesNoGrab) {
    auto& hotKeys = backend().hotKeys();
    auto other = XClient::connect(desktop().display());
    ASSERT_TRUE(other->grabKey(kLeft, kXControlAlt));
    EXPECT_TRUE(hotKeys.isHeldByAnotherProgram(kLeft, kControlOption));
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kRight, kControlOption));
    // The free combination was let go of again: another program can take it.
    EXPECT_TRUE(x().keyIsFree(kRight, kXControlAlt));

    EXPECT_EQ(add(kLeft, kControlOption, 1), kEventHotKeyExistsErr);
    EXPECT_EQ(add(kRight, kControlOption, 2), kNoErr);
    // The program's own hot key is not another program's. (That the rest
    // act, the serving tests of the program show.)
    EXPECT_FALSE(hotKeys.isHeldByAnotherProgram(kRight, kControlOption));
    // A refused registration leaves no grab of its own behind once the other client lets go.
    other->ungrabKey(kLeft, kXControlAlt);
    EXPECT_TRUE(x().keyIsFree(kLeft, kXControlAlt));
}

// Recording a shortcut takes the whole keyboard. Another client holding it
// for a moment only delays that; one that keeps it makes it fail. The
// keyboard is asked for again on the loop, so that the program goes on meanwhile.
TEST_F(HotKeysTest, TheKeyboardIsTakenOnceAnotherClientLetsGoOfIt) {
    linux_platform::LinuxRunLoop loop;
    std::optional<bool> taken;
    for (bool letsGo : {true, false}) {
        SCOPED_TRACE(letsGo ? "let go of" : "kept");
        ASSERT_TRUE(x().grabKeyboard());
        taken.reset();
        backend().hotKeys().grabKeyboard(
            loop, [](const x11::X11HotKeyService::GrabbedKey&) {}, [&](bool ok) { taken = ok; });
        EXPECT_FALSE(taken) << "the answer came while the other client held the keyboard";
        if (letsGo) x().ungrabKeyboard();
        while (!taken) loop.runOnce(std::chrono::milliseconds(100));
        EXPECT_EQ(taken, letsGo);
        if (letsGo) {
            EXPECT_FALSE(x().keyboardIsFree());
            backend().hotKeys().releaseKeyboard();
        } else {
            x().ungrabKeyboard();
        }
        catchUp();
    }
}

}  // namespace
}  // namespace tilvane::e2e
