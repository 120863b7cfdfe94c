#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "platform/virtual_key_codes.h"

namespace tilvane::sim {

bool SimElement::isSameElement(const AXUIElement& other) const {
    auto* o = dynamic_cast<const SimElement*>(&other);
    return o && o->kind == kind && o->pid == pid && o->window == window;
}

SimDesktop::SimDesktop() = default;

Platform SimDesktop::platform() {
    Platform p(*this, *this, *this, runLoop_);
    p.settings = &settings_;
    p.scripts = this;
    p.eventPoster = this;
    p.eventMonitors = this;
    p.windowList = this;
    p.spaces = this;
    p.workspace = this;
    return p;
}

Screen& SimDesktop::addScreen(Rect frame, std::optional<Rect> visibleFrame) {
    Screen s;
    s.id = screens_.size() + 1;
    s.frame = frame;
    s.visibleFrame = visibleFrame.value_or(frame);
    screens_.push_back(s);
    return screens_.back();
}

std::optional<Screen> SimDesktop::mainScreen() {
    if (!mainScreen_ || *mainScreen_ >= screens_.size()) return std::nullopt;
    return screens_[*mainScreen_];
}

SimApp& SimDesktop::addApp(int32_t pid, std::string name) {
    auto& app = apps_[pid];
    app.pid = pid;
    app.name = name.empty() ? "app" + std::to_string(pid) : std::move(name);
    return app;
}

SimWindow& SimDesktop::addWindow(int32_t pid, Rect frame, std::string title) {
    if (!apps_.count(pid)) addApp(pid);
    SimWindow w;
    w.id = nextWindow_++;
    w.pid = pid;
    w.frame = frame;
    w.title = std::move(title);
    if (currentSpace_) w.space = *currentSpace_;
    apps_[pid].windows.push_back(w.id);
    stacking_.insert(stacking_.begin(), w.id);
    return windows_[w.id] = w;
}

void SimDesktop::focus(uint64_t id) {
    auto& w = window(id);
    focusedApp_ = w.pid;
    apps_[w.pid].focusedWindow = id;
    stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), id), stacking_.end());
    stacking_.insert(stacking_.begin(), id);
}

void SimDesktop::closeWindow(uint64_t id) {
    auto& w = window(id);
    w.closed = true;
    auto& app = apps_[w.pid];
    app.windows.erase(std::remove(app.windows.begin(), app.windows.end(), id), app.windows.end());
    if (app.focusedWindow == id) app.focusedWindow.reset();
    stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), id), stacking_.end());
}

SimWindow& SimDesktop::window(uint64_t id) {
    auto* w = findWindow(id);
    if (!w) throw std::out_of_range("no simulated window " + std::to_string(id));
    return *w;
}

SimApp& SimDesktop::app(int32_t pid) {
    auto* a = findApp(pid);
    if (!a) throw std::out_of_range("no simulated application " + std::to_string(pid));
    return *a;
}

SimWindow* SimDesktop::findWindow(uint64_t id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

SimApp* SimDesktop::findApp(int32_t pid) {
    auto it = apps_.find(pid);
    return it == apps_.end() ? nullptr : &it->second;
}

void SimDesktop::setSpaces(std::vector<std::pair<uint64_t, int>> spaces, std::optional<uint64_t> current) {
    spaces_ = std::move(spaces);
    currentSpace_ = current;
}

AXElement SimDesktop::makeElement(SimElement::Kind kind, int32_t pid, uint64_t window) {
    return std::make_shared<SimElement>(kind, pid, window);
}

AXElement SimDesktop::createSystemWide() {
    return makeElement(SimElement::Kind::SystemWide, 0, 0);
}

AXElement SimDesktop::createApplication(int32_t pid) {
    return makeElement(SimElement::Kind::Application, pid, 0);
}

AXCopyResult SimDesktop::readWindowAttribute(SimWindow& w, std::string_view attribute) {
    if (attribute == ax::kPosition) {
        if (w.failPositionRead) return {AXError::CannotComplete, {}};
        if (w.positionNotPoint) return {AXError::Success, AXValue(w.frame.size())};
        return {AXError::Success, AXValue(w.frame.origin())};
    }
    if (attribute == ax::kSize) {
        if (w.failSizeRead) return {AXError::CannotComplete, {}};
        if (w.sizeNotSize) return {AXError::Success, AXValue(w.frame.origin())};
        return {AXError::Success, AXValue(w.frame.size())};
    }
    if (attribute == ax::kZoomButton) {
        if (!w.zoomButton) return {AXError::NoValue, {}};
        return {AXError::Success, AXValue(makeElement(SimElement::Kind::ZoomButton, w.pid, w.id))};
    }
    if (attribute == ax::kTitle) return {AXError::Success, AXValue(w.title)};
    if (attribute == ax::kMain) {
        auto* app = findApp(w.pid);
        return {AXError::Success, AXValue(app && app->focusedWindow == w.id)};
    }
    return {AXError::AttributeUnsupported, {}};
}

AXCopyResult SimDesktop::copyAttributeValue(const AXElement& element, std::string_view attribute) {
    auto* e = dynamic_cast<SimElement*>(element.get());
    if (!e) return {AXError::IllegalArgument, {}};
    switch (e->kind) {
        case SimElement::Kind::SystemWide:
            if (attribute == ax::kFocusedApplication) {
                if (!focusedApp_) return {AXError::NoValue, {}};
                return {AXError::Success, AXValue(createApplication(*focusedApp_))};
            }
            return {AXError::AttributeUnsupported, {}};
        case SimElement::Kind::Application: {
            auto* app = findApp(e->pid);
            if (!app) return {AXError::InvalidUIElement, {}};
            if (attribute == ax::kFocusedWindow) {
                if (app->failFocusedWindowRead) return {AXError::CannotComplete, {}};
                if (app->focusedWindowIsText) return {AXError::Success, AXValue("not a window")};
                if (!app->focusedWindow) return {AXError::NoValue, {}};
                return {AXError::Success,
                        AXValue(makeElement(SimElement::Kind::Window, app->pid, *app->focusedWindow))};
            }
            if (attribute == ax::kWindows) {
                if (app->failWindowsRead) return {AXError::CannotComplete, {}};
                AXArray list;
                for (auto id : app->windows) list.emplace_back(makeElement(SimElement::Kind::Window, app->pid, id));
                return {AXError::Success, AXValue(std::move(list))};
            }
            if (attribute == ax::kFrontmost) return {AXError::Success, AXValue(focusedApp_ == app->pid)};
            return {AXError::AttributeUnsupported, {}};
        }
        case SimElement::Kind::Window: {
            auto* w = findWindow(e->window);
            if (!w || w->closed) return {AXError::InvalidUIElement, {}};
            return readWindowAttribute(*w, attribute);
        }
        case SimElement::Kind::ZoomButton: {
            auto* w = findWindow(e->window);
            if (!w || w->closed || !w->zoomButton) return {AXError::InvalidUIElement, {}};
            if (attribute == ax::kPosition) {
                if (w->failZoomButtonPositionRead) return {AXError::CannotComplete, {}};
                return {AXError::Success, AXValue(w->zoomButton->origin())};
            }
            if (attribute == ax::kSize) {
                if (w->failZoomButtonSizeRead) return {AXError::CannotComplete, {}};
                return {AXError::Success, AXValue(w->zoomButton->size())};
            }
            return {AXError::AttributeUnsupported, {}};
        }
    }
    return {AXError::Failure, {}};
}

AXError SimDesktop::setAttributeValue(const AXElement& element, std::string_view attribute, const AXValue& value) {
    auto* e = dynamic_cast<SimElement*>(element.get());
    if (!e) return AXError::IllegalArgument;
    writes_.push_back({e->kind == SimElement::Kind::Window ? e->window : 0, std::string(attribute), value});
    if (e->kind != SimElement::Kind::Window) return AXError::AttributeUnsupported;
    auto* w = findWindow(e->window);
    if (!w || w->closed) return AXError::InvalidUIElement;
    if (attribute == ax::kPosition) {
        auto* p = value.point();
        if (!p) return AXError::IllegalArgument;
        if (w->refusePosition) return AXError::CannotComplete;
        w->frame.x = p->x;
        w->frame.y = p->y;
        return AXError::Success;
    }
    if (attribute == ax::kSize) {
        auto* s = value.size();
        if (!s) return AXError::IllegalArgument;
        if (w->refuseSize) return AXError::CannotComplete;
        Size size = *s;
        if (w->minSize) {
            size.width = std::max(size.width, w->minSize->width);
            size.height = std::max(size.height, w->minSize->height);
        }
        w->frame.width = size.width;
        w->frame.height = size.height;
        return AXError::Success;
    }
    if (attribute == ax::kMain || attribute == ax::kFocused || attribute == ax::kFocusedWindow ||
        attribute == ax::kFrontmost || attribute == ax::kFocusedApplication) {
        if (value.boolean() && *value.boolean()) focus(w->id);
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

bool SimDesktop::isProcessTrustedWithOptions(bool prompt) {
    if (prompt && !trusted_) ++trustPrompts_;
    return trusted_;
}

void SimDesktop::post(const SyntheticEvent& event) {
    posted_.push_back({event, runLoop_.elapsed()});
    if (event.type == EventType::MouseMoved || event.type == EventType::LeftMouseDown ||
        event.type == EventType::LeftMouseUp)
        pointer_ = event.location;
    if (event.type == EventType::LeftMouseDown) buttonHeld_ = true;
    if (event.type == EventType::LeftMouseUp) buttonHeld_ = false;
    // Control+digit switches to that Space, as the desktops are set up; a
    // window held by its title bar goes along.
    static constexpr uint16_t kDigits[] = {key::k1, key::k2, key::k3, key::k4, key::k5,
                                           key::k6, key::k7, key::k8, key::k9, key::k0};
    if (event.type != EventType::KeyDown || event.flags != modifier::kControl) return;
    // The desktops count the reported Spaces from the last, leaving out those of type 2.
    std::vector<uint64_t> counted;
    for (auto it = spaces_.rbegin(); it != spaces_.rend(); ++it)
        if (it->second != 2) counted.push_back(it->first);
    for (size_t index = 0; index < std::size(kDigits) && index < counted.size(); ++index) {
        if (event.keyCode != kDigits[index]) continue;
        currentSpace_ = counted[index];
        SimApp* app = focusedApp_ ? findApp(*focusedApp_) : nullptr;
        if (buttonHeld_ && app && app->focusedWindow)
            if (SimWindow* w = findWindow(*app->focusedWindow)) w->space = *currentSpace_;
    }
}

void SimDesktop::afterPostedEvents(std::function<void()> task) {
    // Posted events arrive at once here.
    runLoop_.async(std::move(task));
}

void SimDesktop::addGlobalMonitor(uint64_t mask, Handler handler) {
    globalMonitors_.push_back({mask, std::move(handler)});
}

void SimDesktop::addLocalMonitor(uint64_t mask, Handler handler) {
    localMonitors_.push_back({mask, std::move(handler)});
}

bool SimDesktop::createListenOnlyTap(uint64_t mask, Handler handler) {
    if (tapFails_) return false;
    taps_.push_back({mask, std::move(handler)});
    return true;
}

void SimDesktop::deliverGlobal(const InputEvent& event) {
    auto bit = 1ull << static_cast<uint32_t>(event.type);
    if (event.type == EventType::MouseMoved || event.type == EventType::LeftMouseUp) pointer_ = event.location;
    for (auto& m : std::vector<Monitor>(globalMonitors_))
        if (m.mask & bit) m.handler(event);
}

void SimDesktop::deliverLocal(const InputEvent& event) {
    auto bit = 1ull << static_cast<uint32_t>(event.type);
    for (auto& m : std::vector<Monitor>(localMonitors_))
        if (m.mask & bit) m.handler(event);
}

void SimDesktop::deliverToTaps(const InputEvent& event) {
    auto bit = 1ull << static_cast<uint32_t>(event.type);
    for (auto& m : std::vector<Monitor>(taps_))
        if (m.mask & bit) m.handler(event);
}

Point SimDesktop::mouseLocation() {
    double h = screens_.empty() ? 0 : screens_.front().frame.height;
    return {pointer_.x, h - pointer_.y};
}

std::vector<WindowInfo> SimDesktop::copyWindowInfo(uint32_t) {
    std::vector<WindowInfo> list;
    for (auto id : stacking_) {
        auto& w = windows_[id];
        if (w.closed) continue;
        if (currentSpace_ && w.space && w.space != *currentSpace_) continue;
        list.push_back({w.layer, w.frame, w.pid, w.id});
    }
    return list;
}

std::vector<uint64_t> SimDesktop::copySpaces(int mask) {
    std::vector<uint64_t> ids;
    if (mask == 1) {
        if (currentSpace_) ids.push_back(*currentSpace_);
        return ids;
    }
    for (auto& [id, type] : spaces_) ids.push_back(id);
    return ids;
}

int SimDesktop::spaceType(uint64_t space) {
    for (auto& [id, type] : spaces_)
        if (id == space) return type;
    return 0;
}

bool SimDesktop::activateApplication(int32_t pid, uint32_t) {
    activations_.push_back(pid);
    auto* app = findApp(pid);
    if (!app) return false;
    focusedApp_ = pid;
    return true;
}

}  // namespace tilvane::sim
