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

// FNV-1a over 64 bits: a number that a path gives in every run and every version of the program.
uint64_t stableHash(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// Writes a file whole or not at all, making the folders above it.
bool writeWhole(const fs::path& path, const std::string& content, std::string& error) {
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    const fs::path part = path.string() + ".part";
    if (!code) {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) code = std::make_error_code(std::errc::io_error);
    }
    if (!code) fs::rename(part, path, code);
    if (!code) return true;
    error = "cannot write " + path.string() + ": " + code.message();
    fs::remove(part, code);
    return false;
}

// The first desktop entry at the top of a bundle's folder, where AppImage tools put it.
std::optional<fs::path> desktopEntryIn(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error))
        if (item.path().extension() == ".desktop" && item.is_regular_file(error)) entries.push_back(item.path());
    if (entries.empty()) return std::nullopt;
    return *std::min_element(entries.begin(), entries.end());
}

// A line of a desktop entry as key and value, the spaces around "=" left out;
// none for a comment, a group header or a line without "=".
std::optional<std::pair<std::string, std::string>> entryLine(const std::string& line) {
    auto equals = line.find('=');
    if (line.empty() || line[0] == '#' || line[0] == '[' || equals == std::string::npos) return std::nullopt;
    auto trim = [](std::string text) {
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
        return text;
    };
    return std::make_pair(trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
}

// The bundle's desktop entry for the menu: every Exec starts the bundle at
// its place with the arguments it had, the icon is the one copied for it,
// and a TryExec, which would look for the program on $PATH, goes.
std::string entryForPlace(const std::string& entry, const std::string& exec, const std::optional<std::string>& icon) {
    std::string out;
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);) {
        if (auto keyValue = entryLine(line)) {
            const auto& [key, value] = *keyValue;
            if (key == "TryExec") continue;
            if (key == "Exec") {
                auto space = value.find(' ');
                line = "Exec=" + exec + (space == std::string::npos ? "" : value.substr(space));
            } else if (key == "Icon" && icon) {
                line = "Icon=" + *icon;
            }
        }
        out += line + "\n";
    }
    return out;
}

// The entry's icon at the top of the bundle's folder, beside the entry: SVG, else PNG.
std::optional<fs::path> iconBeside(const fs::path& folder, const std::string& entry) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);) {
        auto keyValue = entryLine(line);
        if (!keyValue || keyValue->first != "Icon") continue;
        const std::string& name = keyValue->second;
        if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
        std::error_code error;
        for (const char* extension : {".svg", ".png"})
            if (fs::is_regular_file(folder / (name + extension), error)) return folder / (name + extension);
        return std::nullopt;
    }
    return std::nullopt;
}

// The folder of the icon theme an icon goes in: "scalable" for SVG, its
// size for PNG (from the file's header); none for anything else.
std::optional<std::string> iconSizeFolder(const fs::path& icon, const std::string& content) {
    if (icon.extension() == ".svg") return "scalable";
    // The signature, the header chunk's length and type, then its width and height, each four bytes, big-endian.
    constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
    if (icon.extension() != ".png" || content.size() < 24 || !content.starts_with(kSignature) ||
        content.compare(12, 4, "IHDR") != 0)
        return std::nullopt;
    auto word = [&](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(content[at + i]);
        return value;
    };
    if (word(16) == 0 || word(20) == 0) return std::nullopt;
    return std::to_string(word(16)) + "x" + std::to_string(word(20));
}

// Removes the icons of the theme's every size that carry the name.
void removeIcons(const fs::path& dataHome, const std::string& name) {
    std::error_code error;
    for (const auto& size : fs::directory_iterator(dataHome / "icons/hicolor", error))
        for (const char* extension : {".svg", ".png"}) fs::remove(size.path() / "apps" / (name + extension), error);
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
    places.appDir = environment("APPDIR");
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
    return {places_.home + "/Applications", "/opt", "/usr/local/bin", "/usr/bin", places_.home + "/.local/bin",
            places_.home + "/bin"};
}

std::string LinuxRelocation::localApplicationsDirectory() {
    const std::string folder = places_.home + "/Applications";
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(folder, error);
    return error ? folder : resolved.string();
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

std::string LinuxRelocation::applicationMenuName(const std::string& bundlePath) {
    uint64_t hash = stableHash(fs::path(bundlePath).lexically_normal().string());
    std::string name = "tilvane-";
    for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 15];
    return name;
}

std::optional<std::string> LinuxRelocation::execArgument(const std::string& path) {
    // Quoted, with the characters the quotes do not cover escaped; the value
    // is a string too, whose backslashes are escaped once more, and a percent
    // sign that is no field code is doubled.
    std::string argument = "\"";
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
        if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
        argument += c;
    }
    argument += '"';
    std::string value;
    for (char c : argument) value += c == '\\' ? "\\\\" : c == '%' ? "%%" : std::string(1, c);
    return value;
}

bool LinuxRelocation::addToApplicationMenu(const std::string& bundlePath, std::string& error) {
    std::error_code code;
    const bool folder = fs::is_directory(bundlePath, code);
    // An image's own files are seen only from inside it, by the program running from it.
    const fs::path contents = folder ? fs::path(bundlePath) : fs::path(places_.appDir);
    if (contents.empty()) {
        error = "the image's desktop entry cannot be read without $APPDIR";
        return false;
    }
    auto entryFile = desktopEntryIn(contents);
    if (!entryFile) {
        error = "there is no desktop entry in " + contents.string();
        return false;
    }
    auto exec = execArgument(folder ? (fs::path(bundlePath) / "AppRun").string() : bundlePath);
    if (!exec) {
        error = "a desktop entry cannot start a program whose path holds control characters";
        return false;
    }
    const std::string name = applicationMenuName(bundlePath);
    const fs::path dataHome = places_.dataHome;
    const std::string entry = readFile(*entryFile);
    removeIcons(dataHome, name);
    std::optional<std::string> icon;
    if (auto source = iconBeside(contents, entry)) {
        const std::string picture = readFile(*source);
        if (auto size = iconSizeFolder(*source, picture)) {
            const fs::path target = dataHome / "icons/hicolor" / *size / "apps" / (name + source->extension().string());
            if (!writeWhole(target, picture, error)) return false;
            icon = name;
        }
    }
    return writeWhole(dataHome / "applications" / (name + ".desktop"), entryForPlace(entry, *exec, icon), error);
}

void LinuxRelocation::removeFromApplicationMenu(const std::string& bundlePath) {
    const std::string name = applicationMenuName(bundlePath);
    std::error_code error;
    fs::remove(fs::path(places_.dataHome) / "applications" / (name + ".desktop"), error);
    removeIcons(places_.dataHome, name);
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
