#include "platform/sim/sim_user_interface.h"

#include <algorithm>

namespace tilvane::sim {

MenuItem& SimMenu::addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) {
    auto item = std::make_unique<SimMenuItem>(false);
    item->setTitle(std::move(title));
    item->setAction(std::move(action));
    item->setKeyEquivalent(std::move(keyEquivalent));
    items_.push_back(std::move(item));
    return *items_.back();
}

void SimMenu::addSeparatorItem() {
    items_.push_back(std::make_unique<SimMenuItem>(true));
}

std::vector<MenuItem*> SimMenu::items() const {
    std::vector<MenuItem*> result;
    for (auto& item : items_) result.push_back(item.get());
    return result;
}

void SimMenu::open() {
    if (!autoenables_) return;
    for (auto& item : items_)
        if (item->hasValidator()) item->setEnabled(item->validate());
}

SimMenuItem* SimMenu::itemTitled(const std::string& title) {
    for (auto& item : items_)
        if (!item->isSeparatorItem() && item->title() == title) return item.get();
    return nullptr;
}

SimMenuItem* SimMenu::itemTagged(int64_t tag) {
    for (auto& item : items_)
        if (!item->isSeparatorItem() && item->tag() == tag) return item.get();
    return nullptr;
}

std::unique_ptr<Menu> SimUserInterface::createMenu(std::string title) {
    auto menu = std::make_unique<SimMenu>(std::move(title));
    menus_.push_back(menu.get());
    return menu;
}

std::unique_ptr<StatusItem> SimUserInterface::statusItemWithLength(double length) {
    note("statusItem");
    auto item = std::make_unique<SimStatusItem>(length);
    statusItems_.push_back(item.get());
    return item;
}

void SimUserInterface::setActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    note("setActivationPolicy " + std::to_string(static_cast<int>(policy)));
}

void SimUserInterface::activateIgnoringOtherApps(bool) {
    ++activations_;
    note("activate");
}

void SimUserInterface::orderFrontStandardAboutPanel() {
    ++aboutPanels_;
    note("about");
}

void SimUserInterface::postNotification(Notification notification) {
    note("notification " + notification.title + ": " + notification.body);
    notifications_.push_back(std::move(notification));
}

void SimUserInterface::beep() {
    ++beeps_;
    note("beep");
}

AlertResult SimUserInterface::runModal(const Alert& alert) {
    alerts_.push_back(alert);
    note("alert " + alert.messageText);
    if (answers_.empty()) return {};
    AlertResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void SimUserInterface::answerAlerts(std::vector<AlertResult> answers) {
    answers_.assign(answers.begin(), answers.end());
}

void SimUserInterface::terminate() {
    terminated_ = true;
    note("terminate");
    if (onTerminate_) onTerminate_();
}

// --- windows, views and controls ------------------------------------------------

int SimCustomView::addToolTipRect(const Rect& rect) {
    int tag = nextTag_++;
    toolTips_[tag] = rect;
    return tag;
}

int SimCustomView::addTrackingArea(const Rect& rect, unsigned options) {
    int area = nextTag_++;
    trackingAreas_[area] = {rect, options};
    return area;
}

Window* SimCustomView::window() {
    return window_;
}

std::vector<DrawnPiece> SimCustomView::draw() {
    cell_.drawn().clear();
    if (logic_) logic_->drawRect(bounds_);
    return cell_.drawn();
}

void SimCustomView::hover(Point inView, bool inside) {
    for (const auto& [area, tracking] : trackingAreas_) {
        if (!tracking.rect.containsPoint(inView)) continue;
        if (inside)
            logic_->mouseEntered(area);
        else
            logic_->mouseExited(area);
    }
}

std::string SimCustomView::toolTipAt(Point inView) {
    for (const auto& [tag, rect] : toolTips_)
        if (rect.containsPoint(inView)) return logic_->toolTip(tag);
    return {};
}

SimView::SimView(const ViewSpec& spec) : frame_{0, 0, spec.size.width, spec.size.height}, mask_(spec.autoresizingMask) {
    for (const auto& name : spec.controls) controls_[name] = std::make_unique<SimControl>();
    for (const auto& name : spec.customViews) customViews_[name] = std::make_unique<SimCustomView>();
}

Control* SimView::control(const std::string& name) {
    return simControl(name);
}

CustomView* SimView::customView(const std::string& name) {
    return simCustomView(name);
}

SimControl* SimView::simControl(const std::string& name) {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second.get();
}

SimCustomView* SimView::simCustomView(const std::string& name) {
    auto it = customViews_.find(name);
    return it == customViews_.end() ? nullptr : it->second.get();
}

void SimToolbar::setDelegate(ToolbarDelegate* delegate) {
    delegate_ = delegate;
    items_.clear();
    if (!delegate_) return;
    for (const auto& identifier : delegate_->toolbarDefaultItemIdentifiers())
        insertItemWithItemIdentifier(identifier, items_.size());
}

void SimToolbar::insertItemWithItemIdentifier(std::string identifier, size_t index) {
    auto item = std::make_unique<SimToolbarItem>(identifier);
    if (delegate_) delegate_->toolbarItemForItemIdentifier(*item, identifier, true);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(std::min(index, items_.size())), std::move(item));
}

std::vector<ToolbarItem*> SimToolbar::items() {
    std::vector<ToolbarItem*> result;
    for (auto& item : items_) result.push_back(item.get());
    return result;
}

SimToolbarItem* SimToolbar::item(const std::string& identifier) {
    for (auto& item : items_)
        if (item->itemIdentifier() == identifier) return item.get();
    return nullptr;
}

Window::ObserverId SimProgramWindow::observe(Event event, std::function<void()> handler) {
    ObserverId id = nextObserver_++;
    observers_[id] = {event, std::move(handler)};
    return id;
}

void SimProgramWindow::fire(Event event) {
    auto snapshot = observers_;
    for (auto& [id, observer] : snapshot)
        if (observer.first == event && observers_.count(id)) observer.second();
}

void SimProgramWindow::setFrame(const Rect& frame, bool, bool animate) {
    bool resized = frame.width != frame_.width || frame.height != frame_.height;
    bool moved = frame.x != frame_.x || frame.y + frame.height != frame_.y + frame_.height;
    frame_ = frame;
    animated_ = animate;
    // The content view fills the window below its chrome.
    if (content_ && resized) content_->setFrame({0, 0, frame.width, frame.height - kChromeHeight});
    if (resized) fire(Event::DidResize);
    if (moved) fire(Event::DidMove);
}

void SimProgramWindow::setFrameTopLeftPoint(Point topLeft) {
    setFrame({topLeft.x, topLeft.y - frame_.height, frame_.width, frame_.height}, true, false);
}

Rect SimProgramWindow::frameRectForContentRect(const Rect& content) const {
    return {content.x, content.y, content.width, content.height + kChromeHeight};
}

void SimProgramWindow::makeKeyAndOrderFront() {
    visible_ = true;
    becomeKey();
}

void SimProgramWindow::close() {
    if (!visible_) return;
    fire(Event::WillClose);
    visible_ = false;
    if (key_) resignKey();
}

bool SimProgramWindow::userCloses() {
    if (shouldClose_ && !shouldClose_()) return false;
    close();
    return true;
}

void SimProgramWindow::resignKey() {
    if (!key_) return;
    key_ = false;
    fire(Event::DidResignKey);
    fire(Event::DidResignMain);
}

void SimProgramWindow::becomeKey() {
    if (key_) return;
    key_ = true;
    fire(Event::DidBecomeKey);
}

void SimProgramWindow::userMoves(const Rect& frame) {
    setFrame(frame, true, false);
}

void SimProgramWindow::userResizes(const Rect& frame) {
    setFrame(frame, true, false);
}

std::unique_ptr<Window> SimUserInterface::createWindow(std::string title) {
    auto window = std::make_unique<SimProgramWindow>(std::move(title));
    windows_.push_back(window.get());
    return window;
}

std::unique_ptr<View> SimUserInterface::loadView(const std::string& interfaceFile) {
    if (interfaceFile == kEmptyInterfaceFile) return std::make_unique<SimView>(ViewSpec{});
    auto it = views_.find(interfaceFile);
    if (it == views_.end()) return nullptr;
    return std::make_unique<SimView>(it->second);
}

void SimUserInterface::setKeyboardGrabbed(bool grabbed) {
    if (grabbed == keyboardGrabbed_) return;
    keyboardGrabbed_ = grabbed;
    note(grabbed ? "grabKeyboard" : "releaseKeyboard");
}

void SimUserInterface::postAccessibilityAnnouncement(const std::string& text, int priority) {
    announcements_.push_back({text, priority});
}

bool SimUserInterface::typeKey(const KeyEvent& event) {
    // The monitor may be replaced while it runs.
    KeyMonitor monitor = keyMonitor_;
    return monitor ? monitor(event) : true;
}

}  // namespace tilvane::sim
