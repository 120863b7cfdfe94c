// What the program reads from the window manager's replies: JSON as a peer
// may send it, the outputs and windows of sway's and i3's trees, the
// bindings of a configuration, binding events, and the one command that
// places a window.

#include "platform/sway/sway_tree.h"

#include <gtest/gtest.h>

#include "platform/hot_keys.h"
#include "platform/key_symbols.h"
#include "platform/virtual_key_codes.h"

namespace tilvane::sway {
namespace {

Json parsed(const std::string& text) {
    std::string error;
    auto json = Json::parse(text, error);
    EXPECT_TRUE(json) << text << ": " << error;
    return json.value_or(Json());
}

TEST(JsonTest, ReadsWhatPeersSendAndRefusesWhatIsNotJson) {
    Json value = parsed(R"( {"a": [1, -2.5e2, true, null], "s": "\u00e9\ud83d\ude00\n\"", "o": {}} )");
    EXPECT_EQ(value["a"][1].number(), -250);
    EXPECT_EQ(value["a"][2].boolean(), true);
    EXPECT_TRUE(value["a"][3].isNull());
    EXPECT_EQ(value["s"].string(), "\xc3\xa9\xf0\x9f\x98\x80\n\"");
    // Reading what is not there, or of another kind, gives null.
    EXPECT_TRUE(value["missing"]["deeper"][size_t(7)].isNull());
    EXPECT_FALSE(value["s"].number());
    EXPECT_EQ(parsed(Json::quote("tab\tquote\"\x01")).string(), "tab\tquote\"\x01");

    const struct {
        std::string text;
        const char* why;
    } bad[] = {
        {"", "unexpected end"},
        {R"({"a": 1,})", "expected a member name"},
        {R"("open)", "an unterminated string"},
        {"\"a\x01\"", "a control character in a string"},
        {R"("\x")", "a bad escape"},
        {"[1] 2", "text after the value"},
        {"1e999", "number out of range"},
        {"-", "expected a value"},
        // A peer nesting without end is refused, not followed down the stack.
        {std::string(100000, '['), "nested too deeply"},
    };
    for (const auto& row : bad) {
        std::string error;
        EXPECT_FALSE(Json::parse(row.text, error)) << row.text.substr(0, 20);
        EXPECT_NE(error.find(row.why), std::string::npos) << row.text.substr(0, 20) << ": " << error;
    }
}

// sway: two outputs, a bar across each, a floating window on the second
// with its title bar above its rectangle.
const char* const kSwayTree = R"({"type":"root","nodes":[
 {"type":"output","name":"__i3","id":2,"rect":{"x":0,"y":0,"width":2880,"height":1024},"nodes":[]},
 {"type":"output","name":"HEADLESS-1","id":3,"rect":{"x":0,"y":0,"width":1280,"height":1024},"focus":[4],
  "nodes":[{"type":"workspace","id":4,"rect":{"x":0,"y":23,"width":1280,"height":1001},"nodes":[]}]},
 {"type":"output","name":"HEADLESS-2","id":5,"rect":{"x":1280,"y":0,"width":1600,"height":900},"focus":[8,6],
  "nodes":[{"type":"workspace","id":6,"rect":{"x":1280,"y":23,"width":1600,"height":877},"nodes":[]},
           {"type":"workspace","id":8,"rect":{"x":1280,"y":30,"width":1600,"height":870},"nodes":[],
            "floating_nodes":[{"type":"floating_con","id":7,"focused":true,"pid":42,"app_id":"foot",
              "rect":{"x":1380,"y":225,"width":640,"height":455},"deco_rect":{"x":100,"y":177,"width":640,"height":25}}]}]}]})";

// i3: the workspaces inside a content container, a floating window inside
// the container that holds its decorations.
const char* const kI3Tree = R"({"type":"root","nodes":[
 {"type":"output","name":"xroot-0","id":10,"rect":{"x":0,"y":0,"width":3360,"height":1080},"nodes":[]},
 {"type":"output","name":"DP-1","id":11,"rect":{"x":0,"y":0,"width":1920,"height":1080},"focus":[13,12],
  "nodes":[{"type":"dockarea","id":12,"rect":{"x":0,"y":0,"width":1920,"height":20},"nodes":[]},
           {"type":"con","name":"content","id":13,"rect":{"x":0,"y":20,"width":1920,"height":1060},"focus":[14],
            "nodes":[{"type":"workspace","id":14,"rect":{"x":0,"y":20,"width":1920,"height":1060},"nodes":[],
              "floating_nodes":[{"type":"floating_con","id":15,"rect":{"x":100,"y":120,"width":504,"height":424},
                "nodes":[{"type":"con","id":16,"focused":true,"window":4194307,"pid":7,
                  "rect":{"x":102,"y":140,"width":500,"height":400},"deco_rect":{"x":0,"y":0,"width":504,"height":20}}]}]}]}]}]})";

TEST(SwayTreeTest, OutputsScreensAndTheFocusedWindowOfSwayAndI3) {
    Json sway = parsed(kSwayTree);
    auto outputs = outputsOf(sway);
    ASSERT_EQ(outputs.size(), 2u) << "the scratchpad is no output";
    EXPECT_EQ(outputs[1].usable, (Rect{1280, 30, 1600, 870})) << "the workspace shown, not the first";
    EXPECT_TRUE(outputs[1].focused);
    auto screens = screensOf(outputs);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].visibleFrame, (Rect{0, 0, 1280, 1001}));
    // Bottom-left coordinates from the primary output's bottom edge.
    EXPECT_EQ(screens[1].frame, (Rect{1280, 124, 1600, 900}));
    EXPECT_EQ(screens[1].menuBarHeight, 30);
    auto window = focusedWindowOf(sway, TitleBar::AboveRect);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->frame, (Rect{1380, 200, 640, 480}));
    EXPECT_EQ(window->pid, 42);
    EXPECT_EQ(windowsOfProcess(sway, 42, TitleBar::AboveRect).size(), 1u);
    EXPECT_FALSE(windowOf(sway, 6, TitleBar::AboveRect)) << "a workspace is no window";

    Json i3 = parsed(kI3Tree);
    outputs = outputsOf(i3);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[1].usable, (Rect{0, 20, 1920, 1060}));
    EXPECT_EQ(primaryOf(outputs)->name, "xroot-0") << "the first output at the origin";
    window = focusedWindowOf(i3, TitleBar::InsideRect);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->id, 16);
    EXPECT_EQ(window->frame, (Rect{100, 120, 504, 424}));
    EXPECT_TRUE(window->floating);
    // Focus on an empty workspace: no window.
    EXPECT_FALSE(focusedWindowOf(parsed(R"({"type":"workspace","focused":true,"nodes":[]})"), TitleBar::AboveRect));
}

TEST(SwayTreeTest, OneCommandPlacesTheWindowWithItsFarEdgesRounded) {
    EXPECT_EQ(setFrameCommand(7, {0, 523.5, 426.66, 500.5}),
              "[con_id=7] floating enable, resize set 427 px 500 px, move absolute position 0 px 524 px");
    EXPECT_EQ(moveToWorkspaceCommand(7, R"(web "2")"),
              R"([con_id=7] move container to workspace "web \"2\""; workspace "web \"2\""; [con_id=7] focus)");
    // The workspaces of the output with the focus, the one shown there.
    Workspaces workspaces = focusedOutputsWorkspaces(parsed(kSwayTree));
    EXPECT_EQ(workspaces.all.size(), 2u);
    EXPECT_EQ(workspaces.shown, 8);
}

TEST(SwayTreeTest, CombinationsOfHotKeysAndOfTheConfigurationAreWrittenAlike) {
    EXPECT_EQ(comboFor(key::kLeftArrow, kCarbonControlKey | kCarbonOptionKey), "Ctrl+Mod1+Left");
    EXPECT_EQ(comboFor(key::kF, kCarbonControlKey | kCarbonOptionKey | kCarbonCmdKey | kCarbonShiftKey),
              "Ctrl+Mod1+Mod4+Shift+f");
    EXPECT_EQ(normalizedCombo("Shift+Super+Control+F"), "Ctrl+Mod4+Shift+f");
    EXPECT_EQ(normalizedCombo("alt+Logo+plus"), "Mod1+Mod4+plus");
    EXPECT_FALSE(normalizedCombo("Ctrl+Alt"));

    const char* config = R"(# bindsym Ctrl+Alt+Up commented out
set $mod Mod4
set $left Left
bindsym $mod+Return exec foot
bindsym --no-repeat --to-code Control+Alt+$left nop mine
bindcode 113 nop by code
mode "resize" {
    bindsym Ctrl+Alt+Right resize grow width 10px
}
bar {
    bindsym button4 workspace next
}
bindsym Ctrl+Alt+Down exec x)";
    EXPECT_EQ(boundCombos(config), (std::vector<std::string>{"Mod4+Return", "Ctrl+Mod1+Left", "Ctrl+Mod1+Down"}));
    // A variable whose value names it (found by fuzzing: it hung the reading).
    EXPECT_EQ(boundCombos("set $k $k\nbindsym Ctrl+$k nop"), std::vector<std::string>{"Ctrl+$k"});
}

TEST(SwayTreeTest, OnlyTheProgramsOwnBindingsAreHotKeys) {
    const struct {
        const char* event;
        std::optional<uint64_t> hotKey;
    } rows[] = {
        {R"({"change":"run","binding":{"command":"nop tilvane-hotkey 12"}})", 12},
        {R"({"change":"run","binding":{"command":"nop tilvane-hotkey 1x"}})", std::nullopt},
        {R"({"change":"run","binding":{"command":"nop tilvane-hotkey -3"}})", std::nullopt},
        {R"({"change":"run","binding":{"command":"exec tilvane-hotkey 12"}})", std::nullopt},
        {R"({"change":"other","binding":{"command":"nop tilvane-hotkey 12"}})", std::nullopt},
        {R"({"change":"run"})", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(hotKeyOfBinding(parsed(row.event), "tilvane-hotkey"), row.hotKey) << row.event;
}

// The program knows sway's container for one of its own windows by its
// process and the X window, or the title, that tells it from the others.
TEST(SwayTreeTest, AContainerIsOneOfTheProgramsWindowsOnlyWhenItTellsWhichOne) {
    const std::vector<DesktopBackend::OwnWindow> own{{101, "Preferences"}, {102, "Tilvane"}, {103, "Tilvane"}};
    const struct {
        const char* container;
        std::optional<uint64_t> window;
    } rows[] = {
        {R"({"id":7,"pid":42,"app_id":"tilvane","name":"Preferences"})", 101},
        {R"({"id":7,"pid":43,"app_id":"tilvane","name":"Preferences"})", std::nullopt},
        {R"({"id":7,"pid":42,"window":103,"name":"Tilvane"})", 103},
        {R"({"id":7,"pid":42,"app_id":"tilvane","name":"Tilvane"})", std::nullopt},
        {R"({"id":7,"pid":42,"app_id":"tilvane","name":"About Tilvane"})", std::nullopt},
        {R"({"id":7,"pid":42,"app_id":"tilvane"})", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(ownWindowOf(parsed(row.container), 42, own), row.window) << row.container;
    // Another program's window is never taken for one of the program's, whose Wayland ids are as small.
    EXPECT_NE(windowIdFor(parsed(R"({"id":101,"pid":43,"name":"Preferences"})"), 42, own), 101u);
    EXPECT_EQ(windowIdFor(parsed(R"({"id":7,"pid":42,"name":"Preferences"})"), 42, own), 101u);
    // A new container of the program's is floated as a menu only while a menu
    // is shown: the preferences window's title may come after the window.
    auto withMenu = own;
    withMenu.push_back({104, "", true});
    const struct {
        const char* container;
        bool menuShown, menu;
    } menus[] = {
        {R"({"id":8,"pid":42})", false, false},
        {R"({"id":8,"pid":42})", true, true},
        {R"({"id":8,"pid":42,"name":"Preferences"})", true, false},
        {R"({"id":8,"pid":43})", true, false},
    };
    for (const auto& row : menus)
        EXPECT_EQ(isOwnMenu(parsed(row.container), 42, row.menuShown ? withMenu : own), row.menu)
            << row.container << (row.menuShown ? " with a menu shown" : "");
    EXPECT_EQ(ownWindowOf(parsed(R"({"id":8,"pid":42,"name":""})"), 42, withMenu), std::nullopt);
    EXPECT_EQ(focusedClientOf(parsed(kSwayTree))->operator[]("id").number(), 7);
}

TEST(SwayTreeTest, TheBarsTextColourWithoutItsAlpha) {
    EXPECT_EQ(barTextColour(parsed(R"({"colors":{"statusline":"#ffffffff"}})")), "#ffffff");
    EXPECT_EQ(barTextColour(parsed(R"({"colors":{"statusline":"#1a2B3c"}})")), "#1a2B3c");
    for (const char* bad : {R"({"colors":{"statusline":"white"}})", R"({"colors":{"statusline":"#12345"}})",
                            R"({"colors":{"statusline":"#ggg000"}})", R"({"colors":{}})"})
        EXPECT_FALSE(barTextColour(parsed(bad))) << bad;
}

// A key typed in the program's windows on sway is read by its symbol: the
// key a US layout types it with, Shift or not.
TEST(SwayTreeTest, KeySymbolsAreTheKeysTheyAreTypedWith) {
    const struct {
        uint32_t keySymbol;
        std::optional<uint16_t> keyCode;
    } rows[] = {
        {'h', key::kH},
        {'H', key::kH},
        {'!', key::k1},
        {'_', key::kMinus},
        {0xfe20, key::kTab},
        {0xffbe + 12, key::kF13},
        {0xff51, key::kLeftArrow},
        {0xffe3, key::kControl},
        {0xffeb, key::kCommand},
        {0x20ac, std::nullopt},
        {0, std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(keyCodeOfKeySymbol(row.keySymbol), row.keyCode) << row.keySymbol;
}

}  // namespace
}  // namespace tilvane::sway
