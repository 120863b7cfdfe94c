#include "platform/sim/sim_relocation.h"

namespace tilvane::sim {

std::optional<Relocation::Mount> SimRelocation::mountOf(const std::string& directory) {
    auto it = mounts.find(directory);
    if (it != mounts.end()) return it->second;
    return Mount{"/dev/sda1", true};
}

bool SimRelocation::isWritableFile(const std::string& path) {
    auto it = files.find(path);
    return it == files.end() || it->second;
}

bool SimRelocation::copyItem(const std::string& from, const std::string& to, std::string& error) {
    journal.push_back("copy " + from + " " + to);
    if (copyError) {
        error = *copyError;
        return false;
    }
    files[to] = true;
    return true;
}

bool SimRelocation::removeItem(const std::string& path, std::string& error) {
    journal.push_back("remove " + path);
    if (removeError) {
        error = *removeError;
        return false;
    }
    files.erase(path);
    return true;
}

bool SimRelocation::moveToTrash(const std::string& path) {
    journal.push_back("moveToTrash " + path);
    if (moveToTrashFails) return false;
    files.erase(path);
    return true;
}

bool SimRelocation::recycle(const std::string& path) {
    journal.push_back("recycle " + path);
    if (recycleFails) return false;
    files.erase(path);
    return true;
}

bool SimRelocation::addToApplicationMenu(const std::string& bundlePath, std::string& error) {
    journal.push_back("menu add " + bundlePath);
    if (menuError) {
        error = *menuError;
        return false;
    }
    return true;
}

void SimRelocation::removeFromApplicationMenu(const std::string& bundlePath) {
    journal.push_back("menu remove " + bundlePath);
}

std::optional<int> SimRelocation::runAndWait(const std::vector<std::string>& arguments) {
    std::string line = "run";
    for (const auto& argument : arguments) line += " " + argument;
    journal.push_back(line);
    return 0;
}

bool SimRelocation::startShellLine(const std::string& line) {
    journal.push_back("sh " + line);
    return true;
}

std::optional<int> SimRelocation::runShellLineWithPrivileges(const std::string& line, std::string& error) {
    journal.push_back("privileged " + line);
    if (privilegedStatus != 0 && privilegedStatus != kAuthorizationCanceled) error = privilegedError;
    return privilegedStatus;
}

void SimRelocation::exitProcess(int status) {
    journal.push_back("exit " + std::to_string(status));
    exitStatus = status;
}

}  // namespace tilvane::sim
