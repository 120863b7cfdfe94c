#pragma once

#include <ostream>

namespace tilvane {

// Standard output and standard error as C++ streams, written through the C
// library's own (same buffering, same order, flushed at exit). They are made
// when first used: setting up the C++ stream library touches a good share of
// a short command's pages, and a placement that succeeds prints nothing.
// The programs here use these, never std::cout or std::cerr, whose mere
// inclusion sets that library up before main.
std::ostream& standardOutput();
std::ostream& standardError();

}  // namespace tilvane
