#include "platform/linux/file_settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <utility>

#include "platform/plist/property_list.h"

namespace tilvane::linux_platform {
namespace {

std::string errnoText(int error) {
    return std::strerror(error);
}

// An open descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string utcStamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &tm);
    return buffer;
}

// Renames without replacing an existing file.
int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without RENAME_NOREPLACE: a hard link fails on an existing name too.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

}  // namespace

struct FileSettingsStore::DiskState {
    enum class Kind { Missing, Read, Unreadable, Corrupt } kind = Kind::Missing;
    SettingsDictionary values;
    std::string error;  // for Unreadable and Corrupt
};

FileSettingsStore::FileSettingsStore(std::string path, Log& log) : path_(std::move(path)), log_(log) {
    auto slash = path_.rfind('/');
    folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
    name_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);

    auto disk = readFile();
    switch (disk.kind) {
        case DiskState::Kind::Missing: break;
        case DiskState::Kind::Read: disk_ = std::move(disk.values); break;
        case DiskState::Kind::Corrupt: moveAside(disk.error, "starting from empty settings"); break;
        case DiskState::Kind::Unreadable:
            log_.write("settings: cannot read " + path_ + " (" + disk.error + "); starting from empty settings");
            unreadableReported_ = true;
            break;
    }
}

FileSettingsStore::~FileSettingsStore() {
    detach();
    observers_.clear();  // whoever observed may be gone already
    if (!pending_.empty()) synchronize();
}

std::string FileSettingsStore::defaultPath() {
    const char* home = std::getenv("HOME");
    std::string fallbackHome;
    if (!home || !*home) {
        // Without HOME, the account's home folder.
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) fallbackHome = pw->pw_dir;
        home = fallbackHome.c_str();
    }
    return defaultPath(std::getenv("XDG_CONFIG_HOME"), home);
}

std::string FileSettingsStore::defaultPath(const char* xdgConfigHome, const char* home) {
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else {
        base = home && *home ? home : "";
        if (!base.empty() && base.back() == '/') base.pop_back();
        base += "/.config";
    }
    if (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/tilvane/defaults.plist";
}

FileSettingsStore::DiskState FileSettingsStore::readFile() const {
    DiskState state;
    Fd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return state;
        return {DiskState::Kind::Unreadable, {}, errnoText(errno)};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return {DiskState::Kind::Unreadable, {}, errnoText(errno)};
    if (!S_ISREG(st.st_mode)) return {DiskState::Kind::Unreadable, {}, "not a regular file"};

    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {DiskState::Kind::Unreadable, {}, errnoText(errno)};
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > plist::kMaxPropertyListBytes) break;  // the parser refuses it
    }
    state.kind = DiskState::Kind::Read;
    if (bytes.empty()) return state;  // an empty file holds no settings, and nothing to keep

    auto parsed = plist::parsePropertyList(bytes);
    if (!parsed.value) return {DiskState::Kind::Corrupt, {}, parsed.error};
    auto* dict = std::get_if<SettingsDictionary>(&parsed.value->value);
    if (!dict) return {DiskState::Kind::Corrupt, {}, "the property list is not a dictionary"};
    state.values = std::move(*dict);
    return state;
}

bool FileSettingsStore::moveAside(const std::string& why, const std::string& then) {
    std::string stamp = utcStamp();
    int error = 0;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about the chained operator+.
        std::string target = path_;
        target.append(".corrupt-").append(stamp);
        if (attempt > 1) target.append("-").append(std::to_string(attempt));
        error = renameNoReplace(path_, target);
        if (error == 0) {
            log_.write("settings: " + path_ + " could not be read (" + why + "); kept it as " + target + "; " + then);
            return true;
        }
        if (error != EEXIST) break;
    }
    log_.write("settings: " + path_ + " could not be read (" + why + ") nor moved aside (" + errnoText(error) +
               "); it is left as it is and not overwritten");
    return false;
}

bool FileSettingsStore::makeFolder(std::string& error) const {
    for (size_t at = 1; at <= folder_.size(); ++at) {
        if (at != folder_.size() && folder_[at] != '/') continue;
        std::string prefix = folder_.substr(0, at);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + prefix + ": " + errnoText(errno);
            return false;
        }
    }
    struct stat st {};
    if (::stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder_ + " is not a folder";
        return false;
    }
    return true;
}

bool FileSettingsStore::writeFile(const std::string& contents, std::string& error) const {
    std::string temp = folder_ + "/." + name_ + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        error = "cannot create a file in " + folder_ + ": " + errnoText(errno);
        return false;
    }
    auto fail = [&](const std::string& what) {
        error = what + ": " + errnoText(errno);
        ::unlink(temp.c_str());
        return false;
    };
    if (::fchmod(fd.get(), 0600) != 0) return fail("cannot set the mode of " + temp);
    if (!writeAll(fd.get(), contents)) return fail("cannot write " + temp);
    if (::fsync(fd.get()) != 0) return fail("cannot flush " + temp);
    if (::close(fd.release()) != 0) return fail("cannot close " + temp);
    if (::rename(temp.c_str(), path_.c_str()) != 0) return fail("cannot replace " + path_);

    Fd folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || (::fsync(folder.get()) != 0 && errno != EINVAL)) {
        error = "cannot flush " + folder_ + ": " + errnoText(errno);
        return false;
    }
    return true;
}

bool FileSettingsStore::synchronize() {
    if (pending_.empty()) return true;
    auto fail = [&](const std::string& why) {
        log_.write("settings: could not save " + path_ + " (" + why + "); the changes are kept for the next save");
        return false;
    };

    std::string error;
    if (!makeFolder(error)) return fail(error);
    std::string lockPath = folder_ + "/" + name_ + ".lock";
    Fd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) return fail("cannot open " + lockPath + ": " + errnoText(errno));
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return fail("cannot lock " + lockPath + ": " + errnoText(errno));
    }

    // What other processes wrote since this one last looked is the base; only
    // this process's own changes go on top of it.
    auto disk = readFile();
    SettingsDictionary merged;
    switch (disk.kind) {
        case DiskState::Kind::Missing: break;
        case DiskState::Kind::Read: merged = std::move(disk.values); break;
        case DiskState::Kind::Unreadable: return fail("cannot read it: " + disk.error);
        case DiskState::Kind::Corrupt:
            // Keep the damaged file; the values last read from it are the best base.
            if (!moveAside(disk.error, "saving the settings in use"))
                return fail("the unreadable file could not be moved aside");
            merged = disk_;
            break;
    }
    for (const auto& [key, value] : pending_) {
        if (value)
            merged[key] = *value;
        else
            merged.erase(key);
    }

    auto xml = plist::propertyListXml(SettingsValue(merged));
    if (!xml.xml) return fail(xml.error);
    if (!writeFile(*xml.xml, error)) return fail(error);
    lock.reset();  // let other writers in before observers run

    // The values seen so far with the pending changes on top are what the
    // observers know; hold the pending changes there while the file's contents
    // replace disk_, so that only other processes' changes count as news.
    disk_ = userDomain();

    pending_.clear();
    unreadableReported_ = false;
    if (loop_ && watch_ < 0) watchFolder();  // the folder had gone; it exists again now
    // Observers hear about what other processes changed in the meantime.
    replaceDisk(std::move(merged));
    return true;
}

SettingsDictionary FileSettingsStore::userDomain() const {
    SettingsDictionary values = disk_;
    for (const auto& [key, value] : pending_) {
        if (value)
            values[key] = *value;
        else
            values.erase(key);
    }
    return values;
}

void FileSettingsStore::replaceDisk(SettingsDictionary disk) {
    auto before = userDomain();
    disk_ = std::move(disk);
    auto after = userDomain();
    std::set<std::string> changed;
    for (const auto& [key, value] : before)
        if (auto it = after.find(key); it == after.end() || !(it->second == value)) changed.insert(key);
    for (const auto& entry : after)
        if (!before.count(entry.first)) changed.insert(entry.first);
    for (const auto& key : changed) notify(key);
}

void FileSettingsStore::reload() {
    auto disk = readFile();
    switch (disk.kind) {
        case DiskState::Kind::Missing:
            unreadableReported_ = false;
            replaceDisk({});
            break;
        case DiskState::Kind::Read:
            unreadableReported_ = false;
            replaceDisk(std::move(disk.values));
            break;
        case DiskState::Kind::Unreadable:
        case DiskState::Kind::Corrupt:
            // Perhaps a hand edit in progress: keep the last good values.
            if (!unreadableReported_)
                log_.write("settings: " + path_ + " could not be read (" + disk.error +
                           "); keeping the settings read before");
            unreadableReported_ = true;
            break;
    }
}

bool FileSettingsStore::attach(DescriptorWatcher& loop) {
    detach();
    std::string error;
    if (!makeFolder(error)) {
        log_.write("settings: cannot watch " + path_ + " for changes (" + error + ")");
        return false;
    }
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0) {
        log_.write("settings: cannot watch " + path_ + " for changes (" + errnoText(errno) + ")");
        return false;
    }
    loop_ = &loop;
    if (!watchFolder()) {
        detach();
        return false;
    }
    loop.watchFd(inotifyFd_, [this] { onFolderEvents(); });
    reload();  // whatever changed between reading the file and now
    return true;
}

bool FileSettingsStore::watchFolder() {
    watch_ = ::inotify_add_watch(inotifyFd_, folder_.c_str(),
                                 IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR);
    if (watch_ < 0) {
        log_.write("settings: cannot watch " + folder_ + " for changes (" + errnoText(errno) + ")");
        return false;
    }
    return true;
}

void FileSettingsStore::detach() {
    if (loop_ && inotifyFd_ >= 0) loop_->unwatchFd(inotifyFd_);
    if (inotifyFd_ >= 0) ::close(inotifyFd_);
    inotifyFd_ = -1;
    watch_ = -1;
    loop_ = nullptr;
}

void FileSettingsStore::onFolderEvents() {
    bool relevant = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* at = buffer; at < buffer + n;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) relevant = true;
            if (event->wd == watch_ && (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))) {
                // The folder went away: the file went with it. The watch is
                // set again once a save has made the folder anew.
                if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotifyFd_, watch_);
                watch_ = -1;
                relevant = true;
            }
            // A new file by this name that is still open for writing is read when it is closed.
            if (event->len > 0 && name_ == event->name && !(event->mask & IN_CREATE)) relevant = true;
        }
    }
    if (relevant) reload();
}

std::optional<SettingsValue> FileSettingsStore::objectForKey(const std::string& key) const {
    if (auto it = pending_.find(key); it != pending_.end()) {
        if (it->second) return it->second;
    } else if (auto it = disk_.find(key); it != disk_.end()) {
        return it->second;
    }
    if (auto it = registered_.find(key); it != registered_.end()) return it->second;
    return std::nullopt;
}

void FileSettingsStore::setObject(const std::string& key, SettingsValue value) {
    pending_[key] = std::move(value);
    notify(key);
}

void FileSettingsStore::removeObject(const std::string& key) {
    auto it = pending_.find(key);
    bool held = it != pending_.end() ? it->second.has_value() : disk_.count(key) > 0;
    if (!held) return;
    pending_[key] = std::nullopt;
    notify(key);
}

void FileSettingsStore::registerDefaults(const SettingsDictionary& defaults) {
    auto domain = userDomain();
    for (const auto& [key, value] : defaults) {
        registered_[key] = value;
        if (!domain.count(key)) notify(key);
    }
}

std::vector<std::string> FileSettingsStore::keys() const {
    std::vector<std::string> result;
    for (const auto& entry : userDomain()) result.push_back(entry.first);
    return result;
}

SettingsStore::ObserverId FileSettingsStore::addObserver(Observer observer) {
    auto id = nextObserver_++;
    observers_[id] = std::move(observer);
    return id;
}

void FileSettingsStore::removeObserver(ObserverId id) {
    observers_.erase(id);
}

void FileSettingsStore::notify(const std::string& key) {
    // Observers may add or remove observers while being told.
    auto snapshot = observers_;
    for (auto& [id, observer] : snapshot)
        if (observers_.count(id)) observer(key);
}

}  // namespace tilvane::linux_platform
