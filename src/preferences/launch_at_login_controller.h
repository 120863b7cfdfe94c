#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/login_items.h"

namespace tilvane {

// Whether the program starts when the user logs in. The state is not kept in
// the settings: it is read from the desktop's login items each time, and a
// change made elsewhere is announced, so a check box follows it.
class LaunchAtLoginController {
public:
    // appURL: the program a login item starts (none: the program cannot be started at login).
    LaunchAtLoginController(LoginItems* loginItems, std::optional<std::string> appURL);
    ~LaunchAtLoginController();
    LaunchAtLoginController(const LaunchAtLoginController&) = delete;
    LaunchAtLoginController& operator=(const LaunchAtLoginController&) = delete;

    const std::optional<std::string>& appURL() const { return appURL_; }
    std::optional<LoginItems::Item> findItemWithURL(const std::optional<std::string>& url);
    bool willLaunchAtLogin(const std::optional<std::string>& url);
    void setLaunchAtLoginForURL(bool enabled, const std::optional<std::string>& url);

    bool launchAtLogin();
    void setLaunchAtLogin(bool enabled);

    // Told after every change of launchAtLogin, whoever made it.
    void onLaunchAtLoginChange(std::function<void()> handler) { handlers_.push_back(std::move(handler)); }

private:
    void announce();

    LoginItems* loginItems_;
    std::optional<std::string> appURL_;
    std::optional<LoginItems::ObserverId> observer_;
    std::vector<std::function<void()>> handlers_;
    bool changing_ = false;
};

}  // namespace tilvane
