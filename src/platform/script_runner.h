#pragma once

#include <string>

namespace tilvane {

// Runs a script in the platform's automation language; result and errors are
// the platform's business and are not reported back.
class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    virtual void runAppleScript(const std::string& source) = 0;
};

}  // namespace tilvane
