#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/screens.h"
#include "platform/x11/screen_layout.h"
#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

// The displays of an X screen: the RandR monitors with visible frames cut by
// the struts of the clients' panels and docks. What it last read stays valid
// until an event says the monitors, the root window, the client list or a
// strut changed; the next call then reads them again.
class X11Screens : public Screens {
public:
    explicit X11Screens(Connection& conn);
    ~X11Screens() override;

    std::vector<Screen> screens() override;
    std::optional<Screen> mainScreen() override;

    // The monitors in screen-list order, in root coordinates.
    const std::vector<Monitor>& monitors();
    // The monitors' areas without the panels, in the order of monitors(), in root coordinates.
    const std::vector<Rect>& visibleAreas();
    // Root coordinates of the primary monitor's top-left corner: where the
    // program's coordinates have their origin.
    Point primaryOrigin();
    // Sends the reads a refresh will need, when the screens are stale, so
    // that they travel with the caller's own; they are read when asked for.
    void readAhead();
    // Where mainScreen learns the outer frame (root coordinates) of the window
    // with the keyboard focus.
    void setFocusedFrameSource(std::function<std::optional<Rect>()> source) { focusedFrame_ = std::move(source); }

private:
    // The first batch of reads of a refresh, sent ahead of time, and the
    // second, which needs the first's client list: the clients' struts.
    struct Reads;
    struct StrutReads;
    std::unique_ptr<StrutReads> readStruts(const std::vector<uint32_t>& clients);
    void observe(const xcb_generic_event_t& event);
    // Marks the screens stale when the event says something they depend on changed.
    void observeChange(const xcb_generic_event_t& event);
    void refresh();
    // The struts of the windows on the root and of the windows in them.
    std::vector<Strut> strutsOfTopLevels();

    Connection& conn_;
    std::optional<uint8_t> randrBase_;
    bool stale_ = true;
    Size root_;
    std::vector<Monitor> monitors_;
    std::vector<Screen> screens_;
    std::vector<Rect> visibleAreas_;
    std::set<xcb_window_t> clients_;
    // Whether the struts come from the windows on the root rather than the
    // client list (see strutsOfTopLevels); then their mapping counts as a change.
    bool topLevelStruts_ = false;
    std::function<std::optional<Rect>()> focusedFrame_;
    // Sent when the screens were made, used by the first refresh unless a change came since.
    std::unique_ptr<Reads> early_;
    std::unique_ptr<StrutReads> struts_;
};

}  // namespace tilvane::x11
