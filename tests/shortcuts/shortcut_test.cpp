// The shortcut value: its texts on a keyboard layout, in glyphs and in words,
// its archive, and the texts of the shortcut controls.

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

// A key's text (upper case, for the controls) and its key equivalent (for menus).
TEST(ShortcutTest, KeyTextAndKeyEquivalentOnALayout) {
    const struct {
        const char* name;
        int64_t keyCode;
        std::optional<std::u16string> typed;  // what the layout types there; none: the US layout
        SimKeyboard::Layout layout;
        const char *text, *keyEquivalent;
    } rows[] = {
        {"an arrow: a fixed glyph", 123, std::nullopt, SimKeyboard::Layout::None, "\u2190", "\u2190"},
        {"Space", 49, std::nullopt, SimKeyboard::Layout::UsAnsi, "Space", " "},
        {"F20 types a control character", 90, std::nullopt, SimKeyboard::Layout::UsAnsi, "", ""},
        {"a letter", 0, std::nullopt, SimKeyboard::Layout::UsAnsi, "A", "a"},
        {"no key", Shortcut::kNoKeyCode, std::nullopt, SimKeyboard::Layout::UsAnsi, "", ""},
        {"two characters", 0, std::nullopt, SimKeyboard::Layout::TwoCharacters, "AE", ""},
        {"a control character", 0, std::nullopt, SimKeyboard::Layout::ControlCharacter, "", ""},
        {"no layout", 0, std::nullopt, SimKeyboard::Layout::None, "", ""},
        {"\u00e9", 10, u"\u00e9", SimKeyboard::Layout::UsAnsi, "\u00C9", "\u00e9"},
        {"\u00df upper-cases to two letters", 10, u"\u00df", SimKeyboard::Layout::UsAnsi, "SS", ""},
        {"a combining mark", 10, u"\u0301", SimKeyboard::Layout::UsAnsi, "\u0301", "\u0301"},
        {"a space", 10, u" ", SimKeyboard::Layout::UsAnsi, "", ""},
        {"a surrogate pair: each unit fails", 10, u"\U0001F600", SimKeyboard::Layout::UsAnsi, "", ""},
    };
    for (const auto& row : rows) {
        SimKeyboard keyboard;
        keyboard.setLayout(row.layout);
        if (row.typed) keyboard.setKeyText(10, *row.typed);
        Shortcut s(row.keyCode, 0);
        EXPECT_EQ(s.keyCodeString(&keyboard), row.text) << row.name;
        EXPECT_EQ(s.keyCodeStringForKeyEquivalent(&keyboard), row.keyEquivalent) << row.name;
    }
    SimKeyboard failing;
    failing.setTranslationFails(true);
    EXPECT_EQ(Shortcut(0, kCommand).keyCodeString(&failing), "");
    EXPECT_EQ(Shortcut(0, 0).keyCodeString(nullptr), "");
}

// Where the desktop writes shortcuts in words (Linux), every place that shows
// one reads Ctrl+Alt+Left; without a layout, a letter key still shows.
TEST(ShortcutTest, DescriptionInGlyphsAndInWords) {
    SimKeyboard layout, none;
    none.setLayout(SimKeyboard::Layout::None);
    const struct {
        Shortcut shortcut;
        SimKeyboard* keyboard;
        const char *glyphs, *words;
    } rows[] = {
        {Shortcut(123, kControl | kOption), &layout, "\u2303\u2325\u2190", "Ctrl+Alt+Left"},
        {Shortcut(0x2E, 0x1E0000 | modifier::kCapsLock), &layout, "\u2303\u2325\u21E7\u2318M",
         "Ctrl+Alt+Shift+Super+M"},
        {Shortcut(0x2E, kControl | kOption | kCommand), &none, "\u2303\u2325\u2318", "Ctrl+Alt+Super+M"},
        {Shortcut(0x1B, kControl | kOption | kCommand), &layout, "\u2303\u2325\u2318-", "Ctrl+Alt+Super+-"},
        {Shortcut(0x60, kControl), &none, "\u2303F5", "Ctrl+F5"},
        {Shortcut(49, kOption), &layout, "\u2325Space", "Alt+Space"},
        {Shortcut(0x35, kControl), &layout, "\u2303\u238B", "Ctrl+Esc"},
        {Shortcut(Shortcut::kNoKeyCode, kControl | kOption), &layout, "\u2303\u2325", "Ctrl+Alt"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.shortcut.description(row.keyboard), row.glyphs) << row.words;
        EXPECT_EQ(row.shortcut.descriptionInWords(row.keyboard), row.words);
    }
}

TEST(ShortcutArchiveTest, RoundTripsAndOddArchivesReadAsTheRulesSay) {
    plist::PlistKeyedArchiver archiver;
    for (const Shortcut& s : {Shortcut(123, kControl | kOption), Shortcut(0, 0), Shortcut(0xFFFF, kShift),
                              Shortcut(Shortcut::kNoKeyCode, kCommand)})
        EXPECT_EQ(unarchiveShortcut(archiver, archiveShortcut(archiver, s)), s);

    auto archive = [](std::string className, std::map<std::string, int64_t> entries) {
        return ArchivedObject{std::move(className), std::move(entries)};
    };
    const std::pair<ArchivedObject, std::optional<Shortcut>> rows[] = {
        {archive("Shortcut", {{"KeyCode", -5}, {"ModifierFlags", 0}}), Shortcut(Shortcut::kNoKeyCode, 0)},
        {archive("Shortcut", {{"KeyCode", INT64_MAX - 1}, {"ModifierFlags", 0}}), Shortcut(INT64_MAX - 1, 0)},
        {archive("Shortcut", {{"ModifierFlags", int64_t(kCommand)}}), Shortcut(0, kCommand)},
        {archive("Window", {{"KeyCode", 1}, {"ModifierFlags", 0}}), std::nullopt},
    };
    for (const auto& [object, expected] : rows) EXPECT_EQ(Shortcut::initWithCoder(object), expected);

    // Extra flag bits survive reading and make the shortcut differ from the built one.
    auto extra = Shortcut::initWithCoder(archive("Shortcut", {{"KeyCode", 3}, {"ModifierFlags", 0x9E0000}}));
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->modifierFlags(), 0x9E0000u);
    EXPECT_NE(*extra, Shortcut(3, 0x9E0000));
}

// The texts come from the shipped strings file, or a table parsed from one;
// a text missing shows as "XXX".
TEST(ShortcutTextTest, StringsFilesAndMissingTexts) {
    setShortcutStringsTable(std::nullopt);  // look for the shipped bundle
    EXPECT_EQ(ShortcutText("Type New Shortcut"), "Type New Shortcut");
    EXPECT_EQ(ShortcutText("no such text"), "XXX");

    auto table = parseStringsFile(
        "\xEF\xBB\xBF/* a comment */\n"
        "\"Space\" = \"Leertaste\";\n"
        "// another comment\n"
        "\"a\\nb\" = \"\\\"q\\\" \\U2018x\\U2019\\\\\";\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->at("a\nb"), "\"q\" \u2018x\u2019\\");
    setShortcutStringsTable(*table);
    EXPECT_EQ(Shortcut(49, kOption).description(nullptr), "\u2325Leertaste");
    setShortcutStringsTable(StringsTable{});
    EXPECT_EQ(Shortcut(49, 0).keyCodeString(nullptr), "XXX");
    setShortcutStringsTable(std::nullopt);
    for (const char* text : {"\"a\" = \"b\"", "\"a\" \"b\";", "\"a\" = \"b", "/* open", "\"a\" = \"\\U12\";", "x = y;"})
        EXPECT_FALSE(parseStringsFile(text)) << text;
}

}  // namespace
}  // namespace tilvane
