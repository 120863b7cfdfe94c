#include "app/action_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tilvane {
namespace {

TEST(ActionTable, CodesNamesAndKeysAreUniqueAndLookupsFindThem) {
    std::set<int64_t> codes;
    std::set<std::string_view> names, keys;
    for (const auto& a : kActions) {
        EXPECT_TRUE(codes.insert(a.code).second) << a.code;
        EXPECT_TRUE(names.insert(a.name).second) << a.name;
        EXPECT_TRUE(keys.insert(a.settingsKey).second) << a.settingsKey;
        EXPECT_EQ(actionForCode(a.code), &a);
        EXPECT_EQ(actionForName(a.name), &a);
        EXPECT_EQ(actionForSettingsKey(a.settingsKey), &a);
    }
    EXPECT_EQ(actionForCode(110), nullptr);
    EXPECT_EQ(actionForName("sideways"), nullptr);
}

TEST(ActionTable, RegistrationOrderCoversEveryActionOnce) {
    std::set<int64_t> seen(kRegistrationOrder.begin(), kRegistrationOrder.end());
    EXPECT_EQ(seen.size(), kActions.size());
    for (auto code : kRegistrationOrder) EXPECT_NE(actionForCode(code), nullptr) << code;
    EXPECT_EQ(kRegistrationOrder.front(), 1000);
}

}  // namespace
}  // namespace tilvane
