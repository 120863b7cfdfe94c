// Login items in a real autostart folder (a temporary one), watched with inotify.

#include "platform/linux/xdg_autostart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/linux_run_loop.h"

namespace tilvane::linux_platform {
namespace {

namespace fs = std::filesystem;

class NullLog : public Log {
public:
    void write(std::string_view) override {}
};

class XdgAutostartTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("tilvane-autostart-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        folder = (root / "autostart").string();
    }
    void TearDown() override { fs::remove_all(root); }
    void write(const std::string& name, const std::string& contents) {
        fs::create_directories(folder);
        std::ofstream(folder + "/" + name) << contents;
    }
    fs::path root;
    std::string folder;
    NullLog log;
};

TEST_F(XdgAutostartTest, OneEntryStartsTheProgramEvenWithAnAwkwardPathUnlessItIsSwitchedOff) {
    XdgAutostart autostart(folder, log);
    const std::string program = "/opt/My Apps/it's $here\\Tilvane.AppImage";
    ASSERT_TRUE(autostart.insertItemURL(program));
    ASSERT_TRUE(autostart.insertItemURL(program));  // on twice is one entry
    auto items = autostart.snapshot();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, "tilvane.desktop");
    EXPECT_EQ(items[0].url, program);
    ASSERT_TRUE(autostart.removeItem(items[0]));
    EXPECT_FALSE(fs::exists(folder + "/tilvane.desktop"));

    const struct {
        const char* contents;
        size_t listed;
    } rows[] = {
        {"[Desktop Entry]\nExec=/usr/bin/tilvane\n", 1},
        {"[Desktop Entry]\nExec=/usr/bin/tilvane --flag\nHidden=true\n", 0},
        {"[Desktop Entry]\nExec=/usr/bin/tilvane\nX-GNOME-Autostart-enabled=false\n", 0},
        {"[Other Group]\nExec=/usr/bin/tilvane\n", 0},
        {"[Desktop Entry]\nName=No program\n", 0},
    };
    for (const auto& row : rows) {
        write("entry.desktop", row.contents);
        EXPECT_EQ(autostart.snapshot().size(), row.listed) << row.contents;
    }
}

TEST_F(XdgAutostartTest, ChangesMadeElsewhereAreHeardAlsoAfterTheFolderWasRemoved) {
    LinuxRunLoop loop;
    XdgAutostart autostart(folder, log);
    int count = 0;
    autostart.addObserver([&] { ++count; });
    autostart.attach(loop);

    // Runs the loop until the observer is told of a change, or a second has passed.
    auto toldOfAChange = [&] {
        const int before = count;
        for (int i = 0; i < 100 && count == before; ++i) loop.runOnce(std::chrono::milliseconds(10));
        return count > before;
    };
    write("tilvane.desktop", "[Desktop Entry]\nExec=/usr/bin/tilvane\n");  // the folder is new
    ASSERT_TRUE(toldOfAChange());
    fs::remove_all(folder);
    ASSERT_TRUE(toldOfAChange());
    write("tilvane.desktop", "[Desktop Entry]\nExec=/usr/bin/tilvane\n");
    ASSERT_TRUE(toldOfAChange());
    EXPECT_EQ(autostart.snapshot().size(), 1u);
    autostart.detach();
}

}  // namespace
}  // namespace tilvane::linux_platform
