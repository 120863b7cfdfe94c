#include "platform/plist/keyed_archiver.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/plist/plist_library.h"

namespace tilvane::plist {

namespace {

constexpr uint64_t kArchiveVersion = 100000;
constexpr std::string_view kArchiverName = "NSKeyedArchiver";
constexpr char kBinaryMagic[] = "bplist00";

struct PlistFree {
    void operator()(void* node) const { plistLibrary().plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<std::string_view> stringValue(plist_t node) {
    if (!node || plistLibrary().plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    uint64_t length = 0;
    const char* text = plistLibrary().plist_get_string_ptr(node, &length);
    if (!text) return std::nullopt;
    return std::string_view(text, length);
}

std::optional<uint64_t> uidValue(plist_t node) {
    if (!node || plistLibrary().plist_get_node_type(node) != PLIST_UID) return std::nullopt;
    uint64_t value = 0;
    plistLibrary().plist_get_uid_val(node, &value);
    return value;
}

plist_t dictItem(plist_t dict, const char* key) {
    if (!dict || plistLibrary().plist_get_node_type(dict) != PLIST_DICT) return nullptr;
    return plistLibrary().plist_dict_get_item(dict, key);
}

// The element of $objects a UID points at; null when the UID is out of range.
plist_t objectAt(plist_t objects, plist_t uidNode) {
    auto uid = uidValue(uidNode);
    if (!uid || *uid >= plistLibrary().plist_array_get_size(objects)) return nullptr;
    return plistLibrary().plist_array_get_item(objects, static_cast<uint32_t>(*uid));
}

uint64_t readBigEndian(const uint8_t* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

// libplist aborts when it is asked for a dictionary key that holds a NUL
// character, so such text is looked for in the raw object table before the
// bytes are parsed. False also when the table's offsets or lengths lie outside
// the data; the parser would refuse those anyway.
bool hasOnlyNulFreeText(const std::vector<uint8_t>& data) {
    constexpr size_t kTrailerSize = 32;
    constexpr size_t kHeaderSize = 8;
    if (data.size() < kHeaderSize + kTrailerSize) return false;
    const uint8_t* trailer = data.data() + data.size() - kTrailerSize;
    size_t offsetSize = trailer[6];
    uint64_t objectCount = readBigEndian(trailer + 8, 8);
    uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    size_t tableEnd = data.size() - kTrailerSize;
    if (offsetSize < 1 || offsetSize > 8 || tableOffset < kHeaderSize || tableOffset > tableEnd) return false;
    if (objectCount > (tableEnd - tableOffset) / offsetSize) return false;

    for (uint64_t i = 0; i < objectCount; ++i) {
        uint64_t offset = readBigEndian(data.data() + tableOffset + i * offsetSize, offsetSize);
        if (offset < kHeaderSize || offset >= tableOffset) return false;
        uint8_t marker = data[offset];
        unsigned kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6 && kind != 0x7) continue;  // ASCII, UTF-16 and UTF-8 text
        uint64_t length = marker & 0x0F;
        size_t start = offset + 1;
        if (length == 0x0F) {
            // The length follows as an integer object of 1, 2, 4 or 8 bytes.
            if (start >= tableOffset || (data[start] >> 4) != 0x1 || (data[start] & 0x0F) > 3) return false;
            size_t lengthSize = size_t(1) << (data[start] & 0x0F);
            if (start + 1 + lengthSize > tableOffset) return false;
            length = readBigEndian(data.data() + start + 1, lengthSize);
            start += 1 + lengthSize;
        }
        size_t unitSize = kind == 0x6 ? 2 : 1;
        if (length > (tableOffset - start) / unitSize) return false;
        for (uint64_t u = 0; u < length; ++u) {
            const uint8_t* unit = data.data() + start + u * unitSize;
            if (unit[0] == 0 && (unitSize == 1 || unit[1] == 0)) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<uint8_t> PlistKeyedArchiver::archivedDataWithRootObject(const ArchivedObject& object) {
    plist_t rootObject = plistLibrary().plist_new_dict();
    plistLibrary().plist_dict_set_item(rootObject, "$class", plistLibrary().plist_new_uid(2));
    for (const auto& [key, value] : object.integers)
        plistLibrary().plist_dict_set_item(rootObject, key.c_str(),
                                           plistLibrary().plist_new_uint(static_cast<uint64_t>(value)));

    plist_t classes = plistLibrary().plist_new_array();
    plistLibrary().plist_array_append_item(classes, plistLibrary().plist_new_string(object.className.c_str()));
    plistLibrary().plist_array_append_item(classes, plistLibrary().plist_new_string("NSObject"));
    plist_t classObject = plistLibrary().plist_new_dict();
    plistLibrary().plist_dict_set_item(classObject, "$classname",
                                       plistLibrary().plist_new_string(object.className.c_str()));
    plistLibrary().plist_dict_set_item(classObject, "$classes", classes);

    plist_t objects = plistLibrary().plist_new_array();
    plistLibrary().plist_array_append_item(objects, plistLibrary().plist_new_string("$null"));
    plistLibrary().plist_array_append_item(objects, rootObject);
    plistLibrary().plist_array_append_item(objects, classObject);

    plist_t top = plistLibrary().plist_new_dict();
    plistLibrary().plist_dict_set_item(top, "root", plistLibrary().plist_new_uid(1));

    PlistPtr archive(plistLibrary().plist_new_dict());
    plist_t root = archive.get();
    plistLibrary().plist_dict_set_item(root, "$version", plistLibrary().plist_new_uint(kArchiveVersion));
    plistLibrary().plist_dict_set_item(root, "$archiver",
                                       plistLibrary().plist_new_string(std::string(kArchiverName).c_str()));
    plistLibrary().plist_dict_set_item(root, "$top", top);
    plistLibrary().plist_dict_set_item(root, "$objects", objects);

    char* bytes = nullptr;
    uint32_t length = 0;
    plistLibrary().plist_to_bin(root, &bytes, &length);
    std::vector<uint8_t> data;
    if (bytes) {
        data.assign(reinterpret_cast<const uint8_t*>(bytes), reinterpret_cast<const uint8_t*>(bytes) + length);
        plistLibrary().plist_to_bin_free(bytes);
    }
    return data;
}

std::optional<ArchivedObject> PlistKeyedArchiver::unarchiveObjectWithData(const std::vector<uint8_t>& data) {
    constexpr size_t magicLength = sizeof(kBinaryMagic) - 1;
    if (data.size() <= magicLength || data.size() > kMaxArchiveBytes) return std::nullopt;
    if (std::memcmp(data.data(), kBinaryMagic, magicLength) != 0) return std::nullopt;
    if (!hasOnlyNulFreeText(data)) return std::nullopt;

    plist_t parsed = nullptr;
    plistLibrary().plist_from_bin(reinterpret_cast<const char*>(data.data()), static_cast<uint32_t>(data.size()),
                                  &parsed);
    PlistPtr archive(parsed);
    if (!parsed || plistLibrary().plist_get_node_type(parsed) != PLIST_DICT) return std::nullopt;

    if (stringValue(dictItem(parsed, "$archiver")) != kArchiverName) return std::nullopt;
    plist_t objects = dictItem(parsed, "$objects");
    if (!objects || plistLibrary().plist_get_node_type(objects) != PLIST_ARRAY) return std::nullopt;

    plist_t rootObject = objectAt(objects, dictItem(dictItem(parsed, "$top"), "root"));
    if (!rootObject || plistLibrary().plist_get_node_type(rootObject) != PLIST_DICT) return std::nullopt;
    plist_t classObject = objectAt(objects, dictItem(rootObject, "$class"));
    auto className = stringValue(dictItem(classObject, "$classname"));
    if (!className || className->find('\0') != std::string_view::npos) return std::nullopt;

    ArchivedObject object;
    object.className = std::string(*className);

    plist_dict_iter iter = nullptr;
    plistLibrary().plist_dict_new_iter(rootObject, &iter);
    if (!iter) return std::nullopt;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plistLibrary().plist_dict_next_item(rootObject, iter, &key, &value);
        if (!key || !value) {
            std::free(key);
            break;
        }
        std::string name(key);
        std::free(key);
        if (name.empty() || name.front() == '$' || plistLibrary().plist_get_node_type(value) != PLIST_UINT) continue;
        uint64_t number = 0;
        plistLibrary().plist_get_uint_val(value, &number);
        // Binary property lists keep 8-byte integers signed; the node hands
        // over their bits.
        object.integers[name] = static_cast<int64_t>(number);
    }
    std::free(iter);
    return object;
}

}  // namespace tilvane::plist
