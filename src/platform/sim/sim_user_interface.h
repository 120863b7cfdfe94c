#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stored_controls.h"
#include "platform/support_kit.h"
#include "platform/user_interface.h"

namespace tilvane::sim {

// What the simulated services were asked, in order, as one list of lines
// ("setActivationPolicy 1", "sendTrackingReport", ...). Several services
// may write to one journal so a test reads their order across them.
using Journal = std::vector<std::string>;

// The simulated menu item keeps what the program set; tests choose it.
using SimMenuItem = StoredMenuItem;

class SimMenu : public Menu {
public:
    explicit SimMenu(std::string title) : title_(std::move(title)) {}
    MenuItem& addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) override;
    void addSeparatorItem() override;
    void setAutoenablesItems(bool on) override { autoenables_ = on; }
    std::vector<MenuItem*> items() const override;

    const std::string& title() const { return title_; }
    bool autoenablesItems() const { return autoenables_; }
    // The menu is about to be shown, as when the user clicks the status item:
    // with automatic enabling, each item's validator decides its state.
    void open();
    SimMenuItem& item(size_t index) { return *items_.at(index); }
    // The first item with this title (none: nullptr).
    SimMenuItem* itemTitled(const std::string& title);
    SimMenuItem* itemTagged(int64_t tag);
    size_t size() const { return items_.size(); }

private:
    std::string title_;
    bool autoenables_ = false;
    std::vector<std::unique_ptr<SimMenuItem>> items_;
};

class SimStatusItem : public StatusItem {
public:
    explicit SimStatusItem(double length) : length_(length) {}
    void setImage(std::string name, bool isTemplate) override {
        image_ = std::move(name);
        imageIsTemplate_ = isTemplate;
    }
    void setHighlightMode(bool on) override { highlight_ = on; }
    void setMenu(Menu* menu) override { menu_ = menu; }

    double length() const { return length_; }
    const std::string& image() const { return image_; }
    bool imageIsTemplate() const { return imageIsTemplate_; }
    bool highlightMode() const { return highlight_; }
    Menu* menu() const { return menu_; }

private:
    double length_;
    std::string image_;
    bool imageIsTemplate_ = false;
    bool highlight_ = false;
    Menu* menu_ = nullptr;
};

// --- windows, views and controls ------------------------------------------------

// One piece a button cell drew.
struct DrawnPiece {
    std::string title;
    TextAlignment alignment = TextAlignment::Center;
    bool on = false;
    bool enabled = true;
    Rect frame;
    friend bool operator==(const DrawnPiece&, const DrawnPiece&) = default;
};

class SimButtonCell : public StoredButtonCell {
public:
    double naturalHeight() const override { return 19; }
    void drawWithFrame(const Rect& frame) override {
        drawn_.push_back({title(), alignment(), isOn(), isEnabled(), frame});
    }
    std::vector<DrawnPiece>& drawn() { return drawn_; }

private:
    std::vector<DrawnPiece> drawn_;
};

class SimProgramWindow;

class SimCustomView : public CustomView {
public:
    explicit SimCustomView(Rect bounds = {0, 0, 120, 19}) : bounds_(bounds) {}
    void setLogic(CustomViewLogic* logic) override { logic_ = logic; }
    Rect bounds() const override { return bounds_; }
    ButtonCell& cell() override { return cell_; }
    void setNeedsDisplay() override { ++redraws_; }
    void invalidateIntrinsicContentSize() override { ++sizeChanges_; }
    int addToolTipRect(const Rect& rect) override;
    void removeToolTip(int tag) override { toolTips_.erase(tag); }
    int addTrackingArea(const Rect& rect, unsigned options) override;
    void removeTrackingArea(int area) override { trackingAreas_.erase(area); }
    void setWantsLayer(bool layer) override { layer_ = layer; }
    void setAcceptsFocus(bool accepts) override { acceptsFocus_ = accepts; }
    bool acceptsFocus() const { return acceptsFocus_; }
    Window* window() override;

    // --- arrangement and input ---------------------------------------------
    void setBounds(Rect bounds) {
        bounds_ = bounds;
        if (logic_) logic_->boundsDidChange();
    }
    void setWindow(SimProgramWindow* window) { window_ = window; }
    // Draws the view as the platform would: the pieces the cell drew.
    std::vector<DrawnPiece> draw();
    void click(Point inView) { logic_->mouseDown(inView); }
    // The mouse moves into (out of) the tracking area over this point.
    void hover(Point inView, bool inside);

    // --- observation -------------------------------------------------------
    CustomViewLogic* logic() const { return logic_; }
    SimButtonCell& simCell() { return cell_; }
    int redraws() const { return redraws_; }
    int sizeChanges() const { return sizeChanges_; }
    bool wantsLayer() const { return layer_; }
    // Tool tips by tag, with their rectangles, and their texts asked of the logic.
    const std::map<int, Rect>& toolTips() const { return toolTips_; }
    std::string toolTipAt(Point inView);
    struct TrackingArea {
        Rect rect;
        unsigned options;
    };
    const std::map<int, TrackingArea>& trackingAreas() const { return trackingAreas_; }

private:
    Rect bounds_;
    CustomViewLogic* logic_ = nullptr;
    SimButtonCell cell_;
    SimProgramWindow* window_ = nullptr;
    int redraws_ = 0, sizeChanges_ = 0, nextTag_ = 1;
    bool layer_ = false;
    bool acceptsFocus_ = false;
    std::map<int, Rect> toolTips_;
    std::map<int, TrackingArea> trackingAreas_;
};

class SimControl : public Control {
public:
    bool state() const override { return state_; }
    void setState(bool on) override { state_ = on; }
    std::string stringValue() const override { return text_; }
    void setStringValue(std::string text) override { text_ = std::move(text); }
    void setTextColor(NamedColor color) override { color_ = color; }
    void setImage(std::string name) override { image_ = std::move(name); }
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    void setHidden(bool hidden) override { hidden_ = hidden; }
    void setAction(std::function<void()> action) override { action_ = std::move(action); }
    bool isHidden() const { return hidden_; }

    // The user clicks a check box (or a button): its state flips, then its action runs.
    void click() {
        state_ = !state_;
        if (action_) action_();
    }
    NamedColor textColor() const { return color_; }
    const std::string& image() const { return image_; }

private:
    bool state_ = false, enabled_ = true, hidden_ = false;
    std::string text_, image_;
    NamedColor color_ = NamedColor::Black;
    std::function<void()> action_;
};

// What an interface file holds, as a test describes it.
struct ViewSpec {
    Size size;
    unsigned autoresizingMask = 0;
    std::vector<std::string> controls;
    std::vector<std::string> customViews;
};

class SimView : public View {
public:
    explicit SimView(const ViewSpec& spec);
    Rect bounds() const override { return {0, 0, frame_.width, frame_.height}; }
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override { frame_ = frame; }
    unsigned autoresizingMask() const override { return mask_; }
    Control* control(const std::string& name) override;
    CustomView* customView(const std::string& name) override;

    SimControl* simControl(const std::string& name);
    SimCustomView* simCustomView(const std::string& name);

private:
    Rect frame_;
    unsigned mask_;
    std::map<std::string, std::unique_ptr<SimControl>> controls_;
    std::map<std::string, std::unique_ptr<SimCustomView>> customViews_;
};

class SimToolbarItem : public ToolbarItem {
public:
    explicit SimToolbarItem(std::string identifier) : identifier_(std::move(identifier)) {}
    std::string itemIdentifier() const override { return identifier_; }
    std::string label() const override { return label_; }
    void setLabel(std::string label) override { label_ = std::move(label); }
    std::string imageName() const override { return image_; }
    void setImage(std::string name) override { image_ = std::move(name); }
    void setAction(std::function<void(ToolbarItem&)> action) override { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    // The user clicks the item.
    void click() {
        if (action_) action_(*this);
    }

private:
    std::string identifier_, label_, image_;
    std::function<void(ToolbarItem&)> action_;
};

class SimToolbar : public Toolbar {
public:
    void setDelegate(ToolbarDelegate* delegate) override;
    int displayMode() const override { return mode_; }
    void setDisplayMode(int mode) override { mode_ = mode; }
    std::string selectedItemIdentifier() const override { return selected_; }
    void setSelectedItemIdentifier(std::string identifier) override { selected_ = std::move(identifier); }
    void insertItemWithItemIdentifier(std::string identifier, size_t index) override;
    std::vector<ToolbarItem*> items() override;
    void validateVisibleItems() override { ++validations_; }

    SimToolbarItem* item(const std::string& identifier);
    int validations() const { return validations_; }

private:
    ToolbarDelegate* delegate_ = nullptr;
    int mode_ = kDisplayModeIconAndLabel;
    std::string selected_;
    std::vector<std::unique_ptr<SimToolbarItem>> items_;
    int validations_ = 0;
};

// A window of the program. Its frame's chrome is a fixed title bar and
// toolbar above the content.
class SimProgramWindow : public Window {
public:
    static constexpr double kChromeHeight = 78;

    explicit SimProgramWindow(std::string title) : title_(std::move(title)) {}
    ObserverId observe(Event event, std::function<void()> handler) override;
    void removeObserver(ObserverId id) override { observers_.erase(id); }
    void setShouldClose(std::function<bool()> shouldClose) override { shouldClose_ = std::move(shouldClose); }
    void setTabActions(std::function<void()> next, std::function<void()> previous) override {
        nextTab_ = std::move(next);
        previousTab_ = std::move(previous);
    }
    // The user presses the keys for the next (previous) tab.
    void pressNextTab() {
        if (nextTab_) nextTab_();
    }
    void pressPreviousTab() {
        if (previousTab_) previousTab_();
    }
    std::string title() const override { return title_; }
    void setTitle(std::string title) override { title_ = std::move(title); }
    Toolbar& toolbar() override { return toolbar_; }
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame, bool display, bool animate) override;
    void setFrameTopLeftPoint(Point topLeft) override;
    Rect frameRectForContentRect(const Rect& content) const override;
    void setContentMinSize(Size size) override { minSize_ = size; }
    void setContentMaxSize(Size size) override { maxSize_ = size; }
    void setShowsResizeIndicator(bool shows) override { resizeIndicator_ = shows; }
    void setZoomButtonEnabled(bool enabled) override { zoomEnabled_ = enabled; }
    void layoutIfNeeded() override { ++layouts_; }
    void setContentView(View* view) override { content_ = view; }
    View* contentView() const override { return content_; }
    void recalculateKeyViewLoop() override { ++keyLoops_; }
    bool firstResponderIsWindow() const override { return focus_.empty(); }
    void makeFirstResponder(const std::string& controlName) override {
        focus_ = controlName.empty() ? "(next)" : controlName;
    }
    bool isVisible() const override { return visible_; }
    bool isKeyWindow() const override { return key_; }
    void makeKeyAndOrderFront() override;
    void close() override;

    // --- the user ------------------------------------------------------------
    // Clicks the close button: the window closes unless told otherwise.
    bool userCloses();
    void resignKey();
    void becomeKey();
    // Moves (resizes) the window to the frame, as the user's drag does.
    void userMoves(const Rect& frame);
    void userResizes(const Rect& frame);

    // --- observation ---------------------------------------------------------
    SimToolbar& simToolbar() { return toolbar_; }
    Size contentMinSize() const { return minSize_; }
    Size contentMaxSize() const { return maxSize_; }
    bool showsResizeIndicator() const { return resizeIndicator_; }
    bool zoomButtonEnabled() const { return zoomEnabled_; }
    const std::string& focusedControl() const { return focus_; }
    bool lastFrameAnimated() const { return animated_; }
    int layouts() const { return layouts_; }

private:
    void fire(Event event);

    std::string title_;
    SimToolbar toolbar_;
    Rect frame_{100, 100, 400, 300};
    Size minSize_, maxSize_;
    bool resizeIndicator_ = true, zoomEnabled_ = true, visible_ = false, key_ = false, animated_ = false;
    View* content_ = nullptr;
    std::string focus_;
    int layouts_ = 0, keyLoops_ = 0;
    std::map<ObserverId, std::pair<Event, std::function<void()>>> observers_;
    ObserverId nextObserver_ = 1;
    std::function<bool()> shouldClose_;
    std::function<void()> nextTab_, previousTab_;
};

// The program's user interface, recorded: every menu and status item made,
// the images given, alerts with answers the test scripts, and the calls of
// the application object in the journal.
class SimUserInterface : public UserInterface {
public:
    explicit SimUserInterface(Journal* journal = nullptr) : journal_(journal) {}

    std::unique_ptr<Menu> createMenu(std::string title) override;
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override;
    void registerImage(std::string name, std::string svg) override { images_[name] = std::move(svg); }
    void setActivationPolicy(ActivationPolicy policy) override;
    void activateIgnoringOtherApps(bool flag) override;
    void orderFrontStandardAboutPanel() override;
    void beep() override;
    AlertResult runModal(const Alert& alert) override;
    std::string effectiveAppearanceName() override { return appearance_; }
    double interfaceKitVersionNumber() override { return kitVersion_; }
    void terminate() override;
    std::unique_ptr<Window> createWindow(std::string title) override;
    std::unique_ptr<View> loadView(const std::string& interfaceFile) override;
    void setLocalKeyMonitor(KeyMonitor monitor) override { keyMonitor_ = std::move(monitor); }
    void setKeyboardGrabbed(bool grabbed) override;
    void postAccessibilityAnnouncement(const std::string& text, int priority) override;
    void postNotification(Notification notification) override;

    // --- arrangement -------------------------------------------------------
    // What loadView finds under an interface file's name.
    void defineView(std::string interfaceFile, ViewSpec spec) { views_[std::move(interfaceFile)] = std::move(spec); }
    // The user types in one of the program's windows: the event passes the
    // key monitor, if any; true when the monitor let it go on.
    bool typeKey(const KeyEvent& event);
    void setAppearanceName(std::string name) { appearance_ = std::move(name); }
    void setInterfaceKitVersionNumber(double version) { kitVersion_ = version; }
    // The answers of the next alerts, in order; an alert without one gets the first button.
    void answerAlerts(std::vector<AlertResult> answers);
    void onTerminate(std::function<void()> handler) { onTerminate_ = std::move(handler); }

    // --- observation -------------------------------------------------------
    // The menus made, in order; they live as long as their owners keep them.
    SimMenu* menu(size_t index) const { return menus_.at(index); }
    size_t menuCount() const { return menus_.size(); }
    // The newest status item; null before one is made or after it went.
    SimStatusItem* statusItem() const { return statusItems_.empty() ? nullptr : statusItems_.back(); }
    const std::map<std::string, std::string>& images() const { return images_; }
    std::optional<ActivationPolicy> activationPolicy() const { return policy_; }
    const std::vector<Alert>& alerts() const { return alerts_; }
    int beeps() const { return beeps_; }
    int aboutPanels() const { return aboutPanels_; }
    int activations() const { return activations_; }
    bool terminated() const { return terminated_; }
    SimProgramWindow* window(size_t index) const { return windows_.at(index); }
    size_t windowCount() const { return windows_.size(); }
    bool hasKeyMonitor() const { return static_cast<bool>(keyMonitor_); }
    bool keyboardGrabbed() const { return keyboardGrabbed_; }
    struct Announcement {
        std::string text;
        int priority;
        friend bool operator==(const Announcement&, const Announcement&) = default;
    };
    const std::vector<Announcement>& announcements() const { return announcements_; }
    const std::vector<Notification>& notifications() const { return notifications_; }
    // The user presses the button of the newest notification.
    void actOnNotification() {
        if (!notifications_.empty() && notifications_.back().onAction) notifications_.back().onAction();
    }

private:
    void note(std::string line) {
        if (journal_) journal_->push_back(std::move(line));
    }

    Journal* journal_;
    std::vector<SimMenu*> menus_;
    std::vector<SimStatusItem*> statusItems_;
    std::map<std::string, std::string> images_;
    std::optional<ActivationPolicy> policy_;
    std::vector<Alert> alerts_;
    std::deque<AlertResult> answers_;
    std::string appearance_ = "NSAppearanceNameAqua";
    double kitVersion_ = 2299;
    int beeps_ = 0, aboutPanels_ = 0, activations_ = 0;
    bool terminated_ = false;
    std::function<void()> onTerminate_;
    std::vector<SimProgramWindow*> windows_;
    std::map<std::string, ViewSpec> views_;
    KeyMonitor keyMonitor_;
    bool keyboardGrabbed_ = false;
    std::vector<Announcement> announcements_;
    std::vector<Notification> notifications_;
};

// The update and support services, recorded in the journal.
class SimSupport : public SupportKit, public SupportUpdater {
public:
    explicit SimSupport(Journal* journal) : journal_(journal) {}
    // SupportKit
    void sendTrackingReport() override { note("sendTrackingReport"); }
    void setupIssuesController(bool reporting) override {
        note(std::string("setupIssuesController ") + (reporting ? "1" : "0"));
    }
    void showFeedbackDialog(int mode) override { note("showFeedbackDialog " + std::to_string(mode)); }
    // SupportUpdater
    void setDelegate(void* delegate) override { note(delegate ? "setDelegate" : "setDelegate none"); }
    void setFeedURL(std::optional<std::string> url) override { note("setFeedURL " + url.value_or("none")); }
    void setAutomaticallyChecksForUpdates(bool on) override {
        note(std::string("setAutomaticallyChecksForUpdates ") + (on ? "1" : "0"));
    }
    void setUpdateCheckInterval(double seconds) override {
        note("setUpdateCheckInterval " + std::to_string(static_cast<int64_t>(seconds)));
    }
    void checkForUpdatesInBackground() override { note("checkForUpdatesInBackground"); }
    void checkForUpdates() override { note("checkForUpdates"); }

private:
    void note(std::string line) { journal_->push_back(std::move(line)); }
    Journal* journal_;
};

}  // namespace tilvane::sim
