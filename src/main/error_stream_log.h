#pragma once

#include <iostream>
#include <string_view>

#include "platform/log.h"

namespace tilvane {

// The program's log lines go to standard error, each led by the program's name.
class ErrorStreamLog : public Log {
public:
    void write(std::string_view line) override { std::cerr << "tilvane: " << line << std::endl; }
};

}  // namespace tilvane
