#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/desktop_backend.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_instance.h"

namespace tilvane::x11 {

// The X11 desktop as the program serves it: an EWMH window manager on the
// display $DISPLAY names, reached through the X server.
class X11DesktopBackend : public DesktopBackend {
public:
    // Whether the session has an X display to open; why not, when not.
    static bool fits(std::string& whyNot);
    // Opens $DISPLAY; null with the reason in error when it cannot.
    static std::unique_ptr<X11DesktopBackend> open(std::string& error);
    ~X11DesktopBackend() override;

    X11Desktop& desktop() { return *desktop_; }

    std::string sessionName() override;
    DesktopCapabilities capabilities() override;
    void fill(PlatformServices& platform, Uses uses) override;
    void attach(DescriptorWatcher& loop, std::function<void()> onLost) override { desktop_->attach(loop, onLost); }
    void detach() override { desktop_->detach(); }
    InstanceClaim& instance(RunLoop& loop) override;
    HotKeyService& hotKeys() override { return desktop_->hotKeys(); }
    Keyboard& keyboard() override { return desktop_->keyboard(); }
    std::optional<std::string> placementRefusal() override;

    std::optional<WindowId> activeWindowNow() override;
    void onActiveWindowChange(std::function<void(WindowId)> handler) override;
    void setSkipTaskbar(WindowId window, bool skip) override;
    std::optional<uint16_t> virtualKeyCode(const NativeKey& key) override;
    void captureKeyboard(RunLoop& loop, std::function<void(const CapturedKey&)> onKey,
                         std::function<void(bool)> done) override;
    void releaseKeyboard() override { desktop_->hotKeys().releaseKeyboard(); }

    std::string windowManagerName() override { return desktop_->windowManagerName(); }
    std::string serverDescription() override { return desktop_->serverDescription(); }
    Point primaryTopLeft() override { return desktop_->screens().primaryOrigin(); }

private:
    explicit X11DesktopBackend(std::unique_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    std::unique_ptr<X11Desktop> desktop_;
    std::unique_ptr<InstanceSelection> instance_;
};

}  // namespace tilvane::x11
