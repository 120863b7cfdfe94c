#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/log.h"
#include "platform/login_items.h"
#include "platform/run_loop.h"

namespace tilvane::linux_platform {

// Login items as the freedesktop autostart folder holds them:
// $XDG_CONFIG_HOME/autostart/*.desktop. An entry's program is the first word
// of its Exec line; an entry marked Hidden=true (or switched off for GNOME)
// is not listed. The program's own entry is tilvane.desktop. Once attached to
// the main loop, the folder is watched (and its parent, so that a folder
// made or removed later is followed) and observers hear of every change.
class XdgAutostart : public LoginItems {
public:
    XdgAutostart(std::string folder, Log& log);
    ~XdgAutostart() override;
    XdgAutostart(const XdgAutostart&) = delete;
    XdgAutostart& operator=(const XdgAutostart&) = delete;

    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static std::string defaultFolder();
    static constexpr const char* kEntryName = "tilvane.desktop";

    void attach(DescriptorWatcher& watcher);
    void detach();

    std::vector<Item> snapshot() override;
    bool insertItemURL(const std::string& url) override;
    bool removeItem(const Item& item) override;
    ObserverId addObserver(std::function<void()> observer) override;
    void removeObserver(ObserverId id) override;

    // The program an Exec line starts (its first word, unquoted); none for an empty line.
    static std::optional<std::string> programOfExec(const std::string& exec);
    // The Exec value that starts the program, quoted where needed.
    static std::string execForProgram(const std::string& program);

private:
    void arm();
    void onEvents();
    void notify();

    std::string folder_, parent_;
    Log& log_;
    DescriptorWatcher* watcher_ = nullptr;
    int inotify_ = -1, folderWatch_ = -1, parentWatch_ = -1;
    std::map<ObserverId, std::function<void()>> observers_;
    ObserverId nextObserver_ = 1;
};

}  // namespace tilvane::linux_platform
