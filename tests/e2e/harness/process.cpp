#include "harness/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tilvane::e2e {

std::unique_ptr<Process> Process::spawn(const std::vector<std::string>& argv,
                                        const std::map<std::string, std::string>& environment,
                                        const std::string& logPath, std::optional<int> fdToPass) {
    // This process's environment, less the variables given, and the variables given.
    std::vector<std::string> envStrings, argvCopy = argv;
    for (char** e = environ; *e; ++e)
        if (!environment.count(std::string(*e, size_t(::strchrnul(*e, '=') - *e)))) envStrings.push_back(*e);
    for (const auto& [k, v] : environment) envStrings.push_back(k + "=" + v);
    std::vector<char*> envp, args;
    for (auto& s : envStrings) envp.push_back(s.data());
    for (auto& s : argvCopy) args.push_back(s.data());
    envp.push_back(nullptr);
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (fdToPass) posix_spawn_file_actions_adddup2(&actions, *fdToPass, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with default signal handling and nothing blocked.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return nullptr;
    return std::unique_ptr<Process>(new Process(pid, logPath));
}

Process::~Process() {
    if (running()) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

bool Process::running() {
    if (status_) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    status_ = r == pid_ ? (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) : 255;
    return false;
}

void Process::signal(int sig) {
    if (running()) ::kill(pid_, sig);
}

int Process::wait() {
    if (status_) return *status_;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    status_ = r == pid_ ? (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) : 255;
    return *status_;
}

std::optional<int> Process::waitFor(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        ::usleep(2000);
    }
    return status_;
}

std::string Process::log() const {
    return readFile(logPath_);
}

bool inPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
    }
    return false;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tilvane::e2e
