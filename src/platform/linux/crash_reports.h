#pragma once

#include <string>
#include <vector>

namespace tilvane::linux_platform {

// Reports of the program's crashes, kept in a folder of the user's
// ($XDG_STATE_HOME/tilvane): when the program dies of a signal, the handler
// writes the signal, the version and a backtrace to crash-<time>-<pid>.txt
// and lets the signal end the process as it would have. The next start
// learns of the reports nobody was told about yet. Nothing leaves the machine.
class CrashReports {
public:
    CrashReports(std::string folder, std::string version);

    // $XDG_STATE_HOME/tilvane, else ~/.local/state/tilvane.
    static std::string defaultFolder();

    // Installs the handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT,
    // once per process. False when the folder cannot be made.
    bool install();
    // The paths of the reports written by earlier runs that were not handed
    // out yet, oldest first; each is handed out once.
    std::vector<std::string> takeUnannounced();

    const std::string& folder() const { return folder_; }

private:
    std::string folder_, version_;
};

}  // namespace tilvane::linux_platform
