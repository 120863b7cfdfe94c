// What the program costs the X server and the machine, counted: the round
// trips of a placement as a whole process and of a hot key while serving
// (through a relay in front of the server), and the libraries `tilvane place`
// loads. Time is the benchmarks' business; counts are this file's.

#include "harness/x_relay.h"
#include "program/program_test.h"

#if defined(__has_feature)
#define TILVANE_HAS_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define TILVANE_HAS_ADDRESS_SANITIZER 0
#endif

namespace tilvane::e2e {
namespace {

using namespace key;

class FrugalityTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        relay_ = XRelay::start(desktop().display());
        ASSERT_TRUE(relay_);
        relayed_ = desktop().environment();
        relayed_["DISPLAY"] = relay_->display();
    }
    std::unique_ptr<XRelay> relay_;
    std::map<std::string, std::string> relayed_;
};

// Connecting, the atoms, the root window's properties with the monitors,
// the window's frame and application with the docks' struts, and the last
// trip that makes sure the request arrived: five round trips. Neither
// libplist nor xkbcommon is loaded, with the settings written, as a user's
// desktop has them.
TEST_F(FrugalityTest, PlaceAsksEverythingItNeedsInFiveRoundTripsAndLoadsNoLibraryItNeedsNot) {
    write("EnableShotcuts", "bool", "true");
    relayed_["LD_DEBUG"] = "libs";
    // xlogo names no process; its window's owner costs no more.
    for (Client client : {Client::Own, Client::Xlogo}) {
        SCOPED_TRACE(int(client));
        auto window = desktop().open(client, "place");
        x().placeFrame(window.id, {1600, 100, 300, 300});
        relay_->reset();
        auto place = Process::spawn({tilvaneBinary(), "place", "left"}, relayed_,
                                    desktop().folder() + "/place-" + std::to_string(int(client)) + ".log");
        ASSERT_EQ(place->wait(), 0) << place->log();
        EXPECT_EQ(relay_->connections(), 1);
        EXPECT_LE(relay_->roundTrips(), 5);
        x().syncWindowManager();
        EXPECT_EQ(frame(window.id), (Rect{1440, 0, 960, 1040}));
        desktop().closeWindow(window);

        std::string log = place->log();
        ASSERT_NE(log.find("calling init"), std::string::npos) << "no word from the dynamic loader:\n" << log;
        EXPECT_EQ(log.find("libplist"), std::string::npos) << log;
        EXPECT_EQ(log.find("libxkbcommon"), std::string::npos) << log;
#if !defined(__SANITIZE_ADDRESS__) && !TILVANE_HAS_ADDRESS_SANITIZER
        // Built as it is shipped, the C++ library is linked in.
        EXPECT_EQ(log.find("libstdc++"), std::string::npos) << log;
#endif
    }
}

TEST_F(FrugalityTest, AHotKeyCostsOneRoundTripAndAModifierNone) {
    auto window = desktop().openWindow("hot key");
    x().placeFrame(window.id, {1600, 100, 300, 300});
    tilvane_ = Process::spawn({tilvaneBinary(), "serve"}, relayed_, desktop().folder() + "/tilvane.log");
    ASSERT_TRUE(x().waitUntil([&] { return x().selectionOwner(kSelection) != XCB_WINDOW_NONE; }, 60s));
    settle();
    // The first press reads the screens; later ones have them. An action is
    // over once the window has its frame: the program may answer the ping
    // before it has run an action the same turn brought, and its trips would
    // count for the next row.
    ASSERT_TRUE(pressAndWaitFor(kDefaultRight, window.id, primary::kRightHalf));

    // The placement reads the window's frame: one trip. The serving program may spend two more.
    const Rect centre{1440 + 480, 260, 960, 520};
    const struct {
        const char* name;
        std::vector<uint16_t> chord;
        int roundTrips;  // at most
        Rect lands;
    } rows[] = {
        {"left half", kDefaultLeft, 3, primary::kLeftHalf},
        {"centre", {kControl, kOption, kCommand, kC}, 3, centre},
        {"Shift alone", {kShift}, 0, centre},
        {"Control and Option alone", {kControl, kOption}, 0, centre},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        settle();
        relay_->reset();
        EXPECT_TRUE(pressAndWaitFor(row.chord, window.id, row.lands));
        EXPECT_LE(relay_->roundTrips(), row.roundTrips);
    }
}

}  // namespace
}  // namespace tilvane::e2e
