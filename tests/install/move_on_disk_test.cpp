// Moving the program for real: an application folder in a temporary home is
// moved into that home's applications folder by a process of its own, the
// moved copy is put into the application menu and starts through /bin/sh
// once that process has ended; and the places where the program is asked
// nothing.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "install/move_to_applications.h"
#include "platform/linux/linux_relocation.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_user_interface.h"

extern char** environ;

namespace tilvane {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxRelocation;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The moved program's stand-in: it writes how it was started, and whether
// the process it replaces ($WAITED) was still there, into $MARKER.
constexpr const char* kAppRun =
    "#!/bin/sh\n"
    "if kill -0 \"$WAITED\" 2>/dev/null; then state=early; else state=after; fi\n"
    "printf '%s %s\\n' \"$0\" \"$state\" > \"$MARKER.part\" && mv \"$MARKER.part\" \"$MARKER\"\n";

void makeApplicationFolder(const fs::path& folder) {
    fs::create_directories(folder / "usr/bin");
    fs::create_directories(folder / "usr/share/tilvane/Shortcut.bundle/en.lproj");
    std::ofstream(folder / "AppRun") << kAppRun;
    fs::permissions(folder / "AppRun", fs::perms::owner_all);
    std::ofstream(folder / "usr/bin/tilvane") << "#!/bin/sh\n";
    fs::permissions(folder / "usr/bin/tilvane", fs::perms::owner_all);
    std::ofstream(folder / "usr/share/tilvane/Shortcut.bundle/en.lproj/Localizable.strings")
        << "\"Space\" = \"Space\";\n";
    std::ofstream(folder / "tilvane.desktop")
        << "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=tilvane\nIcon=tilvane\n";
    std::ofstream(folder / "tilvane.svg") << "<svg/>";
}

// The log lines, one file, so that the test reads what another process wrote.
class FileLog : public Log {
public:
    explicit FileLog(const fs::path& path) : out_(path) {}
    void write(std::string_view line) override { out_ << line << std::endl; }

private:
    std::ofstream out_;
};

class MoveOnDiskTest : public testing::Test {
protected:
    void SetUp() override {
        // Quotes, spaces and dollars in every path the shell lines carry.
        root = fs::temp_directory_path() / ("tilvane move's $test " + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "home/Downloads");
        marker = root / "started";
        ::setenv("MARKER", marker.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("MARKER");
        ::unsetenv("WAITED");
        fs::remove_all(root);
    }

    // What the moved copy wrote, once it has; empty after ten seconds without.
    std::string startedCopy() {
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (fs::exists(marker)) return read(marker);
        return {};
    }

    // The places of a program run from a folder's usr/bin, or from an AppImage.
    LinuxRelocation::Places placesOf(const fs::path& bundle) {
        LinuxRelocation::Places places;
        places.home = (root / "home").string();
        places.configHome = (root / "home/.config").string();
        places.dataHome = (root / "home/.local/share").string();
        if (bundle.extension() == ".AppImage")
            places.appImage = bundle.string();
        else
            places.executable = (bundle / "usr/bin/tilvane").string();
        return places;
    }

    // What the offer to move asks a program at these places, which the user
    // declines: the question's informative text; empty when nothing is asked.
    std::string questionAt(const LinuxRelocation::Places& places) {
        LinuxRelocation relocation(places);
        sim::SimUserInterface ui;
        ui.answerAlerts({{1, false}});
        Platform platform;
        platform.relocation = &relocation;
        platform.userInterface = &ui;
        moveToApplicationsFolderIfNecessary(platform);
        return ui.alerts().empty() ? "" : ui.alerts().front().informativeText;
    }

    // Runs the offer in a process of its own, the user choosing to move, as
    // if the program ran from the folder's usr/bin; its exit status.
    int runOfferFrom(const fs::path& folder) {
        pid_t child = ::fork();
        if (child == 0) {
            ::setenv("WAITED", std::to_string(::getpid()).c_str(), 1);
            LinuxRelocation relocation(placesOf(folder));
            sim::SimUserInterface ui;
            sim::MemorySettingsStore settings;
            FileLog log(root / "log");
            Platform platform;
            platform.relocation = &relocation;
            platform.userInterface = &ui;
            platform.settings = &settings;
            platform.log = &log;
            moveToApplicationsFolderIfNecessary(platform);
            ::_exit(3);  // the offer returned: nothing was moved
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    fs::path root, marker;
};

pid_t spawn(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(MoveOnDiskTest, TheRelaunchLineStartsTheCopyUnderBinShOnlyOnceTheProcessHasEnded) {
    fs::path destination = root / "home/Applications/Tilvane.AppDir";
    makeApplicationFolder(destination);
    pid_t waited = spawn({"/bin/sleep", "60"});
    ASSERT_GT(waited, 0);
    ::setenv("WAITED", std::to_string(waited).c_str(), 1);

    // The line backgrounds its work: the shell itself ends at once, and well.
    EXPECT_EQ(waitFor(spawn({"/bin/sh", "-c", relaunchLine(waited, destination.string())})), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(marker)) << "started while the old process still ran";
    ::kill(waited, SIGKILL);
    waitFor(waited);

    EXPECT_EQ(startedCopy(), (destination / "AppRun").string() + " after\n");
}

TEST_F(MoveOnDiskTest, TheFolderIsMovedAndTheMovedCopyStartsAfterTheFirstEnded) {
    fs::path source = root / "home/Downloads/Tilvane.AppDir";
    makeApplicationFolder(source);
    fs::path destination = root / "home/Applications/Tilvane.AppDir";

    EXPECT_EQ(runOfferFrom(source), 0);

    EXPECT_EQ(startedCopy(), (destination / "AppRun").string() + " after\n");
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(read(destination / "usr/share/tilvane/Shortcut.bundle/en.lproj/Localizable.strings"),
              "\"Space\" = \"Space\";\n");
    EXPECT_EQ(fs::status(destination / "usr/bin/tilvane").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    EXPECT_EQ(read(root / "log"), "INFO -- Moving myself to the Applications folder\n");
    const std::string name = LinuxRelocation::applicationMenuName(destination.string());
    EXPECT_NE(read(root / "home/.local/share/applications" / (name + ".desktop"))
                  .find("\nExec=" + LinuxRelocation::execArgument((destination / "AppRun").string()).value() + "\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(root / "home/.local/share/icons/hicolor/scalable/apps" / (name + ".svg")));
}

TEST_F(MoveOnDiskTest, WhereTheProgramIsInPlaceNothingIsAskedAndElsewhereNoPassword) {
    const std::string offer = "I can move myself to the Applications folder if you'd like.";
    const std::string fromDownloads = offer + " This will keep your Downloads folder uncluttered.";
    const struct Row {
        const char* bundle;
        std::string question;
    } rows[] = {
        {"home/Applications/Tilvane.AppDir", ""},           {"home/Applications/Tilvane.AppImage", ""},
        {"home/.local/bin/Tilvane.AppImage", ""},           {"home/bin/Tilvane.AppImage", ""},
        {"home/Downloads/Tilvane.AppImage", fromDownloads}, {"home/Downloads/Tilvane.AppDir", fromDownloads},
        {"home/binaries/Tilvane.AppImage", offer},
    };
    for (const auto& row : rows) EXPECT_EQ(questionAt(placesOf(root / row.bundle)), row.question) << row.bundle;
}

}  // namespace
}  // namespace tilvane
