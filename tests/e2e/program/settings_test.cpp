// The settings file under mistakes and abuse while the serving program runs:
// its folder removed and made again, a corrupt, emptied, deleted or huge file,
// a pipe in its place, two actions given one shortcut, a shortcut without a
// key, signals, text with control characters, and the commands' messages.
// Nothing valid is lost, no hot key dies, nothing hangs.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/events.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/plist/property_list.h"
#include "program/program_test.h"
#include "shortcuts/shortcut.h"

namespace tilvane::e2e {
namespace {

namespace fs = std::filesystem;
using namespace key;
using namespace primary;

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class SettingsTest : public ProgramTest {
protected:
    std::vector<std::string> keptAside() {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder()))
            if (entry.path().filename().string().starts_with("defaults.plist.corrupt-")) found.push_back(entry.path());
        return found;
    }
    // Writes the file in one step, as a careful editor does.
    void replaceFile(const std::string& contents) {
        fs::create_directories(folder());
        std::ofstream(file() + ".new", std::ios::binary) << contents;
        fs::rename(file() + ".new", file());
    }
    // Runs a command that must end by itself; none when it still runs after
    // ten seconds (it is killed then).
    std::optional<int> runBounded(const std::vector<std::string>& args, std::string* output) {
        auto process = desktop().start(tilvaneWith(args), "bounded-" + std::to_string(++bounded_) + ".log");
        auto status = process->waitFor(10s);
        *output = process->log();
        return status;
    }
    // The program's log from the line it printed when it began to serve.
    std::string servingLog() {
        std::string log = tilvane_->log();
        auto at = log.find("serving display");
        return at == std::string::npos ? log : log.substr(log.find('\n', at) + 1);
    }

    int bounded_ = 0;
};

// rm -rf ~/.config/tilvane while serving: no change was seen again until a
// restart. A changed shortcut acts, and its old combination is let go of.
TEST_F(SettingsTest, FolderRemovedWhileServingIsFollowedWhenItReturns) {
    auto window = desktop().openWindow("folder");
    startTilvane();
    fs::remove_all(folder());
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts", "set", "left", "shift+ctrl+j"}, &output), 0) << output;
    EXPECT_TRUE(pressUntil({kShift, kControl, kJ}, window.id, kLeftHalf));
    EXPECT_TRUE(pressUntil(kDefaultRight, window.id, kRightHalf));
    pressAndSettle(kDefaultLeft);
    EXPECT_EQ(frame(window.id), kRightHalf);
    EXPECT_TRUE(x().keyIsFree(kLeft, kXControlAlt));
}

// With no program serving, a command keeps a corrupt file aside, says so,
// and writes; the next start brings the defaults. A command's write over a
// corrupt file while a program serves used to leave a file of that one key,
// and the serving program then dropped all its hot keys without a word.
TEST_F(SettingsTest, CommandWriteOverACorruptFileKeepsTheServingProgramsHotKeys) {
    auto window = desktop().openWindow("corrupt");
    replaceFile("not a property list");
    std::string output;
    ASSERT_EQ(tilvane({"defaults", "write", "WindowMovingEnabled", "-bool", "true"}, &output), 0) << output;
    EXPECT_NE(output.find("kept it as " + file() + ".corrupt-"), std::string::npos) << output;
    EXPECT_NE(output.find("only the changes made now"), std::string::npos) << output;
    ASSERT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(readFile(keptAside()[0]), "not a property list");
    startTilvane();
    EXPECT_TRUE(pressUntil(kDefaultLeft, window.id, kLeftHalf));
    EXPECT_EQ(read("WindowMovingEnabled"), "1\n");

    ASSERT_EQ(tilvane({"shortcuts", "set", "left", "shift+ctrl+j"}, &output), 0) << output;
    ASSERT_TRUE(pressUntil({kShift, kControl, kJ}, window.id, kLeftHalf));
    // The command comes right after the damage: before or after the program has put the file back.
    replaceFile("<plist><dict><key>EnableShotcuts</key>");
    write("WindowMovingEnabled", "bool", "false");
    EXPECT_EQ(read("WindowMovingEnabled"), "0\n");
    EXPECT_NE(shortcutLine("LeftShortcut").find("ctrl+shift+j"), std::string::npos);
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor({kShift, kControl, kJ}, window.id, kLeftHalf)) << frame(window.id);
    EXPECT_TRUE(pressAndWaitFor(kDefaultRight, window.id, kRightHalf)) << frame(window.id);
    EXPECT_EQ(keptAside().size(), 2u);
    EXPECT_EQ(count(servingLog(), "kept it as"), 1u);
}

// An emptied or deleted file switched every hot key off until a restart.
// SIGHUP ended the program without a word; now it reads the settings again.
// SIGPIPE is ignored.
TEST_F(SettingsTest, EmptiedOrDeletedFileBringsBackTheDefaultHotKeysAndSighupRereadsIt) {
    auto window = desktop().openWindow("emptied");
    startTilvane();
    for (size_t time = 1; time <= 2; ++time) {
        SCOPED_TRACE(time == 1 ? "emptied" : "deleted");
        if (time == 1) std::ofstream(file(), std::ios::trunc);
        if (time == 2) fs::remove(file());
        EXPECT_TRUE(
            pressUntil(time == 1 ? kDefaultLeft : kDefaultRight, window.id, time == 1 ? kLeftHalf : kRightHalf));
        EXPECT_EQ(count(servingLog(), "emptied or removed"), time);
    }
    EXPECT_EQ(read("EnableShotcuts"), "1\n");
    tilvane_->signal(SIGHUP);
    tilvane_->signal(SIGPIPE);
    settle();
    ASSERT_TRUE(tilvane_->running());
    EXPECT_TRUE(x().waitUntil([&] { return count(tilvane_->log(), "again, as asked") == 1; }));
    EXPECT_TRUE(pressUntil(kDefaultLeft, window.id, kLeftHalf));
}

// A pipe at the settings path hung the serving program (SIGTERM had no
// effect), `tilvane place` and `tilvane defaults read`; once it was removed,
// the keys held no value until the next change.
TEST_F(SettingsTest, FifoAtTheSettingsPathHangsNothing) {
    auto window = desktop().openWindow("fifo");
    fs::create_directories(folder());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    startTilvane();
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor(kDefaultLeft, window.id, kLeftHalf)) << frame(window.id);

    std::string output;
    EXPECT_EQ(runBounded({"defaults", "read", "LeftShortcut"}, &output), 1) << output;
    EXPECT_NE(output.find("could not be read (not a regular file); the value of LeftShortcut is unknown"),
              std::string::npos)
        << output;
    EXPECT_EQ(runBounded({"place", "right"}, &output), 0) << output;
    x().syncWindowManager();
    EXPECT_EQ(frame(window.id), kRightHalf);
    EXPECT_EQ(runBounded({"defaults", "write", "HideDocIcon", "-bool", "yes"}, &output), 1) << output;
    EXPECT_TRUE(fs::is_fifo(file()));

    // The pipe never held the settings: once it is gone, the ones the program uses are stored.
    fs::remove(file());
    EXPECT_TRUE(x().waitUntil([&] {
        return runBounded({"defaults", "read", "LeftShortcut"}, &output) == 0;
    })) << output;
    tilvane_->signal(SIGTERM);
    EXPECT_EQ(tilvane_->waitFor(10s), 0);
}

// `shortcuts set` gave two actions one combination; then one of them died.
TEST_F(SettingsTest, TwoActionsGivenTheSameShortcutNeverLeaveOneDead) {
    auto window = desktop().openWindow("same");
    startTilvane();
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts", "set", "LeftShortcut", "ctrl+super+h"}, &output), 0) << output;
    EXPECT_EQ(tilvane({"shortcuts", "set", "RightShortcut", "ctrl+super+h"}, &output), 2);
    EXPECT_NE(output.find("ctrl+super+h is already the shortcut of LeftShortcut"), std::string::npos) << output;
    ASSERT_TRUE(pressUntil({kControl, kCommand, kH}, window.id, kLeftHalf));

    // A hand edit gives Right the same one anyway: Left keeps it, and Right takes it once Left moves.
    std::string text = readFile(file());
    std::smatch left;
    ASSERT_TRUE(std::regex_search(text, left, std::regex("<key>LeftShortcut</key>\\s*(<data>[^<]*</data>)")));
    replaceFile(
        std::regex_replace(text, std::regex("(<key>RightShortcut</key>\\s*)<data>[^<]*</data>"), "$1" + left.str(1)));
    ASSERT_TRUE(x().waitUntil([&] { return count(tilvane_->log(), "hold the same shortcut") == 1; }));
    EXPECT_NE(tilvane_->log().find("RightShortcut and LeftShortcut hold the same shortcut, ctrl+super+h"),
              std::string::npos);
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor({kControl, kCommand, kH}, window.id, kLeftHalf)) << frame(window.id);

    ASSERT_EQ(tilvane({"shortcuts", "set", "LeftShortcut", "ctrl+super+k"}, &output), 0) << output;
    EXPECT_TRUE(pressUntil({kControl, kCommand, kH}, window.id, kRightHalf));
    EXPECT_TRUE(pressUntil({kControl, kCommand, kK}, window.id, kLeftHalf));
}

// A 200 000-key file took the program from 4 MB to over 100 MB, kept it after
// the file shrank back, and held up the hot keys about a second per reload.
TEST_F(SettingsTest, HugeFileTakesNeitherMemoryNorTheHotKeys) {
    auto window = desktop().openWindow("huge");
    startTilvane();
    auto residentKiB = [&] {
        std::ifstream status("/proc/" + std::to_string(tilvane_->pid()) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
        return 0L;
    };
    long before = residentKiB();
    std::string huge = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    for (int i = 0; i < 200000; ++i)
        huge += "\t<key>GeneratedKey" + std::to_string(i) + "</key>\n\t<string>v</string>\n";
    huge += "</dict>\n</plist>\n";
    for (size_t time = 1; time <= 2; ++time) {
        replaceFile(huge);
        ASSERT_TRUE(x().waitUntil([&] { return keptAside().size() == time; }));
        x().placeFrame(window.id, kStart);
        EXPECT_TRUE(
            pressAndWaitFor(time == 1 ? kDefaultLeft : kDefaultRight, window.id, time == 1 ? kLeftHalf : kRightHalf))
            << frame(window.id);
    }
    EXPECT_LT(residentKiB() - before, 8 * 1024) << "before: " << before << " KiB";
    EXPECT_EQ(shortcutLine("LeftShortcut").find("(default)"), std::string::npos);
}

// A stored shortcut without a key (archived with key code -1) was registered
// with key code 0, the A key: "super" alone grabbed Super+A.
TEST_F(SettingsTest, AStoredShortcutWithNoKeyGrabsNothing) {
    startTilvane();
    ASSERT_FALSE(x().keyIsFree(kLeft, kXControlAlt));  // the program holds Left's default
    auto settings = plist::parsePropertyList(readFile(file()));
    ASSERT_TRUE(settings.value) << settings.error;
    plist::PlistKeyedArchiver archiver;
    std::get<SettingsDictionary>(settings.value->value)["LeftShortcut"] =
        archiveShortcut(archiver, Shortcut(Shortcut::kNoKeyCode, modifier::kCommand));
    replaceFile(*plist::propertyListXml(*settings.value).xml);
    // Once the program has let go of Left's old combination, it has read the change.
    ASSERT_TRUE(x().waitUntil([&] { return x().keyIsFree(kLeft, kXControlAlt); }));
    settle();
    EXPECT_TRUE(x().keyIsFree(0x00 /* A */, XCB_MOD_MASK_4));
    ASSERT_TRUE(tilvane_->running());
}

// The commands alone need no window manager, docks or serving program.
class CommandTest : public SettingsTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }
};

// Control characters in a -string made the file invalid XML, and `defaults
// read` printed them to the terminal as they were. Bad input is refused
// (status 2) and changes nothing; text with tabs and new lines goes through
// the file and comes back written out.
TEST_F(CommandTest, BadInputChangesNothingAndTextNeverCarriesControlCharacters) {
    const struct {
        std::vector<std::string> args;
        const char* says;
    } rows[] = {
        {{"defaults", "write", "SUFeedURL", "-string", "\x1b]0;pwned\x07"},
         "'\\u001b]0;pwned\\u0007' holds a control character"},
        {{"defaults", "write", "HideDocIcon", "-int", "-9223372036854775809"}, "is out of range"},
        {{"place", "sideways"}, "unknown action \"sideways\""},
        {{"place"}, ""},
    };
    std::string output;
    for (const auto& row : rows) {
        EXPECT_EQ(tilvane(row.args, &output), 2) << row.args.back();
        EXPECT_NE(output.find(row.says), std::string::npos) << output;
    }
    EXPECT_FALSE(fs::exists(file()));
    write("SUFeedURL", "string", "line one\n\tline two");
    EXPECT_EQ(readFile(file()).find_first_of("\x1b\x07"), std::string::npos);
    EXPECT_EQ(read("SUFeedURL"), "\"line one\\n\\tline two\"\n");
}

// A failed one-shot write said twice that its change was kept for the next
// save, though the process ended and the change was lost.
TEST_F(CommandTest, AFailedWriteSaysOnceThatItWasNotSaved) {
    fs::create_directories(fs::path(folder()).parent_path());
    std::ofstream(folder()) << "a file where the folder goes";
    std::string output;
    EXPECT_EQ(tilvane({"defaults", "write", "HideDocIcon", "-bool", "yes"}, &output), 1);
    EXPECT_EQ(count(output, "\n"), 2u) << output;
    EXPECT_NE(output.find("could not save " + file()), std::string::npos) << output;
    EXPECT_NE(output.find("tilvane defaults: the change was not saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("kept"), std::string::npos) << output;
}

}  // namespace
}  // namespace tilvane::e2e
