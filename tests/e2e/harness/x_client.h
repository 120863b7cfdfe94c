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
    xcb_atom_t atom(const std::string& name) { return x11::InternAtomRequest(c(), name).atom(); }

    // Waits for the condition, checking it again after every event (and at
    // least every few milliseconds) until the limit.
    bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s);

    std::vector<xcb_window_t> clientList() { return words(root(), "_NET_CLIENT_LIST"); }
    std::optional<xcb_window_t> activeWindow();
    // The window with the keyboard focus; none when the focus follows the pointer or is nowhere.
    xcb_window_t focusedWindow();
    std::optional<std::string> title(xcb_window_t w) { return x11::PropertyRequest(c(), w, XCB_ATOM_WM_NAME).text(); }
    // The first part of WM_CLASS, the program's instance name.
    std::string windowClass(xcb_window_t window);
    std::vector<uint32_t> words(xcb_window_t window, const std::string& property) {
        return x11::PropertyRequest(c(), window, atom(property)).words();
    }
    std::vector<xcb_window_t> children(xcb_window_t window) { return x11::TreeRequest(c(), window).children(); }
    // Null when the window is gone.
    x11::XPtr<xcb_get_window_attributes_reply_t> attributes(xcb_window_t window);
    bool isViewable(xcb_window_t window) {
        auto a = attributes(window);
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }
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
    // A window that draws its own shadow (a GTK window) drops it while
    // maximized and puts it back a moment after it is restored: waits until
    // the shadow it announces has caught up with its state.
    void waitForShadow(xcb_window_t window);

    // Presses the keys (virtual key codes) in order through XTest and lets
    // them go in reverse order. Requests made before go out with them.
    void pressChord(const std::vector<uint16_t>& virtualKeys) {
        keys(XCB_KEY_PRESS, virtualKeys);
        keys(XCB_KEY_RELEASE, {virtualKeys.rbegin(), virtualKeys.rend()});
    }
    // Input that stays held between calls, as a user's fingers stay on keys
    // and buttons: each call returns once the server has taken it in.
    void pressKeys(const std::vector<uint16_t>& virtualKeys) { keys(XCB_KEY_PRESS, virtualKeys); }
    void releaseKeys(const std::vector<uint16_t>& virtualKeys) { keys(XCB_KEY_RELEASE, virtualKeys); }
    // Moves the pointer to a point in root coordinates, or relative to where it is, as a mouse does.
    void moveTo(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, int16_t(x), int16_t(y)); }
    void moveBy(int dx, int dy) { fake(XCB_MOTION_NOTIFY, 1, int16_t(dx), int16_t(dy)); }
    void pressButton(uint8_t button = 1) { fake(XCB_BUTTON_PRESS, button); }
    void releaseButton(uint8_t button = 1) { fake(XCB_BUTTON_RELEASE, button); }
    // A click of the left button at a point in root coordinates.
    void clickAt(Point point) {
        moveTo(int(point.x), int(point.y));
        pressButton();
        releaseButton();
    }
    // Any input through XTest, sent at once and taken in by the server.
    void fake(uint8_t type, uint8_t detail, int16_t x = 0, int16_t y = 0);

    // A window of this connection's own, mapped; the window manager takes it.
    xcb_window_t createWindow(const std::string& title);
    // Asks the owner of the selection for its timestamp and waits for the
    // answer: once it comes, the owner has handled every earlier event.
    bool pingSelectionOwner(const std::string& selection, std::chrono::milliseconds limit = 20s);
    xcb_window_t selectionOwner(const std::string& s) { return x11::SelectionOwnerRequest(c(), atom(s)).owner(); }

    // A passive grab of a key on the root window, as another program would make it.
    bool grabKey(uint16_t virtualKey, uint16_t modifiers);
    void ungrabKey(uint16_t virtualKey, uint16_t modifiers);
    // Whether another program could grab the key now: it is grabbed and let go of again.
    bool keyIsFree(uint16_t virtualKey, uint16_t modifiers);
    // An active grab of the whole keyboard, as a program recording a shortcut takes it.
    bool grabKeyboard();
    void ungrabKeyboard();
    // Whether nobody else holds the keyboard: it is grabbed and let go of again.
    bool keyboardIsFree();

private:
    explicit XClient(std::unique_ptr<x11::Connection> conn);
    void keys(uint8_t type, const std::vector<uint16_t>& virtualKeys);

    std::unique_ptr<x11::Connection> conn_;
};

}  // namespace tilvane::e2e
