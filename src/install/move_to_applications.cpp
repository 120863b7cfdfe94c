#include "install/move_to_applications.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "platform/settings_keys.h"

namespace tilvane {

namespace {

namespace fs = std::filesystem;

// What the user reads.
constexpr const char* kQuestion = "Move to Applications folder?";
constexpr const char* kOffer = "I can move myself to the Applications folder if you'd like.";
constexpr const char* kPasswordNote = "Note that this will require an administrator password.";
constexpr const char* kDownloadsNote = "This will keep your Downloads folder uncluttered.";
constexpr const char* kMoveButton = "Move to Applications Folder";
constexpr const char* kDoNotMoveButton = "Do Not Move";
constexpr const char* kCouldNotMove = "Could not move to Applications folder";
// Why, when the system does not say.
constexpr const char* kNoWayToAsk = "The administrator password cannot be asked for on this system";
constexpr const char* kPrivilegedCopyFailed = "The copy with administrator rights failed";
constexpr const char* kNotABundle = "Only a .AppDir folder or a .AppImage file can be moved";
constexpr const char* kOlderCopyStays = "The copy already in the Applications folder could not be moved to the trash";

// The names of bundles: application folders and single-file images.
constexpr const char* kFolderExtension = ".AppDir";
constexpr const char* kImageExtension = ".AppImage";

// The program that starts a bundle: an application folder's AppRun, or the image file itself.
std::string runnerOf(const std::string& bundle) {
    return fs::path(bundle).extension() == kFolderExtension ? (fs::path(bundle) / "AppRun").string() : bundle;
}

// A path written the one way: no "." or "..", no doubled or trailing slash.
std::string standardized(const std::string& path) {
    std::string normal = fs::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

// Whether the path is the directory or lies inside it.
bool beginsWith(const std::string& path, const std::string& directory) {
    if (directory.empty()) return false;
    fs::path inside(standardized(path)), folder(standardized(directory));
    return std::mismatch(folder.begin(), folder.end(), inside.begin(), inside.end()).first == folder.end();
}

bool beginsWithAny(const std::string& path, const std::vector<std::string>& directories) {
    return std::any_of(directories.begin(), directories.end(),
                       [&](const std::string& directory) { return beginsWith(path, directory); });
}

// The bundle lies inside another application folder.
bool isNested(const std::string& bundlePath) {
    for (const auto& component : fs::path(bundlePath).parent_path())
        if (component.string().ends_with(kFolderExtension)) return true;
    return false;
}

bool isInApplicationsFolder(const std::string& bundlePath, const std::vector<std::string>& applicationsDirectories) {
    if (beginsWithAny(bundlePath, applicationsDirectories)) return true;
    for (const auto& component : fs::path(bundlePath))
        if (component == "Applications") return true;
    return false;
}

// The device of the disk image the directory lies on; none when it lies on no disk image.
std::optional<std::string> diskImageDevice(Relocation& relocation, const std::string& directory) {
    auto mount = relocation.mountOf(directory);
    if (!mount || mount->isRootFileSystem) return std::nullopt;
    auto images = relocation.attachedDiskImages();
    if (!images) return std::nullopt;
    for (const auto& image : *images)
        if (image.device == mount->device) return image.device;
    return std::nullopt;
}

std::string trimmed(const std::string& text) {
    constexpr std::string_view kSpace = " \t\n\r\f\v";
    size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Detaches the disk image five seconds later, when this process has ended.
std::string detachLine(const std::string& device) {
    std::string quoted = shellQuoted(device);
    return "(/bin/sleep 5 && /usr/bin/udisksctl unmount -b " + quoted + " && /usr/bin/udisksctl loop-delete -b " +
           quoted + ") &";
}

enum class AuthorizedCopy { Done, Canceled, Failed };

// The copy into a folder this user may not write: the old copy goes and the
// new one comes in one privileged line, so that the user is asked once.
// The removal's own status does not count unless a signal ended it. On a
// failure, reason says why.
AuthorizedCopy copyWithAuthorization(Relocation& relocation, const std::string& applicationsDirectory,
                                     const std::string& bundlePath, const std::string& destinationPath,
                                     std::string& reason) {
    std::string extension = fs::path(destinationPath).extension().string();
    bool bundle = extension == kFolderExtension || extension == kImageExtension;
    if (!bundle || trimmed(destinationPath).empty() || trimmed(bundlePath).empty()) {
        reason = kNotABundle;
        return AuthorizedCopy::Failed;
    }
    std::string line = "/bin/mkdir -p " + shellQuoted(applicationsDirectory) + " && { /bin/rm -rf " +
                       shellQuoted(destinationPath) + "; test $? -lt 128 && /bin/cp -pR " + shellQuoted(bundlePath) +
                       " " + shellQuoted(destinationPath) + "; }";
    std::string error;
    auto status = relocation.runShellLineWithPrivileges(line, error);
    if (status == Relocation::kAuthorizationCanceled) return AuthorizedCopy::Canceled;
    if (status == 0) return AuthorizedCopy::Done;
    reason = !error.empty() ? error : status ? kPrivilegedCopyFailed : kNoWayToAsk;
    return AuthorizedCopy::Failed;
}

// The steps of one offer to move, with the services it uses.
class Move {
public:
    Move(const Platform& platform, Relocation& relocation, UserInterface& ui)
        : platform_(platform), relocation_(relocation), ui_(ui) {}

    void run() {
        SettingsStore* defaults = platform_.settings;
        if (defaults && defaults->boolForKey(settings_key::kMoveToApplicationsFolderAlertSuppress)) return;

        auto bundle = relocation_.bundlePath();
        if (!bundle) return;
        const std::string bundlePath = *bundle;
        const bool nested = isNested(bundlePath);
        if (isInApplicationsFolder(bundlePath, relocation_.applicationsDirectories()) && !nested) return;

        const auto diskImage = diskImageDevice(relocation_, fs::path(bundlePath).parent_path().string());

        const std::string applicationsDirectory = relocation_.localApplicationsDirectory();
        const std::string destinationPath =
            (fs::path(applicationsDirectory) / fs::path(bundlePath).filename()).string();
        const bool needsAuthorization =
            !relocation_.isWritableFile(applicationsDirectory) ||
            (relocation_.fileExists(destinationPath) && !relocation_.isWritableFile(destinationPath));

        Alert question;
        question.messageText = kQuestion;
        question.informativeText = kOffer;
        if (needsAuthorization)
            question.informativeText += std::string(" ") + kPasswordNote;
        else if (beginsWithAny(bundlePath, relocation_.downloadsDirectories()))
            question.informativeText += std::string(" ") + kDownloadsNote;
        question.buttons = {kMoveButton, kDoNotMoveButton};
        question.escapeButton = 1;
        question.showsSuppressionButton = true;
        // At start-up the program has shown nothing yet, so it is never the active one.
        ui_.activateIgnoringOtherApps(true);
        AlertResult answer = ui_.runModal(question);
        if (answer.button != 0) {
            if (answer.suppressionChecked && defaults) {
                defaults->setBool(settings_key::kMoveToApplicationsFolderAlertSuppress, true);
                defaults->synchronize();
            }
            return;
        }

        log("INFO -- Moving myself to the Applications folder");
        if (needsAuthorization) {
            std::string reason;
            switch (copyWithAuthorization(relocation_, applicationsDirectory, bundlePath, destinationPath, reason)) {
                case AuthorizedCopy::Done: break;
                case AuthorizedCopy::Canceled: log("INFO -- Not moving because user canceled authorization"); return;
                case AuthorizedCopy::Failed:
                    log("ERROR -- Could not copy myself to " + applicationsDirectory + " with authorization");
                    return reportFailure(reason);
            }
        } else {
            if (relocation_.fileExists(destinationPath)) {
                if (isRunning(destinationPath)) {
                    log("INFO -- Switching to an already running version");
                    // Started again, the copy there shows its preferences window.
                    relocation_.runAndWait({runnerOf(destinationPath), "preferences"});
                    return relocation_.exitProcess(0);
                }
                if (!trash(destinationPath)) return reportFailure(kOlderCopyStays);
                relocation_.removeFromApplicationMenu(destinationPath);
            }
            std::string error;
            if (!relocation_.copyItem(bundlePath, destinationPath, error)) {
                log("ERROR -- Could not copy '" + bundlePath + "' to '" + destinationPath + "' (" + error + ")");
                log("ERROR -- Could not copy myself to " + destinationPath);
                return reportFailure(error);
            }
        }

        addToApplicationMenu(destinationPath);

        if (!nested && !diskImage) {
            std::string error;
            if (!relocation_.removeItem(bundlePath, error)) {
                log("WARNING -- Could not delete '" + bundlePath + "': " + error);
                if (!trash(bundlePath))
                    log("WARNING -- Could not delete application after moving it to Applications folder");
            }
        }
        relocation_.startShellLine(relaunchLine(relocation_.processIdentifier(), destinationPath));
        if (diskImage && !nested) relocation_.startShellLine(detachLine(*diskImage));
        relocation_.exitProcess(0);
    }

private:
    void log(const std::string& line) { platform_.log.write(line); }

    bool isRunning(const std::string& destinationPath) {
        const std::string destination = standardized(destinationPath);
        for (const auto& bundle : relocation_.runningApplicationBundles())
            if (standardized(bundle) == destination) return true;
        return false;
    }

    bool trash(const std::string& path) { return relocation_.moveToTrash(path) || relocation_.recycle(path); }

    // The moved copy is started from the menu from now on; a copy missing
    // from the menu is still moved.
    void addToApplicationMenu(const std::string& destinationPath) {
        std::string error;
        if (!relocation_.addToApplicationMenu(destinationPath, error))
            log("WARNING -- Could not add '" + destinationPath + "' to the application menu: " + error);
    }

    // The alert says why in a sentence of its own.
    void reportFailure(std::string reason) {
        Alert failure;
        failure.messageText = kCouldNotMove;
        if (!reason.empty() && std::string_view(".!?").find(reason.back()) == std::string_view::npos) reason += '.';
        failure.informativeText = std::move(reason);
        ui_.runModal(failure);
    }

    const Platform& platform_;
    Relocation& relocation_;
    UserInterface& ui_;
};

}  // namespace

std::string shellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The wait writes ">/dev/null 2>&1", which every shell reads: "/bin/sh" is
// dash on Debian, which refuses bash's ">&/dev/null" ("Bad fd number"); the
// background shell then dies and the moved copy never starts.
std::string relaunchLine(int32_t processIdentifier, const std::string& destinationPath) {
    return "(while /bin/kill -0 " + std::to_string(processIdentifier) + " >/dev/null 2>&1; do /bin/sleep 0.1; done; " +
           shellQuoted(runnerOf(destinationPath)) + ") &";
}

void moveToApplicationsFolderIfNecessary(const Platform& platform) {
    // Without a way to ask the user there is no offer to make.
    if (!platform.relocation || !platform.userInterface) return;
    Move(platform, *platform.relocation, *platform.userInterface).run();
}

}  // namespace tilvane
