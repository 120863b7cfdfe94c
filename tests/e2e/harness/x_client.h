#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/x11_connection.h"

namespace tilvane::e2e {

using namespace std::chrono_literals;

// The tests' own connection to the private display: reads what the server
// knows (frame windows, properties), sends input through XTest and waits for
// the window manager and the program by events, never by sleeping.
class XClient {
public:
    // Null when the display cannot be opened.
    static std::unique_ptr<XClient> connect(const std::string& display);

    x11::Connection& conn() { return *conn_; }
    xcb_connection_t* c() { return conn_->get(); }
    xcb_window_t root() { return conn_->root(); }
    xcb_atom_t atom(const std::string& name);

    // Waits for the condition, checking it again after every event (and at
    // least every few milliseconds) until the limit.
    bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s);

    std::vector<xcb_window_t> clientList();
    std::optional<xcb_window_t> activeWindow();
    std::optional<std::string> title(xcb_window_t window);
    std::vector<uint32_t> words(xcb_window_t window, const std::string& property);
    // The window manager's frame around a client, in root coordinates: the
    // client's top-level ancestor with its border.
    std::optional<Rect> frameOf(xcb_window_t client);
    // The frame as the user sees it: frameOf without the shadow a window
    // that draws its own (a GTK window) puts around itself.
    std::optional<Rect> visibleFrameOf(xcb_window_t client);
    std::optional<xcb_window_t> windowTitled(const std::string& title);
    // How many mapped children of the root window carry this title.
    int viewableTopLevels(const std::string& title);
    // How many windows with this title a window manager has put in a frame
    // of its own (a child of the root window), listed as its clients or not.
    int framedTopLevels(const std::string& title);

    // The top-level window that holds the client: the window manager's frame,
    // or the client itself when it has none.
    xcb_window_t topLevelOf(xcb_window_t client);

    // Returns once the window manager has handled every request sent before.
    void syncWindowManager();
    // The same, without failing the test: false when no answer came within the limit.
    bool windowManagerAnswers(std::chrono::milliseconds limit);
    // Puts the window's visible frame at the rectangle (root coordinates)
    // and waits for it (a little while for a window manager that makes it
    // bigger or keeps it elsewhere).
    void placeFrame(xcb_window_t client, const Rect& frame);
    void activate(xcb_window_t window);
    void setMaximized(xcb_window_t window, bool maximized);
    bool isMaximized(xcb_window_t window);

    // Presses the keys (virtual key codes) in order through XTest and lets
    // them go in reverse order.
    void pressChord(const std::vector<uint16_t>& virtualKeys);

    // A window of this connection's own, mapped; the window manager takes it.
    xcb_window_t createWindow(const std::string& title);
    // Destroys the window and presses the chord in one go, before the window
    // manager can tell anyone that the window is gone.
    void destroyAndPress(xcb_window_t window, const std::vector<uint16_t>& virtualKeys);
    // Asks the owner of the selection for its timestamp and waits for the
    // answer: once it comes, the owner has handled every earlier event.
    bool pingSelectionOwner(const std::string& selection, std::chrono::milliseconds limit = 20s);
    xcb_window_t selectionOwner(const std::string& selection);

    // A passive grab of a key on the root window, as another program would make it.
    bool grabKey(uint16_t virtualKey, uint16_t modifiers);
    void ungrabKey(uint16_t virtualKey, uint16_t modifiers);

private:
    explicit XClient(std::unique_ptr<x11::Connection> conn);
    xcb_window_t ownWindow();
    void sendChord(const std::vector<uint16_t>& virtualKeys);

    std::unique_ptr<x11::Connection> conn_;
    xcb_window_t own_ = XCB_WINDOW_NONE;
};

}  // namespace tilvane::e2e
