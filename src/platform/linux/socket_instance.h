#pragma once

#include <functional>
#include <string>

#include "platform/desktop_backend.h"
#include "platform/run_loop.h"

namespace tilvane::linux_platform {

// One serving program per session where the desktop offers no place to
// claim (a compositor's IPC): the serving program listens on an abstract
// Unix socket named after the session, which goes with the process however it
// ends. Others connect to ask it something: a line "preferences" (answered
// "done" or "refused" once the request has run on the loop), or "held"
// (answered with the settings keys whose shortcuts other programs hold).
class SocketInstance : public InstanceClaim {
public:
    // name identifies the session (the compositor's socket path, say).
    explicit SocketInstance(const std::string& name);
    ~SocketInstance() override;
    SocketInstance(const SocketInstance&) = delete;
    SocketInstance& operator=(const SocketInstance&) = delete;

    // Answers the requests on this loop once claimed.
    void serveOn(DescriptorWatcher& watcher);
    void stopServing();

    bool heldByAnother() override;
    bool claim() override;
    // Nobody takes an abstract socket away from its owner.
    void onLost(std::function<void()>) override {}
    void onShowPreferences(std::function<void()> handler) override { onShowPreferences_ = std::move(handler); }
    Request askOwnerToShowPreferences(std::chrono::milliseconds limit) override;
    void publishHeldElsewhere(const std::vector<std::string>& keys) override { heldElsewhere_ = keys; }
    std::optional<std::vector<std::string>> heldElsewhereByOwner() override;

private:
    // Connects to the owner; -1 when none listens.
    int connectToOwner() const;
    // Sends one request line and reads the answer line; none when none came in time.
    std::optional<std::string> ask(const std::string& request, std::chrono::milliseconds limit) const;
    void answerOne();

    std::string address_;
    int listening_ = -1;
    DescriptorWatcher* watcher_ = nullptr;
    std::function<void()> onShowPreferences_;
    std::vector<std::string> heldElsewhere_;
};

}  // namespace tilvane::linux_platform
