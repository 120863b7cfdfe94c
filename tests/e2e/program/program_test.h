#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <vector>

#include "harness/desktop_test.h"
#include "harness/placement_rows.h"
#include "platform/x11/x_errors.h"

namespace tilvane::e2e {

// Virtual key codes the tests press.
namespace key {
inline constexpr uint16_t kLeft = 123, kRight = 124, kDown = 125, kUp = 126;
inline constexpr uint16_t kC = 0x08, kM = 0x2E, kJ = 0x26, kN = 0x2D, kP = 0x23, kH = 0x04, kK = 0x28;
inline constexpr uint16_t kControl = 0x3B, kOption = 0x3A, kCommand = 0x37, kShift = 0x38;
inline constexpr uint16_t kReturn = 0x24, kEscape = 0x35, kNumLock = 0x47, kCapsLock = 0x39;
// The default shortcuts of the left and the right half.
inline const std::vector<uint16_t> kDefaultLeft{kControl, kOption, kLeft}, kDefaultRight{kControl, kOption, kRight};
// Control+Alt, the modifiers of those shortcuts, as another program grabs them.
inline constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
}  // namespace key

// The primary monitor's visible area, where the tests start a window, and
// the halves the default shortcuts put it in.
namespace primary {
inline constexpr Rect kVisible = layout::kPrimaryVisible;
inline constexpr Rect kStart{kVisible.x + 100, kVisible.y + 100, 500, 400};
inline constexpr Rect kLeftHalf{kVisible.x, kVisible.y, kVisible.width / 2, kVisible.height};
inline constexpr Rect kRightHalf{kVisible.x + kVisible.width / 2, kVisible.y, kVisible.width / 2, kVisible.height};
}  // namespace primary

// A test of the tilvane program on a private desktop.
class ProgramTest : public DesktopTest {
protected:
    static constexpr const char* kSelection = "TILVANE_S0";

    void TearDown() override {
        if (tilvane_ && tilvane_->running()) {
            tilvane_->signal(SIGTERM);
            tilvane_->wait();
        } else if (tilvane_ && tilvane_->wait() == x11::kExitStatusOnXError) {
            ADD_FAILURE() << "tilvane ended on an X error";
        }
        if (tilvane_ && HasFailure()) std::cerr << "tilvane's output:\n" << tilvane_->log();
        DesktopTest::TearDown();
    }

    // Starts `tilvane serve` (or, with no arguments, the desktop
    // application) and waits until it serves the display: it owns the
    // instance selection once its hot keys are bound.
    void startTilvane(const std::vector<std::string>& args = {"serve"}) {
        tilvane_ = desktop().start(tilvaneWith(args), "tilvane-" + std::to_string(++starts_) + ".log");
        ASSERT_TRUE(tilvane_);
        bool serving = x().waitUntil(
            [&] { return !tilvane_->running() || x().selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s);
        ASSERT_TRUE(serving && tilvane_->running()) << "tilvane did not start:\n" << tilvane_->log();
    }

    // Returns once the running program has handled everything sent to it
    // before, and the window manager everything the program asked of it.
    void settle() {
        ASSERT_TRUE(x().pingSelectionOwner(kSelection)) << "tilvane did not answer:\n" << tilvane_->log();
        x().syncWindowManager();
    }

    // Presses a chord while tilvane runs and waits until its effects are done.
    void pressAndSettle(const std::vector<uint16_t>& chord) {
        x().pressChord(chord);
        settle();
    }

    // Presses the chord and waits for the window to reach the frame. The
    // program's answer to a ping can come before an action it queued has run,
    // when the press and the ping reach it together; the window's frame tells for sure.
    bool pressAndWaitFor(const std::vector<uint16_t>& chord, xcb_window_t window, const Rect& expected) {
        pressAndSettle(chord);
        return x().waitUntil([&] { return frame(window) == expected; }, 5s);
    }

    // Waits for the window to reach the frame: the window manager may apply a
    // placement after a round trip to it (i3 answers none), a window that
    // draws its own shadow changes it when it is maximized, and a menu's action
    // runs on the application's turn after the menu closes.
    void expectFrameReaches(xcb_window_t window, const Rect& expected) {
        bool reached = x().waitUntil([&] { return frame(window) == expected; }, 10s);
        EXPECT_TRUE(reached) << "the window is at " << frame(window) << ", not at " << expected;
    }

    // Puts the window at the start and presses the chord until the program
    // acts on it: it hears of a change of its settings through the file, a
    // moment after the command that made it has ended.
    bool pressUntil(const std::vector<uint16_t>& chord, xcb_window_t window, const Rect& expected) {
        x().placeFrame(window, primary::kStart);
        return x().waitUntil([&] {
            x().pressChord(chord);
            if (!x().pingSelectionOwner(kSelection)) return false;
            x().syncWindowManager();
            return frame(window) == expected;
        });
    }

    // The program's command line with these arguments.
    static std::vector<std::string> tilvaneWith(const std::vector<std::string>& args) {
        std::vector<std::string> argv{tilvaneBinary()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    int tilvane(const std::vector<std::string>& args, std::string* output = nullptr) {
        return desktop().run(tilvaneWith(args), output);
    }

    // `tilvane place ACTION` as a whole process, then the window manager's work.
    void place(const std::string& action) {
        std::string output;
        ASSERT_EQ(tilvane({"place", action}, &output), 0) << output;
        x().syncWindowManager();
    }

    // `tilvane defaults write KEY -TYPE VALUE`, which must succeed.
    void write(const std::string& key, const std::string& type, const std::string& value) {
        std::string output;
        ASSERT_EQ(tilvane({"defaults", "write", key, "-" + type, value}, &output), 0) << key << ": " << output;
    }
    // What `tilvane defaults read KEY` prints.
    std::string read(const std::string& key) {
        std::string output;
        tilvane({"defaults", "read", key}, &output);
        return output;
    }

    // The settings folder and file of the programs on the desktop.
    std::string folder() { return desktop().folder() + "/config/tilvane"; }
    std::string file() { return folder() + "/defaults.plist"; }

    // Waits until the condition on the settings holds, checking it again
    // each time the settings file is written, replaced or removed.
    bool settingsBecome(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
        std::filesystem::create_directories(folder());
        int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, folder().c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE);
        auto deadline = std::chrono::steady_clock::now() + limit;
        bool met = condition();
        for (pollfd p{watch, POLLIN, 0}; !met;) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0) break;
            alignas(inotify_event) char events[4096];
            ssize_t length = ::read(watch, events, sizeof events);
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                if (event->len && std::string_view(event->name) == "defaults.plist") met = condition();
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        ::close(watch);
        return met;
    }

    // The line `tilvane shortcuts` prints for a key.
    std::string shortcutLine(const std::string& key) {
        std::string output;
        tilvane({"shortcuts"}, &output);
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(key + " ", 0) == 0) return line;
        return "no line for " + key + " in:\n" + output;
    }

    // The window's frame as the user sees it (a GTK window's shadow left out).
    Rect frame(xcb_window_t window) { return x().visibleFrameOf(window).value_or(kNullRect); }

    std::unique_ptr<Process> tilvane_;
    int starts_ = 0;
};

}  // namespace tilvane::e2e
