// Moving the program for real: the Linux services on real temporary folders,
// real processes and made-up system tables (mountinfo, /sys/block); then an
// application folder in a temporary home moved into that home's applications
// folder by a process of its own, put into the application menu and started
// through /bin/sh once that process has ended; and the places where the
// program is asked nothing.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "install/move_to_applications.h"
#include "platform/linux/linux_relocation.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_user_interface.h"

extern char** environ;

namespace tilvane {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxRelocation;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write(const fs::path& path, const std::string& text, fs::perms permissions = fs::perms::owner_all) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
    fs::permissions(path, permissions);
}

// Whether the condition comes to hold within ten seconds.
template <class Condition>
bool eventually(Condition holds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (; std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (holds()) return true;
    return false;
}

// A process started from the program, with the environment given; -1 when it could not start.
pid_t spawn(std::vector<std::string> arguments, char** environment = environ) {
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environment) == 0 ? pid : -1;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A user's home in a temporary folder, and the program's places in it.
class Relocating : public testing::Test {
protected:
    explicit Relocating(const std::string& homeName = "home") {
        root = fs::temp_directory_path() / ("tilvane-relocation-" + std::to_string(::getpid()));
        fs::remove_all(root);
        home = root / homeName;
        fs::create_directories(home / "Downloads");
        places.home = home.string();
        places.configHome = (home / ".config").string();
        places.dataHome = (home / ".local/share").string();
    }
    ~Relocating() override { fs::remove_all(root); }

    fs::path root, home;
    LinuxRelocation::Places places;
};

using LinuxRelocationTest = Relocating;

TEST_F(LinuxRelocationTest, TheBundleIsTheImageElseTheFolderNearestAboveTheProgram) {
    const struct {
        const char *appImage, *executable;
        std::optional<std::string> bundle;
    } rows[] = {
        {"", "/home/u/Downloads/Tilvane.AppDir/usr/bin/tilvane", "/home/u/Downloads/Tilvane.AppDir"},
        {"", "/home/u/Tilvane.AppDir/usr/libexec/tilvane/tilvane-app", "/home/u/Tilvane.AppDir"},
        {"", "/opt/Suite.AppDir/apps/Tilvane.AppDir/usr/bin/tilvane", "/opt/Suite.AppDir/apps/Tilvane.AppDir"},
        {"/home/u/Tilvane.AppImage", "/tmp/.mount_TilvaXYZ/usr/bin/tilvane", "/home/u/Tilvane.AppImage"},
        {"", "/usr/bin/tilvane", std::nullopt},
        {"", "/home/u/.AppDir/usr/bin/tilvane", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const auto& row : rows) {
        places.appImage = row.appImage;
        places.executable = row.executable;
        EXPECT_EQ(LinuxRelocation(places).bundlePath(), row.bundle) << row.executable;
    }
}

TEST_F(LinuxRelocationTest, TheDownloadsFolderIsTheUsersOwnAndTheUsualOne) {
    write(home / ".config/user-dirs.dirs",
          "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
          "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    EXPECT_EQ(LinuxRelocation(places).downloadsDirectories(),
              (std::vector<std::string>{places.home + "/Téléchargements", places.home + "/Downloads"}));
    fs::remove(home / ".config/user-dirs.dirs");
    EXPECT_EQ(LinuxRelocation(places).downloadsDirectories(), std::vector<std::string>{places.home + "/Downloads"});
}

TEST_F(LinuxRelocationTest, DiskImagesAreTheLoopDevicesWithAFileAndMountsComeFromTheMountTable) {
    // The table names the folders' real device, so the folders are found on it.
    fs::create_directories(root / "Tilvane 0.1/Tilvane.AppDir");
    struct stat info {};
    ASSERT_EQ(::stat(root.c_str(), &info), 0);
    std::string device = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
    write(root / "mountinfo", "22 1 " + device + " / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n" +  //
                                  "40 22 7:0 / /snap/core rw - squashfs /dev/loop0 ro\n" +            //
                                  "41 22 " + device + " / " + root.string() +
                                  "/Tilvane\\0400.1 ro,nodev - iso9660 /dev/loop3 ro\n");
    write(root / "block/loop0/loop/backing_file", "/home/u/Downloads/Tilvane 0.1.iso\n");
    write(root / "block/loop1/size", "0\n");  // detached
    write(root / "block/sda/size", "1000\n");
    places.mountInfo = (root / "mountinfo").string();
    places.blockDevices = (root / "block").string();
    LinuxRelocation relocation(places);

    EXPECT_EQ(relocation.mountOf((root / "Tilvane 0.1/Tilvane.AppDir").string()),
              (Relocation::Mount{"/dev/loop3", false}));
    EXPECT_EQ(relocation.mountOf((root / "Tilvane 0.1").string()), (Relocation::Mount{"/dev/loop3", false}));
    EXPECT_EQ(relocation.mountOf(root.string()), (Relocation::Mount{"/dev/sda1", true}));
    EXPECT_EQ(relocation.mountOf((root / "missing").string()), std::nullopt);
    EXPECT_EQ(relocation.attachedDiskImages(),
              (std::vector<Relocation::DiskImage>{{"/dev/loop0", "/home/u/Downloads/Tilvane 0.1.iso"}}));
    places.blockDevices = (root / "none").string();
    EXPECT_EQ(LinuxRelocation(places).attachedDiskImages(), std::nullopt);
}

TEST_F(LinuxRelocationTest, TheTrashKeepsWhereEachItemCameFrom) {
    write(home / "Down loads/Tilvane.AppDir/AppRun", "first");
    write(home / "100%/Tilvane.AppDir/AppRun", "second");
    LinuxRelocation relocation(places);
    ASSERT_TRUE(relocation.moveToTrash((home / "Down loads/Tilvane.AppDir").string()));
    ASSERT_TRUE(relocation.moveToTrash((home / "100%/Tilvane.AppDir").string()));

    fs::path trash = home / ".local/share/Trash";
    EXPECT_FALSE(fs::exists(home / "Down loads/Tilvane.AppDir"));
    EXPECT_EQ(read(trash / "files/Tilvane.AppDir/AppRun"), "first");
    EXPECT_EQ(read(trash / "files/Tilvane.AppDir.2/AppRun"), "second");
    EXPECT_TRUE(
        read(trash / "info/Tilvane.AppDir.trashinfo")
            .starts_with("[Trash Info]\nPath=" + home.string() + "/Down%20loads/Tilvane.AppDir\nDeletionDate="));
    EXPECT_NE(read(trash / "info/Tilvane.AppDir.2.trashinfo").find("/home/100%25/Tilvane.AppDir\n"), std::string::npos);
    EXPECT_FALSE(relocation.moveToTrash((root / "missing").string()));
    EXPECT_FALSE(fs::exists(trash / "info/missing.trashinfo"));
}

// An AppImage, whose own files are seen at $APPDIR, with a name the shell and
// the desktop entry each quote; a moved folder is in the move test below.
TEST_F(LinuxRelocationTest, AMovedBundleIsInTheMenuStartedFromItsPlaceUntilItGoes) {
    // A PNG's signature and header: 48 by 48.
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x30\0\0\0\x30\x08\x06\0\0\0", 29);
    const fs::path bundle = home / R"(Applications/It's "$1" 100% `a\b`.AppImage)";
    write(root / "mount/tilvane.desktop",
          "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=tilvane\nTryExec=tilvane\nIcon=tilvane\n"
          "Actions=Preferences;\n\n[Desktop Action Preferences]\nName=Preferences\nExec = tilvane preferences\n");
    write(root / "mount/tilvane.png", png);
    write(bundle, "an image");
    places.appDir = (root / "mount").string();
    LinuxRelocation relocation(places);

    std::string error;
    ASSERT_TRUE(relocation.addToApplicationMenu(bundle.string(), error)) << error;
    const std::string name = LinuxRelocation::applicationMenuName(bundle.string());
    const fs::path menuEntry = home / ".local/share/applications" / (name + ".desktop");
    const fs::path icon = home / ".local/share/icons/hicolor/48x48/apps" / (name + ".png");
    const std::string exec = "\"" + places.home + R"(/Applications/It's \\"\\$1\\" 100%% \\`a\\\\b\\`.AppImage")";
    EXPECT_EQ(read(menuEntry), "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=" + exec + "\nIcon=" + name +
                                   "\nActions=Preferences;\n\n[Desktop Action Preferences]\nName=Preferences\nExec=" +
                                   exec + " preferences\n");
    EXPECT_EQ(read(icon), png);

    relocation.removeFromApplicationMenu(bundle.string());
    EXPECT_FALSE(fs::exists(menuEntry));
    EXPECT_FALSE(fs::exists(icon));
    // Another place is another entry; a path no entry can hold is refused.
    EXPECT_NE(LinuxRelocation::applicationMenuName("/home/u/Applications/Tilvane.AppDir"),
              LinuxRelocation::applicationMenuName("/opt/Tilvane.AppDir"));
    EXPECT_EQ(LinuxRelocation::execArgument("/home/u/a\nb"), std::nullopt);
}

TEST_F(LinuxRelocationTest, RunningBundlesAreFolderProgramsAndImages) {
    fs::path folder = root / "Run.AppDir";
    fs::create_directories(folder / "usr/bin");
    fs::copy_file("/bin/sleep", folder / "usr/bin/sleep");
    std::string image = "APPIMAGE=" + (root / "Sleep.AppImage").string();
    char* imageEnvironment[] = {image.data(), nullptr};
    pid_t fromFolder = spawn({(folder / "usr/bin/sleep").string(), "30"});
    pid_t fromImage = spawn({"/bin/sleep", "30"}, imageEnvironment);
    ASSERT_GT(fromFolder, 0);
    ASSERT_GT(fromImage, 0);
    // The parent goes on while the kernel is still setting up the new program's environment.
    eventually([&] { return !read("/proc/" + std::to_string(fromImage) + "/environ").empty(); });

    auto bundles = LinuxRelocation(places).runningApplicationBundles();

    for (pid_t pid : {fromFolder, fromImage}) {
        ::kill(pid, SIGKILL);
        waitFor(pid);
    }
    auto has = [&](const fs::path& bundle) {
        return std::find(bundles.begin(), bundles.end(), bundle.string()) != bundles.end();
    };
    EXPECT_TRUE(has(folder));
    EXPECT_TRUE(has(root / "Sleep.AppImage")) << testing::PrintToString(bundles);
}

TEST_F(LinuxRelocationTest, ThePrivilegedLineRunsAsOneShellLineAndSaysWhyItFailed) {
    // Stand-ins for pkexec: one that lets the line run, one whose prompt the user dismisses, one that
    // refuses as pkexec does.
    write(root / "bin/allow", "#!/bin/sh\nexec \"$@\"\n");
    write(root / "bin/dismiss", "#!/bin/sh\nexit 126\n");
    write(root / "bin/refuse",
          "#!/bin/sh\necho 'Error executing command as another user: Not authorized' >&2\n"
          "echo >&2; echo 'This incident has been reported.' >&2; exit 127\n");
    fs::path made = root / "it's a $dir/made";
    const std::string quotedFolder = "'" + root.string() + "/it'\\''s a $dir'";
    const struct {
        std::string program, line;
        std::optional<int> status;
        std::string error;
    } rows[] = {
        {"allow", "/bin/mkdir -p " + quotedFolder + " && : > " + quotedFolder + "/made", 0, ""},
        {"allow", "echo \"/bin/cp: error writing '/Applications/x': No space left on device\" >&2; exit 1", 1,
         "No space left on device"},
        {"allow", "exit 3", 3, "The command ended with status 3"},
        {"dismiss", "true", Relocation::kAuthorizationCanceled, ""},
        {"refuse", "true", 127, "Authorization failed: Not authorized"},
        {"tilvane-no-such-program", "true", std::nullopt, "tilvane-no-such-program is not installed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        places.privilegeProgram =
            fs::exists(root / "bin" / row.program) ? (root / "bin" / row.program).string() : row.program;
        std::string error;
        EXPECT_EQ(LinuxRelocation(places).runShellLineWithPrivileges(row.line, error), row.status);
        EXPECT_EQ(error, row.error);
    }
    EXPECT_TRUE(fs::exists(made));
}

TEST_F(LinuxRelocationTest, AProgramRunsWithTheSignalsThisProgramBlocksUnblocked) {
    sigset_t terminate, old;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &terminate, &old);
    auto status = LinuxRelocation(places).runAndWait({"/bin/sh", "-c", "kill -TERM $$; exit 0"});
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    EXPECT_EQ(status, std::optional<int>(128 + SIGTERM));
    EXPECT_EQ(LinuxRelocation(places).runAndWait({"/no/such/program"}), std::nullopt);
}

// The moved program's stand-in, reached through the AppRun link: it writes
// how it was started, and whether the process it replaces ($WAITED) was still
// there, into $MARKER.
constexpr const char* kStandIn =
    "#!/bin/sh\n"
    "if kill -0 \"$WAITED\" 2>/dev/null; then state=early; else state=after; fi\n"
    "printf '%s %s\\n' \"$0\" \"$state\" > \"$MARKER.part\" && mv \"$MARKER.part\" \"$MARKER\"\n";

void makeApplicationFolder(const fs::path& folder) {
    write(folder / "usr/bin/tilvane", kStandIn);
    fs::create_symlink("usr/bin/tilvane", folder / "AppRun");
    write(folder / "usr/share/tilvane/Shortcut.bundle/en.lproj/Localizable.strings", "\"Space\" = \"Space\";\n",
          fs::perms::owner_read | fs::perms::owner_write);
    write(folder / "tilvane.desktop", "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=tilvane\nIcon=tilvane\n");
    write(folder / "tilvane.svg", "<svg/>");
}

// The log lines, one file, so that the test reads what another process wrote.
class FileLog : public Log {
public:
    explicit FileLog(const fs::path& path) : out_(path) {}
    void write(std::string_view line) override { out_ << line << std::endl; }

private:
    std::ofstream out_;
};

class MoveOnDiskTest : public Relocating {
protected:
    // Quotes, spaces and dollars in every path the shell lines carry.
    MoveOnDiskTest() : Relocating("the user's $HOME") { ::setenv("MARKER", marker.c_str(), 1); }
    ~MoveOnDiskTest() override {
        ::unsetenv("MARKER");
        ::unsetenv("WAITED");
    }

    // What the moved copy wrote, once it has; empty after ten seconds without.
    std::string startedCopy() {
        return eventually([&] { return fs::exists(marker); }) ? read(marker) : "";
    }

    // The places of a program run from a folder's usr/bin, or from an AppImage.
    LinuxRelocation::Places placesOf(const fs::path& bundle) {
        LinuxRelocation::Places at = places;
        if (bundle.extension() == ".AppImage")
            at.appImage = bundle.string();
        else
            at.executable = (bundle / "usr/bin/tilvane").string();
        return at;
    }

    // Runs the offer at these places, the user answering with the button: the
    // question's informative text, empty when nothing is asked. An answer
    // that moves ends the process.
    std::string offerAt(const LinuxRelocation::Places& at, size_t button) {
        LinuxRelocation relocation(at);
        sim::SimUserInterface ui;
        ui.answerAlerts({{button, false}});
        sim::MemorySettingsStore settings;
        FileLog log(root / "log");
        sim::SimDesktop desktop;
        Platform platform(desktop, desktop, log, desktop.runLoop());
        platform.relocation = &relocation;
        platform.userInterface = &ui;
        platform.settings = &settings;
        moveToApplicationsFolderIfNecessary(platform);
        return ui.alerts().empty() ? "" : ui.alerts().front().informativeText;
    }
    // Whether the relaunch line's loop is seen waiting (its /bin/sleep, with this test's environment).
    bool relaunchSeenWaiting() {
        const std::string sleeping = std::string("/bin/sleep") + '\0' + "0.1" + '\0';
        return eventually([&] {
            for (const auto& process : fs::directory_iterator("/proc"))
                if (read(process.path() / "cmdline") == sleeping &&
                    read(process.path() / "environ").find("MARKER=" + marker.string() + '\0') != std::string::npos)
                    return true;
            return false;
        });
    }

    fs::path marker = root / "started";
};

// The user moves the folder, in a process of its own that ends once the move
// is under way. Left unreaped it is still there for the relaunch line, whose
// loop waits until it has gone before the moved copy starts under /bin/sh.
TEST_F(MoveOnDiskTest, TheFolderIsMovedAndTheMovedCopyStartsUnderBinShOnlyOnceTheFirstHasEnded) {
    fs::path source = home / "Downloads/Tilvane.AppDir";
    makeApplicationFolder(source);
    fs::path destination = home / "Applications/Tilvane.AppDir";
    pid_t mover = ::fork();
    if (mover == 0) {
        ::setenv("WAITED", std::to_string(::getpid()).c_str(), 1);
        offerAt(placesOf(source), 0);
        ::_exit(3);  // the offer returned: nothing was moved
    }

    EXPECT_TRUE(relaunchSeenWaiting());
    EXPECT_FALSE(fs::exists(marker)) << "started while the first process was still there";
    EXPECT_EQ(waitFor(mover), 0);
    EXPECT_EQ(startedCopy(), (destination / "AppRun").string() + " after\n");
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(read(destination / "usr/share/tilvane/Shortcut.bundle/en.lproj/Localizable.strings"),
              "\"Space\" = \"Space\";\n");
    // Programs stay runnable, and links stay links.
    EXPECT_EQ(fs::status(destination / "usr/bin/tilvane").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    ASSERT_TRUE(fs::is_symlink(destination / "AppRun"));
    EXPECT_EQ(fs::read_symlink(destination / "AppRun"), "usr/bin/tilvane");
    EXPECT_EQ(read(root / "log"), "INFO -- Moving myself to the Applications folder\n");
    const std::string name = LinuxRelocation::applicationMenuName(destination.string());
    EXPECT_NE(read(home / ".local/share/applications" / (name + ".desktop"))
                  .find("\nExec=" + LinuxRelocation::execArgument((destination / "AppRun").string()).value() + "\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(home / ".local/share/icons/hicolor/scalable/apps" / (name + ".svg")));
}

TEST_F(MoveOnDiskTest, WhereTheProgramIsInPlaceNothingIsAskedAndElsewhereNoPassword) {
    const std::string offer = "I can move myself to the Applications folder if you'd like.";
    const std::string fromDownloads = offer + " This will keep your Downloads folder uncluttered.";
    const struct {
        const char* bundle;
        std::string question;
    } rows[] = {
        {"Applications/Tilvane.AppDir", ""},           {"Applications/Tilvane.AppImage", ""},
        {".local/bin/Tilvane.AppImage", ""},           {"bin/Tilvane.AppImage", ""},
        {"Downloads/Tilvane.AppImage", fromDownloads}, {"Downloads/Tilvane.AppDir", fromDownloads},
        {"binaries/Tilvane.AppImage", offer},
    };
    for (const auto& row : rows) EXPECT_EQ(offerAt(placesOf(home / row.bundle), 1), row.question) << row.bundle;
}

}  // namespace
}  // namespace tilvane
