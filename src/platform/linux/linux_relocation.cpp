#include "platform/linux/linux_relocation.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tilvane::linux_platform {

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// mountinfo writes space, tab, newline and backslash as octal escapes (\040).
std::string unescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// The Path= of a .trashinfo file: an absolute path, its bytes percent-escaped but for "/" and the unreserved ones.
std::string trashInfoPath(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Starts a program with nothing blocked and default signal handling (this
// program blocks SIGINT and SIGTERM to read them from a descriptor), in a
// session of its own when it is to outlive this program; its standard error
// goes to errorFd when one is given.
std::optional<pid_t> spawn(const std::vector<std::string>& arguments, bool ownSession, int errorFd = -1) {
    if (arguments.empty()) return std::nullopt;
    std::vector<std::string> copy = arguments;
    std::vector<char*> argv;
    for (auto& argument : copy) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (errorFd >= 0) posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
    pid_t pid = 0;
    int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) return std::nullopt;
    return pid;
}

// Whether the path is the folder or lies inside it.
bool lies(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (const auto& component : folder) {
        if (p == path.end() || *p != component) return false;
        ++p;
    }
    return true;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 255;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The program's path when it is on $PATH (or given with a slash) and can be run.
std::optional<std::string> findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? std::optional<std::string>(name) : std::nullopt;
    std::istringstream path(environment("PATH").empty() ? "/usr/bin:/bin" : environment("PATH"));
    for (std::string folder; std::getline(path, folder, ':');) {
        if (folder.empty()) continue;
        std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

// Runs a program and waits for it, keeping the start of what it writes to
// standard error; it still reaches this program's standard error as well.
std::optional<int> runAndReadErrors(const std::vector<std::string>& arguments, std::string& errors) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    auto pid = spawn(arguments, false, fds[1]);
    ::close(fds[1]);
    if (!pid) {
        ::close(fds[0]);
        return std::nullopt;
    }
    constexpr size_t kKept = 4096;
    char buffer[1024];
    for (;;) {
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (errors.size() < kKept) errors.append(buffer, std::min(static_cast<size_t>(n), kKept - errors.size()));
        [[maybe_unused]] ssize_t passed = ::write(STDERR_FILENO, buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    return waitFor(*pid);
}

// What a failed privileged line says about itself, in a few words: the end of
// the first line of its errors ("cp: cannot create 'x': No space left on
// device" says "No space left on device").
std::string reasonOf(int status, const std::string& errors) {
    std::string detail;
    std::istringstream lines(errors);
    for (std::string line; detail.empty() && std::getline(lines, line);) {
        auto colon = line.rfind(": ");
        detail = colon == std::string::npos ? line : line.substr(colon + 2);
        while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back()))) detail.pop_back();
    }
    // pkexec's own status when the user is not authorized or cannot be asked.
    constexpr int kNotAuthorized = 127;
    if (status == kNotAuthorized) return detail.empty() ? "Authorization failed" : "Authorization failed: " + detail;
    if (!detail.empty()) return detail;
    return "The command ended with status " + std::to_string(status);
}

}  // namespace

LinuxRelocation::Places LinuxRelocation::currentPlaces() {
    Places places;
    places.home = environment("HOME");
    if (places.home.empty())
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) places.home = pw->pw_dir;
    places.configHome = environment("XDG_CONFIG_HOME");
    if (places.configHome.empty()) places.configHome = places.home + "/.config";
    places.dataHome = environment("XDG_DATA_HOME");
    if (places.dataHome.empty()) places.dataHome = places.home + "/.local/share";
    places.appImage = environment("APPIMAGE");
    std::error_code error;
    places.executable = fs::read_symlink("/proc/self/exe", error).string();
    return places;
}

std::string LinuxRelocation::applicationFolderOf(const std::string& executable) {
    if (executable.empty()) return {};
    for (fs::path folder = fs::path(executable).parent_path(); folder.has_relative_path();
         folder = folder.parent_path())
        if (folder.extension() == ".AppDir") return folder.string();
    return {};
}

std::optional<std::string> LinuxRelocation::bundlePath() {
    if (!places_.appImage.empty()) return places_.appImage;
    std::string folder = applicationFolderOf(places_.executable);
    if (folder.empty()) return std::nullopt;
    return folder;
}

std::vector<std::string> LinuxRelocation::applicationsDirectories() {
    return {places_.home + "/Applications", places_.localApplications, "/opt", "/usr/local/bin", "/usr/bin"};
}

std::string LinuxRelocation::localApplicationsDirectory() {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(places_.localApplications, error);
    return error ? places_.localApplications : resolved.string();
}

std::vector<std::string> LinuxRelocation::downloadsDirectories() {
    std::vector<std::string> folders;
    // XDG_DOWNLOAD_DIR="$HOME/Downloads", as xdg-user-dirs writes it.
    std::istringstream dirs(readFile(fs::path(places_.configHome) / "user-dirs.dirs"));
    for (std::string line; std::getline(dirs, line);) {
        const std::string key = "XDG_DOWNLOAD_DIR=\"";
        if (!line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME")) value = places_.home + value.substr(5);
        if (value.starts_with("/")) folders.push_back(value);
    }
    std::string usual = places_.home + "/Downloads";
    if (std::find(folders.begin(), folders.end(), usual) == folders.end()) folders.push_back(usual);
    return folders;
}

std::optional<Relocation::Mount> LinuxRelocation::mountOf(const std::string& directory) {
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0) return std::nullopt;
    std::error_code error;
    const fs::path place = fs::weakly_canonical(directory, error);
    if (error) return std::nullopt;
    const std::string device = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));

    // Among the mounts of the directory's device (a device may be mounted at
    // several places), the one nearest above it; failing that, any mount above it.
    std::optional<Mount> best, bestOfAny;
    size_t bestLength = 0, bestOfAnyLength = 0;
    std::istringstream mounts(readFile(places_.mountInfo));
    for (std::string line; std::getline(mounts, line);) {
        // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [FIELDS...] - TYPE SOURCE SUPER-OPTIONS
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        auto separator = std::find(words.begin(), words.end(), "-");
        if (words.size() < 6 || separator == words.end() || words.end() - separator < 3) continue;
        const std::string mountPoint = unescapeMountField(words[4]);
        if (!lies(place, mountPoint)) continue;
        Mount mount{unescapeMountField(*(separator + 2)), mountPoint == "/"};
        if (words[2] == device && mountPoint.size() >= bestLength) {
            best = mount;
            bestLength = mountPoint.size();
        }
        if (mountPoint.size() >= bestOfAnyLength) {
            bestOfAny = mount;
            bestOfAnyLength = mountPoint.size();
        }
    }
    return best ? best : bestOfAny;
}

std::optional<std::vector<Relocation::DiskImage>> LinuxRelocation::attachedDiskImages() {
    std::error_code error;
    fs::directory_iterator devices(places_.blockDevices, error);
    if (error) return std::nullopt;
    std::vector<DiskImage> images;
    for (const auto& entry : devices) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("loop")) continue;
        std::string file = readFile(entry.path() / "loop" / "backing_file");
        while (!file.empty() && file.back() == '\n') file.pop_back();
        if (!file.empty()) images.push_back({"/dev/" + name, file});
    }
    return images;
}

bool LinuxRelocation::fileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool LinuxRelocation::isWritableFile(const std::string& path) {
    // A missing item can be made where its nearest existing folder can be written.
    for (fs::path item = path;; item = item.parent_path()) {
        if (::access(item.c_str(), W_OK) == 0) return true;
        if (errno != ENOENT || !item.has_relative_path()) return false;
    }
}

bool LinuxRelocation::copyItem(const std::string& from, const std::string& to, std::string& error) {
    std::error_code code;
    fs::create_directories(fs::path(to).parent_path(), code);
    if (!code) fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, code);
    if (code) error = code.message();
    return !code;
}

bool LinuxRelocation::removeItem(const std::string& path, std::string& error) {
    std::error_code code;
    fs::remove_all(path, code);
    if (code) error = code.message();
    return !code;
}

bool LinuxRelocation::moveToTrash(const std::string& path) {
    std::error_code error;
    const fs::path item = fs::absolute(path, error).lexically_normal();
    if (error || !item.has_filename()) return false;
    // The trash is the user's alone.
    const fs::path trash = fs::path(places_.dataHome) / "Trash";
    if (!fs::exists(trash, error)) {
        fs::create_directories(trash, error);
        fs::permissions(trash, fs::perms::owner_all, error);
    }
    for (const char* folder : {"files", "info"}) {
        fs::create_directories(trash / folder, error);
        if (error) return false;
    }

    // The name in the trash: the item's own, else the first free "NAME.2", "NAME.3"...
    // The info file is made first and exclusively, so two programs never take one name.
    char date[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string info = "[Trash Info]\nPath=" + trashInfoPath(item.string()) + "\nDeletionDate=" + date + "\n";
    for (int n = 1; n < 1000; ++n) {
        const std::string name = item.filename().string() + (n == 1 ? "" : "." + std::to_string(n));
        const fs::path infoFile = trash / "info" / (name + ".trashinfo");
        int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        written = ::close(fd) == 0 && written;
        const fs::path target = trash / "files" / name;
        if (written && !fs::exists(fs::symlink_status(target, error)) && ::rename(item.c_str(), target.c_str()) == 0)
            return true;
        ::unlink(infoFile.c_str());
        if (written && fs::exists(fs::symlink_status(target, error))) continue;
        return false;
    }
    return false;
}

bool LinuxRelocation::recycle(const std::string& path) {
    auto status = runAndWait({"gio", "trash", path});
    return status && *status == 0;
}

std::vector<std::string> LinuxRelocation::runningApplicationBundles() {
    std::vector<std::string> bundles;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(places_.processes, error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code unreadable;
        const fs::path executable = fs::read_symlink(entry.path() / "exe", unreadable);
        if (unreadable) continue;
        std::string appImage;
        const std::string variables = readFile(entry.path() / "environ");
        for (size_t start = 0; start < variables.size();) {
            size_t end = variables.find('\0', start);
            if (end == std::string::npos) end = variables.size();
            std::string_view variable(variables.data() + start, end - start);
            if (variable.starts_with("APPIMAGE=")) appImage = variable.substr(9);
            start = end + 1;
        }
        std::string bundle = appImage.empty() ? applicationFolderOf(executable.string()) : appImage;
        if (!bundle.empty()) bundles.push_back(bundle);
    }
    return bundles;
}

int32_t LinuxRelocation::processIdentifier() {
    return ::getpid();
}

std::optional<int> LinuxRelocation::runAndWait(const std::vector<std::string>& arguments) {
    auto pid = spawn(arguments, false);
    if (!pid) return std::nullopt;
    return waitFor(*pid);
}

bool LinuxRelocation::startShellLine(const std::string& line) {
    return spawn({"/bin/sh", "-c", line}, true).has_value();
}

std::optional<int> LinuxRelocation::runShellLineWithPrivileges(const std::string& line, std::string& error) {
    auto program = findProgram(places_.privilegeProgram);
    if (!program) {
        error = fs::path(places_.privilegeProgram).filename().string() + " is not installed";
        return std::nullopt;
    }
    std::string errors;
    auto status = runAndReadErrors({*program, "/bin/sh", "-c", line}, errors);
    if (!status) {
        error = *program + " could not be started";
        return std::nullopt;
    }
    if (*status != 0 && *status != kAuthorizationCanceled) error = reasonOf(*status, errors);
    return status;
}

void LinuxRelocation::exitProcess(int status) {
    // Quickly and without the program's own clean-up: the user interface and
    // the display connection are in the middle of starting.
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace tilvane::linux_platform
