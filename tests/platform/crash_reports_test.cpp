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

class CrashReportsTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tilvane-crash-" + std::to_string(::getpid()));
        fs::remove_all(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    // A child that installs the handler and dies of the signal.
    int crashChild(int signal) {
        pid_t child = ::fork();
        if (child == 0) {
            CrashReports reports((folder / "state").string(), "9.9");
            if (!reports.install()) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path folder;
};

TEST_F(CrashReportsTest, ACrashLeavesAReportAndStillEndsByTheSignal) {
    int status = crashChild(SIGSEGV);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    CrashReports next((folder / "state").string(), "9.9");
    auto reports = next.takeUnannounced();
    ASSERT_EQ(reports.size(), 1u);
    std::string report = contents(reports[0]);
    EXPECT_NE(report.find("Tilvane 9.9 crashed."), std::string::npos) << report;
    EXPECT_NE(report.find("Signal: 11 (SEGV)"), std::string::npos) << report;
    EXPECT_NE(report.find("Backtrace:\n"), std::string::npos) << report;
    // Each report is pointed out once; it stays where it is.
    EXPECT_TRUE(next.takeUnannounced().empty());
    EXPECT_TRUE(fs::exists(reports[0]));

    crashChild(SIGABRT);
    auto later = CrashReports((folder / "state").string(), "9.9").takeUnannounced();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_NE(later[0], reports[0]);
}

TEST_F(CrashReportsTest, NoFolderNoReports) {
    CrashReports reports((folder / "missing").string(), "9.9");
    EXPECT_TRUE(reports.takeUnannounced().empty());
}

}  // namespace
}  // namespace tilvane::linux_platform
