#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tilvane::commands {

// The program's commands on the session's desktop, composed from its backend,
// the Linux services and the core. Each writes to the program's standard
// output and error and returns the process's exit status.

// Serves the hot keys on $DISPLAY until SIGINT or SIGTERM (SIGHUP has it read
// the settings file again; SIGPIPE is ignored): 0 after an orderly
// end; 1 when there is no display, another instance serves it, or the
// connection to the server breaks.
int serve();

// Applies one action to the focused window, as its menu item would, and
// returns once the action's work is done: 0, or 1 when there is no display.
int place(int64_t code);

// Asks the program that serves $DISPLAY to show its preferences window: 0
// when it did; kNotRunning when nothing serves the display; 1 otherwise
// (no display, or a program without a preferences window serves it).
inline constexpr int kNotRunning = 3;
int preferences();

// `tilvane shortcuts ...`, with key names from the display's layout when
// there is a display.
int shortcuts(const std::vector<std::string>& args);

}  // namespace tilvane::commands
