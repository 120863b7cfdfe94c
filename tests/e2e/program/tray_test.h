#pragma once

// The desktop application on a private desktop with a real system tray host
// (trayer, XEmbed): starting both, finding the icon, opening its menu.

#include <xcb/xcb.h>

#include <algorithm>
#include <functional>

#include "program/program_test.h"

namespace tilvane::e2e {

class TrayTest : public ProgramTest {
protected:
    void TearDown() override {
        if (tray_ && tray_->running()) tray_->signal(SIGTERM);
        ProgramTest::TearDown();
    }

    void startTray() {
        tray_ = desktop().start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                 "24", "--SetDockType", "true", "--transparent", "false"},
                                "trayer.log");
        ASSERT_TRUE(x().waitUntil([&] { return x().selectionOwner("_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; }))
            << "trayer did not start:\n"
            << tray_->log();
    }

    // The program's windows on the screen, with their depth under the root window.
    std::vector<std::pair<xcb_window_t, int>> programWindows() {
        std::vector<std::pair<xcb_window_t, int>> found, pending{{x().root(), 0}};
        while (!pending.empty()) {
            auto [window, depth] = pending.back();
            pending.pop_back();
            if (depth > 0 && x().isViewable(window) && x().windowClass(window) == "tilvane")
                found.emplace_back(window, depth);
            for (xcb_window_t child : x().children(window)) pending.emplace_back(child, depth + 1);
        }
        return found;
    }

    // The program's icon window, once a tray has embedded it: a small window
    // that is not a child of the root window (the program's other windows
    // are children of the window manager's frames).
    std::optional<xcb_window_t> embeddedIcon() {
        for (auto [window, depth] : programWindows()) {
            x11::GeometryRequest geometry(x().c(), window);
            if (depth >= 2 && geometry && geometry->width <= 64 && geometry->height <= 64) return window;
        }
        return std::nullopt;
    }

    // A menu of the program on screen: an override-redirect child of the root window.
    std::optional<xcb_window_t> openMenuWindow() {
        for (auto [window, depth] : programWindows())
            if (auto a = x().attributes(window); depth == 1 && a && a->override_redirect) return window;
        return std::nullopt;
    }

    Point centreOf(xcb_window_t window) {
        x11::GeometryRequest size(x().c(), window);
        x11::TranslateRequest corner(x().c(), window, x().root());
        return {double(corner->dst_x) + size->width / 2.0, double(corner->dst_y) + size->height / 2.0};
    }

    // Counts from now the grabs that take the keyboard from the window.
    void watchGrabsOf(xcb_window_t window) {
        if (!watchingGrabs_) {
            watchingGrabs_ = true;
            x().conn().addObserver([this](const xcb_generic_event_t& e) {
                if (x11::eventType(e) != XCB_FOCUS_OUT) return;
                const auto& out = reinterpret_cast<const xcb_focus_out_event_t&>(e);
                if (out.event == grabbedFrom_ && out.mode == XCB_NOTIFY_MODE_GRAB) ++grabs_;
            });
        }
        grabbedFrom_ = window;
        if (window == XCB_WINDOW_NONE) return;
        x().conn().selectWindowEvents(window, XCB_EVENT_MASK_FOCUS_CHANGE);
        // Grabs before now (a hot key's, an earlier menu's) are over.
        x().conn().roundTrip();
        x().conn().readAvailable();
        grabs_ = 0;
    }

    // Does what a test wants around the click on the icon; it calls click once.
    using AroundClick = std::function<void(const std::function<void()>& click)>;

    // Whether the window shows a picture: its pixels are not all one colour.
    bool painted(xcb_window_t window) {
        x11::GeometryRequest size(x().c(), window);
        if (!size || size->width == 0 || size->height == 0) return false;
        x11::XPtr<xcb_get_image_reply_t> image(xcb_get_image_reply(
            x().c(), xcb_get_image(x().c(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, size->width, size->height, ~0u),
            nullptr));
        if (!image) return false;
        const uint8_t* data = xcb_get_image_data(image.get());
        int length = xcb_get_image_data_length(image.get());
        int pixel = length / (size->width * size->height);
        for (int i = pixel; pixel > 0 && i + pixel <= length; i += pixel)
            if (!std::equal(data, data + pixel, data + i)) return true;
        return false;
    }

    // Clicks the tray icon and waits for the menu and for it to take the
    // keyboard. The icon takes a click once it is mapped and painted.
    void openMenu(const AroundClick& around = nullptr) {
        std::optional<xcb_window_t> icon;
        ASSERT_TRUE(x().waitUntil([&] { return (icon = embeddedIcon()) && painted(*icon); }, 20s))
            << "no painted icon in the tray:\n"
            << tilvane_->log();
        xcb_window_t focused = XCB_WINDOW_NONE;
        auto click = [&] {
            // The menu takes the keyboard a moment after it maps, and keys
            // pressed before that go to the focused window. Taking it moves the
            // focus away from that window "for a grab", which is what to wait for.
            focused = x().focusedWindow();
            watchGrabsOf(focused);
            x().clickAt(centreOf(*icon));
        };
        around ? around(click) : click();
        ASSERT_TRUE(x().waitUntil([&] { return openMenuWindow().has_value(); }, 20s)) << "no menu opened:\n"
                                                                                      << tilvane_->log();
        if (focused != XCB_WINDOW_NONE)
            ASSERT_TRUE(x().waitUntil([&] { return grabs_ > 0; }, 20s)) << "the menu did not take the keyboard";
    }

    // The menu's action runs on the application's turn after the menu closes,
    // which the program's own connection may answer a ping before.
    void expectFrameReaches(xcb_window_t window, const Rect& expected) {
        bool reached = x().waitUntil([&] { return frame(window) == expected; }, 10s);
        EXPECT_TRUE(reached) << "the window is at " << frame(window) << ", not at " << expected;
    }

    // Chooses the menu entry that many steps down from the top (up, when
    // negative: from the top, up wraps to the last) with the keyboard.
    void choose(int steps) {
        for (int i = 0; i < std::abs(steps); ++i) x().pressChord({steps > 0 ? key::kDown : key::kUp});
        x().pressChord({key::kReturn});
        ASSERT_TRUE(x().waitUntil([&] { return !openMenuWindow().has_value(); })) << "the menu stayed open";
    }

    // Entries counted from the top, separators skipped as the keyboard
    // skips them; Quit is the last, and the preferences five above it.
    static constexpr int kMenuSwitch = 1, kMenuLeft = 3, kMenuQuit = -1, kMenuPreferences = -5;

    std::unique_ptr<Process> tray_;

private:
    bool watchingGrabs_ = false;
    xcb_window_t grabbedFrom_ = XCB_WINDOW_NONE;
    int grabs_ = 0;
};

}  // namespace tilvane::e2e
