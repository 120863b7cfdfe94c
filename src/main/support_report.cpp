#include "main/support_report.h"

#include <locale>
#include <sstream>

#include "platform/number_text.h"

namespace tilvane {

namespace {

std::string describe(const Rect& r) {
    using number_text::format;
    // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about the chained operator+.
    std::string text = format(r.width);
    text.append("x").append(format(r.height)).append(" at (").append(format(r.x));
    return text.append(", ").append(format(r.y)).append(")");
}

}  // namespace

std::string composeSupportReport(const SupportFacts& facts) {
    std::ostringstream out;
    out.imbue(std::locale::classic());  // counts without thousands separators, whatever the program's locale
    out << "Tilvane support report\n\n";
    out << "Version: " << facts.version << "\n";
    out << "Window manager: " << (facts.windowManager.empty() ? "(none running)" : facts.windowManager) << "\n";
    out << "X server: " << facts.server << "\n";
    out << "\nMonitors (bottom-left coordinates, the primary first):\n";
    if (facts.screens.empty()) out << "  (none)\n";
    for (size_t i = 0; i < facts.screens.size(); ++i)
        out << "  " << i + 1 << ". " << describe(facts.screens[i].frame) << "; usable area "
            << describe(facts.screens[i].visibleFrame) << "\n";
    out << "\nStored settings:\n" << (facts.settings.empty() ? "(none)\n" : facts.settings);
    out << "\nRecent log lines:\n";
    if (facts.logLines.empty()) out << "(none)\n";
    for (const auto& line : facts.logLines) out << line << "\n";
    return out.str();
}

}  // namespace tilvane
