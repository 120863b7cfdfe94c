#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/process.h"
#include "platform/geometry.h"
#include "platform/sway/ipc_connection.h"
#include "platform/sway/json.h"

namespace tilvane::e2e {

// A private headless sway for one test: two outputs of different sizes side
// by side (1280×1024 at 0,0 and 1600×900 at 1280,0), a bar across the top of
// each, and its configuration's own binding of Ctrl+Alt+Left. sway will not
// run as root: as root it runs under the unprivileged "nobody" uid, in a
// runtime folder of its own. The test talks to it over its IPC socket, as
// the program does. A session D-Bus of its own, open to every uid, carries
// the bars' tray.
class SwaySession {
public:
    // Null when sway cannot start: skip says why when it is missing and the
    // tests need not run, failure otherwise.
    static std::unique_ptr<SwaySession> start(std::string& skip, std::string& failure);
    ~SwaySession();

    const std::string& socketPath() const { return socket_; }
    const std::string& folder() const { return folder_; }
    void keepFolder() { keep_ = true; }
    // The outputs' areas and their workspaces' usable areas (without the bar).
    static constexpr Rect kFirst{0, 0, 1280, 1024}, kSecond{1280, 0, 1600, 900};
    Rect usable(const Rect& output);

    // A reply of the window manager; null on failure.
    sway::Json ask(sway::IpcConnection::Type type, const std::string& payload = "");
    bool command(const std::string& text);
    // The name of the binding mode sway is in.
    std::string mode() { return ask(sway::IpcConnection::kGetBindingState)["name"].string().value_or(""); }

    // Calls each with every node of sway's tree, the name of the workspace
    // it is on and whether it floats.
    void eachNode(const std::function<void(const sway::Json& node, const std::string& workspace, bool floating)>& each);
    // Opens a terminal window with the title, floating, and returns its container id once it is mapped.
    std::optional<int64_t> openWindow(const std::string& title);
    // The window's frame as drawn (title bar included), in layout
    // coordinates, once the window keeps it; frameNow as sway says it now.
    std::optional<Rect> frame(int64_t id);
    std::optional<Rect> frameNow(int64_t id);
    // Whether the window's frame comes to be the expected one and keeps it
    // (a busy client may give the window back an earlier size later than
    // frame waits); when not, says where the window is.
    testing::AssertionResult frameReaches(int64_t id, const Rect& expected);
    // The name of the workspace holding the window, and of the one with the focus.
    std::string workspaceOf(int64_t id);
    std::string focusedWorkspace();
    // The window with the focus; 0 when none has it.
    int64_t focusedWindow();
    // A connection that hears sway's binding events from now on; null on failure.
    std::unique_ptr<sway::IpcConnection> listenToBindings();
    // The commands of the bindings sway ran, as events tell them, once done
    // holds for them (or the limit passed).
    static std::vector<std::string> bindingsRun(sway::IpcConnection& events,
                                                const std::function<bool(const std::vector<std::string>&)>& done);
    // The session bus's answer to `busctl ARGUMENTS` (its JSON form); null on failure.
    sway::Json bus(const std::vector<std::string>& arguments);

    // Types the combination ("ctrl+alt+Left") through a virtual keyboard;
    // startPress returns the typing process without waiting for it.
    void press(const std::vector<std::string>& modifiers, const std::string& key);
    std::unique_ptr<Process> startPress(const std::vector<std::string>& modifiers, const std::string& key);

    // The environment of a tilvane program in this session (a Wayland client
    // on the session bus that chooses its Qt platform itself).
    std::map<std::string, std::string> environment() const;
    // sway's Wayland socket, by its whole path.
    std::string waylandSocket() const;
    std::unique_ptr<Process> startProgram(const std::vector<std::string>& argv, const std::string& logName);
    int run(const std::vector<std::string>& argv, std::string* output = nullptr);

    // Polls until the condition holds or the limit passes.
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    SwaySession() = default;
    // Waits until the window's frame is one accepted and has held it; the last frame seen in last.
    bool frameSettles(int64_t id, const std::function<bool(const std::optional<Rect>&)>& accept,
                      std::optional<Rect>& last);
    std::string folder_, runtime_, socket_, bus_;
    std::unique_ptr<Process> busDaemon_, sway_, keyboard_;
    std::unique_ptr<sway::IpcConnection> ipc_;
    int runs_ = 0;
    bool keep_ = false;
};

// A test in a sway session of its own. The program it starts is ended at
// the end and must end well; a failed test keeps the session's logs and
// says where they are.
class SwaySessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    SwaySession& sway() { return *sway_; }
    // Starts a tilvane program in the session (with more environment) and waits until it says it serves.
    void startServing(const std::vector<std::string>& argv, const std::map<std::string, std::string>& also = {});

    std::unique_ptr<SwaySession> sway_;
    std::unique_ptr<Process> program_;
};

}  // namespace tilvane::e2e
