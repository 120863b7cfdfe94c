#include "platform/linux/file_settings_store.h"

#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <thread>
#include <utility>

#include "platform/plist/property_list.h"

namespace tilvane::linux_platform {
namespace {

using namespace std::chrono_literals;

// How long a writer waits for the lock another writer holds, and for a
// serving program to put a damaged file back.
constexpr auto kLockWait = 2s;
constexpr auto kServingProgramWait = 2s;
// A serving program tries again for a lock another writer holds after the
// first delay, then after twice as long each time, up to the longest.
constexpr auto kFirstLockRetry = 10ms;
constexpr auto kLongestLockRetry = 1000ms;
// After reading more than this, the memory it took goes back to the system.
constexpr size_t kTrimAfterBytes = 256 * 1024;

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
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
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

void releaseFreeMemory() {
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

// The nearest folder above the given one that exists.
std::string existingFolderAbove(std::string folder) {
    for (;;) {
        auto slash = folder.rfind('/');
        if (slash == std::string::npos) return ".";
        folder = slash == 0 ? "/" : folder.substr(0, slash);
        struct stat st {};
        if (folder == "/" || (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return folder;
    }
}

}  // namespace

struct FileSettingsStore::DiskState {
    enum class Kind { Missing, Read, Unreadable, Corrupt } kind = Kind::Missing;
    SettingsDictionary values;
    std::string error;  // for Unreadable and Corrupt
    size_t bytes = 0;   // how much was read
};

FileSettingsStore::FileSettingsStore(std::string path, Log& log) : path_(std::move(path)), log_(log) {
    auto slash = path_.rfind('/');
    folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
    name_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);

    // Nothing is said or done about a file that cannot be read yet: a command
    // reports it as it sees fit, a write or a serving program deals with it.
    auto disk = readFile();
    switch (disk.kind) {
        case DiskState::Kind::Missing: break;
        case DiskState::Kind::Read: disk_ = std::move(disk.values); break;
        case DiskState::Kind::Corrupt:
        case DiskState::Kind::Unreadable: readProblem_ = path_ + " could not be read (" + disk.error + ")"; break;
    }
    pathUnreadable_ = disk.kind == DiskState::Kind::Unreadable;
    if (disk.bytes > kTrimAfterBytes) releaseFreeMemory();
}

FileSettingsStore::~FileSettingsStore() {
    detach();
    observers_.clear();  // whoever observed may be gone already
    // A one-shot command has told its user already that its change was not saved.
    if (pending_.empty() || (!served_ && !saveFailure_.empty())) return;
    synchronize();
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
    using Kind = DiskState::Kind;
    DiskState state;
    // Opened without waiting: a pipe at the path would otherwise block until someone writes to it.
    Fd fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return state;
        if (errno == ENXIO) return {Kind::Unreadable, {}, "not a regular file"};  // a socket
        return {Kind::Unreadable, {}, errnoText(errno)};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return {Kind::Unreadable, {}, errnoText(errno)};
    if (!S_ISREG(st.st_mode)) return {Kind::Unreadable, {}, "not a regular file"};
    const std::string tooLarge = "the file is larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB";
    if (static_cast<uint64_t>(st.st_size) > kMaxFileBytes) return {Kind::Corrupt, {}, tooLarge};

    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {Kind::Unreadable, {}, errnoText(errno)};
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxFileBytes) return {Kind::Corrupt, {}, tooLarge, bytes.size()};
    }
    state.kind = Kind::Read;
    state.bytes = bytes.size();
    if (bytes.empty()) return state;  // an empty file holds no settings, and nothing to keep

    auto parsed = plist::parsePropertyList(bytes);
    if (!parsed.value) return {Kind::Corrupt, {}, parsed.error, bytes.size()};
    auto* dict = std::get_if<SettingsDictionary>(&parsed.value->value);
    if (!dict) return {Kind::Corrupt, {}, "the property list is not a dictionary", bytes.size()};
    state.values = std::move(*dict);
    return state;
}

std::optional<std::string> FileSettingsStore::moveAside(const std::string& why) {
    std::string stamp = utcStamp();
    int error = 0;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about the chained operator+.
        std::string target = path_;
        target.append(".corrupt-").append(stamp);
        if (attempt > 1) target.append("-").append(std::to_string(attempt));
        error = renameNoReplace(path_, target);
        if (error == 0) return target;
        if (error != EEXIST) break;
    }
    log_.write("settings: " + path_ + " could not be read (" + why + ") nor moved aside (" + errnoText(error) +
               "); it is left as it is and not overwritten");
    return std::nullopt;
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

FileSettingsStore::Lock FileSettingsStore::lockWriters(int& lockFd, std::string& error, bool wait) const {
    std::string lockPath = folder_ + "/" + lockName();
    Fd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
    if (lock.get() < 0) {
        error = "cannot open " + lockPath + ": " + errnoText(errno);
        return Lock::Failed;
    }
    struct stat st {};
    if (::fstat(lock.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = lockPath + " is not a regular file";
        return Lock::Failed;
    }
    // Writers hold the lock for milliseconds; one that keeps it longer is stuck and is not waited for.
    auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            error = "cannot lock " + lockPath + ": " + errnoText(errno);
            return Lock::Failed;
        }
        if (!wait || std::chrono::steady_clock::now() >= deadline) {
            error = "another program holds " + lockPath;
            return Lock::Held;
        }
        std::this_thread::sleep_for(10ms);
    }
    lockFd = lock.release();
    return Lock::Taken;
}

bool FileSettingsStore::waitForLock(bool putBack, const std::string& why) {
    auto now = std::chrono::steady_clock::now();
    if (!lockWaitStarted_) {
        lockWaitStarted_ = now;
        lockRetryDelay_ = kFirstLockRetry;
    } else if (now - *lockWaitStarted_ >= kLockWait) {
        saveFailed(why);  // said once; the write still waits
    }
    putBackWaiting_ = putBackWaiting_ || putBack;
    if (writeWaiting_) return true;  // the retry that is set stays as it is
    writeWaiting_ = true;
    itimerspec when{};
    auto delay = std::chrono::duration_cast<std::chrono::nanoseconds>(lockRetryDelay_);
    when.it_value.tv_sec = static_cast<time_t>(delay.count() / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(delay.count() % 1000000000);
    ::timerfd_settime(retryTimerFd_, 0, &when, nullptr);
    lockRetryDelay_ = std::min<std::chrono::milliseconds>(lockRetryDelay_ * 2, kLongestLockRetry);
    return true;
}

void FileSettingsStore::stopWaitingForLock() {
    if (writeWaiting_ && retryTimerFd_ >= 0) {
        itimerspec never{};
        ::timerfd_settime(retryTimerFd_, 0, &never, nullptr);
    }
    writeWaiting_ = false;
    lockWaitStarted_.reset();
}

void FileSettingsStore::retryWaitingWrite() {
    if (!writeWaiting_) return;
    writeWaiting_ = false;
    save(false);  // a put-back that waits is made too
}

bool FileSettingsStore::anotherProgramServes() const {
    if (loop_) return false;
    Fd folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return false;
    // Taken, it goes again with the descriptor.
    return ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

bool FileSettingsStore::synchronize() {
    return save(false);
}

bool FileSettingsStore::saveFailed(const std::string& why) {
    std::string line = "settings: could not save " + path_ + " (" + why + ")";
    if (loop_) line += "; the changes are kept for the next save";
    if (line != saveFailure_) log_.write(line);
    saveFailure_ = line;
    return false;
}

bool FileSettingsStore::save(bool putBack) {
    using Kind = DiskState::Kind;
    putBack = putBack || putBackWaiting_;
    if (pending_.empty() && !putBack) return true;
    std::string error;
    if (!makeFolder(error)) return saveFailed(error);
    Fd lock;
    int lockFd = -1;
    // The serving program never waits for the lock on its loop: no hot key would act meanwhile.
    switch (lockWriters(lockFd, error, !loop_)) {
        case Lock::Taken: break;
        case Lock::Held:
            if (!loop_) return saveFailed(error);
            return waitForLock(putBack, error);
        case Lock::Failed: return saveFailed(error);
    }
    lock.reset(lockFd);
    stopWaitingForLock();
    putBackWaiting_ = false;

    // What other processes wrote since this one last looked is the base; only
    // this process's own changes go on top of it.
    auto disk = readFile();
    // A serving program puts a damaged file back with the settings it holds;
    // a command waits for that rather than start from nothing.
    auto deadline = std::chrono::steady_clock::now() + kServingProgramWait;
    while (disk.kind == Kind::Corrupt && std::chrono::steady_clock::now() < deadline && anotherProgramServes()) {
        lock.reset();
        std::this_thread::sleep_for(20ms);
        if (lockWriters(lockFd, error, true) != Lock::Taken) return saveFailed(error);
        lock.reset(lockFd);
        disk = readFile();
    }
    SettingsDictionary merged;
    std::string keptAside;
    switch (disk.kind) {
        case Kind::Missing:
            // Nothing at the path to put the settings in use back over: they are the base.
            if (putBack) merged = disk_;
            break;
        case Kind::Read: merged = std::move(disk.values); break;
        case Kind::Unreadable: pathUnreadable_ = true; return saveFailed("cannot read it: " + disk.error);
        case Kind::Corrupt: {
            // Keep the damaged file; the values last read from it are the best base.
            auto target = moveAside(disk.error);
            if (!target) return saveFailed("the unreadable file could not be moved aside");
            keptAside = "settings: " + path_ + " could not be read (" + disk.error + "); kept it as " + *target;
            merged = disk_;
            break;
        }
    }
    for (const auto& [key, value] : pending_) {
        if (filledIn_.count(key) && merged.count(key)) continue;
        if (value)
            merged[key] = *value;
        else
            merged.erase(key);
    }

    auto xml = plist::propertyListXml(SettingsValue(merged));
    if (!xml.xml) {
        if (!keptAside.empty()) log_.write(keptAside);
        return saveFailed(xml.error);
    }
    if (!writeFile(*xml.xml, error)) {
        if (!keptAside.empty()) log_.write(keptAside);
        return saveFailed(error);
    }
    lock.reset();  // let other writers in before observers run
    if (!keptAside.empty()) {
        if (!disk_.empty())
            keptAside += "; the settings in use were written back";
        else if (!pending_.empty())
            keptAside += "; the new file holds only the changes made now";
        log_.write(keptAside);
    }

    // The values seen so far with the pending changes on top are what the
    // observers know; hold the pending changes there while the file's contents
    // replace disk_, so that only other processes' changes count as news.
    disk_ = userDomain();

    pending_.clear();
    filledIn_.clear();
    saveFailure_.clear();
    readProblem_.reset();
    unreadableReported_ = false;
    pathUnreadable_ = false;
    if (loop_) watchFolder();  // the folder may have gone, and exists again now
    // Observers hear about what other processes changed in the meantime.
    replaceDisk(std::move(merged));
    if (disk.bytes > kTrimAfterBytes) releaseFreeMemory();
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
    using Kind = DiskState::Kind;
    if (loop_) watchFolder();
    auto disk = readFile();
    bool wasUnreadable = std::exchange(pathUnreadable_, disk.kind == Kind::Unreadable);
    switch (disk.kind) {
        case Kind::Missing:
        case Kind::Read:
            readProblem_.reset();
            unreadableReported_ = false;
            if (loop_ && wasUnreadable) {
                // The pipe (or whatever could not be read) is gone. It never held the settings:
                // the ones in use take the free path, or go on top of the file put there.
                if (disk.kind == Kind::Missing) {
                    save(true);
                    break;
                }
                replaceDisk(std::move(disk.values));
                save(false);
                break;
            }
            replaceDisk(std::move(disk.values));
            break;
        case Kind::Corrupt:
            readProblem_ = path_ + " could not be read (" + disk.error + ")";
            // A serving program holds the last good settings: they take the damaged file's place at once.
            if (loop_) {
                save(true);
                break;
            }
            [[fallthrough]];
        case Kind::Unreadable:
            readProblem_ = path_ + " could not be read (" + disk.error + ")";
            // Perhaps a hand edit in progress: keep the last good values.
            if (!unreadableReported_)
                log_.write("settings: " + path_ + " could not be read (" + disk.error +
                           "); the settings read before stay in use");
            unreadableReported_ = true;
            break;
    }
    if (disk.bytes > kTrimAfterBytes) releaseFreeMemory();
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
    retryTimerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (retryTimerFd_ < 0) {
        log_.write("settings: cannot watch " + path_ + " for changes (" + errnoText(errno) + ")");
        detach();
        return false;
    }
    loop_ = &loop;
    served_ = true;
    watchFolder();
    if (folderWatch_ < 0 && aboveWatch_ < 0) {
        detach();
        return false;
    }
    loop.watchFd(inotifyFd_, [this] { onFolderEvents(); });
    loop.watchFd(retryTimerFd_, [this] {
        uint64_t expirations = 0;
        while (::read(retryTimerFd_, &expirations, sizeof expirations) < 0 && errno == EINTR) {
        }
        retryWaitingWrite();
    });
    reload();  // whatever changed between reading the file and now
    return true;
}

bool FileSettingsStore::watchFolder() {
    constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                                       IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    // The folder above sees the folder (or a folder on the way to it) go and come back, also
    // when an open descriptor keeps the removed folder's own deletion event from being sent.
    constexpr uint32_t kAboveEvents =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    bool changed = false;
    // Each round looks at the tree as it is now; the bound only guards against
    // a tree that keeps changing while it is looked at.
    for (int round = 0; round < 16; ++round) {
        std::string above = existingFolderAbove(folder_);
        if (above != abovePath_ || aboveWatch_ < 0) {
            stopWatching(aboveWatch_);
            aboveWatch_ = ::inotify_add_watch(inotifyFd_, above.c_str(), kAboveEvents);
            if (aboveWatch_ < 0)
                log_.write("settings: cannot watch " + above + " for changes of " + folder_ + " (" + errnoText(errno) +
                           ")");
            abovePath_ = above;
            size_t start = above == "/" ? 1 : above.size() + 1;
            aboveChild_ = folder_.substr(start, folder_.find('/', start) - start);
        }
        struct stat st {};
        bool present = ::stat(folder_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        bool same = present && folderWatch_ >= 0 && st.st_dev == folderDevice_ && st.st_ino == folderInode_;
        if (!same) {
            changed = changed || folderWatch_ >= 0 || present;
            stopWatching(folderWatch_);
            if (servingLock_ >= 0) ::close(servingLock_);
            servingLock_ = -1;
            if (present) {
                folderWatch_ = ::inotify_add_watch(inotifyFd_, folder_.c_str(), kFolderEvents);
                folderDevice_ = st.st_dev;
                folderInode_ = st.st_ino;
                if (folderWatch_ < 0)
                    log_.write("settings: cannot watch " + folder_ + " for changes (" + errnoText(errno) + ")");
            }
            // While this program serves, its shared lock on the folder tells command-line
            // writers that it will put a damaged file back.
            if (folderWatch_ >= 0) {
                servingLock_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (servingLock_ >= 0 && ::flock(servingLock_, LOCK_SH | LOCK_NB) != 0) {
                    ::close(servingLock_);
                    servingLock_ = -1;
                }
            }
        }
        if (existingFolderAbove(folder_) == abovePath_) break;
    }
    return changed;
}

void FileSettingsStore::stopWatching(int& watch) {
    if (watch >= 0 && inotifyFd_ >= 0) ::inotify_rm_watch(inotifyFd_, watch);
    watch = -1;
}

void FileSettingsStore::detach() {
    if (loop_ && inotifyFd_ >= 0) loop_->unwatchFd(inotifyFd_);
    if (loop_ && retryTimerFd_ >= 0) loop_->unwatchFd(retryTimerFd_);
    if (inotifyFd_ >= 0) ::close(inotifyFd_);  // its watches go with it
    if (retryTimerFd_ >= 0) ::close(retryTimerFd_);
    if (servingLock_ >= 0) ::close(servingLock_);
    // A write still waiting for the lock is made by the next save, at the latest when the store goes.
    writeWaiting_ = putBackWaiting_ = false;
    lockWaitStarted_.reset();
    retryTimerFd_ = -1;
    inotifyFd_ = -1;
    folderWatch_ = -1;
    aboveWatch_ = -1;
    abovePath_.clear();
    servingLock_ = -1;
    loop_ = nullptr;
}

void FileSettingsStore::onFolderEvents() {
    bool relevant = false, rewatch = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* at = buffer; at < buffer + n;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            bool gone = event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED);
            if (event->mask & IN_Q_OVERFLOW) relevant = rewatch = true;
            if (event->wd < 0) continue;
            if (event->wd == folderWatch_) {
                if (gone) {
                    // The folder went away, and the file with it.
                    if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotifyFd_, folderWatch_);
                    folderWatch_ = -1;
                    relevant = rewatch = true;
                } else if (event->len > 0 && name_ == event->name && !(event->mask & IN_CREATE)) {
                    // A new file by this name that is still open for writing is read when it is closed.
                    relevant = true;
                }
            } else if (event->wd == aboveWatch_) {
                if (gone) {
                    if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotifyFd_, aboveWatch_);
                    aboveWatch_ = -1;
                    rewatch = true;
                } else if (event->len > 0 && aboveChild_ == event->name) {
                    rewatch = true;  // the folder, or one on the way to it, went or came back
                }
            }
        }
    }
    if (rewatch && watchFolder()) relevant = true;
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
    filledIn_.erase(key);
    pending_[key] = std::move(value);
    notify(key);
}

void FileSettingsStore::fillIn(const std::string& key, SettingsValue value) {
    if (objectForKey(key)) return;
    setObject(key, std::move(value));
    filledIn_.insert(key);
}

void FileSettingsStore::removeObject(const std::string& key) {
    filledIn_.erase(key);
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
