#include "shortcuts/shortcut.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_keyboard.h"
#include "shortcuts/shortcut_text.h"

namespace tilvane {
namespace {

using sim::SimKeyboard;
constexpr uint64_t kShift = modifier::kShift, kControl = modifier::kControl, kOption = modifier::kOption,
                   kCommand = modifier::kCommand;

TEST(ShortcutTest, ConstructionKeepsOnlyTheFourModifierBits) {
    Shortcut s(0, 0x1E0000 | modifier::kCapsLock | modifier::kFunction | modifier::kNumericPad | 0xFF);
    EXPECT_EQ(s.modifierFlags(), 0x1E0000u);
    EXPECT_EQ(Shortcut::shortcutWithEvent(0x10000 + 12, kCommand).keyCode(), 12);
}

// Key text and key-equivalent text for one key on the US layout.
struct KeyRow {
    int64_t keyCode;
    const char* text;
    const char* keyEquivalent;
};

class KeyTextTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeyTextTest, RendersOnTheUsLayout) {
    SimKeyboard keyboard;
    const KeyRow& row = GetParam();
    Shortcut s(row.keyCode, 0);
    EXPECT_EQ(s.keyCodeString(&keyboard), row.text);
    EXPECT_EQ(s.keyCodeStringForKeyEquivalent(&keyboard), row.keyEquivalent);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTextTest,
                         ::testing::Values(
                             // Special keys: fixed glyphs, single characters stay as they are for menus.
                             KeyRow{123, "\u2190", "\u2190"}, KeyRow{89, "7", "7"},
                             // Space and the function keys are longer than one character.
                             KeyRow{49, "Space", " "}, KeyRow{122, "F1", "\uF704"}, KeyRow{105, "F13", "\uF710"},
                             KeyRow{80, "F19", "\uF716"},
                             // F20 is not special: it types a control character, so it renders as nothing.
                             KeyRow{90, "", ""},
                             // Layout keys are upper-cased; their key equivalent is lower case.
                             KeyRow{0, "A", "a"}, KeyRow{18, "1", "1"}, KeyRow{42, "\\", "\\"},
                             // Modifier keys type nothing; the no-key code renders as nothing.
                             KeyRow{56, "", ""}, KeyRow{59, "", ""}, KeyRow{Shortcut::kNoKeyCode, "", ""}));

TEST(ShortcutTest, DescriptionIsModifiersThenKey) {
    SimKeyboard keyboard;
    EXPECT_EQ(Shortcut(123, kControl | kOption).description(&keyboard), "\u2303\u2325\u2190");
    EXPECT_EQ(Shortcut(0, 0x1E0000 | modifier::kCapsLock).description(&keyboard), "\u2303\u2325\u21E7\u2318A");
    EXPECT_EQ(Shortcut(Shortcut::kNoKeyCode, 0).description(&keyboard), "");
}

// Where the desktop writes shortcuts in words (Linux), every place that shows
// one reads Ctrl+Alt+Left; without a layout, a letter key still shows.
TEST(ShortcutTest, DescriptionInWords) {
    sim::SimKeyboard layout;
    sim::SimKeyboard none;
    none.setLayout(sim::SimKeyboard::Layout::None);
    struct Row {
        Shortcut shortcut;
        sim::SimKeyboard* keyboard;
        const char* words;
    } rows[] = {
        {Shortcut(123, kControl | kOption), &layout, "Ctrl+Alt+Left"},
        {Shortcut(0x2E, 0x1E0000), &layout, "Ctrl+Alt+Shift+Super+M"},
        {Shortcut(0x2E, kControl | kOption | modifier::kCommand), &none, "Ctrl+Alt+Super+M"},
        {Shortcut(0x1B, kControl | kOption | modifier::kCommand), &layout, "Ctrl+Alt+Super+-"},
        {Shortcut(0x60, kControl), &none, "Ctrl+F5"},
        {Shortcut(49, kOption), &layout, "Alt+Space"},
        {Shortcut(0x35, kControl), &layout, "Ctrl+Esc"},
        {Shortcut(Shortcut::kNoKeyCode, kControl | kOption), &layout, "Ctrl+Alt"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.shortcut.descriptionInWords(row.keyboard), row.words);
}

TEST(ShortcutTest, LayoutTextsThatAreNotPrintableRenderAsNothing) {
    struct Row {
        SimKeyboard::Layout layout;
        bool fails;
        const char* text;
        const char* keyEquivalent;
    } rows[] = {
        {SimKeyboard::Layout::TwoCharacters, false, "AE", ""},
        {SimKeyboard::Layout::ControlCharacter, false, "", ""},
        {SimKeyboard::Layout::None, false, "", ""},
        {SimKeyboard::Layout::UsAnsi, true, "", ""},
    };
    for (const auto& row : rows) {
        SimKeyboard keyboard;
        keyboard.setLayout(row.layout);
        keyboard.setTranslationFails(row.fails);
        Shortcut s(0, kCommand);
        EXPECT_EQ(s.keyCodeString(&keyboard), row.text);
        EXPECT_EQ(s.keyCodeStringForKeyEquivalent(&keyboard), row.keyEquivalent);
        // Special keys do not depend on the layout.
        EXPECT_EQ(Shortcut(123, 0).keyCodeString(&keyboard), "\u2190");
    }
    EXPECT_EQ(Shortcut(0, 0).keyCodeString(nullptr), "");
}

TEST(ShortcutTest, LayoutTextIsFilteredAndUpperCased) {
    struct Row {
        std::u16string typed;
        const char* text;
        const char* keyEquivalent;
    } rows[] = {
        {u"\u00e9", "\u00C9", "\u00e9"},  // é
        {u"\u00df", "SS", ""},            // ß upper-cases to two letters
        {u"\u0301", "\u0301", "\u0301"},  // a combining mark is allowed
        {u"\u20AC", "\u20AC", "\u20AC"},  // €, a symbol
        {u" ", "", ""},                   // a space
        {u"a\u00A0", "", ""},             // a no-break space among letters
        {u"\U0001F600", "", ""},          // a surrogate pair: each unit fails
        {u"\uF704", "", ""},              // private use
        {u"", "", ""},                    // nothing typed
    };
    for (const auto& row : rows) {
        SimKeyboard keyboard;
        keyboard.setKeyText(10, row.typed);
        Shortcut s(10, 0);
        EXPECT_EQ(s.keyCodeString(&keyboard), row.text);
        EXPECT_EQ(s.keyCodeStringForKeyEquivalent(&keyboard), row.keyEquivalent);
    }
}

TEST(ShortcutArchiveTest, RoundTripsThroughTheKeyedArchive) {
    plist::PlistKeyedArchiver archiver;
    const Shortcut rows[] = {
        Shortcut(123, kControl | kOption),
        Shortcut(0, 0),
        Shortcut(3, 0x1E0000),
        Shortcut(0xFFFF, kShift),
        Shortcut(Shortcut::kNoKeyCode, 0),
        Shortcut(Shortcut::kNoKeyCode, kCommand),
    };
    for (const Shortcut& s : rows) {
        auto data = archiveShortcut(archiver, s);
        auto back = unarchiveShortcut(archiver, data);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, s);
    }
}

TEST(ShortcutArchiveTest, NoKeyIsWrittenAsMinusOne) {
    ArchivedObject archive = Shortcut(Shortcut::kNoKeyCode, kCommand).encodeWithCoder();
    EXPECT_EQ(archive.className, "Shortcut");
    EXPECT_EQ(archive.integers.at("KeyCode"), -1);
    EXPECT_EQ(archive.integers.at("ModifierFlags"), int64_t(kCommand));
}

TEST(ShortcutArchiveTest, OddArchivesReadAsTheRulesSay) {
    struct Row {
        ArchivedObject archive;
        std::optional<Shortcut> expected;
    };
    auto archive = [](std::string className, std::map<std::string, int64_t> entries) {
        return ArchivedObject{std::move(className), std::move(entries)};
    };
    Row rows[] = {
        {archive("Shortcut", {{"KeyCode", -5}, {"ModifierFlags", 0}}), Shortcut(Shortcut::kNoKeyCode, 0)},
        {archive("Shortcut", {{"KeyCode", INT64_MAX - 1}, {"ModifierFlags", 0}}), Shortcut(INT64_MAX - 1, 0)},
        {archive("Shortcut", {{"ModifierFlags", int64_t(kCommand)}}), Shortcut(0, kCommand)},
        {archive("Shortcut", {}), Shortcut(0, 0)},
        {archive("Window", {{"KeyCode", 1}, {"ModifierFlags", 0}}), std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(Shortcut::initWithCoder(row.archive), row.expected);

    // Extra flag bits survive reading and make the shortcut differ from the built one.
    auto extra = Shortcut::initWithCoder(archive("Shortcut", {{"KeyCode", 3}, {"ModifierFlags", 0x9E0000}}));
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->modifierFlags(), 0x9E0000u);
    EXPECT_NE(*extra, Shortcut(3, 0x9E0000));
}

TEST(ShortcutTextTest, ShippedEnglishTableAndMissingKeys) {
    setShortcutStringsTable(std::nullopt);  // look for the shipped bundle
    EXPECT_EQ(ShortcutText("Space", "Shortcut glyph name for SPACE key"), "Space");
    EXPECT_EQ(ShortcutText("Type New Shortcut"), "Type New Shortcut");
    EXPECT_EQ(ShortcutText("no such text"), "XXX");

    setShortcutStringsTable(StringsTable{{"Space", "Leertaste"}});
    SimKeyboard keyboard;
    EXPECT_EQ(Shortcut(49, kOption).description(&keyboard), "\u2325Leertaste");
    EXPECT_EQ(Shortcut(49, 0).keyCodeStringForKeyEquivalent(&keyboard), " ");
    setShortcutStringsTable(StringsTable{});
    EXPECT_EQ(Shortcut(49, 0).keyCodeString(&keyboard), "XXX");
    setShortcutStringsTable(std::nullopt);
}

TEST(ShortcutTextTest, ParsesStringsFiles) {
    auto table = parseStringsFile(
        "\xEF\xBB\xBF/* a comment */\n"
        "\"Space\" = \"Space\";\n"
        "// another comment\n"
        "\"a\\nb\" = \"\\\"q\\\" \\U2018x\\U2019\\\\\";\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->size(), 2u);
    EXPECT_EQ(table->at("a\nb"), "\"q\" \u2018x\u2019\\");

    const char* malformed[] = {"\"a\" = \"b\"", "\"a\" \"b\";",       "\"a\" = \"b",
                               "/* open",       "\"a\" = \"\\U12\";", "x = y;"};
    for (const char* text : malformed) EXPECT_FALSE(parseStringsFile(text)) << text;
    EXPECT_EQ(parseStringsFile(""), StringsTable{});
}

}  // namespace
}  // namespace tilvane
