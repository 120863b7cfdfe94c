#include "platform/sway/ipc_connection.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace tilvane::sway {

namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr size_t kHeaderSize = kMagic.size() + 2 * sizeof(uint32_t);

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

std::optional<std::string> IpcConnection::socketPathFromEnvironment() {
    for (const char* variable : {"SWAYSOCK", "I3SOCK"})
        if (const char* path = std::getenv(variable); path && *path) return std::string(path);
    return std::nullopt;
}

std::unique_ptr<IpcConnection> IpcConnection::open(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        error = "the IPC socket's path is empty or too long: " + path;
        return nullptr;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = systemError("no socket for the IPC connection");
        return nullptr;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) < 0) {
        error = systemError("cannot connect to " + path);
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<IpcConnection>(fd);
}

IpcConnection::IpcConnection(int fd) : fd_(fd) {}

IpcConnection::~IpcConnection() {
    breakConnection();
}

void IpcConnection::breakConnection() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool IpcConnection::sendMessage(Type type, std::string_view payload, std::string& error) {
    if (fd_ < 0) {
        error = "the IPC connection is closed";
        return false;
    }
    std::string message(kMagic);
    const uint32_t header[2] = {static_cast<uint32_t>(payload.size()), static_cast<uint32_t>(type)};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    message.append(payload);
    for (size_t sent = 0; sent < message.size();) {
        // No SIGPIPE when the window manager has gone: the error says so instead.
        ssize_t n = ::send(fd_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = errno == EPIPE || errno == ECONNRESET ? std::string("the window manager closed the IPC connection")
                                                          : systemError("the IPC request could not be sent");
            breakConnection();
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool IpcConnection::takeWholeMessages(std::string& error) {
    while (buffer_.size() >= kHeaderSize) {
        if (std::string_view(buffer_).substr(0, kMagic.size()) != kMagic) {
            error = "the window manager sent something that is not an IPC message";
            return false;
        }
        uint32_t header[2];
        std::memcpy(header, buffer_.data() + kMagic.size(), sizeof(header));
        if (header[0] > kLongestPayload) {
            error = "the window manager announced a message of " + std::to_string(header[0]) + " bytes";
            return false;
        }
        if (buffer_.size() < kHeaderSize + header[0]) return true;
        Message message{header[1], buffer_.substr(kHeaderSize, header[0])};
        buffer_.erase(0, kHeaderSize + header[0]);
        (message.isEvent() ? events_.push_back(std::move(message)) : replies_.push_back(std::move(message)));
    }
    return true;
}

bool IpcConnection::readSome(std::chrono::steady_clock::time_point deadline, std::string& error) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd watched{fd_, POLLIN, 0};
        int ready = ::poll(&watched, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            error = systemError("waiting for the window manager failed");
            return false;
        }
        if (ready == 0) {
            error = "the window manager did not answer in time";
            return false;
        }
        switch (receive(error)) {
            case Received::Data: return true;
            case Received::Nothing: continue;
            case Received::Closed:
            case Received::Failed: return false;
        }
    }
}

IpcConnection::Received IpcConnection::receive(std::string& error) {
    char chunk[16384];
    ssize_t n;
    while ((n = ::recv(fd_, chunk, sizeof(chunk), MSG_DONTWAIT)) < 0 && errno == EINTR) {
    }
    if (n < 0 && errno == EAGAIN) return Received::Nothing;
    if (n < 0) {
        error = systemError("reading from the window manager failed");
        return Received::Failed;
    }
    if (n == 0) {
        error = "the window manager closed the IPC connection";
        return Received::Closed;
    }
    buffer_.append(chunk, static_cast<size_t>(n));
    return Received::Data;
}

std::optional<std::string> IpcConnection::request(Type type, std::string_view payload, std::chrono::milliseconds limit,
                                                  std::string& error) {
    if (!sendMessage(type, payload, error)) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (!takeWholeMessages(error)) break;
        if (!replies_.empty()) {
            Message reply = std::move(replies_.front());
            replies_.pop_front();
            if (reply.type == static_cast<uint32_t>(type)) return std::move(reply.payload);
            error = "the window manager answered a request of type " + std::to_string(type) + " with one of type " +
                    std::to_string(reply.type);
            break;
        }
        if (!readSome(deadline, error)) break;
    }
    // What comes later cannot be told apart from the answer this request missed.
    breakConnection();
    return std::nullopt;
}

bool IpcConnection::readAvailable(std::string& error) {
    if (fd_ < 0) {
        error = "the IPC connection is closed";
        return false;
    }
    for (;;) {
        Received received = receive(error);
        if (received == Received::Data) continue;
        if (received == Received::Nothing) break;
        // What came whole before the end is still delivered.
        std::string reason = error;
        if (received == Received::Closed) takeWholeMessages(error);
        error = reason;
        breakConnection();
        return false;
    }
    if (takeWholeMessages(error)) return true;
    breakConnection();
    return false;
}

std::vector<IpcConnection::Message> IpcConnection::takeEvents() {
    std::vector<Message> events;
    events.swap(events_);
    return events;
}

}  // namespace tilvane::sway
