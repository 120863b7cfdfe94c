#include "platform/linux/file_settings_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

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

TEST_F(FileSettingsStoreTest, ReadingACorruptFileLeavesItAlone) {
    const std::string garbage = "<plist><dict><key>EnableShotcuts</key>";
    writeFileDirectly(garbage);
    FileSettingsStore store(path, log);
    EXPECT_TRUE(store.keys().empty());
    ASSERT_TRUE(store.readProblem());
    EXPECT_NE(store.readProblem()->find(path), std::string::npos);
    EXPECT_EQ(fileContents(path), garbage);
    EXPECT_TRUE(filesNamed("defaults.plist.corrupt-").empty());
    EXPECT_TRUE(log.lines.empty());  // the command that reads says what it makes of it
}

// With no program serving, a command's write keeps the damaged file aside,
// says so, and writes what it has.
TEST_F(FileSettingsStoreTest, CommandWriteOverACorruptFileWithNoServingProgramKeepsItAsideAndSaysSo) {
    const std::string garbage = "<plist><dict><key>EnableShotcuts</key>";
    writeFileDirectly(garbage);
    FileSettingsStore store(path, log);
    store.setBool("HideDocIcon", true);
    ASSERT_TRUE(store.synchronize());
    auto kept = filesNamed("defaults.plist.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fileContents(kept[0]), garbage);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(kept[0].string()), std::string::npos) << log.lines[0];
    EXPECT_NE(log.lines[0].find("only the changes made now"), std::string::npos) << log.lines[0];
    EXPECT_FALSE(store.readProblem());
    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.keys(), std::vector<std::string>{"HideDocIcon"});
}

// The serving program holds the last good settings; a file that turns
// corrupt is kept aside and they are written back at once.
TEST_F(FileSettingsStoreTest, CommandWriteOverACorruptFileKeepsTheServingProgramsSettings) {
    writeFileDirectly(plistText({{"EnableShotcuts", true}, {"LeftShortcut", SettingsData{1, 2, 3}}}));
    LinuxRunLoop loop;
    FileSettingsStore serving(path, log);
    ASSERT_TRUE(serving.attach(loop));

    writeFileDirectly("not a property list");
    runUntil(loop, [&] { return !filesNamed("defaults.plist.corrupt-").empty() && !log.lines.empty(); });
    auto kept = filesNamed("defaults.plist.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fileContents(kept[0]), "not a property list");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("written back"), std::string::npos) << log.lines[0];
    {
        FileSettingsStore command(path, log);
        EXPECT_FALSE(command.readProblem());
        command.setBool("HideDocIcon", true);
        ASSERT_TRUE(command.synchronize());
    }
    runUntil(loop, [&] { return serving.objectForKey("HideDocIcon").has_value(); });
    EXPECT_EQ(serving.keys(), (std::vector<std::string>{"EnableShotcuts", "HideDocIcon", "LeftShortcut"}));
    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.keys(), serving.keys());
    serving.detach();
}

// A command that finds the file corrupt before the serving program has put
// it back waits for it rather than start from nothing.
TEST_F(FileSettingsStoreTest, CommandWriteRightAfterTheFileTurnsCorruptWaitsForTheServingProgram) {
    writeFileDirectly(plistText({{"EnableShotcuts", true}, {"LeftShortcut", SettingsData{1, 2, 3}}}));
    std::atomic<bool> attached = false, done = false;
    std::thread servingThread([&] {
        RecordingLog servingLog;
        LinuxRunLoop loop;
        FileSettingsStore serving(path, servingLog);
        serving.attach(loop);
        attached = true;
        while (!done) loop.runOnce(20ms);
        serving.detach();
    });
    while (!attached) std::this_thread::sleep_for(1ms);
    {
        writeFileDirectly("not a property list");
        FileSettingsStore command(path, log);
        command.setBool("HideDocIcon", true);
        EXPECT_TRUE(command.synchronize());
    }
    done = true;
    servingThread.join();
    FileSettingsStore reader(path, log);
    EXPECT_EQ(reader.keys(), (std::vector<std::string>{"EnableShotcuts", "HideDocIcon", "LeftShortcut"}));
    EXPECT_EQ(filesNamed("defaults.plist.corrupt-").size(), 1u);
}

TEST_F(FileSettingsStoreTest, HandEditThatCannotBeReadKeepsTheSettingsInUse) {
    writeFileDirectly(plistText({{"EnableShotcuts", true}}));
    LinuxRunLoop loop;
    FileSettingsStore store(path, log);
    ASSERT_TRUE(store.attach(loop));

    // A file that cannot be read is left alone, unlike a damaged one.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    runUntil(loop, [&] { return !log.lines.empty(); });
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("not a regular file"), std::string::npos) << log.lines[0];
    EXPECT_TRUE(store.boolForKey("EnableShotcuts"));
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_TRUE(store.readProblem());

    fs::remove(path);
    writeFileDirectly(plistText({{"EnableShotcuts", false}}));
    runUntil(loop, [&] { return !store.boolForKey("EnableShotcuts"); });
    EXPECT_FALSE(store.readProblem());
    store.detach();
}

// Something that cannot be read at the settings path never held the settings:
// once it is gone, the serving program writes back the ones it uses, which
// `tilvane defaults read` showed as holding no value until the next change.
TEST_F(FileSettingsStoreTest, SettingsInUseAreWrittenBackOnceAPipeAtThePathIsGone) {
    const struct {
        const char* name;
        bool pipeFirst;                                   // the pipe is there when the store starts, else a file
        std::function<void(FileSettingsStore&)> arrange;  // with the store serving
    } rows[] = {
        {"a pipe put in the file's place while serving", false,
         [&](FileSettingsStore&) {
             fs::remove(path);
             ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
         }},
        {"a pipe there from the start, and a change that could not be saved", true,
         [&](FileSettingsStore& store) {
             store.setBool("EnableShotcuts", true);
             EXPECT_FALSE(store.synchronize());
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(fs::path(path).parent_path());
        fs::create_directories(fs::path(path).parent_path());
        if (row.pipeFirst)
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else
            writeFileDirectly(plistText({{"EnableShotcuts", true}}));
        LinuxRunLoop loop;
        FileSettingsStore store(path, log);
        ASSERT_TRUE(store.attach(loop));
        row.arrange(store);
        runUntil(loop, [&] { return store.readProblem().has_value(); });
        ASSERT_TRUE(fs::is_fifo(path));

        fs::remove(path);
        runUntil(loop, [&] { return fs::is_regular_file(path); });
        EXPECT_EQ(FileSettingsStore(path, log).objectForKey("EnableShotcuts"), SettingsValue(true));
        EXPECT_TRUE(store.boolForKey("EnableShotcuts"));
        EXPECT_FALSE(store.readProblem());
        EXPECT_FALSE(store.hasPendingChanges());
        store.detach();
    }
}

// Another writer holding the lock stalled the serving program's loop for up
// to 2 s, and no hot key acted meanwhile: its write now waits on the loop.
TEST_F(FileSettingsStoreTest, ServingWriteWaitsOnTheLoopForTheLockAnotherWriterHolds) {
    const struct {
        const char* name;
        std::function<void(FileSettingsStore&, LinuxRunLoop&)> write;
    } rows[] = {
        {"a change",
         [&](FileSettingsStore& store, LinuxRunLoop&) {
             store.setBool("HideDocIcon", true);
             EXPECT_TRUE(store.synchronize());  // at once, with the write still to come
         }},
        {"a damaged file put back",
         [&](FileSettingsStore& store, LinuxRunLoop& loop) {
             writeFileDirectly("not a property list");
             runUntil(loop, [&] { return store.readProblem().has_value(); });
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(fs::path(path).parent_path());
        writeFileDirectly(plistText({{"EnableShotcuts", true}}));
        LinuxRunLoop loop;
        FileSettingsStore store(path, log);
        ASSERT_TRUE(store.attach(loop));
        int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);

        row.write(store, loop);
        loop.runOnce();
        EXPECT_TRUE(filesNamed("defaults.plist.corrupt-").empty());
        EXPECT_EQ(fileContents(path).find("HideDocIcon"), std::string::npos);

        ::close(lock);
        runUntil(loop, [&] { return !store.hasPendingChanges() && !store.readProblem(); });
        FileSettingsStore reader(path, log);
        EXPECT_FALSE(reader.readProblem());
        EXPECT_EQ(reader.keys(), store.keys());
        EXPECT_TRUE(reader.boolForKey("EnableShotcuts"));
        store.detach();
    }
}

// Files too large to be the program's are treated as damaged before they
// are parsed: the serving program's memory and time stay its own.
TEST_F(FileSettingsStoreTest, HugeFileIsRefusedAndTheSettingsInUseStay) {
    auto manyKeys = [](int count, size_t padding) {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
        for (int i = 0; i < count; ++i)
            text += "\t<key>GeneratedKey" + std::to_string(i) + "</key>\n\t<string>" + std::string(padding, 'x') +
                    "</string>\n";
        return text + "</dict>\n</plist>\n";
    };
    const struct {
        const char* name;
        std::string contents;
        const char* why;
    } rows[] = {
        {"200000 keys", manyKeys(200000, 1), "larger than 1024 KiB"},
        {"too many keys", manyKeys(5000, 1), "too many keys"},
        {"one huge value", manyKeys(1, 2 * FileSettingsStore::kMaxFileBytes), "larger than 1024 KiB"},
    };
    writeFileDirectly(plistText({{"EnableShotcuts", true}}));
    LinuxRunLoop loop;
    FileSettingsStore store(path, log);
    ASSERT_TRUE(store.attach(loop));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.lines.clear();
        for (const auto& kept : filesNamed("defaults.plist.corrupt-")) fs::remove(kept);
        writeFileDirectly(row.contents);
        runUntil(loop, [&] { return !log.lines.empty(); });
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find(row.why), std::string::npos) << log.lines[0];
        EXPECT_EQ(store.keys(), std::vector<std::string>{"EnableShotcuts"});
        FileSettingsStore reader(path, log);
        EXPECT_EQ(reader.keys(), std::vector<std::string>{"EnableShotcuts"});
        auto kept = filesNamed("defaults.plist.corrupt-");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(fs::file_size(kept[0]), row.contents.size());
    }
    store.detach();
}

// rm -rf of the folder (or of a folder above it) while the program serves:
// it keeps hearing of changes once the folder is back.
TEST_F(FileSettingsStoreTest, FolderRemovedWhileServingIsFollowedWhenItReturns) {
    fs::path folder = fs::path(path).parent_path();
    const struct {
        const char* name;
        std::function<void()> takeAway;
    } rows[] = {
        {"folder removed", [&] { fs::remove_all(folder); }},
        {"folder above removed", [&] { fs::remove_all(root / "tilvane"); }},
        {"folder moved away", [&] { fs::rename(folder, root / "elsewhere"); }},
        {"folder removed twice",
         [&] {
             fs::remove_all(folder);
             fs::create_directories(folder);
             fs::remove_all(folder);
         }},
    };
    path = (root / "tilvane" / "config" / "defaults.plist").string();
    folder = fs::path(path).parent_path();
    int value = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(root / "tilvane");
        fs::remove_all(root / "elsewhere");
        LinuxRunLoop loop;
        FileSettingsStore serving(path, log);
        ASSERT_TRUE(serving.attach(loop));
        row.takeAway();
        loop.runOnce(50ms);
        {
            FileSettingsStore command(path, log);
            command.setObject("Counter", ++value);
            ASSERT_TRUE(command.synchronize());
        }
        runUntil(loop, [&] { return serving.integerForKey("Counter") == value; });
        EXPECT_EQ(serving.integerForKey("Counter"), value);
        // And again, with the folder's watch in place once more.
        writeFileDirectly(plistText({{"Counter", ++value}}));
        runUntil(loop, [&] { return serving.integerForKey("Counter") == value; });
        EXPECT_EQ(serving.integerForKey("Counter"), value);
        serving.detach();
    }
}

// Runs the work in a child process and reports whether it ended by itself
// within the limit; a child still blocked then is killed.
bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work) {
    pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return false;
}

TEST_F(FileSettingsStoreTest, FifoOrAnotherNonRegularFileAtTheSettingsPathNeverBlocks) {
    auto makeSocket = [&] {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        ::close(fd);
    };
    fs::path folder = fs::path(path).parent_path();
    const struct {
        const char* name;
        std::function<void()> make;
    } rows[] = {
        {"fifo", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"fifo as the lock", [&] { ASSERT_EQ(::mkfifo((path + ".lock").c_str(), 0600), 0); }},
        {"link to a fifo",
         [&] {
             ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
             fs::create_symlink(root / "fifo", path);
         }},
        {"link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path); }},
        {"socket", makeSocket},
        {"folder", [&] { fs::create_directories(path); }},
    };
    // The socket's path must fit in sun_path.
    ASSERT_LT(path.size(), sizeof(sockaddr_un::sun_path));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        fs::remove(root / "fifo");
        fs::create_directories(folder);
        row.make();
        log.lines.clear();
        bool finished = finishesWithin(5s, [&] {
            LinuxRunLoop loop;
            FileSettingsStore store(path, log);
            store.attach(loop);
            store.setBool("HideDocIcon", true);
            store.synchronize();
            store.reload();
            store.detach();
        });
        EXPECT_TRUE(finished);
        if (std::string(row.name) != "fifo as the lock") {
            FileSettingsStore store(path, log);
            EXPECT_TRUE(store.readProblem());
            store.setBool("HideDocIcon", true);
            EXPECT_FALSE(store.synchronize());
        }
    }
}

TEST_F(FileSettingsStoreTest, FailedOneShotSaveSaysOnceThatItWasNotSaved) {
    fs::path folder = fs::path(path).parent_path();
    std::ofstream(folder) << "x";  // the folder cannot be made
    {
        FileSettingsStore store(path, log);
        store.setBool("HideDocIcon", true);
        EXPECT_FALSE(store.synchronize());
    }
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].find("kept"), std::string::npos) << log.lines[0];
    EXPECT_NE(log.lines[0].find("could not save " + path), std::string::npos) << log.lines[0];

    // A serving program keeps its changes and says so, once for the same reason.
    log.lines.clear();
    fs::remove(folder);
    LinuxRunLoop loop;
    FileSettingsStore serving(path, log);
    ASSERT_TRUE(serving.attach(loop));
    fs::remove_all(folder);
    std::ofstream(folder) << "x";
    serving.setBool("HideDocIcon", true);
    EXPECT_FALSE(serving.synchronize());
    serving.setBool("WindowMovingEnabled", true);
    EXPECT_FALSE(serving.synchronize());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("kept for the next save"), std::string::npos) << log.lines[0];
    serving.detach();
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
