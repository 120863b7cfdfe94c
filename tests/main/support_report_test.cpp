#include "main/support_report.h"

#include <gtest/gtest.h>

namespace tilvane {
namespace {

TEST(SupportReport, SaysWhatSupportNeedsToKnow) {
    SupportFacts facts;
    facts.version = "0.1.0";
    facts.windowManager = "Openbox";
    facts.server = "The X.Org Foundation release 12101007, protocol 11.0";
    // The primary monitor at (1440, 0) on the X screen and another at (0, 180)
    // on its left, each with a 30-pixel panel across its top.
    facts.screens = {{1, {0, 0, 1920, 1080}, {0, 0, 1920, 1050}}, {2, {-1440, 0, 1440, 900}, {-1440, 0, 1440, 870}}};
    facts.primaryTopLeft = {1440, 0};
    facts.settings = "EnableShotcuts = 1\n";
    facts.logLines = {"settings: could not save"};
    std::string report = composeSupportReport(facts);
    for (const char* expected :
         {"Version: 0.1.0\n", "Window manager: Openbox\n", "protocol 11.0\n",
          "1. 1920x1080+1440+0; usable area 1920x1050+1440+30\n", "2. 1440x900+0+180; usable area 1440x870+0+210\n",
          "Stored settings:\nEnableShotcuts = 1\n", "Recent log lines:\nsettings: could not save\n"})
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n---\n" << report;

    std::string empty = composeSupportReport({});
    EXPECT_NE(empty.find("Window manager: (none running)"), std::string::npos) << empty;
    EXPECT_NE(empty.find("Stored settings:\n(none)"), std::string::npos) << empty;
}

}  // namespace
}  // namespace tilvane
