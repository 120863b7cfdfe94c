#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tilvane::e2e {

// A child process of a test. Its output goes to a log file; a process still
// running when the object goes away is killed and reaped.
class Process {
public:
    // Starts argv[0] (searched in PATH) with the environment of this process
    // plus the given variables. Null when it cannot be started. fdToPass, when
    // given, is handed to the child as descriptor 3.
    static std::unique_ptr<Process> spawn(const std::vector<std::string>& argv,
                                          const std::map<std::string, std::string>& environment,
                                          const std::string& logPath, std::optional<int> fdToPass = std::nullopt);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    void signal(int sig);
    // Waits for the process to end; its exit status, or 128 + the signal that ended it.
    int wait();
    // Waits at most the limit; none when the process still runs then.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    const std::string& logPath() const { return logPath_; }
    std::string log() const;

private:
    Process(pid_t pid, std::string logPath) : pid_(pid), logPath_(std::move(logPath)) {}
    pid_t pid_;
    std::optional<int> status_;
    std::string logPath_;
};

// Whether a program of that name is in PATH.
bool inPath(const std::string& program);
std::string readFile(const std::string& path);

}  // namespace tilvane::e2e
