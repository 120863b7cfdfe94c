#include "platform/x11/x11_backend.h"

#include <cstdlib>

#include "platform/x11/key_codes.h"

namespace tilvane::x11 {

namespace {

std::string displayName() {
    const char* display = std::getenv("DISPLAY");
    return display ? display : "";
}

}  // namespace

bool X11DesktopBackend::fits(std::string& whyNot) {
    if (!displayName().empty()) return true;
    whyNot = "no X display ($DISPLAY is not set)";
    return false;
}

std::unique_ptr<X11DesktopBackend> X11DesktopBackend::open(std::string& error) {
    auto desktop = X11Desktop::open(nullptr, error);
    if (!desktop) return nullptr;
    return std::unique_ptr<X11DesktopBackend>(new X11DesktopBackend(std::move(desktop)));
}

X11DesktopBackend::~X11DesktopBackend() {
    // The selection goes before the connection it was made on.
    instance_.reset();
}

std::string X11DesktopBackend::sessionName() {
    return "display " + displayName();
}

DesktopCapabilities X11DesktopBackend::capabilities() {
    DesktopCapabilities capabilities;
    const Atoms& atoms = desktop_->connection().atoms();
    if (!desktop_->connection().windowManagerSupports(atoms._NET_NUMBER_OF_DESKTOPS)) {
        capabilities.virtualDesktops = {false, "your window manager has no desktops that other programs can see"};
    }
    return capabilities;
}

void X11DesktopBackend::fill(PlatformServices& platform, Uses uses) {
    desktop_->fill(platform, uses == Uses::OneAction ? X11Desktop::Uses::OneAction : X11Desktop::Uses::Everything);
    // One placement needs none of them, and asking costs a round trip.
    if (uses == Uses::Everything) platform.capabilities = capabilities();
}

InstanceClaim& X11DesktopBackend::instance(RunLoop& loop) {
    if (!instance_) instance_ = std::make_unique<InstanceSelection>(desktop_->connection(), loop);
    return *instance_;
}

std::optional<std::string> X11DesktopBackend::placementRefusal() {
    if (!desktop_->accessibility().refusedTiledWindow()) return std::nullopt;
    return "i3 tiles the window";
}

std::optional<DesktopBackend::WindowId> X11DesktopBackend::activeWindowNow() {
    return desktop_->activeWindowNow();
}

void X11DesktopBackend::onActiveWindowChange(std::function<void(WindowId)> handler) {
    desktop_->onActiveWindowChange([handler = std::move(handler)](xcb_window_t window) { handler(window); });
}

void X11DesktopBackend::setSkipTaskbar(WindowId window, bool skip) {
    desktop_->setSkipTaskbar(static_cast<xcb_window_t>(window), skip);
}

std::optional<uint16_t> X11DesktopBackend::virtualKeyCode(const NativeKey& key) {
    // Keys typed in the program's windows mean the keys the hot keys name: by physical position.
    if (key.keyCode > 255) return std::nullopt;
    return virtualKeyForXKeycode(static_cast<uint8_t>(key.keyCode));
}

void X11DesktopBackend::captureKeyboard(RunLoop& loop, std::function<void(const CapturedKey&)> onKey,
                                        std::function<void(bool)> done) {
    desktop_->hotKeys().grabKeyboard(
        loop,
        [onKey = std::move(onKey)](const X11HotKeyService::GrabbedKey& key) {
            onKey({key.press, key.keyCode, key.flags, key.isModifier});
        },
        std::move(done));
}

}  // namespace tilvane::x11
