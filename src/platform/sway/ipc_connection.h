#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tilvane::sway {

// One connection to the window manager's IPC socket. sway and i3 speak the
// same protocol: a message is the six bytes "i3-ipc", the payload's length
// and the message type (32 bits each, in the machine's byte order), then the
// payload (JSON). Replies come in the order of the requests; events, once
// subscribed to, come in between, with the type's highest bit set. The
// program keeps one connection for requests and one for events.
class IpcConnection {
public:
    enum Type : uint32_t {
        kRunCommand = 0,
        kGetWorkspaces = 1,
        kSubscribe = 2,
        kGetOutputs = 3,
        kGetTree = 4,
        kGetBarConfig = 6,
        kGetVersion = 7,
        kGetBindingModes = 8,
        kGetConfig = 9,
        kGetBindingState = 12,
    };
    static constexpr uint32_t kEventBit = 0x80000000u;
    // A message that claims more than this is a broken or hostile peer, not a reply.
    static constexpr uint32_t kLongestPayload = 64u << 20;

    struct Message {
        uint32_t type = 0;
        std::string payload;
        bool isEvent() const { return (type & kEventBit) != 0; }
        // The event's type without the event bit (0 workspace, 1 output, 2 mode, 3 window, 5 binding, 6 shutdown).
        uint32_t eventType() const { return type & ~kEventBit; }
    };

    // The session's socket: $SWAYSOCK, else $I3SOCK; none when neither names one.
    static std::optional<std::string> socketPathFromEnvironment();
    // Connects to the socket; none, and why in error, when it cannot.
    static std::unique_ptr<IpcConnection> open(const std::string& path, std::string& error);
    // Takes an open stream socket (the tests' end of a socket pair).
    explicit IpcConnection(int fd);
    ~IpcConnection();
    IpcConnection(const IpcConnection&) = delete;
    IpcConnection& operator=(const IpcConnection&) = delete;

    // The socket, for a loop to watch; readAvailable when it is readable.
    int fd() const { return fd_; }

    // Sends a request and waits at most limit for its reply. Events that come
    // first are kept for takeEvents. None, and why in error, when the
    // connection breaks, the peer sends what is not a message, or the reply
    // does not come in time (the connection is then no longer usable).
    std::optional<std::string> request(Type type, std::string_view payload, std::chrono::milliseconds limit,
                                       std::string& error);
    // Reads what has arrived without waiting. False, and why in error, when
    // the peer has closed the connection or sent what is not a message.
    bool readAvailable(std::string& error);
    // The events received so far, oldest first; they are forgotten.
    std::vector<Message> takeEvents();

private:
    bool sendMessage(Type type, std::string_view payload, std::string& error);
    // Reads once, waiting at most until deadline; false on end, error or timeout.
    bool readSome(std::chrono::steady_clock::time_point deadline, std::string& error);
    // One read without waiting, appended to the buffer.
    enum class Received { Data, Nothing, Closed, Failed };
    Received receive(std::string& error);
    // Moves whole messages from the buffer to the queues; false on a bad header.
    bool takeWholeMessages(std::string& error);
    void breakConnection();

    int fd_ = -1;
    std::string buffer_;
    std::deque<Message> replies_;
    std::vector<Message> events_;
};

}  // namespace tilvane::sway
