// In CI the end-to-end tests must run: a desktop that cannot start for want
// of Xvfb or openbox fails the run instead of skipping quietly.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "harness/desktop.h"

namespace tilvane::e2e {
namespace {

TEST(EndToEndRequired, MissingXvfbFailsWhenRequiredAndSkipsOtherwise) {
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* name : {"PATH", "CI", "TILVANE_E2E_REQUIRED"})
        saved[name] = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
    ::setenv("PATH", "/nonexistent", 1);
    ::unsetenv("CI");
    for (bool required : {true, false}) {
        SCOPED_TRACE(required ? "required" : "not required");
        required ? ::setenv("TILVANE_E2E_REQUIRED", "1", 1) : ::unsetenv("TILVANE_E2E_REQUIRED");
        std::string skip, failure;
        EXPECT_FALSE(Desktop::start({}, skip, failure));
        EXPECT_NE((required ? failure : skip).find("Xvfb"), std::string::npos) << failure << skip;
        EXPECT_TRUE((required ? skip : failure).empty());
    }
    for (const auto& [name, value] : saved)
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

}  // namespace
}  // namespace tilvane::e2e
