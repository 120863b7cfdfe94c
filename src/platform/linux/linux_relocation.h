#pragma once

#include <string>

#include "platform/relocation.h"

namespace tilvane::linux_platform {

// Moving the program on a Linux desktop. The bundle is the AppImage file
// ($APPIMAGE), else the application folder (….AppDir) nearest above the
// running executable. It moves into ~/Applications, the user's own folder
// that AppImage managers keep, which needs no password; it is in place
// there, in /opt, in the program folders and in ~/.local/bin and ~/bin,
// where people keep single-file programs. A disk image is a file attached to
// a loop device; the trash is the freedesktop one, then `gio trash`; the
// administrator is asked through polkit (pkexec). A moved bundle gets a
// desktop entry and its icon under $XDG_DATA_HOME, from the entry and icon
// at the top of its folder (for an AppImage, the image's folder the running
// program sees at $APPDIR).
class LinuxRelocation : public Relocation {
public:
    // Where this machine keeps things; tests put them into a folder of their own.
    struct Places {
        std::string home;
        std::string configHome;  // holds user-dirs.dirs
        std::string dataHome;    // holds the Trash, the menu's entries and their icons
        std::string appImage;    // $APPIMAGE; empty: none
        std::string appDir;      // $APPDIR: where the running AppImage's folder is mounted
        std::string executable;  // the running program
        std::string mountInfo = "/proc/self/mountinfo";
        std::string blockDevices = "/sys/block";
        std::string processes = "/proc";
        std::string privilegeProgram = "pkexec";
    };
    // This process's places, from its environment.
    static Places currentPlaces();

    explicit LinuxRelocation(Places places) : places_(std::move(places)) {}

    std::optional<std::string> bundlePath() override;
    std::vector<std::string> applicationsDirectories() override;
    std::string localApplicationsDirectory() override;
    std::vector<std::string> downloadsDirectories() override;
    std::optional<Mount> mountOf(const std::string& directory) override;
    std::optional<std::vector<DiskImage>> attachedDiskImages() override;
    bool fileExists(const std::string& path) override;
    bool isWritableFile(const std::string& path) override;
    bool copyItem(const std::string& from, const std::string& to, std::string& error) override;
    bool removeItem(const std::string& path, std::string& error) override;
    bool moveToTrash(const std::string& path) override;
    bool recycle(const std::string& path) override;
    bool addToApplicationMenu(const std::string& bundlePath, std::string& error) override;
    void removeFromApplicationMenu(const std::string& bundlePath) override;
    std::vector<std::string> runningApplicationBundles() override;
    int32_t processIdentifier() override;
    std::optional<int> runAndWait(const std::vector<std::string>& arguments) override;
    bool startShellLine(const std::string& line) override;
    std::optional<int> runShellLineWithPrivileges(const std::string& line, std::string& error) override;
    void exitProcess(int status) override;

    // The application folder nearest above an executable; empty when there is none.
    static std::string applicationFolderOf(const std::string& executable);
    // The name of the menu entry (and of its icon) of the bundle at this
    // place, the same in every run: "tilvane-" and sixteen hex digits.
    static std::string applicationMenuName(const std::string& bundlePath);
    // A path as one argument of a desktop entry's Exec key; none for a path
    // with a control character, which no entry can hold.
    static std::optional<std::string> execArgument(const std::string& path);

private:
    Places places_;
};

}  // namespace tilvane::linux_platform
