// Moving the program on Linux: the services on real temporary folders, real
// processes and made-up system tables (mountinfo, /sys/block).

#include "platform/linux/linux_relocation.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tilvane::linux_platform {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const fs::path& path, const std::string& text,
           fs::perms permissions = fs::perms::owner_read | fs::perms::owner_write) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
    fs::permissions(path, permissions);
}

class LinuxRelocationTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("tilvane-relocation-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "home");
        places.home = (root / "home").string();
        places.configHome = (root / "home/.config").string();
        places.dataHome = (root / "home/.local/share").string();
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
    LinuxRelocation::Places places;
};

TEST_F(LinuxRelocationTest, TheBundleIsTheImageElseTheFolderNearestAboveTheProgram) {
    struct Row {
        const char* appImage;
        const char* executable;
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
    write(root / "home/.config/user-dirs.dirs",
          "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
          "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    EXPECT_EQ(LinuxRelocation(places).downloadsDirectories(),
              (std::vector<std::string>{places.home + "/Téléchargements", places.home + "/Downloads"}));
    fs::remove(root / "home/.config/user-dirs.dirs");
    EXPECT_EQ(LinuxRelocation(places).downloadsDirectories(), std::vector<std::string>{places.home + "/Downloads"});
}

TEST_F(LinuxRelocationTest, TheMountOfAFolderComesFromTheMountTable) {
    // The table names the folders' real device, so the folders are found on it.
    fs::create_directories(root / "Tilvane 0.1/Tilvane.AppDir");
    struct stat info {};
    ASSERT_EQ(::stat(root.c_str(), &info), 0);
    std::string device = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
    std::string image = root.string() + "/Tilvane\\0400.1";
    write(root / "mountinfo", "22 1 " + device + " / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n" +  //
                                  "40 22 7:0 / /snap/core rw - squashfs /dev/loop0 ro\n" +            //
                                  "41 22 " + device + " / " + image + " ro,nodev - iso9660 /dev/loop3 ro\n");
    places.mountInfo = (root / "mountinfo").string();
    LinuxRelocation relocation(places);

    EXPECT_EQ(relocation.mountOf((root / "Tilvane 0.1/Tilvane.AppDir").string()),
              (Relocation::Mount{"/dev/loop3", false}));
    EXPECT_EQ(relocation.mountOf((root / "Tilvane 0.1").string()), (Relocation::Mount{"/dev/loop3", false}));
    EXPECT_EQ(relocation.mountOf(root.string()), (Relocation::Mount{"/dev/sda1", true}));
    EXPECT_EQ(relocation.mountOf((root / "missing").string()), std::nullopt);
}

TEST_F(LinuxRelocationTest, DiskImagesAreTheLoopDevicesWithAFile) {
    write(root / "block/loop0/loop/backing_file", "/home/u/Downloads/Tilvane 0.1.iso\n");
    write(root / "block/loop1/size", "0\n");  // detached
    write(root / "block/sda/size", "1000\n");
    places.blockDevices = (root / "block").string();
    EXPECT_EQ(LinuxRelocation(places).attachedDiskImages(),
              (std::vector<Relocation::DiskImage>{{"/dev/loop0", "/home/u/Downloads/Tilvane 0.1.iso"}}));
    places.blockDevices = (root / "none").string();
    EXPECT_EQ(LinuxRelocation(places).attachedDiskImages(), std::nullopt);
}

TEST_F(LinuxRelocationTest, ACopyKeepsProgramsRunnableAndLinksAsLinksAndMakesTheFolderAbove) {
    fs::path from = root / "home/Downloads/Tilvane.AppDir";
    write(from / "usr/bin/tilvane", "#!/bin/sh\n", fs::perms::owner_all);
    write(from / "usr/share/tilvane/texts", "Space");
    fs::create_symlink("usr/bin/tilvane", from / "AppRun");
    fs::path to = root / "home/Applications/Tilvane.AppDir";
    LinuxRelocation relocation(places);

    std::string error;
    ASSERT_TRUE(relocation.copyItem(from.string(), to.string(), error)) << error;
    EXPECT_EQ(read(to / "usr/share/tilvane/texts"), "Space");
    EXPECT_EQ(fs::status(to / "usr/bin/tilvane").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    ASSERT_TRUE(fs::is_symlink(to / "AppRun"));
    EXPECT_EQ(fs::read_symlink(to / "AppRun"), "usr/bin/tilvane");

    EXPECT_FALSE(relocation.copyItem(from.string(), to.string(), error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(relocation.removeItem(to.string(), error)) << error;
    EXPECT_FALSE(fs::exists(to));
}

TEST_F(LinuxRelocationTest, TheTrashKeepsWhereEachItemCameFrom) {
    fs::path first = root / "home/Down loads/Tilvane.AppDir";
    fs::path second = root / "home/100%/Tilvane.AppDir";
    write(first / "AppRun", "first");
    write(second / "AppRun", "second");
    LinuxRelocation relocation(places);

    ASSERT_TRUE(relocation.moveToTrash(first.string()));
    ASSERT_TRUE(relocation.moveToTrash(second.string()));

    fs::path trash = root / "home/.local/share/Trash";
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(read(trash / "files/Tilvane.AppDir/AppRun"), "first");
    EXPECT_EQ(read(trash / "files/Tilvane.AppDir.2/AppRun"), "second");
    std::string info = read(trash / "info/Tilvane.AppDir.trashinfo");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + root.string() +
                                 "/home/Down%20loads/Tilvane.AppDir\n"
                                 "DeletionDate="))
        << info;
    EXPECT_NE(read(trash / "info/Tilvane.AppDir.2.trashinfo").find("/home/100%25/Tilvane.AppDir\n"), std::string::npos);
    EXPECT_FALSE(relocation.moveToTrash((root / "missing").string()));
    EXPECT_FALSE(fs::exists(trash / "info/missing.trashinfo"));
}

TEST_F(LinuxRelocationTest, AMovedBundleIsInTheMenuStartedFromItsPlaceUntilItGoes) {
    const std::string entry =
        "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=tilvane\nTryExec=tilvane\nIcon=tilvane\n"
        "Actions=Preferences;\n\n[Desktop Action Preferences]\nName=Preferences\nExec = tilvane preferences\n";
    // A PNG's signature and header: 48 by 48.
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x30\0\0\0\x30\x08\x06\0\0\0", 29);
    const struct Row {
        const char* bundle;  // in the home folder
        bool image;          // an AppImage, whose own files are seen at $APPDIR; else a folder
        const char* icon;
        const char* exec;  // Exec's first argument after the quote and the home folder
        const char* iconFolder;
    } rows[] = {
        {"Applications/Tilvane.AppDir", false, "tilvane.svg", R"(/Applications/Tilvane.AppDir/AppRun")",
         "scalable/apps"},
        {R"(Applications/It's "$1" 100% `a\b`.AppImage)", true, "tilvane.png",
         R"(/Applications/It's \\"\\$1\\" 100%% \\`a\\\\b\\`.AppImage")", "48x48/apps"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bundle);
        const fs::path bundle = root / "home" / row.bundle;
        const fs::path files = row.image ? root / "mount" : bundle;
        write(files / "tilvane.desktop", entry);
        write(files / row.icon, row.image ? png : "<svg/>");
        if (row.image) write(bundle, "an image");
        places.appDir = row.image ? files.string() : "";
        LinuxRelocation relocation(places);

        std::string error;
        ASSERT_TRUE(relocation.addToApplicationMenu(bundle.string(), error)) << error;
        const std::string name = LinuxRelocation::applicationMenuName(bundle.string());
        const fs::path menuEntry = root / "home/.local/share/applications" / (name + ".desktop");
        const fs::path icon = root / "home/.local/share/icons/hicolor" / row.iconFolder /
                              (name + fs::path(row.icon).extension().string());
        const std::string exec = "\"" + places.home + row.exec;
        EXPECT_EQ(read(menuEntry),
                  "[Desktop Entry]\nType=Application\nName=Tilvane\nExec=" + exec + "\nIcon=" + name +
                      "\nActions=Preferences;\n\n[Desktop Action Preferences]\nName=Preferences\nExec=" + exec +
                      " preferences\n");
        EXPECT_EQ(read(icon), read(files / row.icon));

        relocation.removeFromApplicationMenu(bundle.string());
        EXPECT_FALSE(fs::exists(menuEntry));
        EXPECT_FALSE(fs::exists(icon));
    }
    // Another place is another entry; a path no entry can hold is refused.
    EXPECT_NE(LinuxRelocation::applicationMenuName("/home/u/Applications/Tilvane.AppDir"),
              LinuxRelocation::applicationMenuName("/opt/Tilvane.AppDir"));
    EXPECT_EQ(LinuxRelocation::execArgument("/home/u/a\nb"), std::nullopt);
}

// A process started from a copy of /bin/sleep, with an environment of its own.
pid_t startSleeping(const fs::path& program, const std::vector<std::string>& environment) {
    std::vector<std::string> arguments{program.string(), "30"};
    std::vector<char*> argv, envp;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables = environment;
    for (auto& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

TEST_F(LinuxRelocationTest, RunningBundlesAreFolderProgramsAndImages) {
    fs::path folder = root / "Run.AppDir";
    fs::create_directories(folder / "usr/bin");
    fs::copy_file("/bin/sleep", folder / "usr/bin/sleep");
    pid_t fromFolder = startSleeping(folder / "usr/bin/sleep", {});
    pid_t fromImage = startSleeping("/bin/sleep", {"APPIMAGE=" + (root / "Sleep.AppImage").string()});
    ASSERT_GT(fromFolder, 0);
    ASSERT_GT(fromImage, 0);
    // The parent goes on while the kernel is still setting up the new program's environment.
    for (int i = 0; i < 500 && read("/proc/" + std::to_string(fromImage) + "/environ").empty(); ++i) ::usleep(1000);

    auto bundles = LinuxRelocation(places).runningApplicationBundles();

    for (pid_t pid : {fromFolder, fromImage}) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
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
    write(root / "bin/allow", "#!/bin/sh\nexec \"$@\"\n", fs::perms::owner_all);
    write(root / "bin/dismiss", "#!/bin/sh\nexit 126\n", fs::perms::owner_all);
    write(root / "bin/refuse",
          "#!/bin/sh\necho 'Error executing command as another user: Not authorized' >&2\n"
          "echo >&2; echo 'This incident has been reported.' >&2; exit 127\n",
          fs::perms::owner_all);
    fs::path made = root / "it's a $dir/made";
    auto quoted = [](std::string path) {
        for (size_t at = path.find('\''); at != std::string::npos; at = path.find('\'', at + 4))
            path.replace(at, 1, "'\\''");
        return "'" + path + "'";
    };
    const struct {
        std::string program, line;
        std::optional<int> status;
        std::string error;
    } rows[] = {
        {"allow", "/bin/mkdir -p " + quoted(made.parent_path().string()) + " && : > " + quoted(made.string()), 0, ""},
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

}  // namespace
}  // namespace tilvane::linux_platform
