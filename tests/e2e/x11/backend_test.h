#pragma once

#include <cstdlib>

#include "harness/desktop_test.h"
#include "platform/x11/x11_desktop.h"

namespace tilvane::e2e {

// The X11 services of this process, on a private desktop.
class BackendTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // As for the program: an X error the backend does not expect ends the test.
        ::setenv("TILVANE_EXIT_ON_XERROR", "1", 0);
        std::string error;
        backend_ = x11::X11Desktop::open(desktop().display().c_str(), error);
        ASSERT_TRUE(backend_) << error;
    }
    void TearDown() override {
        backend_.reset();
        DesktopTest::TearDown();
    }

    x11::X11Desktop& backend() { return *backend_; }

    // Lets the backend read every event the server sent it before now.
    void catchUp() {
        backend_->connection().roundTrip();
        backend_->dispatchEvents();
    }

    std::unique_ptr<x11::X11Desktop> backend_;
};

}  // namespace tilvane::e2e
