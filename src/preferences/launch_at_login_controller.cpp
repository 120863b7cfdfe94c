#include "preferences/launch_at_login_controller.h"

namespace tilvane {

LaunchAtLoginController::LaunchAtLoginController(LoginItems* loginItems, std::optional<std::string> appURL)
    : loginItems_(loginItems), appURL_(std::move(appURL)) {
    if (loginItems_) observer_ = loginItems_->addObserver([this] { announce(); });
}

LaunchAtLoginController::~LaunchAtLoginController() {
    if (loginItems_ && observer_) loginItems_->removeObserver(*observer_);
}

std::optional<LoginItems::Item> LaunchAtLoginController::findItemWithURL(const std::optional<std::string>& url) {
    if (!url || !loginItems_) return std::nullopt;
    for (const auto& item : loginItems_->snapshot())
        if (item.url == *url) return item;
    return std::nullopt;
}

bool LaunchAtLoginController::willLaunchAtLogin(const std::optional<std::string>& url) {
    return findItemWithURL(url).has_value();
}

void LaunchAtLoginController::setLaunchAtLoginForURL(bool enabled, const std::optional<std::string>& url) {
    if (!url || !loginItems_) return;
    auto item = findItemWithURL(url);
    // A refusal is not reported: the check box shows the list's real state at its next read.
    if (enabled && !item)
        loginItems_->insertItemURL(*url);
    else if (!enabled && item)
        loginItems_->removeItem(*item);
}

bool LaunchAtLoginController::launchAtLogin() {
    return willLaunchAtLogin(appURL_);
}

void LaunchAtLoginController::setLaunchAtLogin(bool enabled) {
    // The list's own notice of this change is announced once, below.
    changing_ = true;
    setLaunchAtLoginForURL(enabled, appURL_);
    changing_ = false;
    announce();
}

void LaunchAtLoginController::announce() {
    if (changing_) return;
    auto handlers = handlers_;
    for (auto& handler : handlers) handler();
}

}  // namespace tilvane
