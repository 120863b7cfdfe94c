#include "harness/x_relay.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tilvane::e2e {

namespace {

// A Unix socket address; in the abstract namespace (no file, where X clients look first) when abstract.
sockaddr_un addressOf(const std::string& path, bool abstract, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + path.size());
    return address;
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        // A client that has just ended must not end the test with SIGPIPE.
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// One client's connection and what the server has sent it, cut into the
// protocol's units (the set-up reply, then replies, errors and events).
struct Link {
    int client = -1, server = -1;
    bool sentSinceReply = false;
    bool setUp = false;
    std::vector<uint8_t> pending;  // the unit read in part

    // Counts the replies among the server's bytes; returns the round trips they end.
    int fromServer(const uint8_t* data, size_t size) {
        int trips = 0;
        pending.insert(pending.end(), data, data + size);
        size_t at = 0;
        for (;;) {
            const uint8_t* unit = pending.data() + at;
            size_t left = pending.size() - at, length = 32;
            bool reply = !setUp;
            if (left < (setUp ? 32 : 8)) break;
            uint8_t type = unit[0] & 0x7f;
            if (!setUp)
                length = 8 + 4 * size_t(unit[6] | (unit[7] << 8));
            else if (type == 1 || type == 35)  // a reply, or an event with more than 32 bytes
                length += 4 * size_t(uint32_t(unit[4]) | uint32_t(unit[5]) << 8 | uint32_t(unit[6]) << 16 |
                                     uint32_t(unit[7]) << 24);
            reply = reply || type == 0 || type == 1;
            if (left < length) break;
            setUp = true;
            if (reply && sentSinceReply) ++trips, sentSinceReply = false;
            at += length;
        }
        pending.erase(pending.begin(), pending.begin() + long(at));
        return trips;
    }
};

}  // namespace

std::unique_ptr<XRelay> XRelay::start(const std::string& serverDisplay) {
    std::unique_ptr<XRelay> relay(new XRelay());
    relay->serverSocket_ = "/tmp/.X11-unix/X" + serverDisplay.substr(serverDisplay.find(':') + 1);
    if (::access(relay->serverSocket_.c_str(), F_OK) != 0) return nullptr;
    relay->listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Display numbers well above those Xvfb picks for the desktops; the first free one.
    for (int n = 700; n < 800 && relay->display_.empty(); ++n) {
        socklen_t length;
        auto address = addressOf("/tmp/.X11-unix/X" + std::to_string(n), true, length);
        if (::bind(relay->listenFd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(relay->listenFd_, 16) == 0)
            relay->display_ = ":" + std::to_string(n);
    }
    if (relay->display_.empty()) return nullptr;
    relay->stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    relay->thread_ = std::thread([r = relay.get()] { r->run(); });
    return relay;
}

XRelay::~XRelay() {
    if (thread_.joinable()) {
        uint64_t one = 1;
        (void)!::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) ::close(stopFd_);
    if (listenFd_ >= 0) ::close(listenFd_);
}

void XRelay::run() {
    std::vector<Link> links;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        std::vector<pollfd> fds{{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const Link& link : links) {
            fds.push_back({link.client, POLLIN, 0});
            fds.push_back({link.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        if (fds[0].revents) break;
        for (size_t i = links.size(); i-- > 0;) {
            Link& link = links[i];
            bool open = true;
            for (int side = 0; side < 2 && open; ++side) {
                if (!(fds[2 + 2 * i + size_t(side)].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                ssize_t n = ::read(side == 0 ? link.client : link.server, buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR) continue;
                if (side == 0) link.sentSinceReply = true;
                if (side == 1 && n > 0) roundTrips_ += link.fromServer(buffer.data(), size_t(n));
                open = n > 0 && writeAll(side == 0 ? link.server : link.client, buffer.data(), size_t(n));
            }
            if (open) continue;
            ::close(link.client);
            ::close(link.server);
            links.erase(links.begin() + long(i));
        }
        if (fds[1].revents & POLLIN) {
            int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            socklen_t length;
            auto address = addressOf(serverSocket_, false, length);
            if (client >= 0 && ::connect(server, reinterpret_cast<sockaddr*>(&address), length) == 0) {
                links.push_back({client, server});
                ++connections_;
            } else {
                ::close(server);
                if (client >= 0) ::close(client);
            }
        }
    }
    for (Link& link : links) ::close(link.client), ::close(link.server);
}

}  // namespace tilvane::e2e
