// What a key types, by its position, on the display's current layout, and
// keys that have no place on the keyboard.

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

class KeyboardTest : public BackendTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }
};

struct LayoutRow {
    const char* layouts;
    uint16_t keyCode;
    const char16_t* text;
};

const LayoutRow kLayouts[] = {
    {"us", 0x2C, u"/"},
    {"us", 0x7B, u""},   // Left Arrow types nothing
    {"de", 0x06, u"y"},  // the key at the US Z types y on a German keyboard
    {"de", 0x1B, u"\u00DF"},
    {"fr", 0x00, u"q"},
    // A layout without Latin letters: the first one that has them decides.
    {"ru,us", 0x00, u"a"},
    // Only Cyrillic at hand: that is what the key types.
    {"ru", 0x00, u"\u0444"},
};

TEST_F(KeyboardTest, KeysTypeWhatTheLayoutPutsAtTheirPosition) {
    for (const auto& row : kLayouts) {
        SCOPED_TRACE(std::string(row.layouts) + " key " + std::to_string(row.keyCode));
        ASSERT_EQ(desktop().run({"setxkbmap", "-layout", row.layouts}), 0);
        catchUp();
        auto typed = backend().keyboard().translateKeyCode(row.keyCode);
        EXPECT_EQ(typed.status, KeyTranslation::Status::Ok);
        EXPECT_EQ(typed.text, row.text);
    }
}

TEST_F(KeyboardTest, KeysWithoutAPlaceAreAnErrorAndNoHotKey) {
    EXPECT_EQ(backend().keyboard().translateKeyCode(0x34).status, KeyTranslation::Status::Error);
    EventHotKeyRef ref = 0;
    for (uint32_t keyCode : {0x34u, 0x10000u})
        EXPECT_EQ(backend().hotKeys().registerEventHotKey(keyCode, kCarbonControlKey, {1, 1}, ref),
                  kEventHotKeyInvalidErr);
    auto reserved = backend().keyboard().copySymbolicHotKeys();
    ASSERT_TRUE(reserved);
    EXPECT_TRUE(reserved->empty());
}

}  // namespace
}  // namespace tilvane::e2e
