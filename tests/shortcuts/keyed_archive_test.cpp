// Keyed archives of shortcuts: what other writers' archives read as, and
// what is refused before it reaches the property-list library.

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "platform/plist/keyed_archiver.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

using plist::PlistKeyedArchiver;

struct PlistDeleter {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::vector<uint8_t> toBinary(plist_t root) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::vector<uint8_t> data(bytes, bytes + length);
    plist_to_bin_free(bytes);
    return data;
}

// An archive as another keyed archiver writes it: the root object at any
// index, integers as small as they fit.
std::vector<uint8_t> handMadeArchive(const char* className, std::map<std::string, int64_t> entries,
                                     uint64_t rootUid = 2, const char* archiverName = "NSKeyedArchiver") {
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_t classDict = plist_new_dict();
    plist_dict_set_item(classDict, "$classname", plist_new_string(className));
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string(className));
    plist_dict_set_item(classDict, "$classes", classes);
    plist_t object = plist_new_dict();
    plist_dict_set_item(object, "$class", plist_new_uid(rootUid == 2 ? 1 : 2));
    for (auto& [k, v] : entries) plist_dict_set_item(object, k.c_str(), plist_new_uint(uint64_t(v)));
    if (rootUid == 2) {
        plist_array_append_item(objects, classDict);
        plist_array_append_item(objects, object);
    } else {
        plist_array_append_item(objects, object);
        plist_array_append_item(objects, classDict);
    }
    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(root.get(), "$archiver", plist_new_string(archiverName));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(rootUid));
    plist_dict_set_item(root.get(), "$top", top);
    plist_dict_set_item(root.get(), "$objects", objects);
    return toBinary(root.get());
}

TEST(KeyedArchiveTest, MinusOneIsStoredAsAnEightByteSignedInteger) {
    PlistKeyedArchiver archiver;
    auto data = archiveShortcut(archiver, Shortcut(Shortcut::kNoKeyCode, 0));
    // Integer marker 0x13 (8 bytes) followed by all ones: -1 for every reader.
    const std::vector<uint8_t> minusOne{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_NE(std::search(data.begin(), data.end(), minusOne.begin(), minusOne.end()), data.end());
}

TEST(KeyedArchiveTest, ReadsArchivesOfOtherWriters) {
    PlistKeyedArchiver archiver;
    struct Row {
        std::vector<uint8_t> data;
        std::optional<ArchivedObject> expected;
    } rows[] = {
        {handMadeArchive("Shortcut", {{"KeyCode", -5}, {"ModifierFlags", 0x9E0000}}),
         ArchivedObject{"Shortcut", {{"KeyCode", -5}, {"ModifierFlags", 0x9E0000}}}},
        {handMadeArchive("Shortcut", {{"KeyCode", 3}, {"ModifierFlags", 0}}, 1),
         ArchivedObject{"Shortcut", {{"KeyCode", 3}, {"ModifierFlags", 0}}}},
        {handMadeArchive("Shortcut", {{"KeyCode", 3}}, 7), std::nullopt},  // root UID out of range
        {handMadeArchive("Shortcut", {{"KeyCode", 3}}, 2, "Other"), std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(archiver.unarchiveObjectWithData(row.data), row.expected);
}

TEST(KeyedArchiveTest, RefusesWhatIsNotAnArchive) {
    PlistKeyedArchiver archiver;
    PlistPtr notArchive(plist_new_dict());
    plist_dict_set_item(notArchive.get(), "KeyCode", plist_new_uint(1));
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>";
    const std::vector<uint8_t> inputs[] = {
        {},
        {'b', 'p', 'l', 'i', 's', 't', '0', '0'},
        std::vector<uint8_t>(xml.begin(), xml.end()),
        toBinary(notArchive.get()),
        std::vector<uint8_t>(PlistKeyedArchiver::kMaxArchiveBytes + 1, 0),
    };
    for (const auto& data : inputs) EXPECT_FALSE(archiver.unarchiveObjectWithData(data));
}

// The property-list library aborts on a dictionary key holding a NUL; such
// archives are refused before they reach it.
TEST(KeyedArchiveTest, RefusesTextWithANulCharacter) {
    PlistKeyedArchiver archiver;
    auto replaceIn = [](std::vector<uint8_t> data, const std::vector<uint8_t>& what, size_t at) {
        auto it = std::search(data.begin(), data.end(), what.begin(), what.end());
        EXPECT_NE(it, data.end());
        if (it != data.end()) *(it + at) = 0;
        return data;
    };
    auto ascii = handMadeArchive("Shortcut", {{"KeyCode", 1}, {"ModifierFlags", 0}});
    ASSERT_TRUE(archiver.unarchiveObjectWithData(ascii));
    EXPECT_FALSE(archiver.unarchiveObjectWithData(replaceIn(ascii, {'K', 'e', 'y', 'C'}, 2)));
    EXPECT_FALSE(archiver.unarchiveObjectWithData(replaceIn(ascii, {'S', 'h', 'o', 'r'}, 1)));

    // A non-ASCII key is stored as UTF-16.
    auto utf16 = handMadeArchive("Shortcut", {{"KeyCode", 1}, {"Gr\u00f6\u00dfe", 2}});
    auto object = archiver.unarchiveObjectWithData(utf16);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->integers.at("Gr\u00f6\u00dfe"), 2);
    EXPECT_FALSE(archiver.unarchiveObjectWithData(replaceIn(utf16, {0, 'r', 0, 0xF6}, 1)));
}

}  // namespace
}  // namespace tilvane
