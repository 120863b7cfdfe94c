#pragma once

#include <map>
#include <optional>
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
// never lost. A write that fails is logged and returns false; the changes stay
// pending and are tried again by the next synchronize. The destructor writes
// whatever is still pending.
//
// The file is read at construction. A file that is not a property list
// dictionary is renamed to "<file>.corrupt-<time>", logged once, and the store
// starts from empty settings; it is never overwritten in place. Once attached
// to a run loop the store watches its folder (inotify) and tells observers of
// every key that anyone changed, on the loop's thread. A file that a hand edit
// leaves unreadable is reported once and ignored until it is readable again;
// the next synchronize moves it aside before writing.
//
// Use it on one thread: the run loop's.
class FileSettingsStore : public SettingsStore {
public:
    FileSettingsStore(std::string path, Log& log);
    ~FileSettingsStore() override;
    FileSettingsStore(const FileSettingsStore&) = delete;
    FileSettingsStore& operator=(const FileSettingsStore&) = delete;

    // $XDG_CONFIG_HOME/tilvane/defaults.plist; $HOME/.config/... when the
    // variable is unset, empty or not an absolute path.
    static std::string defaultPath();
    static std::string defaultPath(const char* xdgConfigHome, const char* home);

    // Watches the file from now on, creating its folder when missing. The
    // loop must outlive the store, or detach() be called before it goes.
    // False (and logged) when the folder cannot be watched.
    bool attach(DescriptorWatcher& loop);
    void detach();
    // Reads the file again and tells observers of each key whose value changed.
    void reload();

    const std::string& path() const { return path_; }
    bool hasPendingChanges() const { return !pending_.empty(); }

    std::optional<SettingsValue> objectForKey(const std::string& key) const override;
    void setObject(const std::string& key, SettingsValue value) override;
    void removeObject(const std::string& key) override;
    bool synchronize() override;
    void registerDefaults(const SettingsDictionary& defaults) override;
    std::vector<std::string> keys() const override;
    ObserverId addObserver(Observer observer) override;
    void removeObserver(ObserverId id) override;

private:
    struct DiskState;
    DiskState readFile() const;
    bool moveAside(const std::string& why, const std::string& then);
    bool makeFolder(std::string& error) const;
    bool writeFile(const std::string& contents, std::string& error) const;
    bool watchFolder();
    void onFolderEvents();
    // The user's values as this process sees them: the file with the pending changes on top.
    SettingsDictionary userDomain() const;
    void replaceDisk(SettingsDictionary disk);
    void notify(const std::string& key);

    std::string path_, folder_, name_;
    Log& log_;
    SettingsDictionary disk_;                                      // the file's contents when last read or written
    std::map<std::string, std::optional<SettingsValue>> pending_;  // none: removed
    SettingsDictionary registered_;
    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;
    DescriptorWatcher* loop_ = nullptr;
    int inotifyFd_ = -1;
    int watch_ = -1;
    bool unreadableReported_ = false;
};

}  // namespace tilvane::linux_platform
