#include "preferences/setting_bindings.h"

#include <memory>

namespace tilvane {

CheckboxBinding::CheckboxBinding(Control& box, SettingsStore& settings, std::string key,
                                 std::function<void()> afterChange)
    : box_(box), settings_(settings), key_(std::move(key)) {
    box_.setState(settings_.boolForKey(key_));
    box_.setAction([this, afterChange = std::move(afterChange)] {
        settings_.setBool(key_, box_.state());
        if (afterChange) afterChange();
    });
    observer_ = settings_.addObserver([this](const std::string& changed) {
        if (changed == key_) box_.setState(settings_.boolForKey(key_));
    });
}

CheckboxBinding::~CheckboxBinding() {
    box_.setAction(nullptr);
    if (observer_) settings_.removeObserver(*observer_);
}

std::vector<std::unique_ptr<CheckboxBinding>> bindCheckboxes(
    View& view, SettingsStore& settings, const std::vector<std::pair<std::string, std::string>>& namesAndKeys,
    std::function<void()> afterChange) {
    std::vector<std::unique_ptr<CheckboxBinding>> bindings;
    for (const auto& [name, key] : namesAndKeys)
        if (Control* box = view.control(name))
            bindings.push_back(std::make_unique<CheckboxBinding>(*box, settings, key, afterChange));
    return bindings;
}

}  // namespace tilvane
