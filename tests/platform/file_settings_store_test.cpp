#include "platform/linux/file_settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/linux/linux_run_loop.h"
#include "platform/plist/property_list.h"

namespace tilvane::linux_platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct RecordingLog : Log {
    std::vector<std::string> lines;
    void write(std::string_view line) override { lines.emplace_back(line); }
};

class FileSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tilvane-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        path = (root / "tilvane" / "defaults.plist").string();
    }
    void TearDown() override { fs::remove_all(root); }

    void writeFileDirectly(const std::string& contents) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << contents;
    }
    std::string fileContents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string plistText(const SettingsDictionary& values) {
        return *plist::propertyListXml(SettingsValue(values)).xml;
    }
    std::vector<fs::path> filesNamed(const std::string& prefix) {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
            if (entry.path().filename().string().starts_with(prefix)) found.push_back(entry.path());
        return found;
    }
    // Turns the loop until the condition holds; the bound only keeps a broken
    // build from hanging.
    template <class Condition>
    void runUntil(LinuxRunLoop& loop, Condition done) {
        for (int i = 0; i < 100 && !done(); ++i) loop.runOnce(100ms);
    }

    fs::path root;
    std::string path;
    RecordingLog log;
};

TEST_F(FileSettingsStoreTest, AbsentIsNotFalse) {
    {
        FileSettingsStore store(path, log);
        EXPECT_FALSE(store.objectForKey("HideDocIcon"));
        EXPECT_FALSE(store.boolForKey("HideDocIcon"));
        store.setBool("WindowMovingEnabled", false);
        store.registerDefaults({{"EnableShotcuts", true}});
        EXPECT_EQ(store.objectForKey("WindowMovingEnabled"), SettingsValue(false));
        EXPECT_TRUE(store.boolForKey("EnableShotcuts"));
        ASSERT_TRUE(store.synchronize());
    }
    FileSettingsStore again(path, log);
    EXPECT_EQ(again.objectForKey("WindowMovingEnabled"), SettingsValue(false));
    EXPECT_FALSE(again.objectForKey("HideDocIcon"));
    EXPECT_FALSE(again.objectForKey("EnableShotcuts"));  // registered defaults stay in memory
    EXPECT_EQ(again.keys(), std::vector<std::string>{"WindowMovingEnabled"});
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(FileSettingsStoreTest, TwoWritersKeepEachOthersChanges) {
    writeFileDirectly(plistText({{"Old", 1}, {"Shared", "before"}}));
    FileSettingsStore a(path, log), b(path, log);
    a.setObject("FromA", 1);
    a.removeObject("Old");
    b.setObject("FromB", "b");
    b.setObject("Shared", "b's");
    ASSERT_TRUE(a.synchronize());
    ASSERT_TRUE(b.synchronize());  // b read "Old" before a removed it; it must stay removed

    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.keys(), (std::vector<std::string>{"FromA", "FromB", "Shared"}));
    EXPECT_EQ(reader.stringForKey("Shared"), "b's");
    EXPECT_EQ(b.integerForKey("FromA"), 1);  // b took a's change in while writing
}

TEST_F(FileSettingsStoreTest, ExternalEditsReachObserversOnTheLoop) {
    writeFileDirectly(plistText({{"Kept", 1}, {"Changed", 1}, {"Removed", 1}}));
    LinuxRunLoop loop;
    FileSettingsStore store(path, log);
    ASSERT_TRUE(store.attach(loop));
    std::vector<std::string> heard;
    store.addObserver([&](const std::string& key) { heard.push_back(key); });

    // A hand edit writes the file in place.
    writeFileDirectly(plistText({{"Kept", 1}, {"Changed", 2}, {"Added", true}}));
    runUntil(loop, [&] { return heard.size() >= 3; });
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"Added", "Changed", "Removed"}));
    EXPECT_EQ(store.integerForKey("Changed"), 2);
    EXPECT_FALSE(store.objectForKey("Removed"));

    // Deleting the file empties the settings.
    heard.clear();
    fs::remove(path);
    runUntil(loop, [&] { return heard.size() >= 3; });
    EXPECT_TRUE(store.keys().empty());
    store.detach();
}

TEST_F(FileSettingsStoreTest, OwnWritesAreHeardOnce) {
    LinuxRunLoop loop;
    FileSettingsStore store(path, log);
    ASSERT_TRUE(store.attach(loop));
    int heard = 0;
    store.addObserver([&](const std::string&) { ++heard; });
    store.setObject("SUFeedURL", "a");
    EXPECT_EQ(heard, 1);  // at once, in this process
    ASSERT_TRUE(store.synchronize());
    loop.runOnce();  // the folder's events for the rename are already queued
    EXPECT_EQ(heard, 1);
    store.detach();
}

TEST_F(FileSettingsStoreTest, CorruptFileIsKeptAsideAndReportedOnce) {
    const std::string garbage = "<plist><dict><key>EnableShotcuts</key>";
    writeFileDirectly(garbage);
    FileSettingsStore store(path, log);
    EXPECT_TRUE(store.keys().empty());
    auto kept = filesNamed("defaults.plist.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fileContents(kept[0]), garbage);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(path), std::string::npos);
    EXPECT_NE(log.lines[0].find(kept[0].string()), std::string::npos);

    store.setBool("EnableShotcuts", true);
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(fileContents(kept[0]), garbage);
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(FileSettingsStoreTest, HandEditThatBreaksTheFileKeepsValuesUntilTheNextSave) {
    writeFileDirectly(plistText({{"EnableShotcuts", true}}));
    LinuxRunLoop loop;
    FileSettingsStore store(path, log);
    ASSERT_TRUE(store.attach(loop));

    writeFileDirectly("not a property list");
    runUntil(loop, [&] { return !log.lines.empty(); });
    writeFileDirectly("still not one");
    loop.runOnce(100ms);
    EXPECT_EQ(log.lines.size(), 1u);  // reported once
    EXPECT_TRUE(store.boolForKey("EnableShotcuts"));

    store.setBool("HideDocIcon", true);
    ASSERT_TRUE(store.synchronize());
    auto kept = filesNamed("defaults.plist.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fileContents(kept[0]), "still not one");
    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.keys(), (std::vector<std::string>{"EnableShotcuts", "HideDocIcon"}));
    store.detach();
}

TEST_F(FileSettingsStoreTest, FailedWritesAreReportedAndRetried) {
    struct Row {
        const char* name;
        std::function<void()> breakIt, repairIt;
    };
    fs::path folder = fs::path(path).parent_path();
    const Row rows[] = {
        // Tests run as root, which ignores permissions: block the folder with a plain file.
        {"folder is a file", [&] { std::ofstream(folder) << "x"; }, [&] { fs::remove(folder); }},
        {"file is a folder", [&] { fs::create_directories(path); }, [&] { fs::remove(path); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        log.lines.clear();
        row.breakIt();
        {
            FileSettingsStore store(path, log);
            store.setBool("HideDocIcon", true);
            EXPECT_FALSE(store.synchronize());
            EXPECT_TRUE(store.hasPendingChanges());
            ASSERT_FALSE(log.lines.empty());
            EXPECT_NE(log.lines.back().find(path), std::string::npos);
            if (fs::is_directory(folder)) {
                EXPECT_TRUE(filesNamed(".defaults.plist.").empty());
            }

            row.repairIt();
            store.setBool("WindowMovingEnabled", true);
            EXPECT_TRUE(store.synchronize());
            EXPECT_FALSE(store.hasPendingChanges());
        }
        FileSettingsStore reader(path, log);
        EXPECT_EQ(reader.keys(), (std::vector<std::string>{"HideDocIcon", "WindowMovingEnabled"}));
    }
}

TEST_F(FileSettingsStoreTest, FileIsPrivateAndPendingChangesAreSavedOnExit) {
    {
        FileSettingsStore store(path, log);
        store.setObject("SUFeedURL", "https://example.invalid/feed");
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.stringForKey("SUFeedURL"), "https://example.invalid/feed");
    EXPECT_TRUE(filesNamed(".defaults.plist.").empty());  // no temporary file left behind
}

TEST(FileSettingsStorePath, FollowsTheConfigFolderConvention) {
    struct Row {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Row rows[] = {
        {"/x/config", "/home/u", "/x/config/tilvane/defaults.plist"},
        {"/x/config/", "/home/u", "/x/config/tilvane/defaults.plist"},
        {nullptr, "/home/u", "/home/u/.config/tilvane/defaults.plist"},
        {"", "/home/u/", "/home/u/.config/tilvane/defaults.plist"},
        {"relative/config", "/home/u", "/home/u/.config/tilvane/defaults.plist"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FileSettingsStore::defaultPath(row.xdg, row.home), row.expected) << (row.xdg ? row.xdg : "unset");
}

}  // namespace
}  // namespace tilvane::linux_platform
