#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tilvane {

// The programs the desktop starts when the user logs in. Each item names a
// program by its path (url); an item that the user switched off does not
// count and is not listed.
class LoginItems {
public:
    struct Item {
        std::string id;   // the backend's own name for the item
        std::string url;  // the program it starts
        friend bool operator==(const Item&, const Item&) = default;
    };
    using ObserverId = uint64_t;

    virtual ~LoginItems() = default;
    // The items as they are now, read anew.
    virtual std::vector<Item> snapshot() = 0;
    // Adds an item for the program, first in the list; false when refused.
    virtual bool insertItemURL(const std::string& url) = 0;
    virtual bool removeItem(const Item& item) = 0;
    // Called on the main loop after anyone changed the list.
    virtual ObserverId addObserver(std::function<void()> observer) = 0;
    virtual void removeObserver(ObserverId id) = 0;
};

}  // namespace tilvane
