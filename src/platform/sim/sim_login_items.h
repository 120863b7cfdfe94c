#pragma once

#include <map>

#include "platform/login_items.h"

namespace tilvane::sim {

// The login items in memory; a test changes them "elsewhere" with
// changeElsewhere, which tells the observers as the desktop would.
class SimLoginItems : public LoginItems {
public:
    std::vector<Item> snapshot() override { return items_; }
    bool insertItemURL(const std::string& url) override {
        if (refuses_) return false;
        items_.insert(items_.begin(), {"item-" + std::to_string(next_++), url});
        fire();
        return true;
    }
    bool removeItem(const Item& item) override {
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (*it == item) {
                items_.erase(it);
                fire();
                return true;
            }
        return false;
    }
    ObserverId addObserver(std::function<void()> observer) override {
        observers_[nextObserver_] = std::move(observer);
        return nextObserver_++;
    }
    void removeObserver(ObserverId id) override { observers_.erase(id); }

    void setRefuses(bool refuses) { refuses_ = refuses; }
    void changeElsewhere(std::vector<Item> items) {
        items_ = std::move(items);
        fire();
    }
    size_t observerCount() const { return observers_.size(); }

private:
    void fire() {
        auto snapshot = observers_;
        for (auto& [id, observer] : snapshot)
            if (observers_.count(id)) observer();
    }
    std::vector<Item> items_;
    std::map<ObserverId, std::function<void()>> observers_;
    ObserverId nextObserver_ = 1;
    int next_ = 1;
    bool refuses_ = false;
};

}  // namespace tilvane::sim
