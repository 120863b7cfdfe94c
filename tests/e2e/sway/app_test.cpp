// The desktop application in a real sway session: its tray item on the
// session bus, hosted by swaybar, with the program's menu; the preferences
// window, opened from that menu or by `tilvane preferences`, which sway
// gives the keyboard and the program knows as its own; a shortcut recorded
// there by typing it, stored as the X11 build stores it, acting once the
// window is left.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "harness/desktop.h"
#include "harness/placement_rows.h"
#include "harness/sway_session.h"
#include "platform/sway/sway_backend.h"

namespace tilvane::e2e {
namespace {

using namespace std::chrono_literals;
using sway::IpcConnection;
using sway::Json;

// Qt's Wayland platform, which the application's windows need on sway.
bool qtWaylandInstalled() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", ignored))
        if (std::filesystem::exists(entry.path() / "qt6/plugins/platforms/libqwayland-generic.so", ignored))
            return true;
    return false;
}

// A StatusNotifierItem: its bus name and object path.
struct TrayItem {
    std::string service, path;
};

class SwayAppTest : public SwaySessionTest {
protected:
    void SetUp() override {
        if (!qtWaylandInstalled()) {
            std::string skip = "Qt's Wayland platform is not installed (qt6-wayland; tools/install-deps installs it)";
            if (endToEndRequired()) FAIL() << skip;
            GTEST_SKIP() << skip;
        }
        SwaySessionTest::SetUp();
    }

    // Starts the desktop application and waits until it says it serves.
    void startApp(const std::map<std::string, std::string>& also = {}) {
        std::string output;
        // The preferences window opens on the Shortcuts pane.
        ASSERT_EQ(sway().run({tilvaneBinary(), "defaults", "write", "Preferences Selected Identifier View", "-string",
                              "Shortcuts"},
                             &output),
                  0)
            << output;
        startServing({tilvaneBinary()}, also);
    }

    // The program's item as the bar's watcher lists it, once it is there.
    std::optional<TrayItem> trayItem() {
        std::optional<TrayItem> item;
        SwaySession::waitUntil([&] {
            Json items = sway().bus({"get-property", "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                     "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"});
            for (const Json& entry : items["data"].elements()) {
                std::string text = entry.string().value_or("");
                size_t slash = text.find('/');
                item = slash == std::string::npos ? TrayItem{text, "/StatusNotifierItem"}
                                                  : TrayItem{text.substr(0, slash), text.substr(slash)};
            }
            return item.has_value();
        });
        return item;
    }

    // The labels of the item's menu (as exported over com.canonical.dbusmenu) and their ids.
    std::map<std::string, int> menuOf(const TrayItem& item, std::string& menuPath) {
        menuPath = sway()
                       .bus({"get-property", item.service, item.path, "org.kde.StatusNotifierItem", "Menu"})["data"]
                       .string()
                       .value_or("");
        std::map<std::string, int> labels;
        if (menuPath.empty()) return labels;
        sway().bus({"call", item.service, menuPath, "com.canonical.dbusmenu", "AboutToShow", "i", "0"});
        Json layout =
            sway().bus({"call", item.service, menuPath, "com.canonical.dbusmenu", "GetLayout", "iias", "0", "-1", "0"});
        // An item is (id, properties, children), the children as variants.
        std::function<void(const Json&)> collect = [&](const Json& node) {
            const Json& id = node[size_t(0)];
            if (auto label = node[size_t(1)]["label"]["data"].string(); id.number() && label)
                labels[*label] = static_cast<int>(*id.number());
            for (const Json& child : node.elements()) collect(child["data"].isNull() ? child : child["data"]);
        };
        collect(layout["data"]);
        return labels;
    }

    // Whether sway's focused window is the application's, titled as asked.
    bool appWindowFocused(const std::string& title) {
        bool found = false;
        sway().eachNode([&](const Json& node, auto&&...) {
            found = found ||
                    (node["focused"].boolean().value_or(false) && node["pid"].number() == double(program_->pid()) &&
                     node["name"].string().value_or("").find(title) != std::string::npos);
        });
        return found;
    }

    // The container of the application's window; none when it shows none.
    std::optional<int64_t> appWindow() {
        std::optional<int64_t> found;
        sway().eachNode([&](const Json& node, auto&&...) {
            if (node["pid"].number() == double(program_->pid()))
                found = static_cast<int64_t>(node["id"].number().value_or(0));
        });
        return found;
    }

    // Whether a window of the application floats.
    bool appWindowFloats() {
        bool found = false;
        sway().eachNode([&](const Json& node, const std::string&, bool floating) {
            found = found || (floating && node["pid"].number() == double(program_->pid()));
        });
        return found;
    }

    // The line `tilvane shortcuts` prints for a key.
    std::string shortcutLine(const std::string& key) {
        std::string output;
        sway().run({tilvaneBinary(), "shortcuts"}, &output);
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(key + " ", 0) == 0) return line;
        return "no line for " + key + " in:\n" + output;
    }
};

// How the preferences window is opened: the tray menu's item, or `tilvane preferences`.
class SwayAppPreferencesTest : public SwayAppTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SwayAppPreferencesTest, TheTrayItemHasTheMenuAndThePreferencesRecordATypedShortcutThatActs) {
    const bool fromTheMenu = GetParam();
    auto window = sway().openWindow("placed");
    ASSERT_TRUE(window);
    startApp();

    auto item = trayItem();
    ASSERT_TRUE(item) << "no tray item registered with swaybar's watcher";
    std::string menuPath;
    auto menu = menuOf(*item, menuPath);
    for (const char* label : {"Preferences...", "About Tilvane", "Quit"})
        EXPECT_TRUE(menu.count(label)) << label << " is not in the tray menu at " << menuPath;

    // The icon's picture is drawn in the bar's text colour (white on swaybar's black), opaque somewhere.
    Json pixmaps = sway().bus({"get-property", item->service, item->path, "org.kde.StatusNotifierItem", "IconPixmap"});
    bool barColoured = false;
    for (const Json& pixmap : pixmaps["data"].elements()) {
        const auto& argb = pixmap[size_t(2)].elements();
        for (size_t at = 0; at + 3 < argb.size(); at += 4)
            barColoured = barColoured || (argb[at].number() == 255 && argb[at + 1].number() == 255 &&
                                          argb[at + 2].number() == 255 && argb[at + 3].number() == 255);
    }
    EXPECT_TRUE(barColoured) << "no pixel of the tray icon in the bar's text colour";

    if (fromTheMenu) {
        // A click on the icon (swaybar 1.7 shows no menu itself) pops the
        // program's menu up: a window of its own on Wayland, floating, not
        // tiled over the workspace; Escape closes it.
        sway().bus({"call", item->service, item->path, "org.kde.StatusNotifierItem", "Activate", "ii", "1200", "10"});
        EXPECT_TRUE(SwaySession::waitUntil([&] { return appWindowFloats(); })) << "no floating menu";
        sway().press({}, "Escape");
        EXPECT_TRUE(SwaySession::waitUntil([&] { return !appWindow(); })) << "the menu did not close";
        ASSERT_TRUE(menu.count("Preferences..."));
        sway().bus({"call", item->service, menuPath, "com.canonical.dbusmenu", "Event", "isvu",
                    std::to_string(menu["Preferences..."]), "clicked", "s", "", "0"});
    } else {
        std::string output;
        EXPECT_EQ(sway().run({tilvaneBinary(), "preferences"}, &output), 0) << output;
    }
    ASSERT_TRUE(SwaySession::waitUntil([&] { return appWindowFocused("Preferences"); }, 20s))
        << "the preferences window is not the active one";

    // Tab goes from the first recorder (Split View) row by row to Left;
    // Space starts recording it, and sway holds back the user's bindings.
    for (int step = 0; step < 4; ++step) sway().press({}, "Tab");
    sway().press({}, "space");
    ASSERT_TRUE(SwaySession::waitUntil([&] { return sway().mode() == sway::SwayDesktopBackend::kRecordingMode; }))
        << "recording did not start";
    sway().press({"ctrl", "alt", "logo"}, "h");
    EXPECT_TRUE(SwaySession::waitUntil([&] { return sway().mode() == "default"; })) << "recording did not end";
    EXPECT_TRUE(SwaySession::waitUntil([&] {
        return shortcutLine("LeftShortcut").find("ctrl+alt+super+h") != std::string::npos;
    })) << shortcutLine("LeftShortcut");

    // While the preferences window is active the combination does nothing;
    // left, it acts on the window that has the keyboard. The program hears
    // sway's bindings in order: once the second press has placed the window,
    // the first has been heard, and left the preferences window alone.
    auto preferences = appWindow();
    ASSERT_TRUE(preferences);
    auto before = sway().frameNow(*preferences);
    // The window floats at its own size, whole on the output: tiled, it would
    // fill the workspace under the floating windows.
    Rect v = sway().usable(SwaySession::kFirst);
    ASSERT_TRUE(before);
    EXPECT_TRUE(before->x >= v.x && before->y >= v.y && before->x + before->width <= v.x + v.width &&
                before->y + before->height <= v.y + v.height && before->width < v.width)
        << "the preferences window is at " << *before << " on an output of " << v;
    sway().press({"ctrl", "alt", "logo"}, "h");
    ASSERT_TRUE(sway().command("[con_id=" + std::to_string(*window) + "] focus"));
    sway().press({"ctrl", "alt", "logo"}, "h");
    EXPECT_TRUE(SwaySession::waitUntil([&] {
        return sway().frame(*window) == pixelRect({v.x, v.y, v.width / 2, v.height});
    })) << "the recorded shortcut did not place the window";
    EXPECT_EQ(sway().frameNow(*preferences), before) << "a hot key placed the active preferences window";
}

INSTANTIATE_TEST_SUITE_P(OpenedFrom, SwayAppPreferencesTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "TheTrayMenu" : "TilvanePreferences"; });

// Without a tray host on the session bus the application says so, and
// serves; a tray that starts later (swaybar, ended before the application
// started, and started again by a reload of sway's configuration) gets the icon.
TEST_F(SwayAppTest, WithoutATrayHostTheApplicationSaysSoAndATrayStartedLaterGetsTheIcon) {
    auto bus = [&](const std::string& method) {
        return sway().bus({"call", "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, "s",
                           "org.kde.StatusNotifierWatcher"})["data"][size_t(0)];
    };
    ASSERT_TRUE(SwaySession::waitUntil([&] { return bus("NameHasOwner").boolean().value_or(false); }));
    auto swaybar = bus("GetConnectionUnixProcessID").number();
    ASSERT_TRUE(swaybar);
    ::kill(static_cast<pid_t>(*swaybar), SIGTERM);
    ASSERT_TRUE(SwaySession::waitUntil([&] { return !bus("NameHasOwner").boolean().value_or(true); }));
    startApp();
    EXPECT_NE(program_->log().find("no system tray on sway at " + sway().socketPath() +
                                   ": nothing on the session bus shows tray icons"),
              std::string::npos)
        << program_->log();
    ASSERT_TRUE(sway().command("reload"));
    EXPECT_TRUE(trayItem()) << "the tray started later has no item";
}

}  // namespace
}  // namespace tilvane::e2e
