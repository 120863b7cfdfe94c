// The shortcut recorder on the simulated desktop: clicks, keys while
// recording, what it draws, and its settings key.

#include "shortcuts/shortcut_view.h"

#include <gtest/gtest.h>

#include "platform/plist/keyed_archiver.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_user_interface.h"
#include "shortcuts/shortcut_text.h"

namespace tilvane {
namespace {

using Titles = std::vector<std::string>;
constexpr uint64_t kShift = modifier::kShift, kControl = modifier::kControl, kOption = modifier::kOption,
                   kCommand = modifier::kCommand;
const Shortcut kLeft(123, kControl | kOption), kRight(124, kControl | kOption), kUp(126, kControl | kOption);
// The 120-point control's delete area is its right end from x = 97 on.
constexpr Point kInShortcut{40, 9}, kInHint{97, 9};
constexpr EventType kDown = EventType::KeyDown, kFlags = EventType::FlagsChanged;

// Notes whether anything still listened to the keys while an alert was up.
class AlertUi : public sim::SimUserInterface {
public:
    using SimUserInterface::SimUserInterface;
    AlertResult runModal(const Alert& alert) override {
        listenedDuringAlert = hasKeyMonitor() || keyboardGrabbed();
        if (duringAlert) duringAlert();
        return SimUserInterface::runModal(alert);
    }
    bool listenedDuringAlert = false;
    std::function<void()> duringAlert;
};

class ShortcutViewTest : public testing::Test {
protected:
    ShortcutViewTest() {
        setShortcutStringsTable(std::nullopt);
        platform.userInterface = &ui;
        platform.keyboard = &keyboard;
        platform.settings = &store;
        platform.archiver = &archiver;
        group = std::make_unique<RecorderGroup>(platform, &validator);
        window.makeKeyAndOrderFront();
        view.setWindow(&window);
        other.setWindow(&window);
        recorder = std::make_unique<ShortcutView>(view, *group);
    }
    ~ShortcutViewTest() override { setShortcutStringsTable(std::nullopt); }

    bool type(uint16_t key, uint64_t flags, EventType type = kDown) { return ui.typeKey({type, key, flags}); }
    Titles titles() {
        Titles result;
        for (const auto& piece : view.draw()) result.push_back(piece.title);
        return result;
    }
    SettingsValue archived(const Shortcut& s) { return SettingsValue(archiveShortcut(archiver, s)); }

    AlertUi ui;
    sim::SimKeyboard keyboard;
    sim::MemorySettingsStore store;
    plist::PlistKeyedArchiver archiver;
    ShortcutValidator validator{&keyboard};
    sim::SimProgramWindow window{"Preferences"};
    sim::SimCustomView view, other;
    sim::SimDesktop desktop;
    Platform platform = desktop.platform();
    std::unique_ptr<RecorderGroup> group;
    std::unique_ptr<ShortcutView> recorder;
};

TEST_F(ShortcutViewTest, Clicks) {
    struct Row {
        bool set, recording;
        Point at;
        bool recordingAfter, setAfter;
    } rows[] = {
        {false, false, kInShortcut, true, false}, {false, false, kInHint, true, false},
        {false, true, kInHint, false, false},     {false, true, kInShortcut, true, false},
        {true, false, {96.5, 9}, true, true},     {true, false, kInHint, false, false},
        {true, true, kInHint, false, true},       {true, true, kInShortcut, true, true},
    };
    for (const auto& row : rows) {
        recorder->setRecording(false);
        recorder->setShortcutValue(row.set ? std::optional(kLeft) : std::nullopt);
        recorder->setRecording(row.recording);
        view.click(row.at);
        EXPECT_EQ(recorder->isRecording(), row.recordingAfter) << &row - rows;
        EXPECT_EQ(recorder->shortcutValue(), row.setAfter ? std::optional(kLeft) : std::nullopt) << &row - rows;
    }
}

TEST_F(ShortcutViewTest, KeysWhileRecording) {
    const std::optional<Shortcut> none;
    struct Row {
        const char* what;
        std::optional<Shortcut> before;
        EventType type;
        uint16_t key;
        uint64_t flags;
        bool passedOn, recordingAfter;
        std::optional<Shortcut> after;
        int beeps;
        const char* announced;
    } rows[] = {
        {"Tab", kLeft, kDown, 48, 0, true, true, kLeft, 0, nullptr},
        {"Shift+Tab", none, kDown, 48, kShift, true, true, none, 0, nullptr},
        {"Delete", kLeft, kDown, 51, 0, false, false, none, 0, "Shortcut cleared"},
        {"Command+Delete", kLeft, kDown, 51, kCommand, false, false, Shortcut(51, kCommand), 0, "Shortcut set"},
        {"Shift+Delete", kLeft, kDown, 51, kShift, false, true, kLeft, 1, nullptr},
        {"Escape", kLeft, kDown, 53, 0, false, false, kLeft, 0, "Shortcut set"},
        {"Escape, empty", none, kDown, 53, 0, false, false, none, 0, "Shortcut cleared"},
        {"Escape, Caps Lock", kLeft, kDown, 53, modifier::kCapsLock, false, false, kLeft, 0, "Shortcut set"},
        {"Option+Escape", none, kDown, 53, kOption, false, false, Shortcut(53, kOption), 0, "Shortcut set"},
        {"Command+W", kLeft, kDown, 13, kCommand, true, false, kLeft, 0, "Shortcut set"},
        {"Command+Q", none, kDown, 12, kCommand, true, false, none, 0, "Shortcut cleared"},
        {"Shift+Command+Q", none, kDown, 12, kShift | kCommand, false, false, Shortcut(12, kShift | kCommand), 0,
         "Shortcut set"},
        {"Control+W", none, kDown, 13, kControl, false, false, Shortcut(13, kControl), 0, "Shortcut set"},
        {"A", kLeft, kDown, 0, 0, false, true, kLeft, 1, nullptr},
        {"Control+Option+Left", kUp, kDown, 123, kControl | kOption, false, false, kLeft, 0, "Shortcut set"},
        {"F5", none, kDown, 96, modifier::kFunction, false, false, Shortcut(96, 0), 0, "Shortcut set"},
        {"Command+key typing nothing", none, kDown, 52, kCommand, false, true, none, 0, nullptr},
        {"Modifier change reported without its key", kLeft, kFlags, 0, 0, false, true, kLeft, 0, nullptr},
    };
    for (const auto& row : rows) {
        recorder->setRecording(false);
        recorder->setShortcutValue(row.before);
        recorder->setRecording(true);
        const auto announcements = ui.announcements().size();
        const int beeps = ui.beeps();
        EXPECT_EQ(type(row.key, row.flags, row.type), row.passedOn) << row.what;
        EXPECT_EQ(recorder->isRecording(), row.recordingAfter) << row.what;
        EXPECT_EQ(ui.hasKeyMonitor(), row.recordingAfter) << row.what;
        EXPECT_EQ(ui.keyboardGrabbed(), row.recordingAfter) << row.what;
        EXPECT_EQ(recorder->shortcutValue(), row.after) << row.what;
        EXPECT_EQ(ui.beeps() - beeps, row.beeps) << row.what;
        if (row.announced)
            EXPECT_EQ(ui.announcements().back(), (sim::SimUserInterface::Announcement{row.announced, 90})) << row.what;
        else
            EXPECT_EQ(ui.announcements().size(), announcements) << row.what;
    }
}

// While recording, the modifiers held show in place of the prompt.
TEST_F(ShortcutViewTest, ModifiersHeldShowInsteadOfThePrompt) {
    view.click(kInShortcut);
    EXPECT_FALSE(type(58, kControl | kOption, kFlags));
    EXPECT_EQ(titles(), (Titles{"⎋", "⌃⌥"}));
    EXPECT_FALSE(type(58, 0, kFlags));
    EXPECT_EQ(titles(), (Titles{"⎋", "Type Shortcut"}));
}

TEST_F(ShortcutViewTest, Titles) {
    struct Row {
        std::optional<Shortcut> value;
        bool recording, hinting, showsDelete;
        const char* placeholder;
        Titles titles;
    } rows[] = {
        {std::nullopt, false, false, true, "", {"Record Shortcut"}},
        {std::nullopt, true, false, true, "", {"⎋", "Type Shortcut"}},
        {std::nullopt, true, true, true, "⌃", {"⎋", "Cancel"}},
        {kLeft, false, false, true, "", {"✕", "⌃⌥←"}},
        {kLeft, false, true, false, "", {"⌃⌥←"}},
        {kLeft, true, false, true, "", {"⎋", "Type New Shortcut"}},
        {kLeft, true, false, false, "⇧", {"⎋", "⇧"}},
        {kLeft, true, true, true, "⇧", {"⎋", "Use Old Shortcut"}},
    };
    for (const auto& row : rows) {
        recorder->setShortcutValue(row.value);
        recorder->setShowsDeleteButton(row.showsDelete);
        recorder->setRecording(row.recording);
        recorder->setShortcutPlaceholder(row.placeholder);
        view.hover(kInHint, row.hinting);
        EXPECT_EQ(titles(), row.titles) << &row - rows;
        recorder->setRecording(false);
    }
}

// Tool tips only while idle and enabled; the delete area clears even where no button is drawn.
TEST_F(ShortcutViewTest, ToolTipsAndTheDeleteAreaWithoutItsButton) {
    recorder->setShowsDeleteButton(false);
    recorder->setShortcutValue(kLeft);
    EXPECT_EQ(view.toolTipAt(kInShortcut), "Click to record new shortcut");
    EXPECT_EQ(view.toolTipAt(kInHint), "Delete shortcut");
    recorder->setRecording(true);
    EXPECT_TRUE(view.toolTips().empty());
    recorder->setRecording(false);
    view.click(kInHint);
    EXPECT_EQ(recorder->shortcutValue(), std::nullopt);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(view.toolTips().empty());
}

// Assistive technology names the control by its shortcut and presses it to record.
TEST_F(ShortcutViewTest, ADisabledControlNeverRecordsAndStopsRecording) {
    EXPECT_EQ(recorder->accessibilityLabel(), "Empty keyboard shortcut");
    recorder->setShortcutValue(kLeft);
    EXPECT_EQ(recorder->accessibilityLabel(), "⌃⌥← keyboard shortcut");
    EXPECT_TRUE(recorder->accessibilityPerformPress());
    EXPECT_FALSE(recorder->accessibilityPerformPress()) << "already recording";
    recorder->setEnabled(false);
    EXPECT_FALSE(recorder->isRecording() || ui.hasKeyMonitor() || ui.keyboardGrabbed());
    EXPECT_EQ(ui.announcements().back().text, "Shortcut set");
    view.click(kInShortcut);
    view.click(kInHint);
    recorder->accessibilityPerformPress();
    EXPECT_FALSE(recorder->isRecording() || ui.hasKeyMonitor());
    EXPECT_EQ(recorder->shortcutValue(), kLeft);
    EXPECT_TRUE(view.trackingAreas().empty() && view.toolTips().empty());
    for (const auto& piece : view.draw()) EXPECT_FALSE(piece.enabled);
}

TEST_F(ShortcutViewTest, OneRecorderAtATime) {
    {
        ShortcutView second(other, *group);
        view.click(kInShortcut);
        other.click(kInShortcut);
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(group->activeRecorder(), &second);
        EXPECT_EQ(ui.announcements(), (std::vector<sim::SimUserInterface::Announcement>{{"Shortcut cleared", 90}}));
        type(123, kControl | kOption);
        EXPECT_EQ(second.shortcutValue(), kLeft);
        EXPECT_EQ(recorder->shortcutValue(), std::nullopt);
        // A recorder that goes away while recording stops listening.
        second.setRecording(true);
    }
    EXPECT_FALSE(ui.hasKeyMonitor() || ui.keyboardGrabbed());
    EXPECT_EQ(group->activeRecorder(), nullptr);
    EXPECT_EQ(other.logic(), nullptr);
    // One that goes away idle leaves the recording one alone.
    recorder->setRecording(true);
    { ShortcutView idle(other, *group); }
    EXPECT_TRUE(recorder->isRecording() && ui.hasKeyMonitor() && ui.keyboardGrabbed());
}

TEST_F(ShortcutViewTest, ACombinationInUseIsExplainedAndRecordingGoesOn) {
    keyboard.setSymbolicHotKeys(std::vector<SymbolicHotKey>{{123, kLeft.carbonFlags(), true}});
    std::string bySystem;
    ASSERT_TRUE(validator.isShortcutAlreadyTakenBySystem(kLeft, &bySystem));
    recorder->setTakenElsewhere([](const Shortcut& s) -> std::optional<std::string> {
        if (s == kRight) return "Used by Right Half.";
        return std::nullopt;
    });
    ui.duringAlert = [&] { window.resignKey(); };
    view.click(kInShortcut);
    type(58, kControl | kOption, kFlags);

    EXPECT_FALSE(type(123, kControl | kOption));
    EXPECT_FALSE(type(124, kControl | kOption));
    ASSERT_EQ(ui.alerts().size(), 2u);
    EXPECT_EQ(ui.alerts()[0].messageText, "The key combination ⌃⌥← cannot be used");
    EXPECT_EQ(ui.alerts()[0].informativeText, bySystem);
    EXPECT_EQ(ui.alerts()[1].messageText, "The key combination ⌃⌥→ cannot be used");
    EXPECT_EQ(ui.alerts()[1].informativeText, "Used by Right Half.");
    EXPECT_FALSE(ui.listenedDuringAlert);
    EXPECT_TRUE(recorder->isRecording() && ui.hasKeyMonitor());
    EXPECT_EQ(titles(), (Titles{"⎋", "Type Shortcut"}));

    type(126, kControl | kOption);
    EXPECT_EQ(recorder->shortcutValue(), kUp);
}

TEST_F(ShortcutViewTest, SettingsKey) {
    store.setObject("LeftShortcut", archived(kLeft));
    int changes = 0;
    recorder->setShortcutValueChange([&](ShortcutView&) { ++changes; });
    recorder->setAssociatedUserDefaultsKey("LeftShortcut");
    EXPECT_EQ(recorder->shortcutValue(), kLeft);

    // Someone else writes the key: the control follows and writes nothing.
    store.setObject("LeftShortcut", archived(kRight));
    EXPECT_EQ(recorder->shortcutValue(), kRight);
    EXPECT_EQ(store.synchronizeCount(), 0);

    // The user records: one write, flushed.
    view.click(kInShortcut);
    type(126, kControl | kOption);
    EXPECT_EQ(store.objectForKey("LeftShortcut"), archived(kUp));
    EXPECT_EQ(store.synchronizeCount(), 1);

    view.click(kInShortcut);
    type(51, 0);
    EXPECT_EQ(store.userDomain().count("LeftShortcut"), 0u);
    EXPECT_EQ(store.synchronizeCount(), 2);
    EXPECT_EQ(changes, 4);

    // What the control cannot read shows as no shortcut and stays as it is.
    store.setObject("LeftShortcut", archived(kLeft));
    store.setObject("LeftShortcut", "garbage");
    EXPECT_EQ(recorder->shortcutValue(), std::nullopt);
    EXPECT_EQ(store.objectForKey("LeftShortcut"), SettingsValue("garbage"));

    recorder->setAssociatedUserDefaultsKey(std::nullopt);
    store.setObject("LeftShortcut", archived(kLeft));
    recorder->setShortcutValue(kUp);
    EXPECT_EQ(store.objectForKey("LeftShortcut"), archived(kLeft));
}

}  // namespace
}  // namespace tilvane
