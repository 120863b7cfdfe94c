#pragma once

// Summaries of measured latencies for the X11 benchmarks.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tilvane::bench {

using Clock = std::chrono::steady_clock;

struct Summary {
    double mean, p50, p99, min, max;
};

inline Summary summarize(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * double(ms.size() - 1) + 0.5))]; };
    return {sum / double(ms.size()), at(0.5), at(0.99), ms.front(), ms.back()};
}

inline void print(const char* what, size_t n, const Summary& s) {
    std::printf("  %-58s n=%-4zu mean %7.3f  p50 %7.3f  p99 %7.3f  min %7.3f  max %7.3f ms\n", what, n, s.mean, s.p50,
                s.p99, s.min, s.max);
}

inline double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace tilvane::bench
