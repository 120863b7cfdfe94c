#pragma once

// The desktop application on a private desktop with a real system tray host
// (trayer, XEmbed): starting both, finding the icon, opening its menu.

#include <xcb/xcb.h>

#include <functional>

#include "program/held_input.h"
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
        ASSERT_TRUE(tray_);
        ASSERT_TRUE(x().waitUntil([&] { return x().selectionOwner("_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; }))
            << "trayer did not start:\n"
            << tray_->log();
    }

    // Starts the desktop application, `tilvane` without arguments.
    void startApplication() {
        tilvane_ = desktop().start({tilvaneBinary()}, "tilvane.log");
        ASSERT_TRUE(tilvane_);
        bool serving = x().waitUntil(
            [&] { return !tilvane_->running() || x().selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s);
        ASSERT_TRUE(serving && tilvane_->running()) << "tilvane did not start:\n" << tilvane_->log();
    }

    // The program's icon window, once a tray has embedded it: a small window
    // of the program's class that is not a child of the root window (the
    // program's other windows are children of the window manager's frames).
    std::optional<xcb_window_t> embeddedIcon() {
        std::optional<xcb_window_t> found;
        walk(x().root(), 0, [&](xcb_window_t window, int depth) {
            if (depth < 2 || found || windowClass(window) != "tilvane" || !isViewable(window)) return;
            auto geometry = xcb_get_geometry_reply(x().c(), xcb_get_geometry(x().c(), window), nullptr);
            if (geometry && geometry->width <= 64 && geometry->height <= 64) found = window;
            std::free(geometry);
        });
        return found;
    }

    // A menu of the program on screen: an override-redirect window of its class.
    std::optional<xcb_window_t> openMenuWindow() {
        std::optional<xcb_window_t> found;
        walk(x().root(), 0, [&](xcb_window_t window, int depth) {
            if (depth != 1 || found || !isViewable(window) || windowClass(window) != "tilvane") return;
            auto attributes =
                xcb_get_window_attributes_reply(x().c(), xcb_get_window_attributes(x().c(), window), nullptr);
            if (attributes && attributes->override_redirect) found = window;
            std::free(attributes);
        });
        return found;
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

    // The window with the keyboard focus; none when the focus follows the pointer or is nowhere.
    xcb_window_t focusedWindow() {
        auto reply = xcb_get_input_focus_reply(x().c(), xcb_get_input_focus(x().c()), nullptr);
        xcb_window_t focus = reply ? reply->focus : XCB_WINDOW_NONE;
        std::free(reply);
        return focus == XCB_INPUT_FOCUS_POINTER_ROOT ? XCB_WINDOW_NONE : focus;
    }

    Point centreOf(xcb_window_t window) {
        auto geometry = xcb_get_geometry_reply(x().c(), xcb_get_geometry(x().c(), window), nullptr);
        auto translated = xcb_translate_coordinates_reply(
            x().c(), xcb_translate_coordinates(x().c(), window, x().root(), 0, 0), nullptr);
        Point centre{double(translated->dst_x) + geometry->width / 2.0,
                     double(translated->dst_y) + geometry->height / 2.0};
        std::free(geometry);
        std::free(translated);
        return centre;
    }

    // Does what a test wants around the click on the icon; it calls click once.
    using AroundClick = std::function<void(const std::function<void()>& click)>;

    // Clicks the tray icon and waits for the menu and for it to take the
    // keyboard; saves a screenshot of it.
    void openMenu(const std::string& screenshot = {}, const AroundClick& around = nullptr) {
        std::optional<xcb_window_t> icon;
        ASSERT_TRUE(x().waitUntil([&] { return (icon = embeddedIcon()).has_value(); }, 20s))
            << "the icon is not in the tray:\n"
            << tilvane_->log();
        xcb_window_t focused = XCB_WINDOW_NONE;
        auto click = [&] {
            // The menu takes the keyboard a moment after it maps, and keys
            // pressed before that go to the focused window. Taking it moves the
            // focus away from that window "for a grab", which is what to wait for.
            focused = focusedWindow();
            watchGrabsOf(focused);
            Point centre = centreOf(*icon);
            HeldInput input(x());
            input.moveTo(int(centre.x), int(centre.y));
            input.pressButton();
            input.releaseButton();
        };
        if (around)
            around(click);
        else
            click();
        ASSERT_TRUE(x().waitUntil([&] { return openMenuWindow().has_value(); }, 20s)) << "no menu opened:\n"
                                                                                      << tilvane_->log();
        if (focused != XCB_WINDOW_NONE)
            ASSERT_TRUE(x().waitUntil([&] { return grabs_ > 0; }, 20s)) << "the menu did not take the keyboard";
        if (!screenshot.empty()) {
            // The menu draws itself after it maps; let its first paint reach the server.
            settle();
            desktop().run({"import", "-window", "root", desktop().folder() + "/" + screenshot});
        }
    }

    // The menu's action runs on the application's turn after the menu closes,
    // which the program's own connection may answer a ping before.
    void expectFrameReaches(xcb_window_t window, const Rect& expected) {
        bool reached = x().waitUntil([&] { return frame(window) == expected; }, 10s);
        EXPECT_TRUE(reached) << "the window is at " << frame(window) << ", not at " << expected;
    }

    // Chooses the menu entry that many steps down from the top, with the keyboard.
    void choose(int stepsDown) {
        std::vector<uint16_t> none;
        for (int i = 0; i < stepsDown; ++i) x().pressChord({key::kDown});
        x().pressChord({kReturn});
        ASSERT_TRUE(x().waitUntil([&] { return !openMenuWindow().has_value(); })) << "the menu stayed open";
        settle();
    }

    static constexpr uint16_t kReturn = 0x24;
    // Entries counted from the top, separators skipped as the keyboard skips them.
    static constexpr int kSwitch = 1, kLeft = 3, kQuit = 31;

    std::unique_ptr<Process> tray_;

private:
    bool watchingGrabs_ = false;
    xcb_window_t grabbedFrom_ = XCB_WINDOW_NONE;
    int grabs_ = 0;

    template <typename Visit>
    void walk(xcb_window_t window, int depth, Visit visit) {
        visit(window, depth);
        auto tree = xcb_query_tree_reply(x().c(), xcb_query_tree(x().c(), window), nullptr);
        if (!tree) return;
        xcb_window_t* children = xcb_query_tree_children(tree);
        int count = xcb_query_tree_children_length(tree);
        std::vector<xcb_window_t> list(children, children + count);
        std::free(tree);
        for (xcb_window_t child : list) walk(child, depth + 1, visit);
    }
    std::string windowClass(xcb_window_t window) {
        x11::PropertyRequest request(x().c(), window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        std::string value = request.text().value_or("");
        return value.substr(0, value.find('\0'));
    }
    bool isViewable(xcb_window_t window) {
        auto attributes = xcb_get_window_attributes_reply(x().c(), xcb_get_window_attributes(x().c(), window), nullptr);
        bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return viewable;
    }
};

}  // namespace tilvane::e2e
