// How fast the program places a window in a private headless sway (two
// outputs and bars, as in the end-to-end tests):
//
//  1. a hot key while `tilvane serve` serves it: from sway's binding event
//     (as a second subscriber hears it, when the program hears it too) to the
//     window's new frame in sway's tree; interleaved with the floor: one
//     client sending the same kind of placement as a command over the
//     socket, from the send to the frame in the tree;
//  2. `tilvane place` against `swaymsg` sending the same placement, each a
//     whole process, interleaved.
//
//   bench_sway_actions [--presses N] [--runs N]
//
// Numbers only; nothing here passes or fails.

#include <poll.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "harness/desktop.h"
#include "harness/placement_rows.h"
#include "harness/sway_session.h"
#include "latency.h"
#include "platform/sway/sway_tree.h"

using namespace tilvane;
using namespace tilvane::e2e;
using namespace tilvane::bench;
using sway::IpcConnection;

namespace {

// The window's frame in the tree, polled as fast as sway answers; the time
// it took from t0. A frame not reached in five seconds is said, and left out.
double untilFrame(SwaySession& sway, int64_t window, const Rect& expected, Clock::time_point t0) {
    std::optional<Rect> now;
    while ((now = sway.frameNow(window)) != expected)
        if (msSince(t0) > 5000) {
            Rect seen = now.value_or(Rect{});
            std::fprintf(stderr, "  missed: the window is at (%g, %g, %g, %g), not (%g, %g, %g, %g)\n", seen.x, seen.y,
                         seen.width, seen.height, expected.x, expected.y, expected.width, expected.height);
            return -1;
        }
    return msSince(t0);
}

// The moment the next binding event came, waited for without polling (the
// program hears it at the same moment); none after five seconds.
std::optional<Clock::time_point> bindingHeard(IpcConnection& events) {
    std::optional<Clock::time_point> first;
    std::string error;
    pollfd readable{events.fd(), POLLIN, 0};
    while (::poll(&readable, 1, 5000) > 0) {
        if (!first) first = Clock::now();
        if (!events.readAvailable(error)) return std::nullopt;
        if (!events.takeEvents().empty()) return first;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 100, runs = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--presses")) presses = std::max(10, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--runs")) runs = std::max(5, std::atoi(argv[i + 1]));
    }
    std::string skip, failure;
    auto session = SwaySession::start(skip, failure);
    if (!session) {
        std::fprintf(stderr, "bench_sway_actions: %s\n", skip.empty() ? failure.c_str() : skip.c_str());
        return skip.empty() ? 1 : 0;
    }
    SwaySession& sway = *session;
    auto window = sway.openWindow("bench");
    if (!window) return 1;
    Rect v = sway.usable(SwaySession::kFirst);
    Rect top = pixelRect({v.x, v.y, v.width, v.height / 2});
    Rect right = pixelRect({v.x + v.width / 2, v.y, v.width / 2, v.height});
    std::printf("sway: a window on a %gx%g output, bar %g px\n", v.width, v.height + v.y, v.y);

    auto serving = sway.startProgram({tilvaneBinary(), "serve"}, "serve.log");
    if (!serving || !SwaySession::waitUntil([&] { return serving->log().find("serving sway") != std::string::npos; })) {
        std::fprintf(stderr, "bench_sway_actions: tilvane did not serve\n");
        return 1;
    }
    std::string error;
    auto events = IpcConnection::open(sway.socketPath(), error);
    if (!events || !events->request(IpcConnection::kSubscribe, R"(["binding"])", std::chrono::seconds(5), error)) {
        std::fprintf(stderr, "bench_sway_actions: %s\n", error.c_str());
        return 1;
    }
    // 1. Interleaved: the floor sends the top half as a command, then
    // Control+Option+Right (the right half) is typed while the program serves.
    std::vector<double> floor, hotKey;
    for (int i = 0; i < presses; ++i) {
        auto t0 = Clock::now();
        sway.command(sway::setFrameCommand(*window, top));
        if (double ms = untilFrame(sway, *window, top, t0); ms >= 0) floor.push_back(ms);
        auto typing = sway.startPress({"ctrl", "alt"}, "Right");
        if (auto heard = bindingHeard(*events); !heard)
            std::fprintf(stderr, "  missed: no binding event for press %d\n", i);
        else if (double ms = untilFrame(sway, *window, right, *heard); ms >= 0)
            hotKey.push_back(ms);
        if (typing) typing->wait();
    }
    serving->signal(SIGTERM);
    serving->wait();
    std::printf("1. placement, from the request to the frame in sway's tree\n");
    print("floor: the placement sent as one command", floor.size(), summarize(floor));
    print("tilvane serve: from the binding event", hotKey.size(), summarize(hotKey));
    if (!floor.empty() && !hotKey.empty())
        std::printf("  ratio of the medians: %.2f\n", summarize(hotKey).p50 / summarize(floor).p50);

    // 2. Whole processes, interleaved.
    std::vector<double> place, swaymsg;
    for (int i = 0; i < runs; ++i) {
        // Each moves the window: tilvane to one place, swaymsg to the other.
        auto t0 = Clock::now();
        sway.run({tilvaneBinary(), "place", i % 2 ? "right" : "top"});
        place.push_back(msSince(t0));
        t0 = Clock::now();
        sway.run({"swaymsg", sway::setFrameCommand(*window, i % 2 ? top : right)});
        swaymsg.push_back(msSince(t0));
    }
    std::printf("2. one placement as a whole process (start to end)\n");
    print("tilvane place", place.size(), summarize(place));
    print("swaymsg with the same command", swaymsg.size(), summarize(swaymsg));
    std::printf("  ratio of the medians: %.2f\n", summarize(place).p50 / summarize(swaymsg).p50);
    return 0;
}
