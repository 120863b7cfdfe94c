// The program's waits for the window manager when the window manager goes
// and comes back: a question nobody could answer is not waited for, and
// what is asked of the window manager that came back is answered.

#include <csignal>

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

using WindowManagerTest = BackendTest;

struct EndRow {
    const char* name;
    int signal;  // ended, openbox takes its properties off the root window; killed, it leaves them behind
    // Whether the program has read of the end before it asks again (or asks
    // just before it has read a word of it).
    bool heardOfTheEnd;
};

const EndRow kEnds[] = {
    {"ended", SIGTERM, true},
    {"killed", SIGKILL, true},
    {"ended, asked before the program heard", SIGTERM, false},
    {"killed, asked before the program heard", SIGKILL, false},
};

TEST_F(WindowManagerTest, NoWaitIsGivenUpWhileTheWindowManagerIsAwayOrAfterItReturns) {
    x11::Connection& conn = backend().connection();
    for (const auto& row : kEnds) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(conn.syncWithWindowManager());
        desktop().stopWindowManager(row.signal);
        // A hot key pressed now writes and asks; nobody will answer.
        conn.askWindowManager();
        conn.flush();
        if (row.heardOfTheEnd) {
            catchUp();
            // Once the program has heard that no window manager runs, a round trip is all there is to wait for.
            EXPECT_TRUE(conn.syncWithWindowManager());
            conn.askWindowManager();
            conn.flush();
        }
        std::string failure;
        ASSERT_TRUE(desktop().restartWindowManager(failure)) << failure;
        // The first action after its return waits for the window manager
        // that runs now, not for an answer to the questions asked before.
        EXPECT_TRUE(conn.syncWithWindowManager());
        EXPECT_TRUE(conn.syncWithWindowManager());
    }
}

}  // namespace
}  // namespace tilvane::e2e
