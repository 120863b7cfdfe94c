#include "main/serving_program.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "accessibility/window_control_accessibility.h"
#include "main/desktop_backends.h"
#include "shortcuts/shortcut_text.h"

namespace tilvane {

void addInstalledResourceDirectories(const std::string& fromBinary) {
    addShortcutResourceDirectories([fromBinary] {
        std::vector<std::filesystem::path> directories;
        std::error_code error;
        auto binary = std::filesystem::read_symlink("/proc/self/exe", error);
        if (!error) directories.push_back(binary.parent_path() / fromBinary);
        directories.emplace_back(TILVANE_INSTALLED_DATA_DIR);
        return directories;
    });
}

std::optional<std::string> programPath() {
    namespace fs = std::filesystem;
    if (const char* image = std::getenv("APPIMAGE"); image && *image) return image;
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    for (fs::path folder = self.parent_path(); folder.has_relative_path(); folder = folder.parent_path())
        if (folder.extension() == ".AppDir") return (folder / "AppRun").string();
    if (const char* program = std::getenv("TILVANE_PROGRAM"); program && *program) return program;
    for (const fs::path& candidate :
         {self.parent_path() / "tilvane", self.parent_path() / ".." / ".." / "bin" / "tilvane"})
        if (fs::exists(candidate, error)) return fs::weakly_canonical(candidate, error).string();
    return std::nullopt;
}

ComposedPlatform composePlatform(DesktopBackend& desktop, DesktopBackend::Uses uses, RunLoop& loop,
                                 SettingsStore* settings, Log& log, KeyedArchiver* archiver) {
    PlatformServices services;
    services.settings = settings;
    services.runLoop = &loop;
    services.log = &log;
    services.archiver = archiver;
    desktop.fill(services, uses);
    std::unique_ptr<Accessibility> elements;
    if (WindowControl* windows = desktop.windowControl()) {
        elements = std::make_unique<WindowControlAccessibility>(*windows, loop);
        services.accessibility = elements.get();
    }
    // Every backend gives the windows and the screens.
    auto platform = Platform::from(services);
    if (!platform) {
        std::fputs("tilvane: the desktop backend gave no windows or no screens\n", stderr);
        std::abort();
    }
    return ComposedPlatform{std::move(*platform), std::move(elements)};
}

std::unique_ptr<ServingProgram> ServingProgram::open(RunLoop& loop, std::ostream& err, int& exitStatus,
                                                     WhenAnotherServes whenAnotherServes) {
    std::unique_ptr<ServingProgram> program(new ServingProgram());
    std::string error;
    program->desktop_ = openDesktopBackend(error);
    if (!program->desktop_) {
        err << "tilvane: " << error << "\n";
        exitStatus = 1;
        return nullptr;
    }
    program->instance_ = &program->desktop_->instance(loop);
    if (program->instance_->heldByAnother()) {
        err << "tilvane: Tilvane is already running on " << program->sessionName() << "\n";
        exitStatus = whenAnotherServes ? whenAnotherServes(*program->instance_) : 1;
        return nullptr;
    }
    program->settings_ = std::make_unique<linux_platform::FileSettingsStore>(
        linux_platform::FileSettingsStore::defaultPath(), program->log_);
    ComposedPlatform composed = composePlatform(*program->desktop_, DesktopBackend::Uses::Everything, loop,
                                                program->settings_.get(), program->log_, &program->archiver_);
    program->platform_.emplace(composed.platform);
    program->elements_ = std::move(composed.elements);
    program->platform_->relocation = &program->relocation_;
    return program;
}

ServingProgram::~ServingProgram() {
    finish();
}

bool ServingProgram::start(DescriptorWatcher& watcher, std::function<void(int)> stop, std::ostream& err) {
    desktop_->attach(watcher, [this, stop, &err] {
        err << "tilvane: the connection to " << sessionName() << " broke\n";
        stop(1);
    });
    settings_->attach(watcher);
    app_ = std::make_unique<AppDelegate>(*platform_);
    // `tilvane shortcuts` reads from here which shortcuts do nothing, as this program found.
    app_->observeShortcutsHeldElsewhere(
        [this](const std::vector<std::string>& keys) { instance_->publishHeldElsewhere(keys); });
    app_->applicationDidFinishLaunching();
    started_ = true;
    // Claimed only now, so that the selection's owner is a program that serves.
    if (!instance_->claim()) {
        finish();
        err << "tilvane: Tilvane is already running on " << sessionName() << "\n";
        return false;
    }
    instance_->onLost([this, stop, &err] {
        err << "tilvane: another program took over " << sessionName() << "\n";
        stop(0);
    });
    return true;
}

void ServingProgram::rereadSettings() {
    log_.write("settings: reading " + settings_->path() + " again, as asked");
    settings_->reload();
}

void ServingProgram::finish() {
    if (!started_) return;
    started_ = false;
    app_->applicationWillTerminate();
    settings_->detach();
}

}  // namespace tilvane
