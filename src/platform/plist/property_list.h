#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tilvane::plist {

// The result of reading a property list: the value, or why there is none.
struct PropertyListParse {
    std::optional<SettingsValue> value;
    std::string error;  // empty when value holds something
};

// The result of writing a property list: the XML text, or why there is none.
struct PropertyListWrite {
    std::optional<std::string> xml;
    std::string error;
};

// Limits that keep a hostile or damaged file from exhausting memory or stack.
inline constexpr size_t kMaxPropertyListBytes = 16 * 1024 * 1024;
inline constexpr size_t kMaxPropertyListContainers = 4096;  // arrays and dictionaries together
inline constexpr size_t kMaxPropertyListKeys = 4096;        // dictionary keys, in all dictionaries together
inline constexpr size_t kMaxPropertyListDepth = 256;

// Reads an XML property list (booleans, integers, reals, strings, data,
// arrays, dictionaries). Never throws or crashes on malformed input: the
// error says what is wrong. Dates and UIDs have no settings type, and text
// that XML cannot carry (see propertyListXml) could not be written back;
// entries holding them are left out.
PropertyListParse parsePropertyList(std::string_view bytes);

// Writes a value as an XML property list. Fails only for values XML cannot
// carry: text or keys that are not UTF-8 or hold control characters other
// than tab, line feed and carriage return, or nesting deeper than
// kMaxPropertyListDepth.
PropertyListWrite propertyListXml(const SettingsValue& value);

}  // namespace tilvane::plist
