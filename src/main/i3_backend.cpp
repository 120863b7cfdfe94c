#include "main/i3_backend.h"

#include <cstdlib>

#include "platform/sway/sway_backend.h"
#include "platform/x11/x11_backend.h"

namespace tilvane {

namespace {

class I3Desktop : public I3DesktopBackend {
public:
    I3Desktop(std::unique_ptr<x11::X11DesktopBackend> display, std::unique_ptr<sway::SwayDesktopBackend> ipc)
        : display_(std::move(display)), ipc_(std::move(ipc)) {
        // i3's tree names no processes; their X windows do. The X server's
        // screens, with its primary monitor, are the ones the pointer is on.
        ipc_->serveWindowsOnly(
            [this](uint32_t window) { return display_->desktop().accessibility().applicationOf(window); },
            [this] { return display_->primaryTopLeft(); });
    }

    std::string sessionName() override { return ipc_->sessionName() + " on " + display_->sessionName(); }
    DesktopCapabilities capabilities() override { return display_->capabilities(); }
    void fill(PlatformServices& platform, Uses uses) override {
        display_->fill(platform, uses);
        ipc_->fill(platform, uses);
        // The windows come through i3's socket (windowControl): the X11 elements stand aside.
        platform.accessibility = nullptr;
        platform.capabilities = display_->capabilities();
    }
    void attach(DescriptorWatcher& loop, std::function<void()> onLost) override {
        display_->attach(loop, onLost);
        ipc_->attach(loop, onLost);
    }
    void detach() override {
        ipc_->detach();
        display_->detach();
    }
    WindowControl* windowControl() override { return ipc_->windowControl(); }
    InstanceClaim& instance(RunLoop& loop) override { return display_->instance(loop); }
    HotKeyService& hotKeys() override { return display_->hotKeys(); }
    Keyboard& keyboard() override { return display_->keyboard(); }
    std::optional<std::string> placementRefusal() override { return ipc_->placementRefusal(); }
    std::optional<WindowId> activeWindowNow() override { return display_->activeWindowNow(); }
    void onActiveWindowChange(std::function<void(WindowId)> handler) override {
        display_->onActiveWindowChange(std::move(handler));
    }
    void setSkipTaskbar(WindowId window, bool skip) override { display_->setSkipTaskbar(window, skip); }
    WindowSystem windowSystem() override { return display_->windowSystem(); }
    void listOwnWindows(std::function<std::vector<OwnWindow>()> shown) override {
        display_->listOwnWindows(std::move(shown));
    }
    std::optional<std::string> trayTextColour() override { return display_->trayTextColour(); }
    std::optional<uint16_t> virtualKeyCode(const NativeKey& key) override { return display_->virtualKeyCode(key); }
    void captureKeyboard(RunLoop& loop, std::function<void(const CapturedKey&)> onKey,
                         std::function<void(bool)> done) override {
        display_->captureKeyboard(loop, std::move(onKey), std::move(done));
    }
    void releaseKeyboard() override { display_->releaseKeyboard(); }
    std::string windowManagerName() override { return ipc_->windowManagerName(); }
    std::string serverDescription() override {
        return display_->serverDescription() + "; " + ipc_->serverDescription();
    }
    Point primaryTopLeft() override { return display_->primaryTopLeft(); }

private:
    std::unique_ptr<x11::X11DesktopBackend> display_;
    std::unique_ptr<sway::SwayDesktopBackend> ipc_;
};

}  // namespace

bool I3DesktopBackend::fits(std::string& whyNot) {
    const char* i3 = std::getenv("I3SOCK");
    const char* sway = std::getenv("SWAYSOCK");
    if (!i3 || !*i3 || (sway && *sway)) {
        whyNot = "no i3 session ($I3SOCK is not set)";
        return false;
    }
    return x11::X11DesktopBackend::fits(whyNot);
}

std::unique_ptr<DesktopBackend> I3DesktopBackend::open(std::string& error) {
    auto display = x11::X11DesktopBackend::open(error);
    if (!display) return nullptr;
    auto ipc = sway::SwayDesktopBackend::open(error);
    if (!ipc) return nullptr;
    return std::make_unique<I3Desktop>(std::move(display), std::move(ipc));
}

}  // namespace tilvane
