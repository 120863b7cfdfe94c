#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/x11/x11_accessibility.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_event_poster.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_input_monitors.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_screens.h"
#include "platform/x11/x11_spaces.h"
#include "platform/x11/x11_window_list.h"

namespace tilvane::x11 {

// The X11 services of one display, made on first use and kept together.
// The composition root asks it for the services and ties it to the main loop.
class X11Desktop {
public:
    // Opens the display (null: $DISPLAY); null with the reason in error when it cannot.
    static std::unique_ptr<X11Desktop> open(const char* displayName, std::string& error);
    ~X11Desktop();

    Connection& connection() { return *conn_; }
    X11Screens& screens() { return *screens_; }
    X11Accessibility& accessibility() { return *accessibility_; }
    X11Workspace& workspace() { return *workspace_; }
    X11Keyboard& keyboard();
    X11HotKeyService& hotKeys();
    X11WindowList& windowList() { return *windowList_; }
    X11Spaces& spaces() { return *spaces_; }
    // Made by fill, with the platform's run loop; null before.
    X11EventPoster* eventPoster() { return eventPoster_.get(); }
    X11InputMonitors* inputMonitors() { return inputMonitors_.get(); }

    // What a process uses of the desktop: one action needs no keyboard, hot
    // keys or input monitors, and is quicker without setting them up.
    enum class Uses { OneAction, Everything };
    // Fills in the services this backend offers: accessibility, screens,
    // workspace, window list, Spaces, the event poster and, for Everything,
    // keyboard, hot keys and the input monitors. The poster and the monitors
    // use the platform's run loop: set it first.
    void fill(PlatformServices& platform, Uses uses = Uses::Everything);

    // Reads and handles the display's events on the loop's thread and
    // flushes requests before the loop waits. Calls onLost, once, when the
    // connection to the server breaks.
    void attach(DescriptorWatcher& loop, std::function<void()> onLost);
    // Stops reading on the loop; the desktop does so when it goes, so that
    // a loop that runs on (Qt's, after the program ended) never calls it.
    void detach();
    // The window the window manager says has the keyboard, read now; none
    // when no window has it or no window manager says.
    std::optional<xcb_window_t> activeWindowNow();
    // Handles whatever events have arrived and ends a turn, as the main loop
    // does before it waits; for loops other than the main one.
    void dispatchEvents();

    // The running window manager's name; empty when none runs.
    std::string windowManagerName();
    // The X server's vendor and release.
    std::string serverDescription();
    // Tells the handler of the window that has the keyboard focus each time
    // the window manager names another one (none: 0), in the order the
    // server reports it, before any input that follows the change.
    void onActiveWindowChange(std::function<void(xcb_window_t window)> handler);
    // Keeps one of the program's own windows out of the taskbar and the
    // pager (skip), or lets it in; for a window the window manager shows.
    void setSkipTaskbar(xcb_window_t window, bool skip);

private:
    explicit X11Desktop(std::unique_ptr<Connection> conn);

    std::unique_ptr<Connection> conn_;
    std::unique_ptr<X11Screens> screens_;
    std::unique_ptr<X11Accessibility> accessibility_;
    std::unique_ptr<X11Workspace> workspace_;
    std::unique_ptr<X11Keyboard> keyboard_;
    std::unique_ptr<X11HotKeyService> hotKeys_;
    std::unique_ptr<X11WindowList> windowList_;
    std::unique_ptr<X11Spaces> spaces_;
    std::unique_ptr<X11EventPoster> eventPoster_;
    std::unique_ptr<X11InputMonitors> inputMonitors_;
    std::function<void()> onLost_;
    DescriptorWatcher* loop_ = nullptr;
    // Shared with the loop's hook, which outlives an attachment: false once detached.
    std::shared_ptr<bool> attached_;
};

}  // namespace tilvane::x11
