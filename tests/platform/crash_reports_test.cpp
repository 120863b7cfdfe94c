// Crash reports: a real crash in a child process leaves a report, and the
// next start hears of each report once.

#include "platform/linux/crash_reports.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tilvane::linux_platform {
namespace {

namespace fs = std::filesystem;

TEST(CrashReportsTest, ACrashLeavesAReportAndStillEndsByTheSignalAndTheNextStartHearsOfItOnce) {
    const fs::path folder = fs::temp_directory_path() / ("tilvane-crash-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const std::string state = (folder / "state").string();
    EXPECT_TRUE(CrashReports(state, "9.9").takeUnannounced().empty());  // no folder, no reports
    // A child that installs the handler and dies of the signal.
    auto crashChild = [&](int signal) {
        pid_t child = ::fork();
        if (child == 0) {
            if (!CrashReports(state, "9.9").install()) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    };
    int status = crashChild(SIGSEGV);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    CrashReports next(state, "9.9");
    auto reports = next.takeUnannounced();
    ASSERT_EQ(reports.size(), 1u);
    std::stringstream report;
    report << std::ifstream(reports[0]).rdbuf();
    for (const char* expected : {"Tilvane 9.9 crashed.", "Signal: 11 (SEGV)", "Backtrace:\n"})
        EXPECT_NE(report.str().find(expected), std::string::npos) << report.str();
    // Each report is pointed out once; it stays where it is.
    EXPECT_TRUE(next.takeUnannounced().empty());
    EXPECT_TRUE(fs::exists(reports[0]));

    crashChild(SIGABRT);
    auto later = CrashReports(state, "9.9").takeUnannounced();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_NE(later[0], reports[0]);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tilvane::linux_platform
