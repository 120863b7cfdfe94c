#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "platform/qt/qt_user_interface.h"
#include "platform/support_kit.h"

namespace tilvane::qt {

// Update and support services that keep everything on this machine: no
// usage report is ever sent; the problem reporter is started by a hook of
// the composition root (crash reports in a folder of the user's) and the
// reports of earlier crashes are pointed out once; "Check for Updates"
// shows the running version and where updates come from; "Contact Support"
// shows a report the user can copy or save.
class QtSupport : public SupportKit, public SupportUpdater {
public:
    struct Hooks {
        // Starts the problem reporter; gives the reports of earlier crashes not yet pointed out.
        std::function<std::vector<std::string>()> startProblemReporter;
        // The text of a support report.
        std::function<std::string()> composeReport;
    };
    QtSupport(QtUserInterface& ui, QString version, Hooks hooks);

    // SupportKit
    void sendTrackingReport() override {}
    void setupIssuesController(bool reportingUnhandledIssues) override;
    void showFeedbackDialog(int mode) override;
    // SupportUpdater: the settings are kept; nothing is fetched.
    void setDelegate(void*) override {}
    void setFeedURL(std::optional<std::string> url) override { feed_ = std::move(url); }
    void setAutomaticallyChecksForUpdates(bool on) override { automatic_ = on; }
    void setUpdateCheckInterval(double seconds) override { interval_ = seconds; }
    void checkForUpdatesInBackground() override {}
    void checkForUpdates() override;

    // The texts the dialogs show, for tests.
    static QString updatesText(const QString& version);
    static QString crashNoticeText(const std::vector<std::string>& reports);

private:
    QtUserInterface& ui_;
    QString version_;
    Hooks hooks_;
    bool reporterStarted_ = false;
    std::optional<std::string> feed_;
    bool automatic_ = false;
    double interval_ = 0;
};

}  // namespace tilvane::qt
