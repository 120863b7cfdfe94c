#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "main/standard_streams.h"
#include "platform/log.h"

namespace tilvane {

// The program's log lines go to standard error, each led by the program's name.
class ErrorStreamLog : public Log {
public:
    void write(std::string_view line) override { standardError() << "tilvane: " << line << std::endl; }
};

// A log that also keeps its last lines, for a support report.
class RecentLog : public ErrorStreamLog {
public:
    static constexpr size_t kKept = 50;
    void write(std::string_view line) override {
        ErrorStreamLog::write(line);
        lines_.emplace_back(line);
        if (lines_.size() > kKept) lines_.pop_front();
    }
    std::vector<std::string> lines() const { return {lines_.begin(), lines_.end()}; }

private:
    std::deque<std::string> lines_;
};

}  // namespace tilvane
