#include "platform/linux/crash_reports.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>

namespace tilvane::linux_platform {

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr const char* kToldList = "told";

// Everything the handler needs is prepared before a crash: a signal handler
// may not allocate.
char gReportPath[4096];
char gHeader[512];
size_t gHeaderLength = 0;
bool gInstalled = false;
char gAlternateStack[64 * 1024];

void writeText(int fd, const char* text) {
    size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t n = ::write(fd, text, length);
        if (n <= 0) return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

void writeNumber(int fd, long value) {
    char digits[24];
    int at = sizeof digits - 1;
    digits[at] = '\0';
    bool negative = value < 0;
    unsigned long v = negative ? static_cast<unsigned long>(-value) : static_cast<unsigned long>(value);
    do {
        digits[--at] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && at > 1);
    if (negative) digits[--at] = '-';
    writeText(fd, digits + at);
}

void onCrash(int signal) {
    int fd = ::open(gReportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ssize_t ignored = ::write(fd, gHeader, gHeaderLength);
        (void)ignored;
        writeText(fd, "Signal: ");
        writeNumber(fd, signal);
        writeText(fd, " (");
        writeText(fd, sigabbrev_np(signal) ? sigabbrev_np(signal) : "?");
        writeText(fd, ")\nBacktrace:\n");
        void* frames[64];
        int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    // The handler was reset on entry: the signal now ends the process as it would have.
    ::raise(signal);
}

}  // namespace

CrashReports::CrashReports(std::string folder, std::string version)
    : folder_(std::move(folder)), version_(std::move(version)) {}

std::string CrashReports::defaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/tilvane";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.local/state/tilvane";
}

bool CrashReports::install() {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) return false;
    if (gInstalled) return true;

    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &tm);
    std::snprintf(gReportPath, sizeof gReportPath, "%s/crash-%s-%d.txt", folder_.c_str(), stamp,
                  static_cast<int>(::getpid()));
    int length = std::snprintf(gHeader, sizeof gHeader, "Tilvane %s crashed.\nStarted: %s\nProcess: %d\n",
                               version_.c_str(), stamp, static_cast<int>(::getpid()));
    gHeaderLength = static_cast<size_t>(std::clamp(length, 0, static_cast<int>(sizeof gHeader) - 1));
    // The first backtrace loads what backtrace needs; done now, not in the handler.
    void* frame[1];
    ::backtrace(frame, 1);

    stack_t stack{};
    stack.ss_sp = gAlternateStack;
    stack.ss_size = sizeof gAlternateStack;
    ::sigaltstack(&stack, nullptr);  // a stack overflow still gets its report
    struct sigaction action {};
    action.sa_handler = onCrash;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kCrashSignals) ::sigaction(signal, &action, nullptr);
    gInstalled = true;
    return true;
}

std::vector<std::string> CrashReports::takeUnannounced() {
    namespace fs = std::filesystem;
    std::set<std::string> told;
    std::string toldPath = folder_ + "/" + kToldList;
    {
        std::ifstream in(toldPath);
        for (std::string line; std::getline(in, line);) told.insert(line);
    }
    std::vector<std::string> reports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("crash-", 0) != 0 || entry.path().extension() != ".txt") continue;
        if (entry.path() == gReportPath || told.count(name)) continue;
        reports.push_back(entry.path().string());
    }
    std::sort(reports.begin(), reports.end());
    if (!reports.empty()) {
        std::ofstream out(toldPath, std::ios::app);
        for (const auto& report : reports) out << fs::path(report).filename().string() << "\n";
    }
    return reports;
}

}  // namespace tilvane::linux_platform
