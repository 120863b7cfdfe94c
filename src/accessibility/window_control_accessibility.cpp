#include "accessibility/window_control_accessibility.h"

#include <string>
#include <utility>

namespace tilvane {

namespace {

// What the adapter hands out: the system-wide element, an application (by
// process) or a window (by the desktop's id).
struct ControlElement : AXUIElement {
    enum class Kind { SystemWide, Application, Window };
    ControlElement(Kind kind, int32_t process, WindowControl::WindowId window)
        : kind(kind), process(process), window(window) {}
    bool isSameElement(const AXUIElement& other) const override {
        auto* that = dynamic_cast<const ControlElement*>(&other);
        return that && that->kind == kind && that->process == process && that->window == window;
    }
    Kind kind;
    int32_t process;
    WindowControl::WindowId window;
};

const ControlElement* asControl(const AXElement& element) {
    return dynamic_cast<const ControlElement*>(element.get());
}

}  // namespace

WindowControlAccessibility::WindowControlAccessibility(WindowControl& windows, RunLoop& loop)
    : windows_(windows), loop_(loop) {}

WindowControlAccessibility::~WindowControlAccessibility() {
    flush();
}

AXElement WindowControlAccessibility::createSystemWide() {
    return std::make_shared<ControlElement>(ControlElement::Kind::SystemWide, 0, 0);
}

AXElement WindowControlAccessibility::createApplication(int32_t pid) {
    return std::make_shared<ControlElement>(ControlElement::Kind::Application, pid, 0);
}

AXElement WindowControlAccessibility::windowElement(WindowControl::WindowId window) {
    return std::make_shared<ControlElement>(ControlElement::Kind::Window, windows_.processOf(window).value_or(0),
                                            window);
}

AXCopyResult WindowControlAccessibility::copyAttributeValue(const AXElement& element, std::string_view attribute) {
    const ControlElement* e = asControl(element);
    if (!e) return {AXError::IllegalArgument, {}};
    using Kind = ControlElement::Kind;
    if (e->kind == Kind::SystemWide && attribute == ax::kFocusedApplication) {
        auto focused = windows_.focusedWindow();
        if (!focused) return {AXError::NoValue, {}};
        // A window whose process the desktop does not name (an X client
        // without _NET_WM_PID under i3) is placed all the same, as application 0's.
        return {AXError::Success, AXValue(createApplication(windows_.processOf(*focused).value_or(0)))};
    }
    if (e->kind == Kind::Application && attribute == ax::kFocusedWindow) {
        auto focused = windows_.focusedWindow();
        // The focused window belongs to this application, or the desktop does not say whose it is.
        if (!focused || windows_.processOf(*focused).value_or(e->process) != e->process) return {AXError::NoValue, {}};
        return {AXError::Success, AXValue(windowElement(*focused))};
    }
    if (e->kind == Kind::Application && attribute == ax::kWindows) {
        AXArray list;
        for (WindowControl::WindowId window : windows_.windowsOf(e->process)) list.emplace_back(windowElement(window));
        return {AXError::Success, AXValue(std::move(list))};
    }
    if (e->kind == Kind::Window && (attribute == ax::kPosition || attribute == ax::kSize)) {
        // What the program wrote is what it reads back: the desktop gets it first.
        flushWindow(e->window);
        auto frame = windows_.frame(e->window);
        if (!frame) return {AXError::InvalidUIElement, {}};
        if (attribute == ax::kPosition) return {AXError::Success, AXValue(frame->origin())};
        return {AXError::Success, AXValue(frame->size())};
    }
    // No zoom buttons, titles or other parts: the desktop hands out whole windows only.
    return {AXError::AttributeUnsupported, {}};
}

AXError WindowControlAccessibility::setAttributeValue(const AXElement& element, std::string_view attribute,
                                                      const AXValue& value) {
    const ControlElement* e = asControl(element);
    if (!e || e->kind != ControlElement::Kind::Window) return AXError::AttributeUnsupported;
    if (attribute == ax::kMain || attribute == ax::kFocused || attribute == ax::kFrontmost) {
        if (!value.boolean()) return AXError::IllegalArgument;
        if (*value.boolean()) windows_.raise(e->window);
        return AXError::Success;
    }
    if (attribute != ax::kPosition && attribute != ax::kSize) return AXError::AttributeUnsupported;
    Pending& pending = pending_[e->window];
    if (attribute == ax::kPosition) {
        if (!value.point()) return AXError::IllegalArgument;
        pending.position = *value.point();
    } else {
        if (!value.size()) return AXError::IllegalArgument;
        pending.size = *value.size();
    }
    if (!flushQueued_) {
        flushQueued_ = true;
        loop_.async([this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.lock()) flush();
        });
    }
    return AXError::Success;
}

void WindowControlAccessibility::send(WindowControl::WindowId window, const Pending& pending) {
    Rect frame;
    if (!pending.position || !pending.size) {
        // Half a frame: the other half is where the window is now.
        auto now = windows_.frame(window);
        if (!now) return;
        frame = *now;
    }
    if (pending.position) frame = Rect{pending.position->x, pending.position->y, frame.width, frame.height};
    if (pending.size) frame = Rect{frame.x, frame.y, pending.size->width, pending.size->height};
    windows_.setFrame(window, frame);
}

void WindowControlAccessibility::flushWindow(WindowControl::WindowId window) {
    auto it = pending_.find(window);
    if (it == pending_.end()) return;
    Pending pending = it->second;
    pending_.erase(it);
    send(window, pending);
}

void WindowControlAccessibility::flush() {
    flushQueued_ = false;
    auto pending = std::move(pending_);
    pending_.clear();
    for (const auto& [window, frame] : pending) send(window, frame);
}

}  // namespace tilvane
