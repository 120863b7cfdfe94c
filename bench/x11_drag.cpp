// How fast a window follows the pointer while the user holds the move or the
// resize combination, on a private headless desktop (Xvfb with two monitors,
// openbox and the docks of the end-to-end tests): the latency from a pointer
// movement sent through XTest to the window's first ConfigureNotify, and to
// its last one (the geometry the movement ends in, which a resize may reach
// in more than one step), while `tilvane` serves with modifier drags
// switched on.
//
//   bench_x11_drag [--motions N] [--also PROGRAM]...
//
// --also measures another build of tilvane the same way (an older one, say),
// the programs taking turns in blocks, so that before and after come from one run.
//
// Numbers only; nothing here passes or fails.

#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "harness/desktop.h"
#include "latency.h"
#include "platform/x11/key_codes.h"

using namespace tilvane;
using namespace tilvane::e2e;
using namespace tilvane::bench;

namespace {

void fake(XClient& x, uint8_t type, uint8_t detail, int16_t rootX = 0, int16_t rootY = 0) {
    xcb_test_fake_input(x.c(), type, detail, XCB_CURRENT_TIME, x.root(), rootX, rootY, 0);
    x.conn().flush();
}

void keys(XClient& x, const std::vector<uint16_t>& virtualKeys, uint8_t type) {
    for (uint16_t vk : virtualKeys) fake(x, type, x11::xKeycodeForVirtualKey(vk).value_or(0));
}

struct Drag {
    const char* name;
    std::vector<const char*> settings;  // switched on, all other combination keys off
    std::vector<uint16_t> modifiers;
    double grabX, grabY;  // from the frame's corner
};

}  // namespace

int main(int argc, char** argv) {
    int motions = 1000;
    std::vector<std::string> programs{tilvaneBinary()};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--motions")) motions = std::max(10, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--also")) programs.emplace_back(argv[i + 1]);
    }
    std::string skip, failure;
    auto desktop = Desktop::start({}, skip, failure);
    if (!desktop) {
        std::fprintf(stderr, "bench_x11_drag: %s\n", skip.empty() ? failure.c_str() : skip.c_str());
        return skip.empty() ? 1 : 0;
    }
    XClient& x = desktop->x();
    auto window = desktop->openWindow("bench");
    const Rect start{1800, 200, 600, 450};
    uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c(), window.id, XCB_CW_EVENT_MASK, &mask);
    // When the window's latest ConfigureNotify was read.
    Clock::time_point lastConfigure;
    x.conn().addObserver([&](const xcb_generic_event_t& e) {
        if (x11::eventType(e) == XCB_CONFIGURE_NOTIFY &&
            reinterpret_cast<const xcb_configure_notify_event_t&>(e).window == window.id)
            lastConfigure = Clock::now();
    });

    std::printf("Tilvane on Xvfb %s (3360x1080, two monitors, openbox)\n", desktop->display().c_str());
    std::printf(
        "\nXTest pointer movement -> the window's first and last ConfigureNotify, combination held (%d movements "
        "each):\n",
        motions);
    const Drag drags[] = {
        {"move (Control+Option)", {"WindowMovingEnabled", "WMoveControl", "WMoveOption"}, {0x3B, 0x3A}, 200, 150},
        {"resize (Control+Command, lower right)",
         {"WindowResizingEnabled", "WSizeControl", "WSizeCommand"},
         {0x3B, 0x37},
         450,
         350},
    };
    // The programs take turns in blocks, so that a machine that slows down
    // for a while slows all of them alike.
    constexpr int kBlocks = 4;
    for (const auto& drag : drags) {
        std::vector<std::vector<double>> first(programs.size()), last(programs.size());
        std::vector<int> lost(programs.size(), 0);
        for (int block = 0; block < kBlocks; ++block) {
            for (size_t p = 0; p < programs.size(); ++p) {
                const std::string& program = programs[p];
                for (const char* key : {"WMoveF", "WMoveShift", "WMoveOption", "WMoveControl", "WMoveCommand", "WSizeF",
                                        "WSizeShift", "WSizeOption", "WSizeControl", "WSizeCommand"})
                    desktop->run({tilvaneBinary(), "defaults", "write", key, "-bool", "false"});
                for (const char* key : drag.settings)
                    desktop->run({tilvaneBinary(), "defaults", "write", key, "-bool", "true"});
                x.placeFrame(window.id, start);
                // Builds older than the desktop application serve without the word.
                std::string help;
                desktop->run({program, "--help"}, &help);
                std::vector<std::string> command{program};
                if (help.find("tilvane serve") != std::string::npos) command.push_back("serve");
                auto serving = desktop->start(command, "tilvane.log");
                if (!x.waitUntil([&] { return x.selectionOwner("TILVANE_S0") != XCB_WINDOW_NONE; }, 60s)) {
                    std::fprintf(stderr, "bench_x11_drag: tilvane did not start:\n%s", serving->log().c_str());
                    return 1;
                }
                fake(x, XCB_MOTION_NOTIFY, 0, int16_t(start.x + drag.grabX), int16_t(start.y + drag.grabY));
                keys(x, drag.modifiers, XCB_KEY_PRESS);
                // Once the program answers, it has seen the modifiers and holds the window.
                x.pingSelectionOwner("TILVANE_S0");

                for (int i = -20; i < motions / kBlocks; ++i) {
                    // Back and forth, so that the window stays where it is.
                    int16_t step = (i % 2 == 0) ? 3 : -3;
                    x.conn().dispatchPending();
                    auto t0 = Clock::now();
                    fake(x, XCB_MOTION_NOTIFY, 1, step, step);
                    bool done = x.conn().waitForEvent(
                        [&](const xcb_generic_event_t& e) {
                            return x11::eventType(e) == XCB_CONFIGURE_NOTIFY &&
                                   reinterpret_cast<const xcb_configure_notify_event_t&>(e).window == window.id;
                        },
                        t0 + 2s);
                    double elapsed = msSince(t0);
                    // Whatever else the movement asked of the window manager has
                    // been done once it answers; the last notification came before.
                    x.syncWindowManager();
                    if (!done) {
                        ++lost[p];
                        continue;
                    }
                    if (i >= 0) {
                        first[p].push_back(elapsed);
                        last[p].push_back(std::chrono::duration<double, std::milli>(lastConfigure - t0).count());
                    }
                }
                std::vector<uint16_t> up(drag.modifiers.rbegin(), drag.modifiers.rend());
                keys(x, up, XCB_KEY_RELEASE);
                serving->signal(SIGTERM);
                serving->wait();
            }
        }
        for (size_t p = 0; p < programs.size(); ++p) {
            if (first[p].empty()) {
                std::fprintf(stderr, "bench_x11_drag: no movement reached the window (%s)\n", drag.name);
                return 1;
            }
            std::string name = std::string(drag.name) + (p == 0 ? "" : ", " + programs[p]);
            print((name + ": first").c_str(), first[p].size(), summarize(first[p]));
            print((name + ": final").c_str(), last[p].size(), summarize(last[p]));
            if (lost[p]) std::printf("    (%d movements lost)\n", lost[p]);
        }
    }
    return 0;
}
