// Which application a window belongs to, without a server.

#include "platform/x11/window_owners.h"

#include <gtest/gtest.h>

namespace tilvane::x11 {
namespace {

constexpr xcb_window_t kWindow = 0x1a00003;

TEST(OwningApplication, TheNamedProcessElseTheClientsElseTheWindowItself) {
    struct Row {
        const char* name;
        std::optional<uint32_t> named, client;
        int32_t application;
    };
    const Row rows[] = {
        {"names its process", 42, 77, 42},
        {"names process 0, which is none", 0, 77, 77},
        {"names none: the server knows the client's", std::nullopt, 77, 77},
        {"a program on another machine", std::nullopt, std::nullopt, -int32_t{kWindow}},
        {"and one that names 0", 0, 0, -int32_t{kWindow}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(owningApplication(kWindow, row.named, row.client), row.application);
    }
}

TEST(OwningApplication, AnApplicationOfItsOwnLeadsBackToItsWindow) {
    for (xcb_window_t window : {kWindow, xcb_window_t{0x1fffffff}, xcb_window_t{1}}) {
        SCOPED_TRACE(window);
        int32_t application = owningApplication(window, std::nullopt, std::nullopt);
        EXPECT_LT(application, 0);
        EXPECT_EQ(windowOfOwnApplication(application), window);
    }
    EXPECT_EQ(windowOfOwnApplication(42), std::nullopt);
    EXPECT_EQ(windowOfOwnApplication(0), std::nullopt);
}

}  // namespace
}  // namespace tilvane::x11
