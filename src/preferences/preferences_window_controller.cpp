#include "preferences/preferences_window_controller.h"

#include <algorithm>
#include <cmath>

#include "platform/number_text.h"

namespace tilvane {

namespace {

std::string number(double v) {
    return number_text::format(v);
}

// The numbers in the text, in order.
std::vector<double> numbersIn(const std::string& text) {
    std::vector<double> numbers;
    std::string_view rest = text;
    while (!rest.empty()) {
        auto read = number_text::read(rest);
        if (read.end != rest.data()) {
            numbers.push_back(read.value);
            rest.remove_prefix(static_cast<size_t>(read.end - rest.data()));
        } else {
            rest.remove_prefix(1);
        }
    }
    return numbers;
}

}  // namespace

std::string preferencesFrameKey(const std::string& identifier) {
    return "Preferences " + identifier + " Frame";
}

// Appended piece by piece: GCC 12 at -O3 warns (wrongly) about "text" + std::string.
std::string stringFromRect(const Rect& r) {
    std::string text("{{");
    text.append(number(r.x)).append(", ").append(number(r.y)).append("}, {");
    return text.append(number(r.width)).append(", ").append(number(r.height)).append("}}");
}

std::string stringFromPoint(Point p) {
    std::string text("{");
    return text.append(number(p.x)).append(", ").append(number(p.y)).append("}");
}

Rect rectFromString(const std::string& text) {
    auto n = numbersIn(text);
    n.resize(4, 0);
    return {n[0], n[1], n[2], n[3]};
}

Point pointFromString(const std::string& text) {
    auto n = numbersIn(text);
    n.resize(2, 0);
    return {n[0], n[1]};
}

namespace {

// How far apart two rectangles are: zero when they touch or overlap.
double distanceBetween(const Rect& a, const Rect& b) {
    double dx = std::max({0.0, b.x - a.maxX(), a.x - b.maxX()});
    double dy = std::max({0.0, b.y - a.maxY(), a.y - b.maxY()});
    return std::hypot(dx, dy);
}

double overlapArea(const Rect& a, const Rect& b) {
    Rect common = intersection(a, b);
    return common.isNull() ? 0 : common.width * common.height;
}

bool liesInside(const Rect& frame, const Rect& area) {
    return frame.x >= area.x && frame.y >= area.y && frame.maxX() <= area.maxX() && frame.maxY() <= area.maxY();
}

}  // namespace

Rect frameOnScreens(const Rect& frame, const std::vector<Screen>& screens) {
    if (screens.empty()) return frame;
    const Screen* nearest = nullptr;
    for (const Screen& screen : screens) {
        if (liesInside(frame, screen.visibleFrame)) return frame;
        if (!nearest) {
            nearest = &screen;
            continue;
        }
        double distance = distanceBetween(frame, screen.visibleFrame);
        double best = distanceBetween(frame, nearest->visibleFrame);
        if (distance < best ||
            (distance == best && overlapArea(frame, screen.visibleFrame) > overlapArea(frame, nearest->visibleFrame)))
            nearest = &screen;
    }
    const Rect& area = nearest->visibleFrame;
    Rect placed = frame;
    placed.x = std::max(area.x, std::min(frame.x, area.maxX() - frame.width));
    double top = std::min(area.maxY(), std::max(frame.maxY(), area.y + frame.height));
    placed.y = top - frame.height;
    return placed;
}

Rect frameCenteredOn(const Rect& frame, const Screen& screen) {
    const Rect& area = screen.visibleFrame;
    Rect centred{std::floor(area.x + (area.width - frame.width) / 2),
                 std::floor(area.y + (area.height - frame.height) / 2), frame.width, frame.height};
    return frameOnScreens(centred, {screen});
}

PreferencesWindowController::PreferencesWindowController(UserInterface& ui, SettingsStore& settings,
                                                         std::vector<PreferencesViewController*> viewControllers,
                                                         std::string title, Screens* screens)
    : ui_(ui),
      settings_(settings),
      screens_(screens),
      _viewControllers(std::move(viewControllers)),
      _title(std::move(title)) {
    // The window is loaded with the controller, and restored at once.
    window_ = ui_.createWindow(_title);
    window_->toolbar().setDelegate(this);
    window_->setShouldClose([this] { return windowShouldClose(); });
    window_->setTabActions([this] { goNextTab(); }, [this] { goPreviousTab(); });
    windowDidLoad();
}

PreferencesWindowController::~PreferencesWindowController() {
    for (auto id : observers_) window_->removeObserver(id);
    window_->setShouldClose(nullptr);
    window_->setTabActions(nullptr, nullptr);
    for (ToolbarItem* item : window_->toolbar().items()) item->setAction(nullptr);
    window_->toolbar().setDelegate(nullptr);
}

Window& PreferencesWindowController::window() {
    return *window_;
}

void PreferencesWindowController::showWindow() {
    // A screen the window was left on may have gone meanwhile.
    if (!window().isVisible()) placeWindow(false);
    window().makeKeyAndOrderFront();
}

void PreferencesWindowController::placeWindow(bool centred) {
    if (!screens_) return;
    std::vector<Screen> all = screens_->screens();
    if (all.empty()) return;
    Rect frame = window_->frame();
    Rect placed = centred ? frameCenteredOn(frame, all.front()) : frameOnScreens(frame, all);
    if (!(placed == frame)) window_->setFrame(placed, true, false);
}

void PreferencesWindowController::windowDidLoad() {
    bool anyImage = std::any_of(_viewControllers.begin(), _viewControllers.end(),
                                [](PreferencesViewController* c) { return c && c->toolbarItemImage(); });
    if (!anyImage) window_->toolbar().setDisplayMode(Toolbar::kDisplayModeLabelOnly);
    if (!_title.empty()) window_->setTitle(_title);
    if (!_viewControllers.empty()) {
        PreferencesViewController* pane = nullptr;
        if (auto stored = settings_.stringForKey(kPreferencesSelectedIdentifierKey))
            pane = viewControllerForIdentifier(*stored);
        setSelectedViewController(pane ? pane : firstViewController());
    }
    if (auto topLeft = settings_.stringForKey(kPreferencesFrameTopLeftKey)) {
        window_->layoutIfNeeded();
        window_->setFrameTopLeftPoint(pointFromString(*topLeft));
        // The screen it was on may have been unplugged since.
        placeWindow(false);
    } else {
        placeWindow(true);
    }
    observers_.push_back(window_->observe(Window::Event::WillClose, [this] {
        if (_selectedViewController) _selectedViewController->viewWillDisappear();
    }));
    observers_.push_back(window_->observe(Window::Event::DidMove, [this] { windowDidMove(); }));
    observers_.push_back(window_->observe(Window::Event::DidResize, [this] { windowDidResize(); }));
}

void PreferencesWindowController::addViewController(PreferencesViewController* viewController) {
    _viewControllers.push_back(viewController);
    std::string identifier = viewController ? viewController->viewIdentifier() : kToolbarFlexibleSpaceItemIdentifier;
    window_->toolbar().insertItemWithItemIdentifier(identifier, window_->toolbar().items().size());
    window_->toolbar().validateVisibleItems();
}

std::vector<std::string> PreferencesWindowController::toolbarItemIdentifiers() const {
    std::vector<std::string> identifiers;
    for (auto* c : _viewControllers)
        identifiers.push_back(c ? c->viewIdentifier() : kToolbarFlexibleSpaceItemIdentifier);
    return identifiers;
}

size_t PreferencesWindowController::indexOfSelectedController() const {
    if (!_selectedViewController) return kNotFound;
    auto identifiers = toolbarItemIdentifiers();
    auto it = std::find(identifiers.begin(), identifiers.end(), _selectedViewController->viewIdentifier());
    return it == identifiers.end() ? kNotFound : static_cast<size_t>(it - identifiers.begin());
}

PreferencesViewController* PreferencesWindowController::viewControllerForIdentifier(
    const std::string& identifier) const {
    for (auto* c : _viewControllers)
        if (c && c->viewIdentifier() == identifier) return c;
    return nullptr;
}

PreferencesViewController* PreferencesWindowController::firstViewController() const {
    for (auto* c : _viewControllers)
        if (c) return c;
    return nullptr;
}

void PreferencesWindowController::setSelectedViewController(PreferencesViewController* controller) {
    if (controller == _selectedViewController) return;
    Window& w = window();
    if (PreferencesViewController* old = _selectedViewController) {
        if (!old->commitEditing()) {
            w.toolbar().setSelectedItemIdentifier(old->viewIdentifier());
            return;
        }
        old->viewWillDisappear();
        w.setContentView(nullptr);
        old->viewDidDisappear();
        _selectedViewController = nullptr;
    }
    if (!controller) return;

    const std::string identifier = controller->viewIdentifier();
    if (_title.empty()) w.setTitle(controller->toolbarItemLabel());
    w.toolbar().setSelectedItemIdentifier(identifier);
    settings_.setObject(kPreferencesSelectedIdentifierKey, identifier);
    settings_.synchronize();

    View& view = controller->view();
    Rect stored = view.bounds();
    if (auto text = settings_.stringForKey(preferencesFrameKey(identifier))) stored = rectFromString(*text);
    Rect minimum;
    if (auto it = _minimumViewRects.find(identifier); it != _minimumViewRects.end()) {
        minimum = rectFromString(it->second);
    } else {
        minimum = view.bounds();
        _minimumViewRects[identifier] = stringFromRect(minimum);
    }
    bool rw = controller->hasResizableWidth().value_or((view.autoresizingMask() & View::kWidthSizable) != 0);
    bool rh = controller->hasResizableHeight().value_or((view.autoresizingMask() & View::kHeightSizable) != 0);

    Rect content{stored.x, stored.y, rw ? std::max(minimum.width, stored.width) : minimum.width,
                 rh ? std::max(minimum.height, stored.height) : minimum.height};
    view.setFrame(content);

    // The window keeps its top edge and its left edge.
    Rect old = w.frame();
    Rect frame = w.frameRectForContentRect(content);
    frame.x += old.x;
    frame.y += (old.y + old.height) - (frame.y + frame.height);

    w.setContentMinSize({minimum.width, minimum.height});
    w.setContentMaxSize({rw ? kLargestSize : content.width, rh ? kLargestSize : content.height});
    w.setShowsResizeIndicator(rw || rh);
    w.setZoomButtonEnabled(rw || rh);
    w.setFrame(frame, true, w.isVisible());

    _selectedViewController = controller;
    controller->viewWillAppear();
    w.setContentView(&view);
    w.recalculateKeyViewLoop();
    if (w.firstResponderIsWindow()) w.makeFirstResponder(controller->initialKeyView().value_or(""));

    auto handlers = didChangeView_;
    for (auto& handler : handlers) handler(*this);
}

void PreferencesWindowController::toolbarItemForItemIdentifier(ToolbarItem& item, const std::string& identifier, bool) {
    auto identifiers = toolbarItemIdentifiers();
    auto it = std::find(identifiers.begin(), identifiers.end(), identifier);
    if (it == identifiers.end()) return;
    PreferencesViewController* controller = _viewControllers[static_cast<size_t>(it - identifiers.begin())];
    if (!controller) return;
    if (auto image = controller->toolbarItemImage()) item.setImage(*image);
    item.setLabel(controller->toolbarItemLabel());
    item.setAction([this](ToolbarItem& sender) { toolbarItemDidClick(sender); });
}

void PreferencesWindowController::toolbarItemDidClick(ToolbarItem& sender) {
    if (!sender.itemIdentifier().empty()) selectControllerWithIdentifier(sender.itemIdentifier());
}

void PreferencesWindowController::selectControllerAtIndex(size_t index) {
    if (index >= _viewControllers.size() || !_viewControllers[index]) return;
    setSelectedViewController(_viewControllers[index]);
}

void PreferencesWindowController::selectControllerWithIdentifier(const std::string& identifier) {
    setSelectedViewController(viewControllerForIdentifier(identifier));
}

void PreferencesWindowController::step(int direction) {
    const size_t count = _viewControllers.size();
    if (count == 0) return;
    size_t at = indexOfSelectedController();
    // With nothing selected, the first step lands on the first (or last) entry.
    if (at == kNotFound) at = direction > 0 ? count - 1 : 0;
    for (size_t tried = 0; tried < count; ++tried) {
        at = (at + count + static_cast<size_t>(direction)) % count;
        if (_viewControllers[at]) {
            setSelectedViewController(_viewControllers[at]);
            return;
        }
    }
}

void PreferencesWindowController::goNextTab() {
    step(1);
}

void PreferencesWindowController::goPreviousTab() {
    step(-1);
}

bool PreferencesWindowController::windowShouldClose() {
    return !_selectedViewController || _selectedViewController->commitEditing();
}

void PreferencesWindowController::windowDidMove() {
    Rect f = window_->frame();
    settings_.setObject(kPreferencesFrameTopLeftKey, stringFromPoint({f.x, f.y + f.height}));
    settings_.synchronize();
}

void PreferencesWindowController::windowDidResize() {
    if (!_selectedViewController) return;
    settings_.setObject(preferencesFrameKey(_selectedViewController->viewIdentifier()),
                        stringFromRect(_selectedViewController->view().bounds()));
    settings_.synchronize();
}

}  // namespace tilvane
