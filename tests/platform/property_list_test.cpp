#include "platform/plist/property_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tilvane::plist {
namespace {

TEST(PropertyList, ReadsBackWhatItWroteOfEveryType) {
    // Markup, a Cyrillic letter and an arrow, white space, delete and a C1 control among the texts.
    const SettingsValue values[] = {
        true,
        false,
        std::numeric_limits<int64_t>::min(),
        std::numeric_limits<int64_t>::max(),
        -1e300,
        5e-324,
        std::numeric_limits<double>::infinity(),
        "<a href=\"x\">&amp;</a> ]]>",
        "\u0441enter \u2190",
        "  a\r\n\tb\rc ",
        "\x7f\u0085",
        SettingsData{0, 1, 2, 0xFF, 0},
        SettingsArray{1, "two", 3.5, SettingsArray{}, SettingsData{7}},
        SettingsDictionary{{"a b", true}, {"<k>", SettingsDictionary{{"x", 1}}}, {"", 2}},
    };
    for (const auto& value : values) {
        SettingsDictionary root{{"key", value}};
        auto written = propertyListXml(SettingsValue(root));
        ASSERT_TRUE(written.xml) << written.error;
        auto read = parsePropertyList(*written.xml);
        ASSERT_TRUE(read.value) << read.error;
        EXPECT_EQ(*read.value, SettingsValue(root)) << *written.xml;
    }
    auto notANumber = parsePropertyList(*propertyListXml(SettingsValue(std::nan(""))).xml);
    ASSERT_TRUE(notANumber.value);
    EXPECT_TRUE(std::isnan(std::get<double>(notANumber.value->value)));
}

TEST(PropertyList, MalformedOrOversizedInputIsAnErrorNotACrash) {
    std::string deep = "<plist>";
    for (int i = 0; i < 300000; ++i) deep += "<array>";
    for (int i = 0; i < 300000; ++i) deep += "</array>";
    deep += "</plist>";
    std::string manySiblings = "<plist><array>";
    for (int i = 0; i < 5000; ++i) manySiblings += "<dict/>";
    manySiblings += "</array></plist>";
    std::string manyKeys = "<plist><dict>";
    for (size_t i = 0; i <= kMaxPropertyListKeys; ++i) manyKeys += "<key>k" + std::to_string(i) + "</key><true/>";
    manyKeys += "</dict></plist>";

    const std::string rows[] = {
        "",
        "hello",
        "<?xml version=\"1.0\"?><plist><dict><key>a</key><true/>",
        "<plist><dict><key>a</key><true/></array></plist>",
        std::string("\0\0\0\xFF\xFE", 5),
        "bplist00\x01\x02",
        deep,
        manySiblings,
        manyKeys,
        std::string(kMaxPropertyListBytes + 1, ' '),
    };
    for (const auto& row : rows) {
        auto read = parsePropertyList(row);
        EXPECT_FALSE(read.value) << row.substr(0, 60);
        EXPECT_FALSE(read.error.empty());
    }
}

// Dates have no settings type; control characters and broken UTF-8 would
// reach a terminal or the file as they are.
TEST(PropertyList, DatesControlCharactersAndBrokenUtf8AreLeftOutWhenRead) {
    auto read = parsePropertyList(
        "<plist><dict><key>when</key><date>2020-01-01T00:00:00Z</date>"
        "<key>list</key><array><date>2020-01-01T00:00:00Z</date><integer>3</integer></array>"
        "<key>escape</key><string>a&#27;[31mred</string>"
        "<key>raw</key><string>a\x1b"
        "b</string>"
        "<key>latin1</key><string>caf\xe9</string>"
        "<key>bad&#1;key</key><true/>"
        "<key>kept</key><string>tab\tand\nnewline, caf\xc3\xa9</string></dict></plist>");
    ASSERT_TRUE(read.value) << read.error;
    EXPECT_EQ(*read.value, SettingsValue(SettingsDictionary{{"list", SettingsArray{3}},
                                                            {"kept", "tab\tand\nnewline, caf\xc3\xa9"}}));
}

TEST(PropertyList, RefusesToWriteWhatXmlCannotCarry) {
    SettingsValue nested = SettingsArray{};
    for (size_t i = 0; i < kMaxPropertyListDepth + 1; ++i) nested = SettingsArray{nested};
    const SettingsValue rows[] = {
        std::string("a\0b", 3),
        SettingsDictionary{{std::string("k\0", 2), 1}},
        "\x1b[2J",
        "caf\xe9",
        SettingsArray{"\xef\xbf\xbe"},  // U+FFFE
        SettingsDictionary{{"\x07", 1}},
        nested,
    };
    for (const auto& row : rows) {
        auto written = propertyListXml(row);
        EXPECT_FALSE(written.xml);
        EXPECT_FALSE(written.error.empty());
    }
}

}  // namespace
}  // namespace tilvane::plist
