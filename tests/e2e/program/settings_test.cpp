// The settings file under mistakes and abuse while the serving program runs:
// its folder removed and made again, a corrupt, emptied, deleted or huge file,
// a pipe in its place, two actions given one shortcut, text with control
// characters, and the commands' messages. Nothing valid is lost, no hot key
// dies, nothing hangs.

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

constexpr uint16_t kH = 0x04, kK = 0x28;

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class SettingsTest : public ProgramTest {
protected:
    std::string folder() { return desktop().folder() + "/config/tilvane"; }
    std::string file() { return folder() + "/defaults.plist"; }
    std::vector<fs::path> keptAside() {
        std::vector<fs::path> found;
        if (!fs::is_directory(folder())) return found;
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

    // Presses the chord until the program acts on it: it hears of a change
    // through the file, a moment after the command that made it has ended.
    bool pressUntil(const std::vector<uint16_t>& chord, xcb_window_t window, const Rect& expected) {
        x().placeFrame(window, kStart);
        return x().waitUntil([&] {
            x().pressChord(chord);
            if (!x().pingSelectionOwner(kSelection)) return false;
            x().syncWindowManager();
            return frame(window) == expected;
        });
    }

    // Runs a command that must end by itself; none when it still runs after
    // ten seconds (it is killed then).
    std::optional<int> runBounded(const std::vector<std::string>& args, std::string* output = nullptr) {
        std::vector<std::string> argv{tilvaneBinary()};
        argv.insert(argv.end(), args.begin(), args.end());
        auto process = desktop().start(argv, "bounded-" + std::to_string(++bounded_) + ".log");
        auto status = process->waitFor(10s);
        if (output) *output = process->log();
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

// rm -rf ~/.config/tilvane while serving: no change was seen again until a restart.
TEST_F(SettingsTest, FolderRemovedWhileServingIsFollowedWhenItReturns) {
    auto window = desktop().openWindow("folder");
    startTilvane();
    fs::remove_all(folder());
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts", "set", "left", "shift+ctrl+j"}, &output), 0) << output;
    EXPECT_TRUE(pressUntil({kShift, kControl, kJ}, window.id, kLeftHalf)) << tilvane_->log();
    EXPECT_TRUE(pressUntil(kDefaultRight, window.id, kRightHalf)) << tilvane_->log();
}

// A command's write over a corrupt file used to leave a file of that one key,
// and the serving program then dropped all its hot keys without a word.
TEST_F(SettingsTest, CommandWriteOverACorruptFileKeepsTheServingProgramsHotKeys) {
    auto window = desktop().openWindow("corrupt");
    startTilvane();
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts", "set", "left", "shift+ctrl+j"}, &output), 0) << output;
    ASSERT_TRUE(pressUntil({kShift, kControl, kJ}, window.id, kLeftHalf));

    // The command comes right after the damage: before or after the program has put the file back.
    replaceFile("<plist><dict><key>EnableShotcuts</key>");
    ASSERT_EQ(tilvane({"defaults", "write", "WindowMovingEnabled", "-bool", "true"}, &output), 0) << output;
    ASSERT_EQ(tilvane({"defaults", "read", "WindowMovingEnabled"}, &output), 0) << output;
    EXPECT_EQ(output, "1\n");
    ASSERT_EQ(tilvane({"shortcuts"}, &output), 0) << output;
    EXPECT_NE(output.find("ctrl+shift+j"), std::string::npos) << output;
    EXPECT_EQ(output.find("(default)"), std::string::npos) << output;
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor({kShift, kControl, kJ}, window.id, kLeftHalf)) << frame(window.id);
    EXPECT_TRUE(pressAndWaitFor(kDefaultRight, window.id, kRightHalf)) << frame(window.id);
    auto kept = keptAside();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(kept[0]), "<plist><dict><key>EnableShotcuts</key>");
    EXPECT_EQ(count(servingLog(), "kept it as"), 1u) << tilvane_->log();
}

// With no program serving, the command keeps the corrupt file aside, says so,
// and writes; the next start brings the defaults.
TEST_F(SettingsTest, CommandWriteOverACorruptFileWithNoServingProgramKeepsItAsideAndSaysSo) {
    auto window = desktop().openWindow("corrupt first");
    replaceFile("not a property list");
    std::string output;
    ASSERT_EQ(tilvane({"defaults", "write", "WindowMovingEnabled", "-bool", "true"}, &output), 0) << output;
    EXPECT_NE(output.find("kept it as " + file() + ".corrupt-"), std::string::npos) << output;
    EXPECT_NE(output.find("only the changes made now"), std::string::npos) << output;
    ASSERT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(readFile(keptAside()[0]), "not a property list");

    startTilvane();
    EXPECT_TRUE(pressUntil(kDefaultLeft, window.id, kLeftHalf));
    ASSERT_EQ(tilvane({"defaults", "read", "WindowMovingEnabled"}, &output), 0) << output;
    EXPECT_EQ(output, "1\n");
}

// An emptied or deleted file switched every hot key off until a restart.
TEST_F(SettingsTest, EmptiedOrDeletedFileBringsBackTheDefaultHotKeys) {
    auto window = desktop().openWindow("emptied");
    startTilvane();
    const struct {
        const char* name;
        std::function<void()> damage;
    } rows[] = {
        {"emptied", [&] { std::ofstream(file(), std::ios::trunc); }},
        {"deleted", [&] { fs::remove(file()); }},
    };
    size_t row = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ++row;
        r.damage();
        EXPECT_TRUE(pressUntil(row % 2 ? kDefaultLeft : kDefaultRight, window.id, row % 2 ? kLeftHalf : kRightHalf))
            << tilvane_->log();
        EXPECT_EQ(count(servingLog(), "emptied or removed"), row) << tilvane_->log();
    }
    std::string output;
    ASSERT_EQ(tilvane({"defaults", "read", "EnableShotcuts"}, &output), 0) << output;
    EXPECT_EQ(output, "1\n");
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
    EXPECT_EQ(tilvane_->waitFor(10s), 0) << tilvane_->log();
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
    std::string edited =
        std::regex_replace(text, std::regex("(<key>RightShortcut</key>\\s*)<data>[^<]*</data>"), "$1" + left.str(1));
    ASSERT_NE(edited, text);
    replaceFile(edited);
    ASSERT_TRUE(x().waitUntil([&] { return count(tilvane_->log(), "hold the same shortcut") == 1; }))
        << tilvane_->log();
    EXPECT_NE(tilvane_->log().find("RightShortcut and LeftShortcut hold the same shortcut, ctrl+super+h"),
              std::string::npos)
        << tilvane_->log();
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor({kControl, kCommand, kH}, window.id, kLeftHalf)) << frame(window.id);

    ASSERT_EQ(tilvane({"shortcuts", "set", "LeftShortcut", "ctrl+super+k"}, &output), 0) << output;
    EXPECT_TRUE(pressUntil({kControl, kCommand, kH}, window.id, kRightHalf)) << tilvane_->log();
    EXPECT_TRUE(pressUntil({kControl, kCommand, kK}, window.id, kLeftHalf)) << tilvane_->log();
}

// A 200 000-key file took the program from 4 MB to over 100 MB, kept it after
// the file shrank back, and held up the hot keys about a second per reload.
TEST_F(SettingsTest, HugeFileTakesNeitherMemoryNorTheHotKeys) {
    auto window = desktop().openWindow("huge");
    startTilvane();
    auto residentKiB = [&] {
        std::ifstream status("/proc/" + std::to_string(tilvane_->pid()) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
        return 0L;
    };
    long before = residentKiB();
    std::string huge = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    for (int i = 0; i < 200000; ++i)
        huge += "\t<key>GeneratedKey" + std::to_string(i) + "</key>\n\t<string>v</string>\n";
    huge += "</dict>\n</plist>\n";
    for (int time = 1; time <= 2; ++time) {
        replaceFile(huge);
        ASSERT_TRUE(x().waitUntil([&] { return keptAside().size() == size_t(time); })) << tilvane_->log();
        x().placeFrame(window.id, kStart);
        EXPECT_TRUE(
            pressAndWaitFor(time == 1 ? kDefaultLeft : kDefaultRight, window.id, time == 1 ? kLeftHalf : kRightHalf))
            << frame(window.id);
    }
    EXPECT_LT(residentKiB() - before, 8 * 1024) << "before: " << before << " KiB";
    std::string output;
    ASSERT_EQ(tilvane({"shortcuts"}, &output), 0) << output;
    EXPECT_EQ(output.find("(default)"), std::string::npos) << output;
}

// SIGHUP ended the program without a word; now it reads the settings again.
// SIGPIPE is ignored.
TEST_F(SettingsTest, SighupRereadsTheSettingsAndSigpipeIsIgnored) {
    auto window = desktop().openWindow("hup");
    startTilvane();
    tilvane_->signal(SIGHUP);
    tilvane_->signal(SIGPIPE);
    settle();
    ASSERT_TRUE(tilvane_->running()) << tilvane_->log();
    EXPECT_TRUE(x().waitUntil([&] { return count(tilvane_->log(), "again, as asked") == 1; })) << tilvane_->log();
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor(kDefaultLeft, window.id, kLeftHalf)) << frame(window.id);
}

// The commands alone need no window manager, docks or serving program.
class SettingsCommandTest : public SettingsTest {
protected:
    Desktop::Options options() const override { return {WindowManager::None, false}; }
};

// A stored shortcut without a key (archived with key code -1) was registered
// with key code 0, the A key: "super" alone grabbed Super+A.
TEST_F(SettingsTest, AStoredShortcutWithNoKeyGrabsNothing) {
    startTilvane();
    auto other = XClient::connect(desktop().display());
    constexpr uint16_t kXControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, kXSuper = XCB_MOD_MASK_4;
    ASSERT_FALSE(other->grabKey(kLeft, kXControlAlt));  // the program holds Left's default

    auto settings = plist::parsePropertyList(readFile(file()));
    ASSERT_TRUE(settings.value) << settings.error;
    plist::PlistKeyedArchiver archiver;
    std::get<SettingsDictionary>(settings.value->value)["LeftShortcut"] =
        archiveShortcut(archiver, Shortcut(Shortcut::kNoKeyCode, modifier::kCommand));
    replaceFile(*plist::propertyListXml(*settings.value).xml);
    // Once the program has let go of Left's old combination, it has read the change.
    ASSERT_TRUE(x().waitUntil([&] {
        if (!other->grabKey(kLeft, kXControlAlt)) return false;
        other->ungrabKey(kLeft, kXControlAlt);
        return true;
    })) << tilvane_->log();
    settle();
    EXPECT_TRUE(other->grabKey(0x00 /* A */, kXSuper));
    ASSERT_TRUE(tilvane_->running()) << tilvane_->log();
}

// Control characters in a -string made the file invalid XML, and `defaults
// read` printed them to the terminal as they were.
TEST_F(SettingsCommandTest, ControlCharactersInTextNeverReachTheFileOrTheTerminal) {
    std::string output;
    EXPECT_EQ(tilvane({"defaults", "write", "SUFeedURL", "-string", "\x1b]0;pwned\x07"}, &output), 2);
    EXPECT_NE(output.find("'\\u001b]0;pwned\\u0007' holds a control character"), std::string::npos) << output;
    EXPECT_EQ(tilvane({"defaults", "write", "SUFeedURL", "-string", "caf\xe9"}, &output), 2);
    EXPECT_FALSE(fs::exists(file()));

    ASSERT_EQ(tilvane({"defaults", "write", "SUFeedURL", "-string", "line one\n\tline two"}, &output), 0) << output;
    std::string text = readFile(file());
    EXPECT_EQ(text.find_first_of(std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e\x0f\x1b\x7f", 14)),
              std::string::npos);
    ASSERT_EQ(tilvane({"defaults", "read", "SUFeedURL"}, &output), 0) << output;
    EXPECT_EQ(output, "\"line one\\n\\tline two\"\n");

    // A hand edit that slips one in through a character reference: left out, never printed.
    replaceFile(
        "<plist><dict><key>SUFeedURL</key><string>&#27;[2J</string><key>HideDocIcon</key><true/></dict>"
        "</plist>");
    ASSERT_EQ(tilvane({"defaults", "read"}, &output), 0) << output;
    EXPECT_EQ(output, "{\n    HideDocIcon = 1;\n}\n");
}

// A failed one-shot write said twice that its change was kept for the next
// save, though the process ended and the change was lost.
TEST_F(SettingsCommandTest, AFailedWriteSaysOnceThatItWasNotSaved) {
    fs::create_directories(fs::path(folder()).parent_path());
    std::ofstream(folder()) << "a file where the folder goes";
    std::string output;
    EXPECT_EQ(tilvane({"defaults", "write", "HideDocIcon", "-bool", "yes"}, &output), 1);
    EXPECT_EQ(count(output, "\n"), 2u) << output;
    EXPECT_NE(output.find("could not save " + file()), std::string::npos) << output;
    EXPECT_NE(output.find("tilvane defaults: the change was not saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("kept"), std::string::npos) << output;

    EXPECT_EQ(tilvane({"defaults", "write", "HideDocIcon", "-int", "-9223372036854775809"}, &output), 2);
    EXPECT_NE(output.find("is out of range"), std::string::npos) << output;
}

}  // namespace
}  // namespace tilvane::e2e
