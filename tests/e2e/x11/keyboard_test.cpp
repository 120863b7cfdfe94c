// What a key types, by its position, on the display's current layout.

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

class KeyboardTest : public BackendTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }

    std::u16string text(uint16_t keyCode) {
        auto t = backend().keyboard().translateKeyCode(keyCode);
        EXPECT_EQ(t.status, KeyTranslation::Status::Ok);
        return t.text;
    }

    void setLayout(const std::string& layouts) {
        ASSERT_EQ(desktop().run({"setxkbmap", "-layout", layouts}), 0);
        catchUp();
    }
};

struct LayoutRow {
    const char* layouts;
    uint16_t keyCode;
    const char16_t* text;
};

const LayoutRow kLayouts[] = {
    {"us", 0x00, u"a"},
    {"us", 0x06, u"z"},
    {"us", 0x2C, u"/"},
    {"us", 0x31, u" "},
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
    if (!inPath("setxkbmap")) GTEST_SKIP() << "setxkbmap is not installed";
    for (const auto& row : kLayouts) {
        SCOPED_TRACE(std::string(row.layouts) + " key " + std::to_string(row.keyCode));
        setLayout(row.layouts);
        EXPECT_EQ(text(row.keyCode), row.text);
    }
}

TEST_F(KeyboardTest, KeysWithoutAPlaceAreAnError) {
    EXPECT_EQ(backend().keyboard().translateKeyCode(0x34).status, KeyTranslation::Status::Error);
    auto reserved = backend().keyboard().copySymbolicHotKeys();
    ASSERT_TRUE(reserved);
    EXPECT_TRUE(reserved->empty());
}

}  // namespace
}  // namespace tilvane::e2e
