#include "platform/plist/property_list.h"

#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <memory>

#include "platform/plist/plist_library.h"
#include "platform/utf8.h"

namespace tilvane::plist {
namespace {

struct NodeDeleter {
    void operator()(void* node) const { plistLibrary().plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

bool matchesWord(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
    return true;
}

struct TagCounts {
    size_t containers = 0;
    size_t keys = 0;
};

// Upper bounds of the arrays and dictionaries the parser could build, and of
// the keys in them: every one starts at a '<' followed by "array", "dict" or
// "key". The library's parser and its free() recurse once per level, so
// deeply nested input must be turned away before it gets there; and a file
// of hundreds of thousands of keys would take the program's memory and time.
TagCounts tagCounts(std::string_view text) {
    TagCounts counts;
    for (size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
        size_t j = i + 1;
        while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j]))) ++j;
        if (matchesWord(text, j, "array") || matchesWord(text, j, "dict")) ++counts.containers;
        if (matchesWord(text, j, "key")) ++counts.keys;
    }
    return counts;
}

// Whether XML can carry the text: well-formed UTF-8 without the control
// characters XML 1.0 leaves out (all below U+0020 but tab, line feed and
// carriage return) nor U+FFFE and U+FFFF. Other readers refuse a file
// holding them.
bool xmlCarries(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        auto c = utf8::next(text, at);
        if (!c) return false;
        if (*c < 0x20 && *c != '\t' && *c != '\n' && *c != '\r') return false;
        if (*c == 0xFFFE || *c == 0xFFFF) return false;
    }
    return true;
}

// Converts a parsed node. False when the node, or one inside it, is of a
// kind the settings have no type for.
bool fromNode(plist_t node, SettingsValue& out, size_t depth) {
    if (depth > kMaxPropertyListDepth) return false;
    switch (plistLibrary().plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plistLibrary().plist_get_bool_val(node, &b);
            out = SettingsValue(b != 0);
            return true;
        }
        case PLIST_UINT: {
            // The library keeps every integer as 64 unsigned bits; negative
            // numbers come back in two's complement.
            uint64_t v = 0;
            plistLibrary().plist_get_uint_val(node, &v);
            out = SettingsValue(static_cast<int64_t>(v));
            return true;
        }
        case PLIST_REAL: {
            double d = 0;
            plistLibrary().plist_get_real_val(node, &d);
            out = SettingsValue(d);
            return true;
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* s = plistLibrary().plist_get_string_ptr(node, &length);
            std::string text(s ? s : "", s ? length : 0);
            // The library lets through what XML cannot carry; such text could never be written back.
            if (!xmlCarries(text)) return false;
            out = SettingsValue(std::move(text));
            return true;
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* d = plistLibrary().plist_get_data_ptr(node, &length);
            const auto* bytes = reinterpret_cast<const uint8_t*>(d);
            out = SettingsValue(d ? SettingsData(bytes, bytes + length) : SettingsData{});
            return true;
        }
        case PLIST_ARRAY: {
            SettingsArray array;
            uint32_t size = plistLibrary().plist_array_get_size(node);
            for (uint32_t i = 0; i < size; ++i) {
                SettingsValue item;
                if (fromNode(plistLibrary().plist_array_get_item(node, i), item, depth + 1))
                    array.push_back(std::move(item));
            }
            out = SettingsValue(std::move(array));
            return true;
        }
        case PLIST_DICT: {
            SettingsDictionary dict;
            plist_dict_iter it = nullptr;
            plistLibrary().plist_dict_new_iter(node, &it);
            if (!it) return false;
            for (;;) {
                char* key = nullptr;
                plist_t item = nullptr;
                plistLibrary().plist_dict_next_item(node, it, &key, &item);
                if (!item) {
                    free(key);
                    break;
                }
                SettingsValue value;
                if (key && xmlCarries(key) && fromNode(item, value, depth + 1)) dict[key] = std::move(value);
                free(key);
            }
            free(it);
            out = SettingsValue(std::move(dict));
            return true;
        }
        default:  // dates, UIDs, keys outside a dictionary
            return false;
    }
}

struct ToNode {
    size_t depth;
    std::string* error;

    Node operator()(bool b) const { return Node(plistLibrary().plist_new_bool(b ? 1 : 0)); }
    Node operator()(int64_t i) const { return Node(plistLibrary().plist_new_uint(static_cast<uint64_t>(i))); }
    Node operator()(double d) const { return Node(plistLibrary().plist_new_real(d)); }
    Node operator()(const std::string& s) const {
        if (!xmlCarries(s)) {
            *error = "text holds a character XML cannot carry";
            return nullptr;
        }
        return Node(plistLibrary().plist_new_string(s.c_str()));
    }
    Node operator()(const SettingsData& d) const {
        return Node(plistLibrary().plist_new_data(reinterpret_cast<const char*>(d.data()), d.size()));
    }
    Node operator()(const SettingsArray& a) const {
        if (depth >= kMaxPropertyListDepth) return tooDeep();
        Node array(plistLibrary().plist_new_array());
        for (const auto& item : a) {
            Node child = std::visit(ToNode{depth + 1, error}, item.value);
            if (!child) return nullptr;
            plistLibrary().plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    Node operator()(const SettingsDictionary& d) const {
        if (depth >= kMaxPropertyListDepth) return tooDeep();
        Node dict(plistLibrary().plist_new_dict());
        for (const auto& [key, item] : d) {
            if (!xmlCarries(key)) {
                *error = "a key holds a character XML cannot carry";
                return nullptr;
            }
            Node child = std::visit(ToNode{depth + 1, error}, item.value);
            if (!child) return nullptr;
            plistLibrary().plist_dict_set_item(dict.get(), key.c_str(), child.release());
        }
        return dict;
    }
    Node tooDeep() const {
        *error = "values are nested too deeply";
        return nullptr;
    }
};

// The library reads and writes reals with the C library, which follows the
// process's numeric locale once the desktop application has set the user's:
// "<real>1.5</real>" read as 1 in German. For as long as it lives, this
// thread reads and writes numbers with a point.
class PointDecimals {
public:
    PointDecimals() {
        static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", locale_t{});
        if (classic) previous_ = ::uselocale(classic);
    }
    ~PointDecimals() {
        if (previous_) ::uselocale(previous_);
    }
    PointDecimals(const PointDecimals&) = delete;
    PointDecimals& operator=(const PointDecimals&) = delete;

private:
    locale_t previous_ = locale_t{};
};

}  // namespace

PropertyListParse parsePropertyList(std::string_view bytes) {
    if (bytes.empty()) return {std::nullopt, "the file is empty"};
    if (bytes.size() > kMaxPropertyListBytes) return {std::nullopt, "the file is too large"};
    TagCounts counts = tagCounts(bytes);
    if (counts.containers > kMaxPropertyListContainers)
        return {std::nullopt, "the file holds too many arrays and dictionaries"};
    if (counts.keys > kMaxPropertyListKeys) return {std::nullopt, "the file holds too many keys"};
    plist_t raw = nullptr;
    {
        PointDecimals numbers;
        plistLibrary().plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
    }
    Node root(raw);
    if (!root) return {std::nullopt, "the file is not an XML property list"};
    SettingsValue value;
    if (!fromNode(root.get(), value, 0)) return {std::nullopt, "the property list holds no settings value"};
    return {std::move(value), {}};
}

PropertyListWrite propertyListXml(const SettingsValue& value) {
    std::string error;
    Node root = std::visit(ToNode{0, &error}, value.value);
    if (!root) return {std::nullopt, error};
    char* xml = nullptr;
    uint32_t length = 0;
    {
        PointDecimals numbers;
        plistLibrary().plist_to_xml(root.get(), &xml, &length);
    }
    if (!xml) return {std::nullopt, "the property list could not be written"};
    std::string text(xml, length);
    plistLibrary().plist_to_xml_free(xml);
    return {std::move(text), {}};
}

}  // namespace tilvane::plist
