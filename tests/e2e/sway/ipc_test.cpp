// The IPC connection against a real i3 on a private desktop: the socket i3
// announces, a command and its answer, and i3's events on a connection of
// their own.

#include <gtest/gtest.h>

#include "harness/desktop_test.h"
#include "platform/sway/ipc_connection.h"

namespace tilvane::e2e {
namespace {

using namespace std::chrono_literals;
using sway::IpcConnection;

class I3IpcTest : public DesktopTest {
protected:
    Desktop::Options options() const override { return {WindowManager::I3}; }
    // The socket i3 names on the root window.
    std::string socketPath() {
        auto path = x11::PropertyRequest(x().c(), x().root(), x().atom("I3_SOCKET_PATH")).text();
        return path.value_or("");
    }
};

TEST_F(I3IpcTest, ACommandIsAnsweredAndAWindowsArrivalComesAsAnEvent) {
    std::string error;
    auto commands = IpcConnection::open(socketPath(), error);
    ASSERT_TRUE(commands) << error;
    auto version = commands->request(IpcConnection::kGetVersion, "", 5s, error);
    ASSERT_TRUE(version) << error;
    EXPECT_NE(version->find("\"human_readable\""), std::string::npos) << *version;
    auto answer = commands->request(IpcConnection::kRunCommand, "nop tilvane", 5s, error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(*answer, R"([{"success":true}])");

    auto events = IpcConnection::open(socketPath(), error);
    ASSERT_TRUE(events) << error;
    auto subscribed = events->request(IpcConnection::kSubscribe, R"(["window"])", 5s, error);
    ASSERT_TRUE(subscribed) << error;
    EXPECT_EQ(*subscribed, R"({"success":true})");
    auto window = desktop().openWindow("arriving");
    std::vector<IpcConnection::Message> received;
    EXPECT_TRUE(x().waitUntil(
        [&] {
            EXPECT_TRUE(events->readAvailable(error)) << error;
            for (auto& event : events->takeEvents()) received.push_back(std::move(event));
            for (const auto& event : received)
                if (event.eventType() == 3 && event.payload.find("\"change\":\"new\"") != std::string::npos)
                    return true;
            return false;
        },
        10s));
    EXPECT_TRUE(commands->takeEvents().empty());
}

}  // namespace
}  // namespace tilvane::e2e
