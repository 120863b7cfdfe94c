#include "harness/sway_session.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "harness/desktop.h"

namespace tilvane::e2e {

namespace {

using namespace std::chrono_literals;
using sway::IpcConnection;
using sway::Json;

constexpr uid_t kNobody = 65534;

const char* const kConfig = R"(output HEADLESS-1 resolution 1280x1024 position 0 0
default_border normal 2
xwayland disable
bar {
    position top
    status_command echo tilvane
}
set $mod Mod4
bindsym $mod+Return exec foot
bindsym Ctrl+Mod1+Left nop the user's own
for_window [app_id="tilvane-test"] floating enable
)";

// A session bus every uid may use: the bars run as sway's uid, the program and the tests as theirs.
const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=@BUS@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

std::vector<std::string> asNobody(std::vector<std::string> argv) {
    if (::geteuid() == 0)
        argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--pdeathsig=KILL"});
    return argv;
}

Rect rectOf(const Json& r) {
    return {r["x"].number().value_or(0), r["y"].number().value_or(0), r["width"].number().value_or(0),
            r["height"].number().value_or(0)};
}

}  // namespace

std::unique_ptr<SwaySession> SwaySession::start(std::string& skip, std::string& failure) {
    for (const char* tool : {"sway", "foot", "wtype", "dbus-daemon", "busctl"})
        if (!inPath(tool)) {
            (endToEndRequired() ? failure : skip) =
                std::string(tool) + " is not installed (tools/install-deps installs it)";
            return nullptr;
        }
    std::unique_ptr<SwaySession> session(new SwaySession());
    session->folder_ = makeTestFolder();
    if (session->folder_.empty()) {
        failure = "cannot make a folder for sway";
        return nullptr;
    }
    // sway's own runtime folder and home, which the uid it runs as must own and reach.
    ::chmod(session->folder_.c_str(), 0711);
    session->runtime_ = session->folder_ + "/sway-runtime";
    std::string home = session->folder_ + "/sway-home";
    for (const auto& dir : {session->runtime_, home}) {
        ::mkdir(dir.c_str(), 0700);
        if (::geteuid() == 0 && ::chown(dir.c_str(), kNobody, kNobody) != 0) {
            failure = "cannot give " + dir + " to the unprivileged uid";
            return nullptr;
        }
    }
    std::ofstream(home + "/config") << kConfig;
    std::string busPath = home + "/bus";
    std::string busConfig = kBusConfig;
    busConfig.replace(busConfig.find("@BUS@"), 5, busPath);
    std::ofstream(home + "/bus.conf") << busConfig;
    session->busDaemon_ = Process::spawn(asNobody({"dbus-daemon", "--nofork", "--config-file=" + home + "/bus.conf"}),
                                         {}, session->folder_ + "/dbus.log");
    if (!session->busDaemon_ || !waitUntil([&] { return std::filesystem::exists(busPath); })) {
        failure = "the session bus did not start: " + readFile(session->folder_ + "/dbus.log");
        return nullptr;
    }
    session->bus_ = "unix:path=" + busPath;
    // sway and its children take the session they are started in from these:
    // this one is the test's own, nested in none.
    for (const char* variable : {"SWAYSOCK", "I3SOCK", "WAYLAND_DISPLAY", "DISPLAY"}) ::unsetenv(variable);
    // A test that crashes takes its sway with it.
    session->sway_ = Process::spawn(asNobody({"sway", "-c", home + "/config"}),
                                    {{"XDG_RUNTIME_DIR", session->runtime_},
                                     {"DBUS_SESSION_BUS_ADDRESS", session->bus_},
                                     {"HOME", home},
                                     {"WLR_BACKENDS", "headless"},
                                     {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                     {"WLR_RENDERER", "pixman"}},
                                    session->folder_ + "/sway.log");
    auto fail = [&](const std::string& why) {
        failure = why + " (logs in " + session->folder_ + ")\n" + readFile(session->folder_ + "/sway.log");
        session->keepFolder();
        return nullptr;
    };
    if (!session->sway_) return fail("sway did not start");
    // The socket is named after sway's uid and process. It is there a
    // moment before sway listens on it: a refused connection is tried again.
    std::string error = "no socket in " + session->runtime_;
    waitUntil([&] {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(session->runtime_, ignored))
            if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0) session->socket_ = entry.path();
        if (!session->socket_.empty()) session->ipc_ = IpcConnection::open(session->socket_, error);
        return session->ipc_ || !session->sway_->running();
    });
    if (!session->ipc_) return fail("sway's IPC socket did not appear: " + error);
    if (!session->command("create_output") ||
        !session->command("output HEADLESS-2 resolution 1600x900 position 1280 0"))
        return fail("sway did not add the second output");
    // A keyboard for the whole session, as a user's is: a seat without one
    // takes the keyboard from its clients, and each chord's own virtual
    // keyboard would give it back too late for the client to hear its first
    // key. An hour, longer than any test: wtype sleeps 32 bits of microseconds.
    session->keyboard_ =
        Process::spawn(asNobody({"wtype", "-s", "3600000"}),
                       {{"XDG_RUNTIME_DIR", session->runtime_}, {"WAYLAND_DISPLAY", session->waylandSocket()}},
                       session->folder_ + "/keyboard.log");
    if (!session->keyboard_) return fail("the session's keyboard did not start");
    // Both bars are up once both workspaces leave room for them.
    if (!waitUntil([&] { return session->usable(kFirst).y > kFirst.y && session->usable(kSecond).y > kSecond.y; }))
        return fail("sway's bars did not appear");
    return session;
}

namespace {

// The processes of a session: sway's bars and the clients it ran, found by
// the runtime folder they inherited. They outlive sway, and a bar whose sway
// is gone spins.
std::vector<pid_t> processesOfSession(const std::string& runtime) {
    std::vector<pid_t> found;
    const std::string marker = "XDG_RUNTIME_DIR=" + runtime;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string environment = readFile(entry.path().string() + "/environ");
        for (size_t at = 0; at < environment.size();) {
            size_t end = environment.find('\0', at);
            if (end == std::string::npos) end = environment.size();
            if (environment.compare(at, end - at, marker) == 0) found.push_back(std::stoi(name));
            at = end + 1;
        }
    }
    return found;
}

}  // namespace

SwaySession::~SwaySession() {
    ipc_.reset();
    if (sway_) {
        sway_->signal(SIGTERM);
        if (!sway_->waitFor(5s)) sway_->signal(SIGKILL);
        for (pid_t process : processesOfSession(runtime_)) ::kill(process, SIGKILL);
    }
    keyboard_.reset();
    busDaemon_.reset();
    if (!folder_.empty() && !keep_ && !std::getenv("TILVANE_E2E_KEEP")) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

Json SwaySession::ask(IpcConnection::Type type, const std::string& payload) {
    std::string error;
    auto reply = ipc_->request(type, payload, 10s, error);
    if (!reply) return Json();
    return Json::parse(*reply, error).value_or(Json());
}

bool SwaySession::command(const std::string& text) {
    Json reply = ask(IpcConnection::kRunCommand, text);
    for (const Json& outcome : reply.elements())
        if (!outcome["success"].boolean().value_or(false)) return false;
    return !reply.elements().empty();
}

Rect SwaySession::usable(const Rect& output) {
    Json workspaces = ask(IpcConnection::kGetWorkspaces);
    for (const Json& workspace : workspaces.elements())
        if (workspace["visible"].boolean().value_or(false)) {
            Rect r = rectOf(workspace["rect"]);
            if (r.x >= output.x && r.x < output.x + output.width) return r;
        }
    return {};
}

void SwaySession::eachNode(const std::function<void(const Json&, const std::string&, bool)>& each) {
    std::function<void(const Json&, const std::string&, bool)> visit =
        [&](const Json& node, const std::string& workspace, bool floating) {
            std::string here = node["type"].string() == "workspace" ? node["name"].string().value_or("") : workspace;
            each(node, here, floating);
            for (const char* list : {"nodes", "floating_nodes"})
                for (const Json& child : node[list].elements())
                    visit(child, here, floating || std::string_view(list) == "floating_nodes");
        };
    visit(ask(IpcConnection::kGetTree), "", false);
}

std::optional<int64_t> SwaySession::openWindow(const std::string& title) {
    if (!command("exec foot --title '" + title + "' --app-id tilvane-test sleep 3600")) return std::nullopt;
    std::optional<int64_t> id;
    waitUntil([&] {
        eachNode([&](const Json& node, auto&&...) {
            if (node["name"].string() == title && !node["pid"].isNull())
                id = static_cast<int64_t>(node["id"].number().value_or(0));
        });
        return id.has_value();
    });
    // Opened floating, and used once it has drawn itself at the size sway gave it.
    if (id && (!command("[con_id=" + std::to_string(*id) + "] focus") || !frame(*id))) return std::nullopt;
    return id;
}

std::optional<Rect> SwaySession::frameNow(int64_t id) {
    std::optional<Rect> found;
    eachNode([&](const Json& node, auto&&...) {
        if (node["id"].number() != double(id)) return;
        Rect r = rectOf(node["rect"]);
        double title = rectOf(node["deco_rect"]).height;
        found = Rect{r.x, r.y - title, r.width, r.height + title};
    });
    return found;
}

// sway waits for a client to draw itself at a new size at most 200 ms (its
// transaction timeout); a client still answering an earlier request within
// that time may give the window back the size it drew. A frame that has held
// for longer than that is the window's.
bool SwaySession::frameSettles(int64_t id, const std::function<bool(const std::optional<Rect>&)>& accept,
                               std::optional<Rect>& last) {
    last = frameNow(id);
    auto since = std::chrono::steady_clock::now();
    return waitUntil([&] {
        auto now = frameNow(id);
        if (now != last) {
            last = now;
            since = std::chrono::steady_clock::now();
        }
        return accept(last) && std::chrono::steady_clock::now() - since > 300ms;
    });
}

std::optional<Rect> SwaySession::frame(int64_t id) {
    std::optional<Rect> last;
    frameSettles(
        id, [](const auto&) { return true; }, last);
    return last;
}

testing::AssertionResult SwaySession::frameReaches(int64_t id, const Rect& expected) {
    std::optional<Rect> last;
    if (frameSettles(
            id, [&](const std::optional<Rect>& frame) { return frame == expected; }, last))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the window is at " << last.value_or(Rect{}) << ", not at " << expected;
}

std::string SwaySession::workspaceOf(int64_t id) {
    std::string found;
    eachNode([&](const Json& node, const std::string& workspace, bool) {
        if (node["id"].number() == double(id)) found = workspace;
    });
    return found;
}

std::string SwaySession::focusedWorkspace() {
    Json workspaces = ask(IpcConnection::kGetWorkspaces);
    for (const Json& workspace : workspaces.elements())
        if (workspace["focused"].boolean().value_or(false)) return workspace["name"].string().value_or("");
    return {};
}

int64_t SwaySession::focusedWindow() {
    int64_t found = 0;
    eachNode([&](const Json& node, auto&&...) {
        if (node["focused"].boolean().value_or(false)) found = static_cast<int64_t>(node["id"].number().value_or(0));
    });
    return found;
}

std::unique_ptr<IpcConnection> SwaySession::listenToBindings() {
    std::string error;
    auto events = IpcConnection::open(socket_, error);
    if (!events || !events->request(IpcConnection::kSubscribe, R"(["binding"])", 5s, error)) return nullptr;
    return events;
}

std::vector<std::string> SwaySession::bindingsRun(IpcConnection& events,
                                                  const std::function<bool(const std::vector<std::string>&)>& done) {
    std::vector<std::string> commands;
    std::string error;
    waitUntil([&] {
        events.readAvailable(error);
        for (const auto& event : events.takeEvents())
            commands.push_back(
                Json::parse(event.payload, error).value_or(Json())["binding"]["command"].string().value_or(""));
        return done(commands);
    });
    return commands;
}

std::unique_ptr<Process> SwaySession::startPress(const std::vector<std::string>& modifiers, const std::string& key) {
    // Typed through the virtual-keyboard protocol by a client of sway's own uid.
    std::vector<std::string> argv{"wtype"};
    for (const auto& m : modifiers) argv.insert(argv.end(), {"-M", m});
    argv.insert(argv.end(), {"-k", key});
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) argv.insert(argv.end(), {"-m", *m});
    return Process::spawn(asNobody(argv), {{"XDG_RUNTIME_DIR", runtime_}, {"WAYLAND_DISPLAY", waylandSocket()}},
                          folder_ + "/wtype.log");
}

void SwaySession::press(const std::vector<std::string>& modifiers, const std::string& key) {
    // Waited for: the next chord never meets this one's releases.
    if (auto typing = startPress(modifiers, key)) typing->wait();
}

Json SwaySession::bus(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"busctl", "--address=" + bus_, "--json=short", "--"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto process = Process::spawn(argv, {}, folder_ + "/busctl-" + std::to_string(++runs_) + ".log");
    if (!process || process->wait() != 0) return Json();
    std::string error;
    return Json::parse(process->log(), error).value_or(Json());
}

std::string SwaySession::waylandSocket() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(runtime_, ignored)) {
        std::string name = entry.path().filename();
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) return entry.path();
    }
    return {};
}

std::map<std::string, std::string> SwaySession::environment() const {
    return {{"SWAYSOCK", socket_},
            {"I3SOCK", ""},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", waylandSocket()},
            {"DBUS_SESSION_BUS_ADDRESS", bus_},
            {"QT_QPA_PLATFORM", ""},
            {"XDG_CONFIG_HOME", folder_ + "/config"},
            {"XDG_STATE_HOME", folder_ + "/state"},
            {"XDG_RUNTIME_DIR", folder_ + "/runtime"}};
}

std::unique_ptr<Process> SwaySession::startProgram(const std::vector<std::string>& argv, const std::string& logName) {
    return Process::spawn(argv, environment(), folder_ + "/" + logName);
}

int SwaySession::run(const std::vector<std::string>& argv, std::string* output) {
    auto process = startProgram(argv, "run-" + std::to_string(++runs_) + ".log");
    if (!process) return 127;
    int status = process->wait();
    if (output) *output = process->log();
    return status;
}

bool SwaySession::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void SwaySessionTest::SetUp() {
    std::string skip, failure;
    sway_ = SwaySession::start(skip, failure);
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_TRUE(sway_) << failure;
}

void SwaySessionTest::TearDown() {
    if (program_ && program_->running()) {
        program_->signal(SIGTERM);
        EXPECT_EQ(program_->wait(), 0);
    }
    if (HasFailure() && sway_) {
        sway_->keepFolder();
        std::cerr << "logs of the failed test's sway: " << sway_->folder() << "\n";
        if (program_) std::cerr << "tilvane's output:\n" << program_->log();
    }
}

void SwaySessionTest::startServing(const std::vector<std::string>& argv,
                                   const std::map<std::string, std::string>& also) {
    auto environment = sway().environment();
    for (const auto& [name, value] : also) environment[name] = value;
    program_ = Process::spawn(argv, environment, sway().folder() + "/tilvane.log");
    ASSERT_TRUE(program_);
    ASSERT_TRUE(SwaySession::waitUntil(
        [&] { return !program_->running() || program_->log().find("serving sway") != std::string::npos; }, 30s));
    ASSERT_TRUE(program_->running()) << program_->log();
}

}  // namespace tilvane::e2e
