// The offer to move the program into the applications folder, on a simulated
// machine: when it is made, what it says, and what each answer does to the
// files, the processes and the log.

#include "install/move_to_applications.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/settings_keys.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_relocation.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {
namespace {

const std::string kOffer = "I can move myself to the Applications folder if you'd like.";
const std::string kDownloadsOffer = kOffer + " This will keep your Downloads folder uncluttered.";
const std::string kPasswordOffer = kOffer + " Note that this will require an administrator password.";

const std::string kFromDownloads = "/home/user/Downloads/Tilvane.AppDir";
const std::string kDestination = "/Applications/Tilvane.AppDir";
const std::string kRelaunch =
    "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; '/Applications/Tilvane.AppDir/AppRun') &";
const std::string kPrivilegedCopy =
    "privileged /bin/mkdir -p '/Applications' && { /bin/rm -rf '/Applications/Tilvane.AppDir'; test $? -lt 128 && "
    "/bin/cp -pR '/home/user/Downloads/Tilvane.AppDir' '/Applications/Tilvane.AppDir'; }";
const std::string kMoving = "INFO -- Moving myself to the Applications folder";

struct Machine {
    sim::SimRelocation relocation;
    sim::SimUserInterface ui;
    sim::SimDesktop desktop;
};

struct Case {
    const char* name;
    std::function<void(Machine&)> arrange;
    // The question's informative text; none: the user was not asked.
    std::optional<std::string> offer;
    std::vector<std::string> journal;
    std::vector<std::string> log;
    bool failureAlert = false;
    std::optional<bool> suppressed = std::nullopt;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

void fromDownloads(Machine& m) {
    m.relocation.bundle = kFromDownloads;
}

const Case kCases[] = {
    {"the suppression key keeps the question away",
     [](Machine& m) {
         fromDownloads(m);
         m.desktop.settings().setBool(settings_key::kMoveToApplicationsFolderAlertSuppress, true);
     },
     std::nullopt,
     {},
     {},
     false,
     true},
    {"a program installed by a package has nothing to move", [](Machine&) {}, std::nullopt, {}, {}},
    {"a folder in /Applications stays",
     [](Machine& m) { m.relocation.bundle = "/Applications/Tilvane.AppDir"; },
     std::nullopt,
     {},
     {}},
    {"an image in ~/Applications stays",
     [](Machine& m) { m.relocation.bundle = "/home/user/Applications/Tilvane-0.1.0-x86_64.AppImage"; },
     std::nullopt,
     {},
     {}},
    {"a folder named Applications anywhere counts",
     [](Machine& m) { m.relocation.bundle = "/media/user/USB/Applications/Tilvane.AppDir"; },
     std::nullopt,
     {},
     {}},
    {"a name that merely begins like an applications folder does not count",
     [](Machine& m) { m.relocation.bundle = "/optional/Tilvane.AppDir"; },
     kOffer,
     {"copy /optional/Tilvane.AppDir " + kDestination, "remove /optional/Tilvane.AppDir", kRelaunch, "exit 0"},
     {kMoving}},
    {"nested inside another folder in /Applications: offered, and the outer folder keeps it",
     [](Machine& m) { m.relocation.bundle = "/Applications/Other.AppDir/usr/lib/Tilvane.AppDir"; },
     kOffer,
     {"copy /Applications/Other.AppDir/usr/lib/Tilvane.AppDir " + kDestination, kRelaunch, "exit 0"},
     {kMoving}},
    {"declined with the check box off: asked again next time",
     [](Machine& m) {
         fromDownloads(m);
         m.ui.answerAlerts({{1, false}});
     },
     kDownloadsOffer,
     {},
     {}},
    {"declined with the check box on: never asked again",
     [](Machine& m) {
         fromDownloads(m);
         m.ui.answerAlerts({{1, true}});
     },
     kDownloadsOffer,
     {},
     {},
     false,
     true},
    {"the check box counts only with Do Not Move",
     [](Machine& m) {
         fromDownloads(m);
         m.ui.answerAlerts({{0, true}});
     },
     kDownloadsOffer,
     {"copy " + kFromDownloads + " " + kDestination, "remove " + kFromDownloads, kRelaunch, "exit 0"},
     {kMoving}},
    {"from Downloads into a writable folder: the Downloads sentence, a plain copy",
     fromDownloads,
     kDownloadsOffer,
     {"copy " + kFromDownloads + " " + kDestination, "remove " + kFromDownloads, kRelaunch, "exit 0"},
     {kMoving}},
    {"from Downloads into a folder this user may not write: the password sentence, one privileged line",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files["/Applications"] = false;
     },
     kPasswordOffer,
     {kPrivilegedCopy, "remove " + kFromDownloads, kRelaunch, "exit 0"},
     {kMoving}},
    {"an older copy this user may not write needs the password",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files[kDestination] = false;
     },
     kPasswordOffer,
     {kPrivilegedCopy, "remove " + kFromDownloads, kRelaunch, "exit 0"},
     {kMoving}},
    {"elsewhere: no sentence about Downloads",
     [](Machine& m) { m.relocation.bundle = "/home/user/Desktop/Tilvane.AppDir"; },
     kOffer,
     {"copy /home/user/Desktop/Tilvane.AppDir " + kDestination, "remove /home/user/Desktop/Tilvane.AppDir", kRelaunch,
      "exit 0"},
     {kMoving}},
    {"a copy running there is brought forward and nothing is copied",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files[kDestination] = true;
         m.relocation.runningBundles = {kFromDownloads, "/Applications/./Tilvane.AppDir/"};
     },
     kDownloadsOffer,
     {"run /Applications/Tilvane.AppDir/AppRun preferences", "exit 0"},
     {kMoving, "INFO -- Switching to an already running version"}},
    {"an image running there is brought forward by running the file",
     [](Machine& m) {
         m.relocation.bundle = "/home/user/Downloads/Tilvane.AppImage";
         m.relocation.files["/Applications/Tilvane.AppImage"] = true;
         m.relocation.runningBundles = {"/Applications/Tilvane.AppImage"};
     },
     kDownloadsOffer,
     {"run /Applications/Tilvane.AppImage preferences", "exit 0"},
     {kMoving, "INFO -- Switching to an already running version"}},
    {"an older copy that is not running goes to the trash first",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files[kDestination] = true;
     },
     kDownloadsOffer,
     {"moveToTrash " + kDestination, "copy " + kFromDownloads + " " + kDestination, "remove " + kFromDownloads,
      kRelaunch, "exit 0"},
     {kMoving}},
    {"an older copy that no trash takes: the move fails",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files[kDestination] = true;
         m.relocation.moveToTrashFails = m.relocation.recycleFails = true;
     },
     kDownloadsOffer,
     {"moveToTrash " + kDestination, "recycle " + kDestination},
     {kMoving},
     true},
    {"the password prompt dismissed: only the INFO lines, no alert, the program goes on",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files["/Applications"] = false;
         m.relocation.privilegedStatus = Relocation::kAuthorizationCanceled;
     },
     kPasswordOffer,
     {kPrivilegedCopy},
     {kMoving, "INFO -- Not moving because user canceled authorization"}},
    {"the privileged copy failing",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files["/Applications"] = false;
         m.relocation.privilegedStatus = 1;
     },
     kPasswordOffer,
     {kPrivilegedCopy},
     {kMoving, "ERROR -- Could not copy myself to /Applications with authorization"},
     true},
    {"no way to ask for the password",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.files["/Applications"] = false;
         m.relocation.privilegedStatus = std::nullopt;
     },
     kPasswordOffer,
     {kPrivilegedCopy},
     {kMoving, "ERROR -- Could not copy myself to /Applications with authorization"},
     true},
    {"a destination that names no bundle is never removed with privileges",
     [](Machine& m) {
         m.relocation.bundle = "/home/user/Downloads/tilvane";
         m.relocation.files["/Applications"] = false;
     },
     kPasswordOffer,
     {},
     {kMoving, "ERROR -- Could not copy myself to /Applications with authorization"},
     true},
    {"the plain copy failing",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.copyError = "No space left on device";
     },
     kDownloadsOffer,
     {"copy " + kFromDownloads + " " + kDestination},
     {kMoving,
      "ERROR -- Could not copy '/home/user/Downloads/Tilvane.AppDir' to '/Applications/Tilvane.AppDir' (No space "
      "left on device)",
      "ERROR -- Could not copy myself to /Applications/Tilvane.AppDir"},
     true},
    {"a source that cannot be deleted goes to the trash",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.removeError = "Permission denied";
     },
     kDownloadsOffer,
     {"copy " + kFromDownloads + " " + kDestination, "remove " + kFromDownloads, "moveToTrash " + kFromDownloads,
      kRelaunch, "exit 0"},
     {kMoving, "WARNING -- Could not delete '/home/user/Downloads/Tilvane.AppDir': Permission denied"}},
    {"a source that neither goes nor goes to the trash does not stop the move",
     [](Machine& m) {
         fromDownloads(m);
         m.relocation.removeError = "Read-only file system";
         m.relocation.moveToTrashFails = m.relocation.recycleFails = true;
     },
     kDownloadsOffer,
     {"copy " + kFromDownloads + " " + kDestination, "remove " + kFromDownloads, "moveToTrash " + kFromDownloads,
      "recycle " + kFromDownloads, kRelaunch, "exit 0"},
     {kMoving, "WARNING -- Could not delete '/home/user/Downloads/Tilvane.AppDir': Read-only file system",
      "WARNING -- Could not delete application after moving it to Applications folder"}},
    {"from a disk image: the source stays and the image is detached after the relaunch",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/Tilvane 0.1/Tilvane.AppDir";
         m.relocation.mounts["/media/user/Tilvane 0.1"] = {"/dev/loop3", false};
         m.relocation.diskImages = {
             {{"/dev/loop1", "/home/user/other.img"}, {"/dev/loop3", "/home/user/Downloads/Tilvane-0.1.iso"}}};
     },
     kOffer,
     {"copy /media/user/Tilvane 0.1/Tilvane.AppDir " + kDestination, kRelaunch,
      "sh (/bin/sleep 5 && /usr/bin/udisksctl unmount -b '/dev/loop3' && /usr/bin/udisksctl loop-delete -b "
      "'/dev/loop3') &",
      "exit 0"},
     {kMoving}},
    {"a mount from a device that is no disk image is an ordinary place",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/USB/Tilvane.AppDir";
         m.relocation.mounts["/media/user/USB"] = {"/dev/sdb1", false};
         m.relocation.diskImages = {{{"/dev/loop3", "/home/user/Downloads/Tilvane-0.1.iso"}}};
     },
     kOffer,
     {"copy /media/user/USB/Tilvane.AppDir " + kDestination, "remove /media/user/USB/Tilvane.AppDir", kRelaunch,
      "exit 0"},
     {kMoving}},
    {"disk images that cannot be listed count as none",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/Tilvane/Tilvane.AppDir";
         m.relocation.mounts["/media/user/Tilvane"] = {"/dev/loop3", false};
         m.relocation.diskImages = std::nullopt;
     },
     kOffer,
     {"copy /media/user/Tilvane/Tilvane.AppDir " + kDestination, "remove /media/user/Tilvane/Tilvane.AppDir", kRelaunch,
      "exit 0"},
     {kMoving}},
    {"nested on a disk image: neither deleted nor detached",
     [](Machine& m) {
         m.relocation.bundle = "/media/user/Tilvane/Suite.AppDir/Tilvane.AppDir";
         m.relocation.mounts["/media/user/Tilvane/Suite.AppDir"] = {"/dev/loop3", false};
         m.relocation.diskImages = {{{"/dev/loop3", "/home/user/Downloads/Suite.iso"}}};
     },
     kOffer,
     {"copy /media/user/Tilvane/Suite.AppDir/Tilvane.AppDir " + kDestination, kRelaunch, "exit 0"},
     {kMoving}},
    {"paths with single quotes are each one word of the shell lines",
     [](Machine& m) {
         m.relocation.bundle = "/home/user/Bob's Downloads/Tilvane's.AppDir";
         m.relocation.files["/Applications"] = false;
     },
     kPasswordOffer,
     {"privileged /bin/mkdir -p '/Applications' && { /bin/rm -rf '/Applications/Tilvane'\\''s.AppDir'; test $? -lt "
      "128 && /bin/cp -pR '/home/user/Bob'\\''s Downloads/Tilvane'\\''s.AppDir' '/Applications/Tilvane'\\''s.AppDir'; "
      "}",
      "remove /home/user/Bob's Downloads/Tilvane's.AppDir",
      "sh (while /bin/kill -0 4242 >/dev/null 2>&1; do /bin/sleep 0.1; done; "
      "'/Applications/Tilvane'\\''s.AppDir/AppRun') &",
      "exit 0"},
     {kMoving}},
};

class MoveToApplicationsTest : public testing::TestWithParam<Case> {};

TEST_P(MoveToApplicationsTest, Case) {
    const Case& c = GetParam();
    Machine m;
    c.arrange(m);
    Platform platform = m.desktop.platform();
    platform.userInterface = &m.ui;
    platform.relocation = &m.relocation;

    moveToApplicationsFolderIfNecessary(platform);

    const auto& alerts = m.ui.alerts();
    if (c.offer) {
        ASSERT_FALSE(alerts.empty());
        const Alert& question = alerts.front();
        EXPECT_EQ(question.messageText, "Move to Applications folder?");
        EXPECT_EQ(question.informativeText, *c.offer);
        EXPECT_EQ(question.buttons, (std::vector<std::string>{"Move to Applications Folder", "Do Not Move"}));
        EXPECT_EQ(question.escapeButton, std::optional<size_t>(1));
        EXPECT_TRUE(question.showsSuppressionButton);
        EXPECT_EQ(m.ui.activations(), 1);
    }
    size_t expectedAlerts = (c.offer ? 1 : 0) + (c.failureAlert ? 1 : 0);
    ASSERT_EQ(alerts.size(), expectedAlerts);
    if (c.failureAlert) {
        EXPECT_EQ(alerts.back().messageText, "Could not move to Applications folder");
        EXPECT_EQ(alerts.back().informativeText, "");
    }
    EXPECT_EQ(m.relocation.journal, c.journal);
    EXPECT_EQ(m.desktop.logLines(), c.log);
    auto suppressed = m.desktop.settings().objectForKey(settings_key::kMoveToApplicationsFolderAlertSuppress);
    EXPECT_EQ(suppressed, c.suppressed ? std::optional<SettingsValue>(*c.suppressed) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Offer, MoveToApplicationsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

TEST(MoveToApplications, WithoutAWayToAskNothingHappens) {
    sim::SimDesktop desktop;
    sim::SimRelocation relocation;
    relocation.bundle = kFromDownloads;
    Platform platform = desktop.platform();
    platform.relocation = &relocation;
    moveToApplicationsFolderIfNecessary(platform);
    EXPECT_TRUE(relocation.journal.empty());
    EXPECT_TRUE(desktop.logLines().empty());
}

}  // namespace
}  // namespace tilvane
