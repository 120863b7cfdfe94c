#include "main/support_report.h"

#include <locale>
#include <sstream>

#include "platform/number_text.h"

namespace tilvane {

namespace {

// A screen's rectangle in the desktop's own coordinates, as xrandr writes
// a monitor: WIDTHxHEIGHT+X+Y.
std::string describe(const Rect& r, const SupportFacts& facts) {
    using number_text::format;
    const double primaryHeight = facts.screens.front().frame.height;
    const double x = facts.primaryTopLeft.x + r.x;
    const double y = facts.primaryTopLeft.y + primaryHeight - r.maxY();
    // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about the chained operator+.
    std::string text = format(r.width);
    text.append("x").append(format(r.height)).append("+").append(format(x));
    return text.append("+").append(format(y));
}

}  // namespace

std::string composeSupportReport(const SupportFacts& facts) {
    std::ostringstream out;
    out.imbue(std::locale::classic());  // counts without thousands separators, whatever the program's locale
    out << "Tilvane support report\n\n";
    out << "Version: " << facts.version << "\n";
    out << "Window manager: " << (facts.windowManager.empty() ? "(none running)" : facts.windowManager) << "\n";
    out << "X server: " << facts.server << "\n";
    out << "\nMonitors (as xrandr shows them, the primary first):\n";
    if (facts.screens.empty()) out << "  (none)\n";
    for (size_t i = 0; i < facts.screens.size(); ++i)
        out << "  " << i + 1 << ". " << describe(facts.screens[i].frame, facts) << "; usable area "
            << describe(facts.screens[i].visibleFrame, facts) << "\n";
    out << "\nStored settings:\n" << (facts.settings.empty() ? "(none)\n" : facts.settings);
    out << "\nRecent log lines:\n";
    if (facts.logLines.empty()) out << "(none)\n";
    for (const auto& line : facts.logLines) out << line << "\n";
    return out.str();
}

}  // namespace tilvane
