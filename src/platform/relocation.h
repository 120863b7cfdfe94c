#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tilvane {

// What moving the program into the applications folder asks of the system:
// where the program lies, the mounts it may come from, files, the trash,
// processes and administrator rights.
//
// A program that can be moved comes as a bundle: an application folder
// (Tilvane.AppDir) or a single-file image ($APPIMAGE names it). A program
// installed by a package has no bundle.
class Relocation {
public:
    // The status of a privileged line whose password prompt the user dismissed.
    static constexpr int kAuthorizationCanceled = 126;

    // The device a directory's file system is mounted from.
    struct Mount {
        std::string device;  // "/dev/loop3"
        bool isRootFileSystem = false;
        friend bool operator==(const Mount&, const Mount&) = default;
    };
    // A disk image the system has attached: its device and its file.
    struct DiskImage {
        std::string device;
        std::string imagePath;
        friend bool operator==(const DiskImage&, const DiskImage&) = default;
    };

    virtual ~Relocation() = default;

    // --- where things are ---------------------------------------------------
    // The running program's bundle; none for a program installed by a package.
    virtual std::optional<std::string> bundlePath() = 0;
    // The folders where a bundle is already in place: the applications
    // folders, the user's and the machine's, and the folders programs are
    // kept in, with the home folder written out.
    virtual std::vector<std::string> applicationsDirectories() = 0;
    // The applications folder the program moves into, symbolic links
    // resolved. It may not exist yet: copying into it makes it.
    virtual std::string localApplicationsDirectory() = 0;
    // The user's downloads folders.
    virtual std::vector<std::string> downloadsDirectories() = 0;

    // --- mounts ---------------------------------------------------------------
    // The mount that holds a directory; none when it cannot be told.
    virtual std::optional<Mount> mountOf(const std::string& directory) = 0;
    // Every attached disk image; none when they cannot be listed.
    virtual std::optional<std::vector<DiskImage>> attachedDiskImages() = 0;

    // --- files ------------------------------------------------------------------
    virtual bool fileExists(const std::string& path) = 0;
    // Whether this user may write the item; for an item that does not exist
    // yet, whether this user may make it.
    virtual bool isWritableFile(const std::string& path) = 0;
    // Copies a file or a folder with everything in it, making the folders
    // above the copy when they are missing. On failure, error says why.
    virtual bool copyItem(const std::string& from, const std::string& to, std::string& error) = 0;
    virtual bool removeItem(const std::string& path, std::string& error) = 0;
    // The two ways to the trash, tried in this order: the user's trash folder,
    // as file managers move items into it; the desktop's own trash command.
    virtual bool moveToTrash(const std::string& path) = 0;
    virtual bool recycle(const std::string& path) = 0;

    // --- the desktop's application menu ----------------------------------------
    // Puts the bundle at this place into the application menu, started from
    // there, in place of an entry made before for the same place. On failure,
    // error says why.
    virtual bool addToApplicationMenu(const std::string& bundlePath, std::string& error) = 0;
    // Takes the entry of the bundle at this place out of the menu, if it has one.
    virtual void removeFromApplicationMenu(const std::string& bundlePath) = 0;

    // --- processes --------------------------------------------------------------
    // The bundle of each running process that has one.
    virtual std::vector<std::string> runningApplicationBundles() = 0;
    virtual int32_t processIdentifier() = 0;
    // Runs a program and waits for it to end: its exit status; none when it
    // could not be started.
    virtual std::optional<int> runAndWait(const std::vector<std::string>& arguments) = 0;
    // Starts the line with "/bin/sh -c" and does not wait for it.
    virtual bool startShellLine(const std::string& line) = 0;
    // Runs the line with "/bin/sh -c" as the administrator, asking the user
    // for the password once, and waits: the line's exit status, or
    // kAuthorizationCanceled when the user dismissed the prompt; none when
    // the system has no way to ask. When it is none or another status but 0,
    // error says why in a few plain words, where the system tells.
    virtual std::optional<int> runShellLineWithPrivileges(const std::string& line, std::string& error) = 0;
    // Ends the process with the status; on a real system it does not return.
    virtual void exitProcess(int status) = 0;
};

}  // namespace tilvane
