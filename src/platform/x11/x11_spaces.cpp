#include "platform/x11/x11_spaces.h"

namespace tilvane::x11 {

namespace {

constexpr int kCurrentSpaceBit = 1;
constexpr int kOtherSpacesBit = 2;

}  // namespace

std::vector<uint64_t> spacesForDesktops(int mask, uint32_t count, std::optional<uint32_t> current) {
    // No desktop is current when the window manager names none or one beyond the count.
    uint32_t currentIndex = current.value_or(count);
    std::vector<uint64_t> spaces;
    for (uint32_t i = count; i-- > 0;) {
        int bit = i == currentIndex ? kCurrentSpaceBit : kOtherSpacesBit;
        if (mask & bit) spaces.push_back(spaceForDesktop(i));
    }
    return spaces;
}

X11Spaces::X11Spaces(Connection& conn) : conn_(conn) {
    // Interned with the connection's other atoms: no round trip of their own.
    numberOfDesktops_ = conn_.atoms()._NET_NUMBER_OF_DESKTOPS;
    currentDesktop_ = conn_.atoms()._NET_CURRENT_DESKTOP;
}

std::vector<uint64_t> X11Spaces::copySpaces(int mask) {
    // Read anew every time: the user switches desktops and adds them at will.
    PropertyRequest number(conn_.get(), conn_.root(), numberOfDesktops_, XCB_ATOM_CARDINAL, 1);
    PropertyRequest current(conn_.get(), conn_.root(), currentDesktop_, XCB_ATOM_CARDINAL, 1);
    return spacesForDesktops(mask, number.word().value_or(0), current.word());
}

}  // namespace tilvane::x11
