#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tilvane::e2e {

// A display of its own in front of a desktop's X server that passes every
// byte through and counts round trips: the times a client, having sent
// something, got a reply (or an error, or the connection's set-up) back.
// Requests sent together before the first reply count once, as they cost the
// client one wait; events count nothing. Programs started with DISPLAY set to
// display() go through it. It slows them down: count with it, time without it.
class XRelay {
public:
    // Null when no display number was free or the server's socket is missing.
    static std::unique_ptr<XRelay> start(const std::string& serverDisplay);
    ~XRelay();
    XRelay(const XRelay&) = delete;
    XRelay& operator=(const XRelay&) = delete;

    const std::string& display() const { return display_; }
    // Round trips of every connection since the relay started or was last reset.
    int roundTrips() const { return roundTrips_.load(); }
    // Connections made through the relay since then.
    int connections() const { return connections_.load(); }
    void reset() {
        roundTrips_ = 0;
        connections_ = 0;
    }

private:
    XRelay() = default;
    void run();

    std::string display_;
    std::string serverSocket_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::atomic<int> roundTrips_{0};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace tilvane::e2e
