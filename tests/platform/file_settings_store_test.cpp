#include "platform/linux/file_settings_store.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
using Keys = std::vector<std::string>;
using testing::AllOf, testing::ElementsAre, testing::HasSubstr;

struct RecordingLog : Log {
    std::vector<std::string> lines;
    void write(std::string_view line) override { lines.emplace_back(line); }
};

// A store that serves, as the running program's does, on a loop of its own.
struct Serving {
    Serving(const std::string& path, Log& log) : store(path, log) { EXPECT_TRUE(store.attach(loop)); }
    ~Serving() { store.detach(); }
    // Turns the loop until the condition holds; the bound only keeps a broken build from hanging.
    template <class Condition>
    void runUntil(Condition done) {
        for (int i = 0; i < 100 && !done(); ++i) loop.runOnce(100ms);
    }
    LinuxRunLoop loop;
    FileSettingsStore store;
};

class FileSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tilvane-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        path = (root / "tilvane" / "defaults.plist").string();
        folder = fs::path(path).parent_path();
    }
    void TearDown() override { fs::remove_all(root); }

    void writeFileDirectly(const std::string& contents) {
        fs::create_directories(folder);
        std::ofstream(path, std::ios::binary) << contents;
    }
    static std::string fileContents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string plistText(const SettingsDictionary& values) {
        return *plist::propertyListXml(SettingsValue(values)).xml;
    }
    std::vector<fs::path> filesNamed(const std::string& prefix) {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().starts_with(prefix)) found.push_back(entry.path());
        return found;
    }
    std::vector<fs::path> keptAside() { return filesNamed("defaults.plist.corrupt-"); }
    Keys keysOnDisk() { return FileSettingsStore(path, log).keys(); }

    fs::path root, folder;
    std::string path;
    RecordingLog log;
};

TEST_F(FileSettingsStoreTest, AbsentIsNotFalseAndPendingChangesAreSavedPrivatelyOnExit) {
    {
        FileSettingsStore store(path, log);
        EXPECT_FALSE(store.objectForKey("HideDocIcon"));
        store.setBool("WindowMovingEnabled", false);
        store.registerDefaults({{"EnableShotcuts", true}});
        EXPECT_EQ(store.objectForKey("WindowMovingEnabled"), SettingsValue(false));
        EXPECT_TRUE(store.boolForKey("EnableShotcuts"));
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(filesNamed(".defaults.plist.").empty());  // no temporary file left behind
    FileSettingsStore again(path, log);
    EXPECT_EQ(again.objectForKey("WindowMovingEnabled"), SettingsValue(false));
    EXPECT_EQ(again.keys(), Keys{"WindowMovingEnabled"});  // registered defaults stay in memory
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
    EXPECT_EQ(reader.keys(), (Keys{"FromA", "FromB", "Shared"}));
    EXPECT_EQ(reader.stringForKey("Shared"), "b's");
    EXPECT_EQ(b.integerForKey("FromA"), 1);  // b took a's change in while writing

    // A default filled in yields to what the other stored before it was written.
    a.fillIn("Left", "default");
    a.fillIn("Right", "default");
    b.setObject("Left", "the user's");
    ASSERT_TRUE(b.synchronize());
    ASSERT_TRUE(a.synchronize());
    EXPECT_EQ(a.stringForKey("Left"), "the user's");
    EXPECT_EQ(FileSettingsStore(path, log).stringForKey("Left"), "the user's");
    EXPECT_EQ(FileSettingsStore(path, log).stringForKey("Right"), "default");
}

TEST_F(FileSettingsStoreTest, EveryChangeReachesObserversOnTheLoopAndOwnWritesOnlyOnce) {
    writeFileDirectly(plistText({{"Kept", 1}, {"Changed", 1}, {"Removed", 1}}));
    Serving serving(path, log);
    Keys heard;
    serving.store.addObserver([&](const std::string& key) { heard.push_back(key); });
    serving.store.setObject("SUFeedURL", "a");
    EXPECT_EQ(heard, Keys{"SUFeedURL"});  // at once, in this process
    ASSERT_TRUE(serving.store.synchronize());
    serving.loop.runOnce();  // the folder's events for the rename are already queued
    EXPECT_EQ(heard, Keys{"SUFeedURL"});

    // A hand edit writes the file in place.
    heard.clear();
    writeFileDirectly(plistText({{"Kept", 1}, {"Changed", 2}, {"Added", true}}));
    serving.runUntil([&] { return heard.size() >= 4; });
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (Keys{"Added", "Changed", "Removed", "SUFeedURL"}));
    EXPECT_EQ(serving.store.integerForKey("Changed"), 2);
}

// Reading a damaged file leaves it alone and says why; the command that
// reads says what it makes of it. (A command's write over it with no program
// serving is an end-to-end test.)
TEST_F(FileSettingsStoreTest, ReadingACorruptFileLeavesItAlone) {
    const std::string garbage = "<plist><dict><key>EnableShotcuts</key>";
    writeFileDirectly(garbage);
    FileSettingsStore store(path, log);
    EXPECT_TRUE(store.keys().empty());
    ASSERT_TRUE(store.readProblem());
    EXPECT_THAT(*store.readProblem(), HasSubstr(path));
    EXPECT_EQ(fileContents(path), garbage);
    EXPECT_TRUE(keptAside().empty());
    EXPECT_TRUE(log.lines.empty());
}

// Another writer holding the lock stalled the serving program's loop for up
// to 2 s, and no hot key acted meanwhile: its write now waits on the loop.
TEST_F(FileSettingsStoreTest, ServingWriteWaitsOnTheLoopForTheLockAnotherWriterHolds) {
    const struct {
        const char* name;
        std::function<void(Serving&)> write;
    } rows[] = {
        {"a change",
         [&](Serving& serving) {
             serving.store.setBool("HideDocIcon", true);
             EXPECT_TRUE(serving.store.synchronize());  // at once, with the write still to come
         }},
        {"a damaged file put back",
         [&](Serving& serving) {
             writeFileDirectly("not a property list");
             serving.runUntil([&] { return serving.store.readProblem().has_value(); });
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        writeFileDirectly(plistText({{"EnableShotcuts", true}}));
        Serving serving(path, log);
        int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);

        row.write(serving);
        serving.loop.runOnce();
        EXPECT_TRUE(keptAside().empty());
        EXPECT_EQ(fileContents(path).find("HideDocIcon"), std::string::npos);

        ::close(lock);
        serving.runUntil([&] { return !serving.store.hasPendingChanges() && !serving.store.readProblem(); });
        FileSettingsStore reader(path, log);
        EXPECT_FALSE(reader.readProblem());
        EXPECT_EQ(reader.keys(), serving.store.keys());
        EXPECT_TRUE(reader.boolForKey("EnableShotcuts"));
    }
}

// rm -rf of the folder (or of a folder above it) while the program serves:
// it keeps hearing of changes once the folder is back.
TEST_F(FileSettingsStoreTest, FolderRemovedWhileServingIsFollowedWhenItReturns) {
    path = (root / "tilvane" / "config" / "defaults.plist").string();
    folder = fs::path(path).parent_path();
    const struct {
        const char* name;
        std::function<void()> takeAway;
    } rows[] = {
        {"folder above removed", [&] { fs::remove_all(root / "tilvane"); }},
        {"folder moved away", [&] { fs::rename(folder, root / "elsewhere"); }},
        {"folder removed twice",
         [&] {
             fs::remove_all(folder);
             fs::create_directories(folder);
             fs::remove_all(folder);
         }},
    };
    int value = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(root / "tilvane");
        fs::remove_all(root / "elsewhere");
        Serving serving(path, log);
        row.takeAway();
        serving.loop.runOnce(50ms);
        {
            FileSettingsStore command(path, log);
            command.setObject("Counter", ++value);
            ASSERT_TRUE(command.synchronize());
        }
        serving.runUntil([&] { return serving.store.integerForKey("Counter") == value; });
        EXPECT_EQ(serving.store.integerForKey("Counter"), value);
        // And again, with the folder's watch in place once more.
        writeFileDirectly(plistText({{"Counter", ++value}}));
        serving.runUntil([&] { return serving.store.integerForKey("Counter") == value; });
        EXPECT_EQ(serving.store.integerForKey("Counter"), value);
    }
}

// Whether the work, run in a child process, ends by itself; a child still
// blocked after five seconds dies of its alarm.
bool endsByItself(const std::function<void()>& work) {
    pid_t child = ::fork();
    if (child == 0) {
        ::alarm(5);
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileSettingsStoreTest, FifoOrAnotherNonRegularFileAtTheSettingsPathNeverBlocks) {
    const struct {
        const char* name;
        std::function<void()> make;
        bool unreadable = true;
    } rows[] = {
        {"fifo", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"fifo as the lock", [&] { ASSERT_EQ(::mkfifo((path + ".lock").c_str(), 0600), 0); }, false},
        {"link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path); }},
        {"folder", [&] { fs::create_directories(path); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        row.make();
        const bool ended = endsByItself([&] {
            Serving serving(path, log);
            serving.store.setBool("HideDocIcon", true);
            serving.store.synchronize();
            serving.store.reload();
        });
        EXPECT_TRUE(ended);
        if (!ended || !row.unreadable) continue;  // a blocking store would block this process too
        FileSettingsStore store(path, log);
        EXPECT_TRUE(store.readProblem());
        store.setBool("HideDocIcon", true);
        EXPECT_FALSE(store.synchronize());
    }
}

// The serving program keeps its changes, says once that they were not
// saved, and saves them once it can. (A command saying once that it saved
// nothing is an end-to-end test of the command.)
TEST_F(FileSettingsStoreTest, AFailedWriteSaysOnceThatItWasNotSavedAndTheServingProgramTriesAgain) {
    Serving serving(path, log);
    fs::create_directories(path);  // a folder where the file goes
    serving.store.setBool("HideDocIcon", true);
    EXPECT_FALSE(serving.store.synchronize());
    serving.store.setBool("WindowMovingEnabled", true);
    EXPECT_FALSE(serving.store.synchronize());
    EXPECT_THAT(log.lines,
                ElementsAre(AllOf(HasSubstr("could not save " + path), HasSubstr("kept for the next save"))));
    EXPECT_TRUE(filesNamed(".defaults.plist.").empty());

    fs::remove(path);
    EXPECT_TRUE(serving.store.synchronize());
    EXPECT_FALSE(serving.store.hasPendingChanges());
    EXPECT_EQ(keysOnDisk(), (Keys{"HideDocIcon", "WindowMovingEnabled"}));
}

TEST(FileSettingsStorePath, FollowsTheConfigFolderConvention) {
    const struct {
        const char *xdg, *home, *expected;
    } rows[] = {
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
