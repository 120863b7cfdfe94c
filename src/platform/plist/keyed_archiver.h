#pragma once

#include <cstddef>

#include "platform/archiver.h"

namespace tilvane::plist {

// Keyed archives in the binary property-list form that other keyed-archive
// readers understand: "$archiver", "$version", "$top" with the root object's
// UID, and "$objects" holding "$null", the object and its class description.
// Reading accepts only binary property lists and is safe on any bytes.
class PlistKeyedArchiver : public KeyedArchiver {
public:
    // An archive of one small object is a few hundred bytes; anything much
    // larger is refused before it is parsed.
    static constexpr size_t kMaxArchiveBytes = 8 * 1024;

    std::vector<uint8_t> archivedDataWithRootObject(const ArchivedObject& object) override;
    std::optional<ArchivedObject> unarchiveObjectWithData(const std::vector<uint8_t>& data) override;
};

}  // namespace tilvane::plist
