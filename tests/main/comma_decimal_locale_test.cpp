// Numbers in what the program writes and reads (its pictures, the stored
// window frames, the settings file) while the process runs in a language that
// writes one and a half as "1,5", as the desktop application does once Qt has
// set the user's locale. The menu pictures and the tray icon came out empty.

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <functional>

#include "app/menu_images.h"
#include "placement/action_codes.h"
#include "platform/plist/property_list.h"
#include "preferences/preferences_window_controller.h"

namespace tilvane {
namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

TEST(CommaDecimalLocale, WhatTheProgramWritesAndReadsKeepsItsNumbers) {
    const std::function<std::string()> writes[] = {
        [] { return menuImageSvg(action::kSplitView); },  // the tray icon
        [] { return menuImageSvg(action::kNextSpace); },  // a picture in thirds
        [] {
            return stringFromRect({10.5, 20.25, 300, 400.75});
        },
        [] {
            return stringFromPoint({1.5, -2.5});
        },
        [] {
            return plist::propertyListXml(SettingsValue(SettingsDictionary{{"Scale", 1.5}})).xml.value_or("");
        },
    };
    std::vector<std::string> inC;
    for (const auto& write : writes) inC.push_back(write());

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(std::setlocale(LC_ALL, kCommaLocale))
        << kCommaLocale << " is not installed; tools/install-deps generates it";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (size_t i = 0; i < std::size(writes); ++i) EXPECT_EQ(writes[i](), inC[i]);
    EXPECT_NE(inC[0].find(R"(<rect x="1.5" y="3.5" width="15" height="11")"), std::string::npos) << inC[0];

    EXPECT_EQ(rectFromString("{{10.5, 20.25}, {300, 400.75}}"), (Rect{10.5, 20.25, 300, 400.75}));
    EXPECT_EQ(pointFromString("{1.5, -2.5}"), (Point{1.5, -2.5}));
    EXPECT_EQ(
        plist::parsePropertyList(R"(<plist version="1.0"><dict><key>Scale</key><real>1.5</real></dict></plist>)").value,
        SettingsValue(SettingsDictionary{{"Scale", 1.5}}));
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace tilvane
