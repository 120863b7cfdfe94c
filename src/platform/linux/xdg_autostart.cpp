#include "platform/linux/xdg_autostart.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tilvane::linux_platform {

namespace fs = std::filesystem;

namespace {

// The keys of the [Desktop Entry] group.
std::map<std::string, std::string> desktopEntry(const std::string& path) {
    std::map<std::string, std::string> keys;
    std::ifstream in(path);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos) continue;
        std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        while (!value.empty() && value.front() == ' ') value.erase(value.begin());
        keys.emplace(key, value);  // the first of a key counts
    }
    return keys;
}

bool isTrue(const std::map<std::string, std::string>& keys, const std::string& key) {
    auto it = keys.find(key);
    return it != keys.end() && it->second == "true";
}

bool isFalse(const std::map<std::string, std::string>& keys, const std::string& key) {
    auto it = keys.find(key);
    return it != keys.end() && it->second == "false";
}

}  // namespace

XdgAutostart::XdgAutostart(std::string folder, Log& log) : folder_(std::move(folder)), log_(log) {
    parent_ = fs::path(folder_).parent_path().string();
}

XdgAutostart::~XdgAutostart() {
    detach();
}

std::string XdgAutostart::defaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.config/autostart";
}

std::optional<std::string> XdgAutostart::programOfExec(const std::string& exec) {
    size_t at = exec.find_first_not_of(' ');
    if (at == std::string::npos) return std::nullopt;
    std::string word;
    if (exec[at] == '"') {
        // A quoted word: backslash escapes ", `, $ and \.
        for (++at; at < exec.size() && exec[at] != '"'; ++at) {
            if (exec[at] == '\\' && at + 1 < exec.size()) ++at;
            word += exec[at];
        }
    } else {
        word = exec.substr(at, exec.find(' ', at) - at);
    }
    if (word.empty()) return std::nullopt;
    return word;
}

std::string XdgAutostart::execForProgram(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // In a desktop file a backslash is itself escaped, and % starts a field code.
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += '\\';
        if (c == '%') value += '%';
        value += c;
    }
    return value;
}

std::vector<LoginItems::Item> XdgAutostart::snapshot() {
    std::vector<Item> items;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        if (entry.path().extension() != ".desktop") continue;
        auto keys = desktopEntry(entry.path().string());
        if (isTrue(keys, "Hidden") || isFalse(keys, "X-GNOME-Autostart-enabled")) continue;
        auto exec = keys.find("Exec");
        if (exec == keys.end()) continue;
        // Unescape the desktop file's backslashes before taking the first word.
        std::string value;
        for (size_t i = 0; i < exec->second.size(); ++i) {
            if (exec->second[i] == '\\' && i + 1 < exec->second.size() && exec->second[i + 1] == '\\') ++i;
            value += exec->second[i];
        }
        if (auto program = programOfExec(value)) items.push_back({entry.path().filename().string(), *program});
    }
    return items;
}

bool XdgAutostart::insertItemURL(const std::string& url) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        log_.write("launch at login: cannot make " + folder_ + ": " + error.message());
        return false;
    }
    std::string path = folder_ + "/" + kEntryName, temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tilvane\n"
               "Comment=Move and resize windows from the keyboard and the mouse\n"
               "Exec="
            << execForProgram(url)
            << "\n"
               "Icon=tilvane\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            log_.write("launch at login: cannot write " + temp);
            fs::remove(temp, error);
            return false;
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        log_.write("launch at login: cannot write " + path + ": " + std::strerror(errno));
        fs::remove(temp, error);
        return false;
    }
    if (watcher_ && folderWatch_ < 0) arm();
    return true;
}

bool XdgAutostart::removeItem(const Item& item) {
    if (item.id.find('/') != std::string::npos) return false;
    std::string path = folder_ + "/" + item.id;
    if (::unlink(path.c_str()) != 0) {
        log_.write("launch at login: cannot remove " + path + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

LoginItems::ObserverId XdgAutostart::addObserver(std::function<void()> observer) {
    observers_[nextObserver_] = std::move(observer);
    return nextObserver_++;
}

void XdgAutostart::removeObserver(ObserverId id) {
    observers_.erase(id);
}

void XdgAutostart::attach(DescriptorWatcher& watcher) {
    detach();
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        log_.write(std::string("launch at login: cannot watch ") + folder_ + ": " + std::strerror(errno));
        return;
    }
    watcher_ = &watcher;
    arm();
    watcher.watchFd(inotify_, [this] { onEvents(); });
}

void XdgAutostart::arm() {
    constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                                       IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (folderWatch_ < 0) folderWatch_ = ::inotify_add_watch(inotify_, folder_.c_str(), kFolderEvents);
    // The parent tells when the folder itself comes or goes.
    if (parentWatch_ < 0)
        parentWatch_ = ::inotify_add_watch(inotify_, parent_.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
}

void XdgAutostart::detach() {
    if (watcher_ && inotify_ >= 0) watcher_->unwatchFd(inotify_);
    if (inotify_ >= 0) ::close(inotify_);
    inotify_ = folderWatch_ = parentWatch_ = -1;
    watcher_ = nullptr;
}

void XdgAutostart::onEvents() {
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* at = buffer; at < buffer + n;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->wd == folderWatch_) {
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) folderWatch_ = -1;
                changed = true;
            } else if (event->wd == parentWatch_ && event->len > 0 && fs::path(folder_).filename() == event->name) {
                changed = true;
            }
            if (event->mask & IN_Q_OVERFLOW) changed = true;
        }
    }
    if (folderWatch_ < 0) arm();
    if (changed) notify();
}

void XdgAutostart::notify() {
    auto snapshot = observers_;
    for (auto& [id, observer] : snapshot)
        if (observers_.count(id)) observer();
}

}  // namespace tilvane::linux_platform
