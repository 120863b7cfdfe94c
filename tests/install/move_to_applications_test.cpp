// The offer to move the program into the applications folder, on a simulated
// machine: when it is made, what it says, and what each answer does to the
// files, the processes, the log and the settings, in order.

#include "install/move_to_applications.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/settings_keys.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_relocation.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {
namespace {

const std::string kOffer = "I can move myself to the Applications folder if you'd like.";
const std::string kDownloads = kOffer + " This will keep your Downloads folder uncluttered.";
const std::string kPassword = kOffer + " Note that this will require an administrator password.";

const std::string kAsk = "alert Move to Applications folder?";
const std::string kMoving = "log INFO -- Moving myself to the Applications folder";
const std::string kFailed = "alert Could not move to Applications folder";
// The failure's alert, with the reason it gives.
std::string failed(const std::string& reason) {
    return kFailed + " / " + reason;
}
const std::string kFromDownloads = "/home/user/Downloads/Tilvane.AppDir";
const std::string kDestination = "/home/user/Applications/Tilvane.AppDir";
const std::string kMenuAdd = "menu add " + kDestination;
const std::string kRelaunch =
    "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; "
    "'/home/user/Applications/Tilvane.AppDir/AppRun') &";
const std::string kPrivilegedCopy =
    "privileged /bin/mkdir -p '/home/user/Applications' && { /bin/rm -rf '/home/user/Applications/Tilvane.AppDir'; "
    "test $? -lt 128 && "
    "/bin/cp -pR '/home/user/Downloads/Tilvane.AppDir' '/home/user/Applications/Tilvane.AppDir'; }";

// The log lines, in the machine's journal.
class JournalLog : public Log {
public:
    explicit JournalLog(sim::Journal& journal) : journal_(journal) {}
    void write(std::string_view line) override { journal_.push_back("log " + std::string(line)); }

private:
    sim::Journal& journal_;
};

// One machine: the user interface, the log and the settings write into the
// relocation's journal, so that a test reads everything in order.
struct Machine {
    Machine() {
        relocation.bundle = kFromDownloads;
        settings.addObserver([this](const std::string& key) { relocation.journal.push_back("write " + key); });
    }
    void move() {
        Platform platform;
        platform.relocation = &relocation;
        platform.userInterface = &ui;
        platform.settings = &settings;
        platform.log = &log;
        moveToApplicationsFolderIfNecessary(platform);
    }
    sim::SimRelocation relocation;
    sim::SimUserInterface ui{&relocation.journal};
    sim::MemorySettingsStore settings;
    JournalLog log{relocation.journal};
};

struct Case {
    const char* name;
    std::function<void(Machine&)> arrange;
    std::string offer;  // the question's informative text
    sim::Journal journal;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

void unwritableApplications(Machine& m) {
    m.relocation.files["/home/user/Applications"] = false;
}

const Case kCases[] = {
    {"the suppression key keeps the question away",
     [](Machine& m) { m.settings.setBool(settings_key::kMoveToApplicationsFolderAlertSuppress, true); },
     "",
     {}},
    {"a program installed by a package has nothing to move", [](Machine& m) { m.relocation.bundle.reset(); }, "", {}},
    {"a folder in /Applications stays",
     [](Machine& m) { m.relocation.bundle = "/Applications/Tilvane.AppDir"; },
     "",
     {}},
    {"a folder named Applications anywhere counts",
     [](Machine& m) { m.relocation.bundle = "/media/user/USB/Applications/Tilvane.AppDir"; },
     "",
     {}},
    {"a name that merely begins like an applications folder does not count",
     [](Machine& m) { m.relocation.bundle = "/optional/Tilvane.AppDir"; },
     kOffer,
     {"activate", kAsk, kMoving, "copy /optional/Tilvane.AppDir /home/user/Applications/Tilvane.AppDir", kMenuAdd,
      "remove /optional/Tilvane.AppDir", kRelaunch, "exit 0"}},
    {"nested inside another folder in /Applications: offered, and the outer folder keeps its copy",
     [](Machine& m) { m.relocation.bundle = "/Applications/Other.AppDir/lib/Tilvane.AppDir"; },
     kOffer,
     {"activate", kAsk, kMoving,
      "copy /Applications/Other.AppDir/lib/Tilvane.AppDir /home/user/Applications/Tilvane.AppDir", kMenuAdd, kRelaunch,
      "exit 0"}},
    {"declined with the check box off: asked again next time",
     [](Machine& m) {
         m.ui.answerAlerts({{1, false}});
     },
     kDownloads,
     {"activate", kAsk}},
    {"declined with the check box on: never asked again",
     [](Machine& m) {
         m.ui.answerAlerts({{1, true}});
     },
     kDownloads,
     {"activate", kAsk, "write moveToApplicationsFolderAlertSuppress"}},
    {"the check box counts only with Do Not Move",
     [](Machine& m) {
         m.ui.answerAlerts({{0, true}});
     },
     kDownloads,
     {"activate", kAsk, kMoving, "copy " + kFromDownloads + " " + kDestination, kMenuAdd, "remove " + kFromDownloads,
      kRelaunch, "exit 0"}},
    {"from Downloads into an unwritable folder: the password sentence, one privileged line",
     unwritableApplications,
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy, kMenuAdd, "remove " + kFromDownloads, kRelaunch, "exit 0"}},
    {"an older copy this user may not write needs the password too",
     [](Machine& m) { m.relocation.files[kDestination] = false; },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy, kMenuAdd, "remove " + kFromDownloads, kRelaunch, "exit 0"}},
    {"an older copy goes to the trash and out of the menu; the new one comes into it",
     [](Machine& m) { m.relocation.files[kDestination] = true; },
     kDownloads,
     {"activate", kAsk, kMoving, "moveToTrash " + kDestination, "menu remove " + kDestination,
      "copy " + kFromDownloads + " " + kDestination, kMenuAdd, "remove " + kFromDownloads, kRelaunch, "exit 0"}},
    {"a copy the menu cannot take is moved all the same",
     [](Machine& m) { m.relocation.menuError = "there is no desktop entry in " + kDestination; },
     kDownloads,
     {"activate", kAsk, kMoving, "copy " + kFromDownloads + " " + kDestination, kMenuAdd,
      "log WARNING -- Could not add '" + kDestination + "' to the application menu: there is no desktop entry in " +
          kDestination,
      "remove " + kFromDownloads, kRelaunch, "exit 0"}},
    {"a copy running there is brought forward and nothing is copied",
     [](Machine& m) {
         m.relocation.files[kDestination] = true;
         m.relocation.runningBundles = {kFromDownloads, "/home/user/Applications/./Tilvane.AppDir/"};
     },
     kDownloads,
     {"activate", kAsk, kMoving, "log INFO -- Switching to an already running version",
      "run /home/user/Applications/Tilvane.AppDir/AppRun preferences", "exit 0"}},
    {"an older copy that no trash takes: the move fails",
     [](Machine& m) {
         m.relocation.files[kDestination] = true;
         m.relocation.moveToTrashFails = m.relocation.recycleFails = true;
     },
     kDownloads,
     {"activate", kAsk, kMoving, "moveToTrash /home/user/Applications/Tilvane.AppDir",
      "recycle /home/user/Applications/Tilvane.AppDir",
      failed("The copy already in the Applications folder could not be moved to the trash.")}},
    {"the password prompt dismissed: only the INFO lines, and the program goes on",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.privilegedStatus = Relocation::kAuthorizationCanceled;
     },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy, "log INFO -- Not moving because user canceled authorization"}},
    {"the privileged copy failing, with the system's reason",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.privilegedStatus = 1;
         m.relocation.privilegedError = "No space left on device";
     },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy,
      "log ERROR -- Could not copy myself to /home/user/Applications with authorization",
      failed("No space left on device.")}},
    {"the privileged copy failing without a reason",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.privilegedStatus = 1;
     },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy,
      "log ERROR -- Could not copy myself to /home/user/Applications with authorization",
      failed("The copy with administrator rights failed.")}},
    {"the password refused",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.privilegedStatus = 127;
         m.relocation.privilegedError = "Authorization failed: Not authorized";
     },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy,
      "log ERROR -- Could not copy myself to /home/user/Applications with authorization",
      failed("Authorization failed: Not authorized.")}},
    {"no program to ask for the password",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.privilegedStatus.reset();
         m.relocation.privilegedError = "pkexec is not installed";
     },
     kPassword,
     {"activate", kAsk, kMoving, kPrivilegedCopy,
      "log ERROR -- Could not copy myself to /home/user/Applications with authorization",
      failed("pkexec is not installed.")}},
    {"a destination that names no bundle is never removed with privileges",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.bundle = "/home/user/Downloads/tilvane";
     },
     kPassword,
     {"activate", kAsk, kMoving, "log ERROR -- Could not copy myself to /home/user/Applications with authorization",
      failed("Only a .AppDir folder or a .AppImage file can be moved.")}},
    {"the plain copy failing",
     [](Machine& m) { m.relocation.copyError = "Permission denied"; },
     kDownloads,
     {"activate", kAsk, kMoving, "copy " + kFromDownloads + " /home/user/Applications/Tilvane.AppDir",
      "log ERROR -- Could not copy '" + kFromDownloads +
          "' to '/home/user/Applications/Tilvane.AppDir' (Permission denied)",
      "log ERROR -- Could not copy myself to /home/user/Applications/Tilvane.AppDir", failed("Permission denied.")}},
    {"a source that can be neither deleted nor trashed does not stop the move",
     [](Machine& m) {
         m.relocation.removeError = "Read-only file system";
         m.relocation.moveToTrashFails = m.relocation.recycleFails = true;
     },
     kDownloads,
     {"activate", kAsk, kMoving, "copy " + kFromDownloads + " " + kDestination, kMenuAdd, "remove " + kFromDownloads,
      "log WARNING -- Could not delete '" + kFromDownloads + "': Read-only file system",
      "moveToTrash " + kFromDownloads, "recycle " + kFromDownloads,
      "log WARNING -- Could not delete application after moving it to Applications folder", kRelaunch, "exit 0"}},
    {"from a disk image: the source stays and the image is detached",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/Tilvane 0.1/Tilvane.AppDir";
         m.relocation.mounts["/media/user/Tilvane 0.1"] = {"/dev/loop3", false};
         m.relocation.diskImages = {{{"/dev/loop1", "/home/user/a.img"}, {"/dev/loop3", "/home/user/Tilvane.iso"}}};
     },
     kOffer,
     {"activate", kAsk, kMoving, "copy /media/user/Tilvane 0.1/Tilvane.AppDir " + kDestination, kMenuAdd, kRelaunch,
      "sh (/bin/sleep 5 && /usr/bin/udisksctl unmount -b '/dev/loop3' && /usr/bin/udisksctl loop-delete -b "
      "'/dev/loop3') &",
      "exit 0"}},
    {"a mounted device that is no disk image is an ordinary place",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/USB/Tilvane.AppDir";
         m.relocation.mounts["/media/user/USB"] = {"/dev/sdb1", false};
         m.relocation.diskImages = {{{"/dev/loop3", "/home/user/Tilvane.iso"}}};
     },
     kOffer,
     {"activate", kAsk, kMoving, "copy /media/user/USB/Tilvane.AppDir " + kDestination, kMenuAdd,
      "remove /media/user/USB/Tilvane.AppDir", kRelaunch, "exit 0"}},
    {"paths with single quotes are each one word of the shell lines",
     [](Machine& m) {
         unwritableApplications(m);
         m.relocation.bundle = "/home/user/Bob's/Tilvane's.AppDir";
     },
     kPassword,
     {"activate", kAsk, kMoving,
      "privileged /bin/mkdir -p '/home/user/Applications' && { /bin/rm -rf "
      "'/home/user/Applications/Tilvane'\\''s.AppDir'; test $? -lt "
      "128 && /bin/cp -pR '/home/user/Bob'\\''s/Tilvane'\\''s.AppDir' '/home/user/Applications/Tilvane'\\''s.AppDir'; "
      "}",
      "menu add /home/user/Applications/Tilvane's.AppDir", "remove /home/user/Bob's/Tilvane's.AppDir",
      "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; "
      "'/home/user/Applications/Tilvane'\\''s.AppDir/AppRun') &",
      "exit 0"}},
};

class MoveToApplicationsTest : public testing::TestWithParam<Case> {};

TEST_P(MoveToApplicationsTest, Case) {
    const Case& c = GetParam();
    Machine m;
    c.arrange(m);
    m.relocation.journal.clear();
    m.move();
    sim::Journal journal = m.relocation.journal;
    size_t alert = 0;
    for (auto& line : journal)
        if (line.starts_with("alert ") && alert < m.ui.alerts().size()) {
            const Alert& shown = m.ui.alerts()[alert++];
            if (line == kFailed) line += " / " + shown.informativeText;
        }
    EXPECT_EQ(journal, c.journal);
    if (!m.ui.alerts().empty()) {
        EXPECT_EQ(m.ui.alerts().front().informativeText, c.offer);
    }
}

INSTANTIATE_TEST_SUITE_P(Offer, MoveToApplicationsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

TEST(MoveToApplications, TheQuestionOffersTheMoveAndEscapeDeclines) {
    Machine m;
    m.ui.answerAlerts({{1, false}});
    m.move();
    ASSERT_EQ(m.ui.alerts().size(), 1u);
    const Alert& question = m.ui.alerts().front();
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Move to Applications Folder", "Do Not Move"}));
    EXPECT_EQ(question.escapeButton, std::optional<size_t>(1));
    EXPECT_TRUE(question.showsSuppressionButton);
}

TEST(MoveToApplications, WithoutAWayToAskNothingHappens) {
    Machine m;
    Platform platform;
    platform.relocation = &m.relocation;
    moveToApplicationsFolderIfNecessary(platform);
    EXPECT_TRUE(m.relocation.journal.empty());
}

}  // namespace
}  // namespace tilvane
