// How fast the program moves a window on a private headless desktop (Xvfb
// with two monitors, openbox and the docks of the end-to-end tests):
//
//  1. the latency from a key press sent through XTest to the window's
//     ConfigureNotify while `tilvane` serves the hot keys, alternating
//     between the left half and the centre so that every press moves and
//     resizes the window;
//  2. `tilvane place` against `wmctrl -r :ACTIVE: -e` and `xdotool
//     getactivewindow windowmove ... windowsize ...` doing the same
//     placements, each as a whole process.
//
//   bench_x11_actions [--presses N] [--runs N] [--also PROGRAM]...
//
// --also adds another build of tilvane to the whole-process comparison (an
// older one, say), so that before and after are measured side by side.
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

void sendKeys(XClient& x, const std::vector<uint16_t>& virtualKeys, uint8_t type) {
    for (uint16_t vk : virtualKeys)
        xcb_test_fake_input(x.c(), type, x11::xKeycodeForVirtualKey(vk).value_or(0), XCB_CURRENT_TIME, x.root(), 0, 0,
                            0);
    x.conn().flush();
}

std::string number(double v) {
    return std::to_string(long(v));
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 300, runs = 100;
    std::vector<std::string> also;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--presses")) presses = std::max(10, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--runs")) runs = std::max(5, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--also")) also.emplace_back(argv[i + 1]);
    }
    std::string skip, failure;
    auto desktop = Desktop::start({}, skip, failure);
    if (!desktop) {
        std::fprintf(stderr, "bench_x11_actions: %s\n", skip.empty() ? failure.c_str() : skip.c_str());
        return skip.empty() ? 1 : 0;
    }
    XClient& x = desktop->x();
    auto window = desktop->openWindow("bench");
    const Rect& v = layout::kPrimaryVisible;
    x.placeFrame(window.id, {v.x + 100, v.y + 100, 500, 400});
    auto extents = x.words(window.id, "_NET_FRAME_EXTENTS");
    extents.resize(4, 0);
    const double leftHeight = v.height - extents[2] - extents[3];
    const double centreHeight = v.height / 2 - extents[2] - extents[3];
    uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c(), window.id, XCB_CW_EVENT_MASK, &mask);

    std::printf("Tilvane on Xvfb %s (3360x1080, two monitors, openbox)\n", desktop->display().c_str());

    // --- 1. key press to ConfigureNotify, with the program serving --------
    auto serving = desktop->start({tilvaneBinary(), "serve"}, "tilvane.log");
    if (!x.waitUntil([&] { return x.selectionOwner("TILVANE_S0") != XCB_WINDOW_NONE; }, 60s)) {
        std::fprintf(stderr, "bench_x11_actions: tilvane did not start:\n%s", serving->log().c_str());
        return 1;
    }
    // The modifiers go down first and the program sees them; the clock starts at the key that completes the chord.
    const std::vector<uint16_t> leftModifiers{0x3B, 0x3A}, centreModifiers{0x3B, 0x3A, 0x37};
    const uint16_t leftKey = 123, centreKey = 0x08;
    std::vector<double> toFirst, toLast;
    int lost = 0;
    for (int i = -20; i < presses; ++i) {
        bool toCentre = i % 2 == 0;
        double wantedHeight = toCentre ? centreHeight : leftHeight;
        const auto& modifiers = toCentre ? centreModifiers : leftModifiers;
        uint16_t key = toCentre ? centreKey : leftKey;
        sendKeys(x, modifiers, XCB_KEY_PRESS);
        x.pingSelectionOwner("TILVANE_S0");
        x.conn().dispatchPending();
        auto t0 = Clock::now();
        sendKeys(x, {key}, XCB_KEY_PRESS);
        double first = -1;
        bool done = x.conn().waitForEvent(
            [&](const xcb_generic_event_t& e) {
                if (x11::eventType(e) != XCB_CONFIGURE_NOTIFY) return false;
                const auto& c = reinterpret_cast<const xcb_configure_notify_event_t&>(e);
                if (c.window != window.id) return false;
                if (first < 0) first = msSince(t0);
                return c.height == wantedHeight;
            },
            t0 + 2s);
        double last = msSince(t0);
        sendKeys(x, {key}, XCB_KEY_RELEASE);
        std::vector<uint16_t> up(modifiers.rbegin(), modifiers.rend());
        sendKeys(x, up, XCB_KEY_RELEASE);
        if (!done) {
            ++lost;
            continue;
        }
        if (i < 0) continue;  // warming up
        toFirst.push_back(first);
        toLast.push_back(last);
    }
    std::printf(
        "\nXTest key press completing a shortcut -> the window's ConfigureNotify, tilvane serving (%d presses, %d "
        "lost):\n",
        int(toLast.size()), lost);
    print("first ConfigureNotify (the move)", toFirst.size(), summarize(toFirst));
    print("last ConfigureNotify (the new size)", toLast.size(), summarize(toLast));
    serving->signal(SIGTERM);
    serving->wait();

    // The floor: the same moves asked of the window manager directly by this client.
    std::vector<double> direct;
    for (int i = -20; i < presses; ++i) {
        bool toCentre = i % 2 == 0;
        Rect r = toCentre ? Rect{v.x + v.width / 4, v.y + v.height / 4, v.width / 2, v.height / 2}
                          : Rect{v.x, v.y, v.width / 2, v.height};
        double wantedHeight = r.height - extents[2] - extents[3];
        x.conn().dispatchPending();
        auto t0 = Clock::now();
        x.conn().sendRootMessage(window.id, x.atom("_NET_MOVERESIZE_WINDOW"),
                                 {1 | (0xFu << 8) | (2u << 12), uint32_t(r.x), uint32_t(r.y),
                                  uint32_t(r.width - extents[0] - extents[1]), uint32_t(wantedHeight)});
        bool done = x.conn().waitForEvent(
            [&](const xcb_generic_event_t& e) {
                if (x11::eventType(e) != XCB_CONFIGURE_NOTIFY) return false;
                const auto& c = reinterpret_cast<const xcb_configure_notify_event_t&>(e);
                return c.window == window.id && c.height == wantedHeight;
            },
            t0 + 2s);
        if (done && i >= 0) direct.push_back(msSince(t0));
    }
    print("floor: one _NET_MOVERESIZE_WINDOW from a client", direct.size(), summarize(direct));

    // --- 2. one placement as a whole process -------------------------------
    // The same two placements each way: the left and the right half of the primary monitor.
    const Rect halves[2] = {{v.x, v.y, v.width / 2, v.height}, {v.x + v.width / 2, v.y, v.width / 2, v.height}};
    auto clientW = [&](const Rect& r) { return number(r.width - extents[0] - extents[1]); };
    auto clientH = [&](const Rect& r) { return number(r.height - extents[2] - extents[3]); };
    struct Peer {
        const char* name;
        std::vector<std::string> argv[2];
    };
    std::vector<Peer> peers;
    std::vector<std::string> names;  // the peers' names live here
    peers.push_back(
        {"tilvane place left|right", {{tilvaneBinary(), "place", "left"}, {tilvaneBinary(), "place", "right"}}});
    names.reserve(also.size());
    for (const auto& program : also) {
        names.push_back(program + " place left|right");
        peers.push_back({names.back().c_str(), {{program, "place", "left"}, {program, "place", "right"}}});
    }
    if (inPath("wmctrl")) {
        Peer p{"wmctrl -r :ACTIVE: -e 0,X,Y,W,H", {}};
        for (int k = 0; k < 2; ++k)
            p.argv[k] = {"wmctrl", "-r", ":ACTIVE:", "-e",
                         "0," + number(halves[k].x) + "," + number(halves[k].y) + "," + clientW(halves[k]) + "," +
                             clientH(halves[k])};
        peers.push_back(p);
    }
    if (inPath("xdotool")) {
        Peer p{"xdotool getactivewindow windowmove X Y windowsize W H", {}};
        for (int k = 0; k < 2; ++k)
            p.argv[k] = {"xdotool",           "getactivewindow", "windowmove",       number(halves[k].x),
                         number(halves[k].y), "windowsize",      clientW(halves[k]), clientH(halves[k])};
        peers.push_back(p);
    }
    std::printf(
        "\nOne placement as a whole process, start to exit (%d runs each, the programs interleaved, "
        "alternating left and right):\n",
        runs);
    std::vector<std::vector<double>> ms(peers.size());
    std::vector<int> failed(peers.size(), 0);
    for (int i = -5; i < runs; ++i) {
        for (size_t p = 0; p < peers.size(); ++p) {
            auto t0 = Clock::now();
            auto process =
                Process::spawn(peers[p].argv[(i + 100) % 2], desktop->environment(), desktop->folder() + "/peer.log");
            int status = process ? process->wait() : 127;
            double elapsed = msSince(t0);
            if (status != 0) ++failed[p];
            if (i >= 0) ms[p].push_back(elapsed);
        }
    }
    for (size_t p = 0; p < peers.size(); ++p) {
        print(peers[p].name, ms[p].size(), summarize(ms[p]));
        if (failed[p]) std::printf("    (%d runs failed)\n", failed[p]);
    }
    return 0;
}
