#include "platform/sim/sim_user_interface.h"

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

}  // namespace tilvane::sim
