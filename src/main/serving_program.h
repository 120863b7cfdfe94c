#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/app_delegate.h"
#include "main/error_stream_log.h"
#include "platform/desktop_backend.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/linux_relocation.h"
#include "platform/plist/keyed_archiver.h"

namespace tilvane {

// A program that serves the hot keys on the desktop: the desktop backend,
// the one instance per session, the settings file, the log and the application, made
// in the order they depend on each other and ended in order. The plain
// serving command and the desktop application share it; each brings its own
// main loop.
class ServingProgram {
public:
    // What a program does on finding another instance serving the display;
    // it gives the status to end with.
    using WhenAnotherServes = std::function<int(InstanceClaim& instance)>;
    // Opens the session's desktop and makes sure no other instance serves it. Null when
    // this program cannot serve; the reason went to err and exitStatus holds
    // the status to end with (1, or what whenAnotherServes gave).
    static std::unique_ptr<ServingProgram> open(RunLoop& loop, std::ostream& err, int& exitStatus,
                                                WhenAnotherServes whenAnotherServes = nullptr);
    ~ServingProgram();

    // The services, for the composition root to add its own to before start().
    Platform& platform() { return *platform_; }
    DesktopBackend& desktop() { return *desktop_; }
    linux_platform::FileSettingsStore& settings() { return *settings_; }
    RecentLog& log() { return log_; }
    AppDelegate& app() { return *app_; }
    InstanceClaim& instance() { return *instance_; }

    // Watches the display and the settings file, starts the application and
    // claims the display. stop(status) is called when the program must end:
    // the connection broke (1) or another instance took over (0). False (the
    // reason on err) when another instance claimed the display meanwhile.
    bool start(DescriptorWatcher& watcher, std::function<void(int status)> stop, std::ostream& err);
    // Releases the hot keys and stops watching; once.
    void finish();
    // Reads the settings file again, as asked with SIGHUP; says so in the log.
    void rereadSettings();

    // The session served, as messages name it ("display :0").
    std::string sessionName() { return desktop_->sessionName(); }

private:
    ServingProgram() = default;

    RecentLog log_;
    std::unique_ptr<DesktopBackend> desktop_;
    InstanceClaim* instance_ = nullptr;
    std::unique_ptr<linux_platform::FileSettingsStore> settings_;
    plist::PlistKeyedArchiver archiver_;
    linux_platform::LinuxRelocation relocation_{linux_platform::LinuxRelocation::currentPlaces()};
    // Made once the desktop has given its services.
    std::optional<Platform> platform_;
    std::unique_ptr<Accessibility> elements_;
    std::unique_ptr<AppDelegate> app_;
    bool started_ = false;
};

// Where the installed program keeps its texts: beside its own binary (at the
// given path from the binary's folder), so that an installed tree moved
// elsewhere keeps them, else where it was installed.
void addInstalledResourceDirectories(const std::string& fromBinary);

// The program that starts Tilvane, as a login item should name it: the
// AppImage file ($APPIMAGE), the runner of the application folder the
// program lies in, else the `tilvane` command that started this program
// ($TILVANE_PROGRAM) or the one installed beside it.
std::optional<std::string> programPath();

// The one place where the services of a process are put together: the
// desktop's, the settings file (none for a process that reads no settings),
// the log, the archiver and the main loop.
struct ComposedPlatform {
    Platform platform;
    // The element model on a desktop that takes window requests; none where
    // the desktop gives elements. The platform refers to it.
    std::unique_ptr<Accessibility> elements;
};
ComposedPlatform composePlatform(DesktopBackend& desktop, DesktopBackend::Uses uses, RunLoop& loop,
                                 SettingsStore* settings, Log& log, KeyedArchiver* archiver);

}  // namespace tilvane
