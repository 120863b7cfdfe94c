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
    Accessibility& ax() { return backend_->accessibility(); }

    // Lets the backend read every event the server sent it before now.
    void catchUp() {
        backend_->connection().roundTrip();
        backend_->dispatchEvents();
    }

    AXElement focusedWindow() {
        auto app = ax().copyAttributeValue(ax().createSystemWide(), ax::kFocusedApplication);
        if (!app.ok() || !app.value.element()) return nullptr;
        auto window = ax().copyAttributeValue(*app.value.element(), ax::kFocusedWindow);
        if (!window.ok() || !window.value.element()) return nullptr;
        return *window.value.element();
    }

    static xcb_window_t idOf(const AXElement& element) {
        auto* e = dynamic_cast<const x11::X11Element*>(element.get());
        return e ? e->window : xcb_window_t{XCB_WINDOW_NONE};
    }

    // The windows of an application element.
    std::vector<xcb_window_t> windowsOf(const AXElement& application) {
        std::vector<xcb_window_t> ids;
        auto windows = ax().copyAttributeValue(application, ax::kWindows);
        if (windows.ok() && windows.value.array())
            for (const auto& w : *windows.value.array()) ids.push_back(w.element() ? idOf(*w.element()) : 0);
        return ids;
    }

    // The frame as the backend reports it, in root coordinates.
    Rect reportedFrame(const AXElement& window) {
        auto position = ax().copyAttributeValue(window, ax::kPosition);
        auto size = ax().copyAttributeValue(window, ax::kSize);
        if (!position.ok() || !size.ok() || !position.value.point() || !size.value.size()) return kNullRect;
        Point origin = backend_->screens().primaryOrigin();
        return {position.value.point()->x + origin.x, position.value.point()->y + origin.y, size.value.size()->width,
                size.value.size()->height};
    }

    std::unique_ptr<x11::X11Desktop> backend_;
};

}  // namespace tilvane::e2e
