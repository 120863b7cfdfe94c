// The offer to move the program into the applications folder, on a simulated
// machine: when it is made, what it says, and what each answer does to the
// files, the processes, the log and the settings, in order.

#include "install/move_to_applications.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/settings_keys.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_relocation.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {
namespace {

using sim::Journal;

const std::string kOffer = "I can move myself to the Applications folder if you'd like.";
const std::string kDownloads = kOffer + " This will keep your Downloads folder uncluttered.";
const std::string kPassword = kOffer + " Note that this will require an administrator password.";

const std::string kFailed = "alert Could not move to Applications folder";
const std::string kFromDownloads = "/home/user/Downloads/Tilvane.AppDir";
const std::string kDestination = "/home/user/Applications/Tilvane.AppDir";
const std::string kRelaunch =
    "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; "
    "'/home/user/Applications/Tilvane.AppDir/AppRun') &";
const std::string kPrivilegedCopy =
    "privileged /bin/mkdir -p '/home/user/Applications' && { /bin/rm -rf '/home/user/Applications/Tilvane.AppDir'; "
    "test $? -lt 128 && "
    "/bin/cp -pR '/home/user/Downloads/Tilvane.AppDir' '/home/user/Applications/Tilvane.AppDir'; }";
const std::string kAsk = "alert Move to Applications folder?";
const std::string kCopy = "copy " + kFromDownloads + " " + kDestination;
const std::string kMenuAdd = "menu add " + kDestination;
const std::string kNoPrivilegedCopy =
    "log ERROR -- Could not copy myself to /home/user/Applications with authorization";

// The question asked and the move begun, then the rest.
Journal asked(const Journal& rest, const Journal& end = {}) {
    Journal journal{"activate", kAsk, "log INFO -- Moving myself to the Applications folder"};
    journal.insert(journal.end(), rest.begin(), rest.end());
    journal.insert(journal.end(), end.begin(), end.end());
    return journal;
}
// The moved copy in the menu, the source gone, the copy started and this process ended.
Journal moved(const std::string& from) {
    return {kMenuAdd, "remove " + from, kRelaunch, "exit 0"};
}
// The failure's alert, with the reason it gives.
std::string failed(const std::string& reason) {
    return kFailed + " / " + reason;
}

// The log lines, in the machine's journal.
class JournalLog : public Log {
public:
    explicit JournalLog(Journal& journal) : journal_(journal) {}
    void write(std::string_view line) override { journal_.push_back("log " + std::string(line)); }

private:
    Journal& journal_;
};

// One machine: the user interface, the log and the settings write into the
// relocation's journal, so that a test reads everything in order.
struct Machine {
    Machine() {
        relocation.bundle = kFromDownloads;
        settings.addObserver([this](const std::string& key) { relocation.journal.push_back("write " + key); });
    }
    void move() {
        sim::SimDesktop desktop;
        Platform platform(desktop, desktop, log, desktop.runLoop());
        platform.relocation = &relocation;
        platform.userInterface = canAsk ? &ui : nullptr;
        platform.settings = &settings;
        moveToApplicationsFolderIfNecessary(platform);
    }
    sim::SimRelocation relocation;
    sim::SimUserInterface ui{&relocation.journal};
    sim::MemorySettingsStore settings;
    JournalLog log{relocation.journal};
    bool canAsk = true;
};

using Arrangement = std::function<void(Machine&)>;

Arrangement bundleAt(const std::string& path) {
    return [path](Machine& m) { m.relocation.bundle = path; };
}
Arrangement answer(size_t button, bool suppress) {
    return [=](Machine& m) { m.ui.answerAlerts({{button, suppress}}); };
}
Arrangement both(const Arrangement& first, const Arrangement& then) {
    return [=](Machine& m) { first(m), then(m); };
}
// A copy already in the applications folder, which this user may write or not.
Arrangement olderCopy(bool writable) {
    return [=](Machine& m) { m.relocation.files[kDestination] = writable; };
}
// The applications folder this user may not write: the move asks for a password.
Arrangement unwritable(std::optional<int> status = 0, const std::string& error = "") {
    return [=](Machine& m) {
        m.relocation.files["/home/user/Applications"] = false;
        m.relocation.privilegedStatus = status;
        m.relocation.privilegedError = error;
    };
}

struct Case {
    const char* name;
    Arrangement arrange;
    std::string offer;  // the question's informative text
    Journal journal;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

const Case kCases[] = {
    {"the suppression key keeps the question away",
     [](Machine& m) { m.settings.setBool(settings_key::kMoveToApplicationsFolderAlertSuppress, true); },
     "",
     {}},
    {"without a way to ask nothing happens", [](Machine& m) { m.canAsk = false; }, "", {}},
    {"a program installed by a package has nothing to move", [](Machine& m) { m.relocation.bundle.reset(); }, "", {}},
    {"a folder named Applications anywhere counts", bundleAt("/media/user/USB/Applications/Tilvane.AppDir"), "", {}},
    {"a name that merely begins like an applications folder does not count", bundleAt("/optional/Tilvane.AppDir"),
     kOffer, asked({"copy /optional/Tilvane.AppDir " + kDestination}, moved("/optional/Tilvane.AppDir"))},
    {"nested inside another folder in /Applications: offered, and the outer folder keeps its copy",
     bundleAt("/Applications/Other.AppDir/lib/Tilvane.AppDir"), kOffer,
     asked({"copy /Applications/Other.AppDir/lib/Tilvane.AppDir " + kDestination, kMenuAdd, kRelaunch, "exit 0"})},
    {"declined with the check box off: asked again next time", answer(1, false), kDownloads, {"activate", kAsk}},
    {"declined with the check box on: never asked again",
     answer(1, true),
     kDownloads,
     {"activate", kAsk, "write moveToApplicationsFolderAlertSuppress"}},
    {"the check box counts only with Do Not Move", answer(0, true), kDownloads, asked({kCopy}, moved(kFromDownloads))},
    {"from Downloads into an unwritable folder: the password sentence, one privileged line", unwritable(), kPassword,
     asked({kPrivilegedCopy}, moved(kFromDownloads))},
    {"an older copy this user may not write needs the password too", olderCopy(false), kPassword,
     asked({kPrivilegedCopy}, moved(kFromDownloads))},
    {"an older copy goes to the trash and out of the menu; the new one comes into it", olderCopy(true), kDownloads,
     asked({"moveToTrash " + kDestination, "menu remove " + kDestination, kCopy}, moved(kFromDownloads))},
    {"a copy the menu cannot take is moved all the same",
     [](Machine& m) { m.relocation.menuError = "there is no desktop entry"; }, kDownloads,
     asked({kCopy, kMenuAdd,
            "log WARNING -- Could not add '" + kDestination + "' to the application menu: there is no desktop entry",
            "remove " + kFromDownloads, kRelaunch, "exit 0"})},
    {"a copy running there is brought forward and nothing is copied",
     both(olderCopy(true),
          [](Machine& m) {
              m.relocation.runningBundles = {kFromDownloads, "/home/user/Applications/./Tilvane.AppDir/"};
          }),
     kDownloads,
     asked({"log INFO -- Switching to an already running version", "run " + kDestination + "/AppRun preferences",
            "exit 0"})},
    {"an older copy that no trash takes: the move fails",
     both(olderCopy(true), [](Machine& m) { m.relocation.moveToTrashFails = m.relocation.recycleFails = true; }),
     kDownloads,
     asked({"moveToTrash " + kDestination, "recycle " + kDestination,
            failed("The copy already in the Applications folder could not be moved to the trash.")})},
    {"the password prompt dismissed: only the INFO lines, and the program goes on",
     unwritable(Relocation::kAuthorizationCanceled), kPassword,
     asked({kPrivilegedCopy, "log INFO -- Not moving because user canceled authorization"})},
    {"the privileged copy failing, with the system's reason", unwritable(1, "No space left on device"), kPassword,
     asked({kPrivilegedCopy, kNoPrivilegedCopy, failed("No space left on device.")})},
    {"the privileged copy failing without a reason", unwritable(1), kPassword,
     asked({kPrivilegedCopy, kNoPrivilegedCopy, failed("The copy with administrator rights failed.")})},
    {"no program to ask for the password", unwritable(std::nullopt, "pkexec is not installed"), kPassword,
     asked({kPrivilegedCopy, kNoPrivilegedCopy, failed("pkexec is not installed.")})},
    {"a destination that names no bundle is never removed with privileges",
     both(unwritable(), bundleAt("/home/user/Downloads/tilvane")), kPassword,
     asked({kNoPrivilegedCopy, failed("Only a .AppDir folder or a .AppImage file can be moved.")})},
    {"the plain copy failing", [](Machine& m) { m.relocation.copyError = "Permission denied"; }, kDownloads,
     asked({kCopy, "log ERROR -- Could not copy '" + kFromDownloads + "' to '" + kDestination + "' (Permission denied)",
            "log ERROR -- Could not copy myself to " + kDestination, failed("Permission denied.")})},
    {"a source that can be neither deleted nor trashed does not stop the move",
     [](Machine& m) {
         m.relocation.removeError = "Read-only file system";
         m.relocation.moveToTrashFails = m.relocation.recycleFails = true;
     },
     kDownloads,
     asked({kCopy, kMenuAdd, "remove " + kFromDownloads,
            "log WARNING -- Could not delete '" + kFromDownloads + "': Read-only file system",
            "moveToTrash " + kFromDownloads, "recycle " + kFromDownloads,
            "log WARNING -- Could not delete application after moving it to Applications folder", kRelaunch,
            "exit 0"})},
    {"from a disk image: the source stays and the image is detached",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/Tilvane 0.1/Tilvane.AppDir";
         m.relocation.mounts["/media/user/Tilvane 0.1"] = {"/dev/loop3", false};
         m.relocation.diskImages = {{{"/dev/loop1", "/home/user/a.img"}, {"/dev/loop3", "/home/user/Tilvane.iso"}}};
     },
     kOffer,
     asked({"copy /media/user/Tilvane 0.1/Tilvane.AppDir " + kDestination, kMenuAdd, kRelaunch,
            "sh (/bin/sleep 5 && /usr/bin/udisksctl unmount -b '/dev/loop3' && /usr/bin/udisksctl loop-delete -b "
            "'/dev/loop3') &",
            "exit 0"})},
    {"a mounted device that is no disk image is an ordinary place",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/USB/Tilvane.AppDir";
         m.relocation.mounts["/media/user/USB"] = {"/dev/sdb1", false};
         m.relocation.diskImages = {{{"/dev/loop3", "/home/user/Tilvane.iso"}}};
     },
     kOffer, asked({"copy /media/user/USB/Tilvane.AppDir " + kDestination}, moved("/media/user/USB/Tilvane.AppDir"))},
    {"paths with single quotes are each one word of the shell lines",
     both(unwritable(), bundleAt("/home/user/Bob's/Tilvane's.AppDir")), kPassword,
     asked({"privileged /bin/mkdir -p '/home/user/Applications' && { /bin/rm -rf "
            "'/home/user/Applications/Tilvane'\\''s.AppDir'; test $? -lt 128 && /bin/cp -pR "
            "'/home/user/Bob'\\''s/Tilvane'\\''s.AppDir' '/home/user/Applications/Tilvane'\\''s.AppDir'; }",
            "menu add /home/user/Applications/Tilvane's.AppDir", "remove /home/user/Bob's/Tilvane's.AppDir",
            "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; "
            "'/home/user/Applications/Tilvane'\\''s.AppDir/AppRun') &",
            "exit 0"})},
};

class MoveToApplicationsTest : public testing::TestWithParam<Case> {};

TEST_P(MoveToApplicationsTest, Case) {
    const Case& c = GetParam();
    Machine m;
    c.arrange(m);
    m.relocation.journal.clear();
    m.move();
    Journal journal = m.relocation.journal;
    size_t alert = 0;
    for (auto& line : journal)
        if (line.starts_with("alert ") && alert < m.ui.alerts().size()) {
            const Alert& shown = m.ui.alerts()[alert++];
            if (line == kFailed) line += " / " + shown.informativeText;
        }
    EXPECT_EQ(journal, c.journal);
    if (m.ui.alerts().empty()) return;
    // The question offers the move, and Escape declines.
    const Alert& question = m.ui.alerts().front();
    EXPECT_EQ(question.informativeText, c.offer);
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Move to Applications Folder", "Do Not Move"}));
    EXPECT_EQ(question.escapeButton, std::optional<size_t>(1));
    EXPECT_TRUE(question.showsSuppressionButton);
}

INSTANTIATE_TEST_SUITE_P(Offer, MoveToApplicationsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

}  // namespace
}  // namespace tilvane
