#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/settings_store.h"

namespace tilvane::linux_platform {

// The user's settings, kept in one XML property list file that every process
// of the user shares: the running program and the command line.
//
// Changes made here (setObject, removeObject) are visible in this process at
// once and reach observers at once; synchronize() writes them to the file.
// It takes a lock on "<file>.lock" in the same folder, reads the file again,
// puts only this process's changed keys (new values and removals) onto what it
// found, and replaces the file atomically: a temporary file in the folder
// (mode 0600), fsync, rename, fsync of the folder. Another process's keys are
// never lost. A write that fails is logged once and returns false; the changes
// stay pending and are tried again by the next synchronize. The destructor
// writes whatever is still pending, unless a save failed and was reported in a
// process that never served (a one-shot command has said it was not saved).
//
// Only a regular file is read, never waited for: a pipe, a device or a folder
// at the path counts as unreadable. A file larger than kMaxFileBytes, or that
// is not a property list dictionary, counts as damaged. Reading never moves or
// changes the file; readProblem() says why it could not be read.
//
// Once attached to a run loop the store serves: it watches its folder
// (inotify) and tells observers of every key that anyone changed, on the
// loop's thread. When the folder goes, it watches the nearest folder above
// and follows the folder's return. A file that becomes damaged is renamed to
// "<file>.corrupt-<time>" and the settings in use are written back at once, so
// nothing valid is lost. A file that cannot be read (a pipe, say) is reported
// once and left alone; the settings read before stay in use. While attached,
// the store holds a shared lock on its folder: a command-line writer that
// finds the file damaged waits briefly for the serving program to put it back
// instead of starting from empty settings. With no program serving, the writer
// renames the damaged file, says so, and writes its own changes.
//
// A serving store never waits for the writers' lock on its loop, where no hot
// key would act meanwhile: a write that finds the lock held returns at once
// (true) and is tried again from the loop (after 10 ms, then twice as long
// each time, up to a second) until the other writer is done. A lock held for
// more than 2 s is logged once; the write still waits for it. A command waits
// for the lock itself, 2 s at most, and then fails naming the lock file.
//
// Something at the path that cannot be read (a pipe, say) never held the
// settings: once it is gone, a serving store writes the settings in use to the
// free path, or puts its own changes on top of a file that took the place.
//
// Use it on one thread: the run loop's.
class FileSettingsStore : public SettingsStore {
public:
    // A file larger than this is not read: the program's own file is a few kilobytes.
    static constexpr size_t kMaxFileBytes = 1024 * 1024;

    FileSettingsStore(std::string path, Log& log);
    ~FileSettingsStore() override;
    FileSettingsStore(const FileSettingsStore&) = delete;
    FileSettingsStore& operator=(const FileSettingsStore&) = delete;

    // $XDG_CONFIG_HOME/tilvane/defaults.plist; $HOME/.config/... when the
    // variable is unset, empty or not an absolute path.
    static std::string defaultPath();
    static std::string defaultPath(const char* xdgConfigHome, const char* home);

    // Serves from now on: watches the file, creating its folder when missing.
    // The loop must outlive the store, or detach() be called before it goes.
    // False (and logged) when the folder cannot be watched.
    bool attach(DescriptorWatcher& loop);
    void detach();
    // Reads the file again and tells observers of each key whose value changed;
    // while attached, watches the folder again if it was lost and puts a
    // damaged file back.
    void reload();
    void refresh() override { reload(); }

    const std::string& path() const { return path_; }
    bool hasPendingChanges() const { return !pending_.empty(); }

    std::optional<std::string> readProblem() const override { return readProblem_; }
    std::optional<SettingsValue> objectForKey(const std::string& key) const override;
    void setObject(const std::string& key, SettingsValue value) override;
    void removeObject(const std::string& key) override;
    void fillIn(const std::string& key, SettingsValue value) override;
    bool synchronize() override;
    void registerDefaults(const SettingsDictionary& defaults) override;
    std::vector<std::string> keys() const override;
    ObserverId addObserver(Observer observer) override;
    void removeObserver(ObserverId id) override;

private:
    struct DiskState;
    DiskState readFile() const;
    // Renames a damaged file out of the way; its new name, or none (logged).
    std::optional<std::string> moveAside(const std::string& why);
    std::string lockName() const { return name_ + ".lock"; }
    enum class Lock { Taken, Held, Failed };
    // Takes the writers' lock on "<file>.lock"; with wait, waits a little for another writer.
    Lock lockWriters(int& lockFd, std::string& error, bool wait) const;
    // The serving program's write that found the lock held: tried again from the loop.
    bool waitForLock(bool putBack, const std::string& why);
    void stopWaitingForLock();
    void retryWaitingWrite();
    bool makeFolder(std::string& error) const;
    bool writeFile(const std::string& contents, std::string& error) const;
    // Writes the file with the pending changes on top of what it holds; with
    // putBack, also when nothing is pending, and the settings in use are the
    // base where the file is damaged or missing.
    bool save(bool putBack);
    bool saveFailed(const std::string& why);
    bool anotherProgramServes() const;
    // Watches the folder and the nearest existing folder above it, after a
    // change there; true when the folder watched is another one than before.
    bool watchFolder();
    void stopWatching(int& watch);
    void onFolderEvents();
    // The user's values as this process sees them: the file with the pending changes on top.
    SettingsDictionary userDomain() const;
    void replaceDisk(SettingsDictionary disk);
    void notify(const std::string& key);

    std::string path_, folder_, name_;
    Log& log_;
    SettingsDictionary disk_;                                      // the file's contents when last read or written
    std::map<std::string, std::optional<SettingsValue>> pending_;  // none: removed
    // The pending values filled in (fillIn): a value on disk goes before them.
    std::set<std::string> filledIn_;
    SettingsDictionary registered_;
    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;
    DescriptorWatcher* loop_ = nullptr;
    bool served_ = false;  // attached at some time
    int inotifyFd_ = -1;
    int folderWatch_ = -1;
    uint64_t folderDevice_ = 0, folderInode_ = 0;  // the folder watched
    // The nearest existing folder above the folder (its parent while it
    // exists) and the name in it that leads to the folder.
    int aboveWatch_ = -1;
    std::string abovePath_, aboveChild_;
    int servingLock_ = -1;  // the folder, held with a shared lock while attached
    std::optional<std::string> readProblem_;
    bool unreadableReported_ = false;
    bool pathUnreadable_ = false;  // the last look found something at the path that cannot be read
    // A write waiting for another writer's lock: the timer that tries again, since when it waits,
    // the next delay, and whether the settings in use are to be put back.
    int retryTimerFd_ = -1;
    bool writeWaiting_ = false, putBackWaiting_ = false;
    std::optional<std::chrono::steady_clock::time_point> lockWaitStarted_;
    std::chrono::milliseconds lockRetryDelay_{0};
    std::string saveFailure_;  // the last save failure logged; empty after a save
};

}  // namespace tilvane::linux_platform
