#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "platform/user_interface.h"

namespace tilvane {

// Ties a check box to a boolean setting both ways: the box shows the stored
// value and follows changes made elsewhere; the user's click stores the new
// value, then runs the pane's action for it.
class CheckboxBinding {
public:
    CheckboxBinding(Control& box, SettingsStore& settings, std::string key, std::function<void()> afterChange);
    ~CheckboxBinding();
    CheckboxBinding(const CheckboxBinding&) = delete;
    CheckboxBinding& operator=(const CheckboxBinding&) = delete;

private:
    Control& box_;
    SettingsStore& settings_;
    std::string key_;
    std::optional<SettingsStore::ObserverId> observer_;
};

// The check boxes of a pane, by control name and settings key; names the
// pane's view lacks are skipped.
std::vector<std::unique_ptr<CheckboxBinding>> bindCheckboxes(
    View& view, SettingsStore& settings, const std::vector<std::pair<std::string, std::string>>& namesAndKeys,
    std::function<void()> afterChange);

}  // namespace tilvane
