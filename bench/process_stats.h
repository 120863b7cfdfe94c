#pragma once

// What the X11 benchmarks read about a running program from /proc: how often
// it woke up and how much memory it holds.

#include <dirent.h>
#include <sys/types.h>

#include <fstream>
#include <string>

namespace tilvane::bench {

// The value of a "Name: value" line of a /proc status file; -1 when absent.
inline long statusField(const std::string& path, const std::string& name) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, name.size() + 1, name + ":") == 0) return std::stol(line.substr(name.size() + 1));
    return -1;
}

// How many times the process's threads have gone to sleep and woken up again
// (voluntary context switches): a wait in poll, or for a reply, each count once.
inline long wakeUps(pid_t pid) {
    long total = 0;
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = ::opendir(tasks.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            long n = statusField(tasks + "/" + entry->d_name + "/status", "voluntary_ctxt_switches");
            if (n > 0) total += n;
        }
        ::closedir(dir);
    }
    return total;
}

// Resident memory in KiB.
inline long residentKiB(pid_t pid) {
    return statusField("/proc/" + std::to_string(pid) + "/status", "VmRSS");
}

}  // namespace tilvane::bench
