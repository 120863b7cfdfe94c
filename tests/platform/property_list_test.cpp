#include "platform/plist/property_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tilvane::plist {
namespace {

struct RoundTrip {
    const char* name;
    SettingsValue value;
};

class PropertyListRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(PropertyListRoundTrip, ReadsBackWhatItWrote) {
    SettingsDictionary root{{"key", GetParam().value}};
    auto written = propertyListXml(SettingsValue(root));
    ASSERT_TRUE(written.xml) << written.error;
    auto read = parsePropertyList(*written.xml);
    ASSERT_TRUE(read.value) << read.error;
    EXPECT_EQ(*read.value, SettingsValue(root));
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PropertyListRoundTrip,
    testing::Values(RoundTrip{"true", SettingsValue(true)}, RoundTrip{"false", SettingsValue(false)},
                    RoundTrip{"int64min", SettingsValue(std::numeric_limits<int64_t>::min())},
                    RoundTrip{"int64max", SettingsValue(std::numeric_limits<int64_t>::max())},
                    RoundTrip{"huge", SettingsValue(-1e300)}, RoundTrip{"tiny", SettingsValue(5e-324)},
                    RoundTrip{"infinity", SettingsValue(std::numeric_limits<double>::infinity())},
                    RoundTrip{"markup", SettingsValue("<a href=\"x\">&amp;</a> ]]>")},
                    RoundTrip{"unicode", SettingsValue("\xD1\x81"
                                                       "enter \xE2\x86\x90")},
                    RoundTrip{"whitespace", SettingsValue("  a\r\n\tb\rc ")},
                    RoundTrip{"deleteAndC1", SettingsValue("\x7f\xc2\x85")},
                    RoundTrip{"data", SettingsValue(SettingsData{0, 1, 2, 0xFF, 0})},
                    RoundTrip{"array", SettingsValue(SettingsArray{1, "two", 3.5, SettingsArray{}, SettingsData{7}})},
                    RoundTrip{"dictionary", SettingsValue(SettingsDictionary{
                                                {"a b", true}, {"<k>", SettingsDictionary{{"x", 1}}}, {"", 2}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyList, NotANumberSurvives) {
    auto written = propertyListXml(SettingsValue(std::nan("")));
    ASSERT_TRUE(written.xml);
    auto read = parsePropertyList(*written.xml);
    ASSERT_TRUE(read.value);
    auto* d = std::get_if<double>(&read.value->value);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(std::isnan(*d));
}

TEST(PropertyList, MalformedInputIsAnErrorNotACrash) {
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

TEST(PropertyList, EntriesWithoutASettingsTypeAreLeftOut) {
    auto read = parsePropertyList(
        "<plist><dict><key>when</key><date>2020-01-01T00:00:00Z</date>"
        "<key>list</key><array><date>2020-01-01T00:00:00Z</date><integer>3</integer></array>"
        "<key>kept</key><string>yes</string></dict></plist>");
    ASSERT_TRUE(read.value) << read.error;
    EXPECT_EQ(*read.value, SettingsValue(SettingsDictionary{{"list", SettingsArray{3}}, {"kept", "yes"}}));
}

TEST(PropertyList, ControlCharactersAndBrokenUtf8AreLeftOutWhenRead) {
    auto read = parsePropertyList(
        "<plist><dict><key>escape</key><string>a&#27;[31mred</string>"
        "<key>raw</key><string>a\x1b"
        "b</string>"
        "<key>latin1</key><string>caf\xe9</string>"
        "<key>bad&#1;key</key><true/>"
        "<key>kept</key><string>tab\tand\nnewline, caf\xc3\xa9</string></dict></plist>");
    ASSERT_TRUE(read.value) << read.error;
    EXPECT_EQ(*read.value, SettingsValue(SettingsDictionary{{"kept", "tab\tand\nnewline, caf\xc3\xa9"}}));
}

TEST(PropertyList, RefusesWhatXmlCannotCarry) {
    SettingsValue nested = SettingsArray{};
    for (size_t i = 0; i < kMaxPropertyListDepth + 1; ++i) nested = SettingsArray{nested};
    const SettingsValue rows[] = {
        SettingsValue(std::string("a\0b", 3)),
        SettingsValue(SettingsDictionary{{std::string("k\0", 2), 1}}),
        SettingsValue("\x1b[2J"),
        SettingsValue("caf\xe9"),
        SettingsValue(SettingsArray{"\xef\xbf\xbe"}),  // U+FFFE
        SettingsValue(SettingsDictionary{{"\x07", 1}}),
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
