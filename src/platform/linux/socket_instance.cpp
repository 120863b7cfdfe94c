#include "platform/linux/socket_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace tilvane::linux_platform {

namespace {

// An abstract address: a leading NUL, then the name, no file on disk.
socklen_t fillAddress(sockaddr_un& address, const std::string& name) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Reads up to a newline, waiting at most limit in all; none when nothing whole came.
std::optional<std::string> readLine(int fd, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    std::string line;
    while (line.size() < 65536) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[512];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return std::nullopt;
        line.append(buffer, static_cast<size_t>(n));
        if (auto end = line.find('\n'); end != std::string::npos) return line.substr(0, end);
    }
    return std::nullopt;
}

bool sendAll(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

SocketInstance::SocketInstance(const std::string& name) : address_("tilvane " + name) {}

SocketInstance::~SocketInstance() {
    stopServing();
    if (listening_ >= 0) ::close(listening_);
}

int SocketInstance::connectToOwner() const {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address;
    socklen_t length = fillAddress(address, address_);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SocketInstance::heldByAnother() {
    if (listening_ >= 0) return false;
    int fd = connectToOwner();
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool SocketInstance::claim() {
    if (listening_ >= 0) return true;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    sockaddr_un address;
    socklen_t length = fillAddress(address, address_);
    // Binding is the claim: of two programs starting at once one gets EADDRINUSE.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    listening_ = fd;
    if (watcher_) watcher_->watchFd(listening_, [this] { answerOne(); });
    return true;
}

void SocketInstance::serveOn(DescriptorWatcher& watcher) {
    watcher_ = &watcher;
    if (listening_ >= 0) watcher.watchFd(listening_, [this] { answerOne(); });
}

void SocketInstance::stopServing() {
    if (watcher_ && listening_ >= 0) watcher_->unwatchFd(listening_);
    watcher_ = nullptr;
}

void SocketInstance::answerOne() {
    int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // The asking program writes its line at once; one that does not is not waited for long.
    auto request = readLine(fd, std::chrono::milliseconds(500));
    std::string answer = "refused";
    if (request == "preferences" && onShowPreferences_) {
        onShowPreferences_();
        answer = "done";
    } else if (request == "held") {
        answer = "held";
        for (const auto& key : heldElsewhere_) answer += " " + key;
    }
    sendAll(fd, answer + "\n");
    ::close(fd);
}

std::optional<std::string> SocketInstance::ask(const std::string& request, std::chrono::milliseconds limit) const {
    int fd = connectToOwner();
    if (fd < 0) return std::nullopt;
    std::optional<std::string> answer;
    if (sendAll(fd, request + "\n")) answer = readLine(fd, limit);
    ::close(fd);
    return answer;
}

InstanceClaim::Request SocketInstance::askOwnerToShowPreferences(std::chrono::milliseconds limit) {
    auto answer = ask("preferences", limit);
    if (!answer) return heldByAnother() ? Request::Refused : Request::NoOwner;
    return *answer == "done" ? Request::Done : Request::Refused;
}

std::optional<std::vector<std::string>> SocketInstance::heldElsewhereByOwner() {
    auto answer = ask("held", std::chrono::seconds(2));
    if (!answer || answer->rfind("held", 0) != 0) return std::nullopt;
    std::istringstream words(answer->substr(4));
    std::vector<std::string> keys;
    for (std::string key; words >> key;) keys.push_back(key);
    return keys;
}

}  // namespace tilvane::linux_platform
