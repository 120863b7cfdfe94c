// How fast and how frugally the program moves a window on a private headless
// desktop (Xvfb with two monitors, openbox and the docks of the end-to-end
// tests):
//
//  1. the latency from a key press sent through XTest to the window's
//     ConfigureNotify while `tilvane serve` serves the hot keys, alternating
//     between the left half and the centre so that every press moves and
//     resizes the window, next to the floor: the same request sent by a
//     client straight to the window manager;
//  2. what a hot key costs the serving program: its round trips to the X
//     server (counted by a relay in front of the server), how often it wakes
//     up for a chord and for a Shift press and release, its wake-ups while
//     idle and its resident memory; the same for the desktop application's
//     idle;
//  3. `tilvane place` against `wmctrl -r :ACTIVE: -e` and `xdotool
//     getactivewindow windowmove ... windowsize ...` doing the same
//     placements, each as a whole process, with the round trips of each and
//     the dynamic loader's start-up time for the tilvane builds.
//
//   bench_x11_actions [--presses N] [--runs N] [--gap MS] [--idle SECONDS] [--also PROGRAM]...
//
// --gap leaves that long between one press's final ConfigureNotify and the
// next press (25 ms, about a key's repeat interval; 0 measures presses back
// to back, where a press also meets what is left of the one before).
//
// --also adds another build of tilvane to every comparison (an older one,
// say), so that before and after are measured side by side in one run: the
// serving programs take turns in blocks, the whole processes run interleaved.
//
// Numbers only; nothing here passes or fails.

#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "harness/desktop.h"
#include "harness/x_relay.h"
#include "latency.h"
#include "platform/x11/key_codes.h"
#include "process_stats.h"

using namespace tilvane;
using namespace tilvane::e2e;
using namespace tilvane::bench;

namespace {

constexpr const char* kSelection = "TILVANE_S0";
constexpr uint16_t kShift = 0x38;

void sendKeys(XClient& x, const std::vector<uint16_t>& virtualKeys, uint8_t type) {
    for (uint16_t vk : virtualKeys)
        xcb_test_fake_input(x.c(), type, x11::xKeycodeForVirtualKey(vk).value_or(0), XCB_CURRENT_TIME, x.root(), 0, 0,
                            0);
    x.conn().flush();
}

std::string number(double v) {
    return std::to_string(long(v));
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    return summarize(std::move(v)).p50;
}

// The two placements the presses alternate between, and how to recognise
// that the window has reached one: its client height.
struct Chords {
    std::vector<uint16_t> modifiers[2];
    uint16_t key[2];
    double height[2];
};

// A serving program started on the desktop and ready once it owns the instance selection.
std::unique_ptr<Process> startServing(Desktop& desktop, const std::vector<std::string>& argv,
                                      const std::map<std::string, std::string>& environment) {
    auto process = Process::spawn(argv, environment, desktop.folder() + "/serving.log");
    XClient& x = desktop.x();
    if (!process ||
        !x.waitUntil([&] { return !process->running() || x.selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s) ||
        !process->running()) {
        std::fprintf(stderr, "bench_x11_actions: %s did not start:\n%s\n", argv[0].c_str(),
                     process ? process->log().c_str() : "");
        return nullptr;
    }
    return process;
}

void stopServing(std::unique_ptr<Process>& process) {
    if (!process) return;
    process->signal(SIGTERM);
    process->wait();
    process.reset();
}

// Presses chord i % 2 with its modifiers already down; the times to the
// window's first and last ConfigureNotify. False when it did not arrive.
bool pressAndTime(XClient& x, xcb_window_t window, const Chords& chords, int i, double& first, double& last,
                  std::chrono::milliseconds gap) {
    int k = i % 2;
    std::this_thread::sleep_for(gap);
    sendKeys(x, chords.modifiers[k], XCB_KEY_PRESS);
    // The clock starts at the key that completes the chord, once the program has seen the modifiers.
    x.pingSelectionOwner(kSelection);
    x.conn().dispatchPending();
    auto t0 = Clock::now();
    sendKeys(x, {chords.key[k]}, XCB_KEY_PRESS);
    first = -1;
    bool done = x.conn().waitForEvent(
        [&](const xcb_generic_event_t& e) {
            if (x11::eventType(e) != XCB_CONFIGURE_NOTIFY) return false;
            const auto& c = reinterpret_cast<const xcb_configure_notify_event_t&>(e);
            if (c.window != window) return false;
            if (first < 0) first = msSince(t0);
            return c.height == chords.height[k];
        },
        t0 + 2s);
    last = msSince(t0);
    sendKeys(x, {chords.key[k]}, XCB_KEY_RELEASE);
    std::vector<uint16_t> up(chords.modifiers[k].rbegin(), chords.modifiers[k].rend());
    sendKeys(x, up, XCB_KEY_RELEASE);
    return done;
}

// Waits for the program to handle what it was sent, and a little longer for
// the window manager's answers to reach it.
void quiet(XClient& x) {
    x.pingSelectionOwner(kSelection);
    x.syncWindowManager();
    std::this_thread::sleep_for(30ms);
}

struct Serving {
    std::string name;
    std::vector<std::string> argv;
    std::vector<double> first{}, last{};
    int lost = 0;
};

// The dynamic loader's start-up time of a program, in CPU cycles (LD_DEBUG=statistics).
long loaderCycles(Desktop& desktop, const std::string& program) {
    auto environment = desktop.environment();
    environment["LD_DEBUG"] = "statistics";
    static int runs = 0;
    auto process = Process::spawn({program, "--version"}, environment,
                                  desktop.folder() + "/ld-" + std::to_string(++runs) + ".log");
    if (!process) return -1;
    process->wait();
    std::string log = process->log();
    auto at = log.find("total startup time in dynamic loader:");
    if (at == std::string::npos) return -1;
    return std::atol(log.c_str() + at + std::strlen("total startup time in dynamic loader:"));
}

// How a build serves the hot keys without a tray icon: `tilvane serve`, or
// plain `tilvane` for builds older than the desktop application.
std::vector<std::string> servingCommand(Desktop& desktop, const std::string& program) {
    std::string help;
    desktop.run({program, "--help"}, &help);
    if (help.find("tilvane serve") != std::string::npos) return {program, "serve"};
    return {program};
}

double cpuMegahertz() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 7, "cpu MHz") == 0) return std::atof(line.c_str() + line.find(':') + 1);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 300, runs = 100, idleSeconds = 60;
    auto gap = std::chrono::milliseconds(25);
    std::vector<std::string> also;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--presses")) presses = std::max(10, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--runs")) runs = std::max(5, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--idle")) idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--gap")) gap = std::chrono::milliseconds(std::max(0, std::atoi(argv[i + 1])));
        if (!std::strcmp(argv[i], "--also")) also.emplace_back(argv[i + 1]);
    }
    std::string skip, failure;
    auto desktop = Desktop::start({}, skip, failure);
    if (!desktop) {
        std::fprintf(stderr, "bench_x11_actions: %s\n", skip.empty() ? failure.c_str() : skip.c_str());
        return skip.empty() ? 1 : 0;
    }
    auto relay = XRelay::start(desktop->display());
    if (!relay) {
        std::fprintf(stderr, "bench_x11_actions: no display free for the relay\n");
        return 1;
    }
    XClient& x = desktop->x();
    auto window = desktop->openWindow("bench");
    const Rect& v = layout::kPrimaryVisible;
    x.placeFrame(window.id, {v.x + 100, v.y + 100, 500, 400});
    auto extents = x.words(window.id, "_NET_FRAME_EXTENTS");
    extents.resize(4, 0);
    uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c(), window.id, XCB_CW_EVENT_MASK, &mask);
    // Control+Option+Command+C (the centre) and Control+Option+Left (the left half).
    const Chords chords{{{0x3B, 0x3A, 0x37}, {0x3B, 0x3A}},
                        {0x08, 123},
                        {v.height / 2 - extents[2] - extents[3], v.height - extents[2] - extents[3]}};

    std::printf("Tilvane on Xvfb %s (3360x1080, two monitors, openbox)\n", desktop->display().c_str());

    // --- 1. key press to ConfigureNotify, with the program serving --------
    std::vector<Serving> servers(1);
    servers[0].name = "tilvane serve";
    servers[0].argv = {tilvaneBinary(), "serve"};
    for (const auto& program : also) {
        servers.emplace_back();
        servers.back().name = program + " serve";
        servers.back().argv = servingCommand(*desktop, program);
    }
    std::vector<double> direct;
    const int blocks = 4;
    for (int block = 0; block < blocks; ++block) {
        for (auto& s : servers) {
            auto serving = startServing(*desktop, s.argv, desktop->environment());
            if (!serving) return 1;
            for (int i = -10; i < presses / blocks; ++i) {
                double first, last;
                if (!pressAndTime(x, window.id, chords, i + 100, first, last, gap)) {
                    ++s.lost;
                    continue;
                }
                if (i < 0) continue;  // warming up
                s.first.push_back(first);
                s.last.push_back(last);
            }
            stopServing(serving);
        }
        // The floor: the same placements asked of the window manager directly by this client.
        for (int i = -10; i < presses / blocks; ++i) {
            bool toCentre = i % 2 == 0;
            Rect r = toCentre ? Rect{v.x + v.width / 4, v.y + v.height / 4, v.width / 2, v.height / 2}
                              : Rect{v.x, v.y, v.width / 2, v.height};
            double wantedHeight = r.height - extents[2] - extents[3];
            std::this_thread::sleep_for(gap);
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
    }
    std::printf(
        "\nXTest key press completing a shortcut -> the window's ConfigureNotify while serving (%d presses each, "
        "%d ms apart, the programs taking turns in %d blocks):\n",
        presses / blocks * blocks, int(gap.count()), blocks);
    for (const auto& s : servers) {
        print((s.name + ": first ConfigureNotify").c_str(), s.first.size(), summarize(s.first));
        print((s.name + ": the final geometry").c_str(), s.last.size(), summarize(s.last));
        if (s.lost) std::printf("    (%d presses lost)\n", s.lost);
    }
    Summary floor = summarize(direct);
    print("floor: one _NET_MOVERESIZE_WINDOW from a client", direct.size(), floor);
    for (const auto& s : servers)
        std::printf("  %-58s p50 %.2fx the floor's p50\n", (s.name + ": the final geometry").c_str(),
                    summarize(s.last).p50 / floor.p50);

    // --- 2. what a hot key costs the serving program ------------------------
    std::printf(
        "\nWhat the serving program spends (medians of 20; round trips counted by a relay in front of the X server, "
        "wake-ups are voluntary context switches):\n");
    std::printf("  %-34s %10s %10s %10s %10s %10s %10s %9s\n", "", "RT/press", "RT/chord", "RT/Shift", "wake/chord",
                "wake/Shift", "idle wake", "RSS KiB");
    auto relayed = desktop->environment();
    relayed["DISPLAY"] = relay->display();
    for (const auto& s : servers) {
        std::vector<double> tripsPerPress, tripsPerChord, tripsPerShift, wakesPerChord, wakesPerShift;
        // Round trips: through the relay.
        auto serving = startServing(*desktop, s.argv, relayed);
        if (!serving) return 1;
        for (int i = -4; i < 20; ++i) {
            int k = (i + 100) % 2;
            quiet(x);
            relay->reset();
            sendKeys(x, chords.modifiers[k], XCB_KEY_PRESS);
            quiet(x);
            int beforeKey = relay->roundTrips();
            sendKeys(x, {chords.key[k]}, XCB_KEY_PRESS);
            quiet(x);
            int afterKey = relay->roundTrips();
            sendKeys(x, {chords.key[k]}, XCB_KEY_RELEASE);
            std::vector<uint16_t> up(chords.modifiers[k].rbegin(), chords.modifiers[k].rend());
            sendKeys(x, up, XCB_KEY_RELEASE);
            quiet(x);
            int total = relay->roundTrips();
            relay->reset();
            sendKeys(x, {kShift}, XCB_KEY_PRESS);
            sendKeys(x, {kShift}, XCB_KEY_RELEASE);
            quiet(x);
            if (i < 0) continue;
            tripsPerPress.push_back(afterKey - beforeKey);
            tripsPerChord.push_back(total);
            tripsPerShift.push_back(relay->roundTrips());
        }
        stopServing(serving);

        // Wake-ups and memory: straight to the server.
        serving = startServing(*desktop, s.argv, desktop->environment());
        if (!serving) return 1;
        pid_t pid = serving->pid();
        for (int i = -4; i < 20; ++i) {
            int k = (i + 100) % 2;
            quiet(x);
            long before = wakeUps(pid);
            sendKeys(x, chords.modifiers[k], XCB_KEY_PRESS);
            sendKeys(x, {chords.key[k]}, XCB_KEY_PRESS);
            sendKeys(x, {chords.key[k]}, XCB_KEY_RELEASE);
            std::vector<uint16_t> up(chords.modifiers[k].rbegin(), chords.modifiers[k].rend());
            sendKeys(x, up, XCB_KEY_RELEASE);
            x.syncWindowManager();
            std::this_thread::sleep_for(50ms);
            long chord = wakeUps(pid) - before;
            before = wakeUps(pid);
            sendKeys(x, {kShift}, XCB_KEY_PRESS);
            sendKeys(x, {kShift}, XCB_KEY_RELEASE);
            x.conn().roundTrip();
            std::this_thread::sleep_for(50ms);
            long shift = wakeUps(pid) - before;
            if (i < 0) continue;
            wakesPerChord.push_back(double(chord));
            wakesPerShift.push_back(double(shift));
        }
        std::this_thread::sleep_for(200ms);
        long before = wakeUps(pid);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        long idle = wakeUps(pid) - before;
        long rss = residentKiB(pid);
        stopServing(serving);
        std::printf("  %-34s %10.0f %10.0f %10.0f %10.0f %10.0f %10ld %9ld\n", s.name.c_str(), median(tripsPerPress),
                    median(tripsPerChord), median(tripsPerShift), median(wakesPerChord), median(wakesPerShift), idle,
                    rss);
    }
    std::printf(
        "  (RT/press: from the key that completes the chord; RT/chord and wake/chord: modifiers, key and\n"
        "   releases; idle wake: over %d s with nothing happening)\n",
        idleSeconds);

    // The desktop application: the same hot keys on Qt's loop, with the tray icon.
    {
        auto app = startServing(*desktop, {tilvaneBinary()}, desktop->environment());
        if (!app) return 1;
        pid_t pid = app->pid();
        quiet(x);
        std::this_thread::sleep_for(500ms);
        long before = wakeUps(pid);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        long idle = wakeUps(pid) - before;
        std::printf("  %-34s idle wake-ups over %d s: %ld, RSS %ld KiB\n", "tilvane (the desktop application)",
                    idleSeconds, idle, residentKiB(pid));
        stopServing(app);
    }

    // The first press after the window manager comes back, with a press
    // made while it was away: the program must not wait for answers the
    // absent window manager never gave.
    std::printf("\nThe first press after the window manager returns (one press made while it was away, 5 times):\n");
    for (const auto& s : servers) {
        std::vector<double> times;
        auto serving = startServing(*desktop, s.argv, desktop->environment());
        if (!serving) return 1;
        for (int i = 0; i < 5; ++i) {
            desktop->stopWindowManager(SIGKILL);
            sendKeys(x, chords.modifiers[0], XCB_KEY_PRESS);
            sendKeys(x, {chords.key[0]}, XCB_KEY_PRESS);
            sendKeys(x, {chords.key[0]}, XCB_KEY_RELEASE);
            sendKeys(x, chords.modifiers[0], XCB_KEY_RELEASE);
            x.pingSelectionOwner(kSelection);
            std::string failure;
            if (!desktop->restartWindowManager(failure)) {
                std::fprintf(stderr, "bench_x11_actions: %s\n", failure.c_str());
                return 1;
            }
            x.syncWindowManager();
            std::this_thread::sleep_for(100ms);
            double first, last;
            if (pressAndTime(x, window.id, chords, i % 2 == 0 ? 1 : 0, first, last, gap)) times.push_back(last);
        }
        stopServing(serving);
        if (!times.empty()) print((s.name + ": the final geometry").c_str(), times.size(), summarize(times));
    }

    // --- 3. one placement as a whole process -------------------------------
    // The same two placements each way: the left and the right half of the primary monitor.
    const Rect halves[2] = {{v.x, v.y, v.width / 2, v.height}, {v.x + v.width / 2, v.y, v.width / 2, v.height}};
    auto clientW = [&](const Rect& r) { return number(r.width - extents[0] - extents[1]); };
    auto clientH = [&](const Rect& r) { return number(r.height - extents[2] - extents[3]); };
    struct Peer {
        std::string name;
        std::vector<std::string> argv[2];
        bool tilvane = false;
    };
    std::vector<Peer> peers;
    peers.push_back(
        {"tilvane place left|right", {{tilvaneBinary(), "place", "left"}, {tilvaneBinary(), "place", "right"}}, true});
    for (const auto& program : also)
        peers.push_back(
            {program + " place left|right", {{program, "place", "left"}, {program, "place", "right"}}, true});
    if (inPath("wmctrl")) {
        Peer p{"wmctrl -r :ACTIVE: -e 0,X,Y,W,H", {}, false};
        for (int k = 0; k < 2; ++k)
            p.argv[k] = {"wmctrl", "-r", ":ACTIVE:", "-e",
                         "0," + number(halves[k].x) + "," + number(halves[k].y) + "," + clientW(halves[k]) + "," +
                             clientH(halves[k])};
        peers.push_back(p);
    }
    if (inPath("xdotool")) {
        Peer p{"xdotool getactivewindow windowmove X Y windowsize W H", {}, false};
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
        print(peers[p].name.c_str(), ms[p].size(), summarize(ms[p]));
        if (failed[p]) std::printf("    (%d runs failed)\n", failed[p]);
    }
    for (size_t p = 0; p < peers.size(); ++p) {
        std::printf("  %-58s p50", peers[p].name.c_str());
        for (size_t q = 0; q < peers.size(); ++q)
            if (!peers[q].tilvane)
                std::printf("  %.2fx %s", summarize(ms[p]).p50 / summarize(ms[q]).p50, peers[q].argv[0][0].c_str());
        std::printf("\n");
    }

    std::printf(
        "\nRound trips of one placement as a whole process (connection set-up included), and the dynamic\n"
        "loader's start-up (LD_DEBUG=statistics, at %.0f MHz):\n",
        cpuMegahertz());
    for (size_t p = 0; p < peers.size(); ++p) {
        const Peer& peer = peers[p];
        std::vector<double> trips;
        for (int i = 0; i < 6; ++i) {
            relay->reset();
            auto process = Process::spawn(peer.argv[i % 2], relayed, desktop->folder() + "/peer.log");
            if (process) process->wait();
            trips.push_back(relay->roundTrips());
        }
        std::printf("  %-58s %3.0f round trips", peer.name.c_str(), median(trips));
        if (peer.tilvane) {
            long cycles = loaderCycles(*desktop, peer.argv[0][0]);
            double mhz = cpuMegahertz();
            if (cycles > 0 && mhz > 0) {
                double loaderMs = double(cycles) / mhz / 1000;
                std::printf(", loader %ld cycles = %.3f ms (%.0f%% of the p50)", cycles, loaderMs,
                            100 * loaderMs / summarize(ms[p]).p50);
            }
        }
        std::printf("\n");
    }
    return 0;
}
