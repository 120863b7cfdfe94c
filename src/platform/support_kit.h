#pragma once

#include <optional>
#include <string>

namespace tilvane {

// The update and support services the program calls at start-up and from its
// menu. What they do behind the calls is the backend's affair; the program
// relies only on the calls being made, in its order. None reports back.
class SupportKit {
public:
    virtual ~SupportKit() = default;
    // The usage report.
    virtual void sendTrackingReport() = 0;
    // Starts the problem reporter; with reportingUnhandledIssues, crashes are reported too.
    virtual void setupIssuesController(bool reportingUnhandledIssues) = 0;
    // The dialog in which the user writes to the program's support.
    virtual void showFeedbackDialog(int mode) = 0;
};

// The one updater of the program.
class SupportUpdater {
public:
    virtual ~SupportUpdater() = default;
    virtual void setDelegate(void* delegate) = 0;
    // None: no feed address.
    virtual void setFeedURL(std::optional<std::string> url) = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual void setUpdateCheckInterval(double seconds) = 0;
    // Checks without showing anything unless an update exists.
    virtual void checkForUpdatesInBackground() = 0;
    // Checks and shows the result.
    virtual void checkForUpdates() = 0;
};

}  // namespace tilvane
