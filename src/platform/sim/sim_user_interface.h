#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/support_kit.h"
#include "platform/user_interface.h"

namespace tilvane::sim {

// What the simulated services were asked, in order, as one list of lines
// ("setActivationPolicy 1", "sendTrackingReport", ...). Several services
// may write to one journal so a test reads their order across them.
using Journal = std::vector<std::string>;

class SimMenuItem : public MenuItem {
public:
    explicit SimMenuItem(bool separator) : separator_(separator) {}

    bool isSeparatorItem() const override { return separator_; }
    std::string title() const override { return title_; }
    void setTitle(std::string title) override { title_ = std::move(title); }
    int64_t tag() const override { return tag_; }
    void setTag(int64_t tag) override { tag_ = tag; }
    std::string imageName() const override { return image_; }
    void setImage(std::string name, bool isTemplate) override {
        image_ = std::move(name);
        imageIsTemplate_ = isTemplate;
    }
    bool imageIsTemplate() const { return imageIsTemplate_; }
    std::string keyEquivalent() const override { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) override { keyEquivalent_ = std::move(key); }
    uint64_t keyEquivalentModifierMask() const override { return mask_; }
    void setKeyEquivalentModifierMask(uint64_t mask) override { mask_ = mask; }
    std::optional<AttributedTitle> attributedTitle() const override { return attributed_; }
    void setAttributedTitle(AttributedTitle title) override { attributed_ = std::move(title); }
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    void setAction(Action action) override { action_ = std::move(action); }
    void setValidator(Validator validator) override { validator_ = std::move(validator); }
    Menu* submenu() const override { return submenu_.get(); }
    void setSubmenu(std::unique_ptr<Menu> menu) override { submenu_ = std::move(menu); }

    bool hasAction() const { return static_cast<bool>(action_); }
    bool hasValidator() const { return static_cast<bool>(validator_); }
    // The user chooses the item.
    void choose() {
        if (action_) action_(*this);
    }
    bool validate() { return validator_ ? validator_(*this) : enabled_; }

private:
    bool separator_;
    std::string title_, image_, keyEquivalent_;
    bool imageIsTemplate_ = false;
    int64_t tag_ = 0;
    uint64_t mask_ = 0;
    std::optional<AttributedTitle> attributed_;
    bool enabled_ = true;
    Action action_;
    Validator validator_;
    std::unique_ptr<Menu> submenu_;
};

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

    // --- arrangement -------------------------------------------------------
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
