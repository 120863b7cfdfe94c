// The composition root: the command line picks what to run; the X11 backend
// and the Linux services are put together in src/platform/x11/x11_application.

#include <charconv>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/action_table.h"
#include "app/defaults_command.h"
#include "platform/linux/file_settings_store.h"

#if TILVANE_HAVE_X11
#include "platform/x11/x11_application.h"
#endif

namespace {

const char* const kUsage =
    "usage: tilvane                 serve the keyboard shortcuts on $DISPLAY until SIGINT or SIGTERM\n"
    "       tilvane place ACTION    apply one action to the focused window\n"
    "       tilvane shortcuts ...   list and change the shortcuts (tilvane shortcuts --help)\n"
    "       tilvane defaults ...    read and write the settings (tilvane defaults --help)\n"
    "       tilvane --help | --version\n"
    "\n"
    "ACTION is an action's name or code:\n";

void printUsage(std::ostream& out) {
    out << kUsage;
    std::string line = " ";
    for (const auto& action : tilvane::kActions) {
        std::string word = " " + std::string(action.name) + " (" + std::to_string(action.code) + ")";
        if (line.size() + word.size() > 79) {
            out << line << "\n";
            line = " ";
        }
        line += word;
    }
    out << line << "\n";
}

const tilvane::ActionInfo* actionNamed(const std::string& word) {
    int64_t code = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    if (error == std::errc() && end == word.data() + word.size()) return tilvane::actionForCode(code);
    return tilvane::actionForName(word);
}

class ErrorStreamLog : public tilvane::Log {
public:
    void write(std::string_view line) override { std::cerr << "tilvane: " << line << std::endl; }
};

#if !TILVANE_HAVE_X11
int withoutX11() {
    std::cerr << "tilvane: this build has no X11 support\n";
    return 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string command = args.empty() ? "" : args.front();
    std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());

    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (command == "--version") {
        std::cout << "tilvane " << TILVANE_VERSION << "\n";
        return 0;
    }
    if (command == "defaults") {
        ErrorStreamLog log;
        tilvane::linux_platform::FileSettingsStore store(tilvane::linux_platform::FileSettingsStore::defaultPath(),
                                                         log);
        return tilvane::runDefaultsCommand(rest, store, std::cout, std::cerr);
    }
#if TILVANE_HAVE_X11
    if (command.empty()) return tilvane::x11::serve(std::cout, std::cerr);
    if (command == "shortcuts") return tilvane::x11::shortcuts(rest, std::cout, std::cerr);
    if (command == "place") {
        if (rest.size() != 1) {
            std::cerr << "usage: tilvane place ACTION\n";
            return 2;
        }
        const tilvane::ActionInfo* action = actionNamed(rest.front());
        if (!action) {
            std::cerr << "tilvane: unknown action \"" << rest.front() << "\"; tilvane --help lists them\n";
            return 2;
        }
        return tilvane::x11::place(action->code, std::cerr);
    }
#else
    if (command.empty() || command == "shortcuts" || command == "place") return withoutX11();
#endif
    std::cerr << "tilvane: unknown command \"" << command << "\"\n";
    printUsage(std::cerr);
    return 2;
}
