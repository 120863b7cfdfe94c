// In CI the end-to-end tests must run: a desktop that cannot start for want
// of Xvfb or openbox fails the run instead of skipping quietly.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "harness/desktop.h"

namespace tilvane::e2e {
namespace {

// Sets an environment variable (none: unsets it) and puts it back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(EndToEndRequired, MissingXvfbFailsWhenRequiredAndSkipsOtherwise) {
    ScopedEnv path("PATH", "/nonexistent");
    ScopedEnv ci("CI", std::nullopt);
    {
        ScopedEnv required("TILVANE_E2E_REQUIRED", "1");
        std::string skip, failure;
        EXPECT_FALSE(Desktop::start({}, skip, failure));
        EXPECT_TRUE(skip.empty());
        EXPECT_NE(failure.find("Xvfb"), std::string::npos) << failure;
    }
    {
        ScopedEnv required("TILVANE_E2E_REQUIRED", std::nullopt);
        std::string skip, failure;
        EXPECT_FALSE(Desktop::start({}, skip, failure));
        EXPECT_NE(skip.find("Xvfb"), std::string::npos) << skip;
        EXPECT_TRUE(failure.empty());
    }
}

}  // namespace
}  // namespace tilvane::e2e
