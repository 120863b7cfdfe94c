// The one place that knows the kinds of desktop Tilvane serves. A new kind
// adds its line to the table below, in the order it is to be tried.

#include "main/desktop_backends.h"

#include <cstdlib>

#include "main/i3_backend.h"
#include "platform/sway/sway_backend.h"
#include "platform/x11/x11_backend.h"

namespace tilvane {

namespace {

struct DesktopKind {
    const char* name;
    // Whether the session has this kind of desktop; why not, when not.
    bool (*fits)(std::string& whyNot);
    std::unique_ptr<DesktopBackend> (*open)(std::string& error);
};

// sway first: its session may have an X display too (XWayland), where the
// program could place only the X clients. i3 before X11: X11 alone leaves
// the windows i3 tiles where they are.
const DesktopKind kKinds[] = {
    {"sway", &sway::SwayDesktopBackend::fits,
     [](std::string& error) -> std::unique_ptr<DesktopBackend> { return sway::SwayDesktopBackend::open(error); }},
    {"i3", &I3DesktopBackend::fits, &I3DesktopBackend::open},
    {"x11", &x11::X11DesktopBackend::fits,
     [](std::string& error) -> std::unique_ptr<DesktopBackend> { return x11::X11DesktopBackend::open(error); }},
};

std::string kindNames() {
    std::string names;
    for (const auto& kind : kKinds) names += (names.empty() ? "" : ", ") + std::string(kind.name);
    return names;
}

}  // namespace

std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error) {
    if (const char* forced = std::getenv("TILVANE_BACKEND"); forced && *forced) {
        for (const auto& kind : kKinds)
            if (std::string(kind.name) == forced) return kind.open(error);
        error = "TILVANE_BACKEND=" + std::string(forced) + " names no desktop Tilvane serves (it knows " + kindNames() +
                ")";
        return nullptr;
    }
    std::string found;
    for (const auto& kind : kKinds) {
        std::string whyNot;
        if (kind.fits(whyNot)) return kind.open(error);
        found += (found.empty() ? "" : " and ") + whyNot;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    found += wayland && *wayland ? " and no supported Wayland compositor (the Wayland session " + std::string(wayland) +
                                       " is not one Tilvane serves yet)"
                                 : " and no supported Wayland compositor ($WAYLAND_DISPLAY is not set)";
    error = found;
    return nullptr;
}

}  // namespace tilvane
