#pragma once

#include <string>

#include "platform/relocation.h"

namespace tilvane::linux_platform {

// Moving the program on a Linux desktop. The bundle is the AppImage file
// ($APPIMAGE), else the application folder (….AppDir) nearest above the
// running executable. The applications folders are the user's
// ~/Applications, the machine's /Applications (the usual homes of AppImages),
// /opt, /usr/local/bin and /usr/bin. A disk image is a file attached to a
// loop device; the trash is the freedesktop one, then `gio trash`; the
// administrator is asked through polkit (pkexec).
class LinuxRelocation : public Relocation {
public:
    // Where this machine keeps things; tests put them into a folder of their own.
    struct Places {
        std::string home;
        std::string localApplications = "/Applications";
        std::string configHome;  // holds user-dirs.dirs
        std::string dataHome;    // holds the Trash
        std::string appImage;    // $APPIMAGE; empty: none
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
    std::vector<std::string> runningApplicationBundles() override;
    int32_t processIdentifier() override;
    std::optional<int> runAndWait(const std::vector<std::string>& arguments) override;
    bool startShellLine(const std::string& line) override;
    std::optional<int> runShellLineWithPrivileges(const std::string& line, std::string& error) override;
    void exitProcess(int status) override;

    // The application folder nearest above an executable; empty when there is none.
    static std::string applicationFolderOf(const std::string& executable);

private:
    Places places_;
};

}  // namespace tilvane::linux_platform
