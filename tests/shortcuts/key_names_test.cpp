#include "shortcuts/key_names.h"

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "platform/events.h"
#include "shortcuts/unicode_text.h"

namespace tilvane {
namespace {

TEST(KeyNamesTest, WordsOfShortcuts) {
    struct Row {
        Shortcut shortcut;
        const char* words;
    } rows[] = {
        {Shortcut(123, 0xC0000), "ctrl+alt+Left"},
        {Shortcut(46, 0x1C0000), "ctrl+alt+super+m"},
        {Shortcut(123, 0x60000), "ctrl+shift+Left"},
        {Shortcut(105, 0), "F13"},
        {Shortcut(49, modifier::kOption), "alt+space"},
        {Shortcut(200, modifier::kCommand), "super+key200"},
        {Shortcut(Shortcut::kNoKeyCode, modifier::kCommand), "super"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shortcutWords(row.shortcut), row.words);
        if (row.shortcut.keyCode() != Shortcut::kNoKeyCode) {
            EXPECT_EQ(parseShortcutWords(row.words), row.shortcut);
        }
    }
    // Every default shortcut has words of its own, which read back as it.
    for (const auto& action : kActions) {
        Shortcut s(action.defaultKeyCode, action.defaultModifierFlags);
        EXPECT_EQ(shortcutWords(s).find("key"), std::string::npos) << shortcutWords(s);
        EXPECT_EQ(parseShortcutWords(shortcutWords(s)), s) << shortcutWords(s);
    }
}

TEST(KeyNamesTest, ParsesAliasesAndRefusesNonsense) {
    struct Row {
        const char* words;
        std::optional<Shortcut> shortcut;
    } rows[] = {
        {"Control+Option+left", Shortcut(123, 0xC0000)},
        {"cmd+SHIFT+Q", Shortcut(12, modifier::kCommand | modifier::kShift)},
        {"super+command+q", std::nullopt},  // Command twice
        {"ctrl+alt", std::nullopt},         // no key
        {"ctrl+alt+Lft", std::nullopt},
        {"ctrl+hyper+a", std::nullopt},
        {"", std::nullopt},
        {"ctrl+key70000", std::nullopt},
        {"Page_Up", Shortcut(116, 0)},
        {"KP_Enter", Shortcut(76, 0)},
    };
    for (const auto& row : rows) EXPECT_EQ(parseShortcutWords(row.words), row.shortcut) << row.words;
}

TEST(UnicodeTextTest, ConvertsAndMapsCase) {
    EXPECT_EQ(unicode::toUtf8(u"a\u00e9\u2318\U0001F600"), "a\u00e9\u2318\U0001F600");
    EXPECT_EQ(unicode::toUtf16("a\u00e9\u2318\U0001F600"), u"a\u00e9\u2318\U0001F600");
    EXPECT_EQ(unicode::toUtf8(std::u16string(1, char16_t(0xD800))), "\uFFFD");
    EXPECT_EQ(unicode::toUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(unicode::toUtf16("\xC0\x80"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(unicode::toUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(unicode::toLower(u"AZ\u00c9\u03a9\u0100\u0130"), u"az\u00e9\u03c9\u0101i\u0307");
    EXPECT_EQ(unicode::toUpper(u"1-=\u2190"), u"1-=\u2190");
}

}  // namespace
}  // namespace tilvane
