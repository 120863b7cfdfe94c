#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/relocation.h"

namespace tilvane::sim {

// A machine in memory for moving the program: a user's home at /home/user
// with its applications folder, files that exist (each writable or not),
// mounts, attached disk images, running bundles and a password prompt whose
// answer the test chooses. What the program did lands in a journal, one
// line each: "copy FROM TO", "remove PATH", "moveToTrash PATH",
// "recycle PATH", "menu add PATH", "menu remove PATH", "run ARG...",
// "sh LINE", "privileged LINE", "exit STATUS".
class SimRelocation : public Relocation {
public:
    // --- arrangement ---------------------------------------------------------
    std::optional<std::string> bundle;
    std::vector<std::string> applications{"/home/user/Applications", "/opt",          "/usr/local/bin", "/usr/bin",
                                          "/home/user/.local/bin",   "/home/user/bin"};
    std::string localApplications = "/home/user/Applications";
    std::vector<std::string> downloads{"/home/user/Downloads"};
    // The mount of each directory asked about; others: the root file system.
    std::map<std::string, Mount> mounts;
    std::optional<std::vector<DiskImage>> diskImages = std::vector<DiskImage>{};
    // Existing items, and whether this user may write each. Missing items can be made.
    std::map<std::string, bool> files{{"/home/user/Applications", true}};
    std::vector<std::string> runningBundles;
    int32_t pid = 4242;
    // The privileged line's status: 0, a failure, kAuthorizationCanceled, or none (no way to ask),
    // and the reason a failure reports.
    std::optional<int> privilegedStatus = 0;
    std::string privilegedError;
    // Failures, by the error each reports.
    std::optional<std::string> copyError, removeError, menuError;
    bool moveToTrashFails = false, recycleFails = false;

    // --- observation ---------------------------------------------------------
    std::vector<std::string> journal;
    std::optional<int> exitStatus;

    // Relocation
    std::optional<std::string> bundlePath() override { return bundle; }
    std::vector<std::string> applicationsDirectories() override { return applications; }
    std::string localApplicationsDirectory() override { return localApplications; }
    std::vector<std::string> downloadsDirectories() override { return downloads; }
    std::optional<Mount> mountOf(const std::string& directory) override;
    std::optional<std::vector<DiskImage>> attachedDiskImages() override { return diskImages; }
    bool fileExists(const std::string& path) override { return files.count(path) > 0; }
    bool isWritableFile(const std::string& path) override;
    bool copyItem(const std::string& from, const std::string& to, std::string& error) override;
    bool removeItem(const std::string& path, std::string& error) override;
    bool moveToTrash(const std::string& path) override;
    bool recycle(const std::string& path) override;
    bool addToApplicationMenu(const std::string& bundlePath, std::string& error) override;
    void removeFromApplicationMenu(const std::string& bundlePath) override;
    std::vector<std::string> runningApplicationBundles() override { return runningBundles; }
    int32_t processIdentifier() override { return pid; }
    std::optional<int> runAndWait(const std::vector<std::string>& arguments) override;
    bool startShellLine(const std::string& line) override;
    std::optional<int> runShellLineWithPrivileges(const std::string& line, std::string& error) override;
    void exitProcess(int status) override;
};

}  // namespace tilvane::sim
