#pragma once

#include <gtest/gtest.h>

#include "harness/desktop.h"

namespace tilvane::e2e {

// A test on a fresh private desktop. It is skipped only when Xvfb, xrandr or
// openbox are not installed and end-to-end tests are not required (see
// endToEndRequired); a desktop that fails to start fails the test.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip, failure;
        desktop_ = Desktop::start(options(), skip, failure);
        if (!skip.empty()) GTEST_SKIP() << skip;
        ASSERT_TRUE(desktop_) << failure;
    }
    void TearDown() override {
        if (HasFailure() && desktop_) {
            desktop_->keepFolder();
            std::cerr << "logs of the failed test's desktop: " << desktop_->folder() << "\n";
        }
    }
    virtual Desktop::Options options() const { return {}; }

    Desktop& desktop() { return *desktop_; }
    XClient& x() { return desktop_->x(); }

    std::unique_ptr<Desktop> desktop_;
};

}  // namespace tilvane::e2e
