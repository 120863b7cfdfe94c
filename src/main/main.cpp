// The command line: it picks what to run. The backends are put together in
// commands.cpp and serving_program.cpp beside it, and in desktop_main.cpp for
// the desktop application; nothing else chooses them.

#include <unistd.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/action_table.h"
#include "app/defaults_command.h"
#include "main/commands.h"
#include "main/error_stream_log.h"
#include "main/serving_program.h"
#include "main/standard_streams.h"
#include "platform/linux/file_settings_store.h"

namespace {

using tilvane::standardError;
using tilvane::standardOutput;

const char* const kUsage =
    "usage: tilvane                 start Tilvane on $DISPLAY: the keyboard shortcuts and the tray icon\n"
    "       tilvane serve           serve the keyboard shortcuts only, with no tray icon, until SIGINT or SIGTERM\n"
    "       tilvane preferences     open the preferences window (starting Tilvane when it is not running)\n"
    "       tilvane place ACTION    apply one action to the focused window\n"
    "       tilvane shortcuts ...   list and change the shortcuts (tilvane shortcuts --help)\n"
    "       tilvane defaults ...    read and write the settings (tilvane defaults --help)\n"
    "       tilvane --help | --version\n"
    "\n"
    "ACTION is an action's name or code:\n";

void printUsage(std::ostream& out) {
    out << kUsage;
    // The action names, filled into lines of at most 79 columns.
    size_t column = 1;
    out << " ";
    for (const auto& action : tilvane::kActions) {
        std::string code = std::to_string(action.code);
        size_t width = 1 + action.name.size() + 2 + code.size() + 1;
        if (column + width > 79) {
            out << "\n ";
            column = 1;
        }
        out << " " << action.name << " (" << code << ")";
        column += width;
    }
    out << "\n"
           "\n"
           "Signals to a serving Tilvane: SIGINT and SIGTERM end it in order; SIGHUP makes it\n"
           "read its settings file again; SIGPIPE is ignored. Other signals act as they do on\n"
           "any program: SIGUSR1, for one, ends it at once.\n";
}

const tilvane::ActionInfo* actionNamed(const std::string& word) {
    int64_t code = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    if (error == std::errc() && end == word.data() + word.size()) return tilvane::actionForCode(code);
    return tilvane::actionForName(word);
}

// The desktop application (tray icon, preferences) is a program of its own,
// so that the commands here never load its user-interface libraries. It
// lies beside this program in a build, and in libexec when installed.
std::optional<std::string> desktopApplication() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    auto folder = self.parent_path();
    for (const auto& candidate : {folder / "tilvane-app", folder / ".." / "libexec" / "tilvane" / "tilvane-app"})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
    return std::nullopt;
}

int startDesktopApplication(std::vector<std::string> arguments) {
    if (auto app = desktopApplication()) {
        // The application learns which program starts it, for starting at login.
        std::error_code error;
        auto self = std::filesystem::read_symlink("/proc/self/exe", error);
        if (!error) ::setenv("TILVANE_PROGRAM", self.c_str(), 1);
        // Named as the program the user started: the desktop knows its windows by that name.
        std::string name = "tilvane";
        std::vector<char*> argv{name.data()};
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(app->c_str(), argv.data());
        standardError() << "tilvane: cannot start " << *app << ": " << std::strerror(errno) << "\n";
    } else {
        standardError() << "tilvane: the desktop application (tilvane-app) is not installed; "
                           "serving the shortcuts without a tray icon\n";
    }
    return tilvane::commands::serve();
}

}  // namespace

int main(int argc, char** argv) {
    tilvane::addInstalledResourceDirectories(TILVANE_DATA_FROM_BINARY);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string command = args.empty() ? "" : args.front();
    std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());

    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(standardOutput());
        return 0;
    }
    if (command == "--version") {
        standardOutput() << "tilvane " << TILVANE_VERSION << "\n";
        return 0;
    }
    if (command == "defaults") {
        tilvane::ErrorStreamLog log;
        tilvane::linux_platform::FileSettingsStore store(tilvane::linux_platform::FileSettingsStore::defaultPath(),
                                                         log);
        return tilvane::runDefaultsCommand(rest, store, standardOutput(), standardError());
    }
    if (command.empty()) return startDesktopApplication({});
    if (command == "preferences") {
        int status = tilvane::commands::preferences();
        // Nothing serves the display: Tilvane starts, showing its preferences.
        return status == tilvane::commands::kNotRunning ? startDesktopApplication({"--preferences"}) : status;
    }
    if (command == "serve") return tilvane::commands::serve();
    if (command == "shortcuts") return tilvane::commands::shortcuts(rest);
    if (command == "place") {
        if (rest.size() != 1) {
            standardError() << "usage: tilvane place ACTION\n";
            return 2;
        }
        const tilvane::ActionInfo* action = actionNamed(rest.front());
        if (!action) {
            standardError() << "tilvane: unknown action \"" << rest.front() << "\"; tilvane --help lists them\n";
            return 2;
        }
        return tilvane::commands::place(action->code);
    }
    standardError() << "tilvane: unknown command \"" << command << "\"\n";
    printUsage(standardError());
    return 2;
}
