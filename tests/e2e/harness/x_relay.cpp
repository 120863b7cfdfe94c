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

// A socket in the abstract namespace (no file), where X clients look first.
bool listenAbstract(int fd, const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd, 16) == 0;
}

int connectTo(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
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
            size_t left = pending.size() - at;
            const uint8_t* unit = pending.data() + at;
            size_t length;
            bool reply;
            if (!setUp) {
                if (left < 8) break;
                length = 8 + 4 * size_t(unit[6] | (unit[7] << 8));
                reply = true;
            } else {
                if (left < 32) break;
                uint8_t type = unit[0] & 0x7f;
                uint32_t extra =
                    uint32_t(unit[4]) | uint32_t(unit[5]) << 8 | uint32_t(unit[6]) << 16 | uint32_t(unit[7]) << 24;
                length = type == 1 || type == 35 ? 32 + 4 * size_t(extra) : 32;
                reply = type == 0 || type == 1;
            }
            if (left < length) break;
            setUp = true;
            if (reply && sentSinceReply) {
                ++trips;
                sentSinceReply = false;
            }
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
    for (int n = 700; n < 800 && relay->display_.empty(); ++n)
        if (listenAbstract(relay->listenFd_, "/tmp/.X11-unix/X" + std::to_string(n)))
            relay->display_ = ":" + std::to_string(n);
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
        if (fds[1].revents & POLLIN) {
            int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            int server = client >= 0 ? connectTo(serverSocket_) : -1;
            if (server >= 0) {
                links.push_back({client, server});
                ++connections_;
            } else if (client >= 0) {
                ::close(client);
            }
        }
        std::vector<size_t> closed;
        for (size_t i = 0; i < links.size() && 2 + 2 * i + 1 < fds.size(); ++i) {
            Link& link = links[i];
            bool ok = true;
            for (int side = 0; side < 2 && ok; ++side) {
                const pollfd& p = fds[2 + 2 * i + size_t(side)];
                if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
                int from = side == 0 ? link.client : link.server;
                int to = side == 0 ? link.server : link.client;
                ssize_t n = ::read(from, buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    ok = false;
                    break;
                }
                if (side == 0) {
                    link.sentSinceReply = true;
                } else {
                    roundTrips_ += link.fromServer(buffer.data(), size_t(n));
                }
                ok = writeAll(to, buffer.data(), size_t(n));
            }
            if (!ok) closed.push_back(i);
        }
        for (auto i = closed.rbegin(); i != closed.rend(); ++i) {
            ::close(links[*i].client);
            ::close(links[*i].server);
            links.erase(links.begin() + long(*i));
        }
    }
    for (Link& link : links) {
        ::close(link.client);
        ::close(link.server);
    }
}

}  // namespace tilvane::e2e
