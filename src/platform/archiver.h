#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tilvane {

// An object in keyed-archive form: a class name and its integer entries.
struct ArchivedObject {
    std::string className;
    std::map<std::string, int64_t> integers;
    friend bool operator==(const ArchivedObject&, const ArchivedObject&) = default;
};

// The platform's keyed archiver: turns an object into stored bytes and back.
class KeyedArchiver {
public:
    virtual ~KeyedArchiver() = default;
    virtual std::vector<uint8_t> archivedDataWithRootObject(const ArchivedObject& object) = 0;
    // None when the bytes are not an archive of such an object.
    virtual std::optional<ArchivedObject> unarchiveObjectWithData(const std::vector<uint8_t>& data) = 0;
};

}  // namespace tilvane
