#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_backend.h"
#include "platform/run_loop.h"
#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

// One serving program per X screen: while it runs it owns the selection
// TILVANE_S<screen>, announced to other clients with a MANAGER message.
// The owner answers requests for the selection's TARGETS and TIMESTAMP on a
// later turn of the main loop, after the work already queued there, so a
// client that asks and waits for the answer knows that every event sent to
// the program before has been handled.
class InstanceSelection : public InstanceClaim {
public:
    InstanceSelection(Connection& conn, RunLoop& loop);
    ~InstanceSelection() override;

    const std::string& name() const { return name_; }
    // Whether another client owns the selection now.
    bool heldByAnother() override;
    // Takes the selection when nobody holds it; false when someone does.
    bool claim() override;
    // Runs when another client takes the selection away.
    void onLost(std::function<void()> handler) override { onLost_ = std::move(handler); }
    // The owner's answer to a request to show its preferences window; a
    // program without one refuses such requests.
    void onShowPreferences(std::function<void()> handler) override { onShowPreferences_ = std::move(handler); }

    // Asks the program that serves the display to show its preferences
    // window, and waits for its answer.
    Request askOwnerToShowPreferences(std::chrono::milliseconds limit) override;

    // What the serving program tells the commands: the settings keys whose
    // shortcuts another program holds, kept on its window.
    void publishHeldElsewhere(const std::vector<std::string>& keys) override;
    // What the program that serves the display published; none when none serves.
    std::optional<std::vector<std::string>> heldElsewhereByOwner() override;

private:
    xcb_timestamp_t serverTime();
    void answer(const xcb_selection_request_event_t& request);

    Connection& conn_;
    RunLoop& loop_;
    std::string name_;
    xcb_atom_t selection_;
    xcb_timestamp_t since_ = XCB_CURRENT_TIME;
    bool owned_ = false;
    std::function<void()> onLost_;
    std::function<void()> onShowPreferences_;
    xcb_atom_t showPreferences_ = XCB_ATOM_NONE;
    xcb_atom_t heldElsewhere_ = XCB_ATOM_NONE;
};

}  // namespace tilvane::x11
