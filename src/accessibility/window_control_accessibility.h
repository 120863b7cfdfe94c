#pragma once

#include <map>
#include <memory>
#include <optional>

#include "platform/accessibility.h"
#include "platform/run_loop.h"
#include "platform/window_control.h"

namespace tilvane {

// The program's element model (the system-wide element, applications,
// windows with a position and a size, written position first, then size) on
// a desktop that takes whole frames. The writes of one turn of the loop to a
// window go to the desktop as one frame at the end of the turn, or at once
// when the program reads that window back; so every placement is one request.
class WindowControlAccessibility : public Accessibility {
public:
    WindowControlAccessibility(WindowControl& windows, RunLoop& loop);
    // Sends what is still held back.
    ~WindowControlAccessibility() override;

    AXElement createSystemWide() override;
    AXElement createApplication(int32_t pid) override;
    AXCopyResult copyAttributeValue(const AXElement& element, std::string_view attribute) override;
    AXError setAttributeValue(const AXElement& element, std::string_view attribute, const AXValue& value) override;
    // A desktop reached this way answers only its own program: nothing to grant.
    bool isProcessTrustedWithOptions(bool) override { return true; }
    bool apiEnabled() override { return true; }

    // Sends every frame held back now.
    void flush();

private:
    struct Pending {
        std::optional<Point> position;
        std::optional<Size> size;
    };
    AXElement windowElement(WindowControl::WindowId window);
    void send(WindowControl::WindowId window, const Pending& pending);
    void flushWindow(WindowControl::WindowId window);

    WindowControl& windows_;
    RunLoop& loop_;
    std::map<WindowControl::WindowId, Pending> pending_;
    bool flushQueued_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tilvane
