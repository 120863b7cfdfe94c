#include "main/support_report.h"

#include <sstream>

namespace tilvane {

namespace {

std::string describe(const Rect& r) {
    std::ostringstream out;
    out << r.width << "x" << r.height << " at (" << r.x << ", " << r.y << ")";
    return out.str();
}

}  // namespace

std::string composeSupportReport(const SupportFacts& facts) {
    std::ostringstream out;
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
