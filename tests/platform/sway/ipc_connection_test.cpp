// The IPC connection to sway or i3 against a peer on the other end of a
// socket pair: what goes on the wire, replies and events apart, and a peer
// that breaks the protocol or goes away.

#include "platform/sway/ipc_connection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tilvane::sway {
namespace {

using namespace std::chrono_literals;

std::string frame(uint32_t type, const std::string& payload, const char* magic = "i3-ipc") {
    std::string bytes(magic);
    const uint32_t header[2] = {static_cast<uint32_t>(payload.size()), type};
    bytes.append(reinterpret_cast<const char*>(header), sizeof(header));
    return bytes + payload;
}

// The program's end and the window manager's.
struct Pair {
    Pair() {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        connection = std::make_unique<IpcConnection>(fds[0]);
        peer = fds[1];
    }
    ~Pair() {
        if (peer >= 0) ::close(peer);
    }
    void send(const std::string& bytes) { ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    std::string received() {
        char buffer[4096];
        ssize_t n = ::recv(peer, buffer, sizeof(buffer), MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, size_t(n)) : std::string();
    }
    std::unique_ptr<IpcConnection> connection;
    int peer = -1;
};

TEST(IpcConnection, ARequestGoesAsOneMessageAndItsReplyComesBackWithTheEventsKeptApart) {
    Pair p;
    // A binding event that came before the reply, and the reply.
    p.send(frame(IpcConnection::kEventBit | 5, R"({"change":"run"})") + frame(0, R"([{"success":true}])"));
    std::string error;
    auto reply = p.connection->request(IpcConnection::kRunCommand, "nop tilvane", 1s, error);
    ASSERT_TRUE(reply) << error;
    EXPECT_EQ(*reply, R"([{"success":true}])");
    EXPECT_EQ(p.received(), frame(0, "nop tilvane"));
    auto events = p.connection->takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].eventType(), 5u);
    EXPECT_EQ(events[0].payload, R"({"change":"run"})");
    EXPECT_TRUE(p.connection->takeEvents().empty());
}

TEST(IpcConnection, AnEventInPiecesIsTakenOnceWhole) {
    Pair p;
    const std::string event = frame(IpcConnection::kEventBit | 3, R"({"change":"focus"})");
    std::string error;
    p.send(event.substr(0, 8));
    EXPECT_TRUE(p.connection->readAvailable(error)) << error;
    EXPECT_TRUE(p.connection->takeEvents().empty());
    p.send(event.substr(8) + event);
    EXPECT_TRUE(p.connection->readAvailable(error)) << error;
    EXPECT_EQ(p.connection->takeEvents().size(), 2u);
}

// Whatever the peer does, the program gets an error with a reason and the
// connection is closed: it never waits forever, reads past a message or crashes.
TEST(IpcConnection, APeerThatBreaksTheProtocolOrGoesAwayIsAnError) {
    const struct {
        const char* name;
        std::string sent;
        bool hangUp;
        const char* reason;
    } rows[] = {
        {"not the magic", frame(0, "[]", "x11-ip"), false, "not an IPC message"},
        {"a payload of 4 GiB announced", std::string("i3-ipc") + std::string("\xff\xff\xff\xff\0\0\0\0", 8), false,
         "announced a message of 4294967295 bytes"},
        {"the answer to another request", frame(4, "{}"), false, "with one of type 4"},
        {"half a reply, then nothing", frame(0, "[]").substr(0, 9), false, "did not answer in time"},
        {"gone", "", true, "closed the IPC connection"},
    };
    for (const auto& row : rows) {
        Pair p;
        if (!row.sent.empty()) p.send(row.sent);
        if (row.hangUp) ::close(std::exchange(p.peer, -1));
        std::string error;
        EXPECT_FALSE(p.connection->request(IpcConnection::kRunCommand, "nop", 100ms, error)) << row.name;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.name << ": " << error;
        EXPECT_EQ(p.connection->fd(), -1) << row.name;
        EXPECT_FALSE(p.connection->request(IpcConnection::kRunCommand, "nop", 100ms, error)) << row.name;
    }
}

TEST(IpcConnection, TheSocketComesFromTheSessionAndAMissingOneIsSaid) {
    ::setenv("SWAYSOCK", "/run/sway.sock", 1);
    ::setenv("I3SOCK", "/run/i3.sock", 1);
    EXPECT_EQ(IpcConnection::socketPathFromEnvironment(), "/run/sway.sock");
    ::unsetenv("SWAYSOCK");
    EXPECT_EQ(IpcConnection::socketPathFromEnvironment(), "/run/i3.sock");
    ::unsetenv("I3SOCK");
    EXPECT_EQ(IpcConnection::socketPathFromEnvironment(), std::nullopt);

    std::string error;
    EXPECT_FALSE(IpcConnection::open("/nonexistent/sway-ipc.sock", error));
    EXPECT_NE(error.find("cannot connect to /nonexistent/sway-ipc.sock"), std::string::npos) << error;
}

}  // namespace
}  // namespace tilvane::sway
