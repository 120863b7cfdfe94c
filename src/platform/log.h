#pragma once

#include <string_view>

namespace tilvane {

// The system log: the few fixed lines the program writes.
class Log {
public:
    virtual ~Log() = default;
    virtual void write(std::string_view line) = 0;
};

}  // namespace tilvane
