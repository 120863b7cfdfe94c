#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop_backend.h"
#include "platform/geometry.h"
#include "platform/screens.h"
#include "platform/sway/json.h"

namespace tilvane::sway {

// What the program reads from the window manager's replies (get_tree, the
// binding events, get_config). Rectangles are in the window manager's
// layout coordinates: top-left, origin at the corner of the whole layout.

// One output with the usable area of the workspace shown on it (without
// bars and panels).
struct Output {
    int64_t id = 0;
    std::string name;
    Rect area;
    Rect usable;
    // Whether the workspace with the focus is shown here.
    bool focused = false;
};

// The outputs of a tree, in its order.
std::vector<Output> outputsOf(const Json& tree);
// The program's primary output: the one at the layout's origin, else the first.
std::optional<Output> primaryOf(const std::vector<Output>& outputs);
// The screen list the program works with (bottom-left coordinates with the
// origin at the primary output; the primary first), the panels across an
// output's top as its menu bar.
std::vector<Screen> screensOf(const std::vector<Output>& outputs);

// Where a window manager draws a window's title bar: sway outside the
// container's rectangle (its deco_rect above it), i3 inside.
enum class TitleBar { AboveRect, InsideRect };

// The workspaces of the output that shows the focused one, in the tree's
// order, and the one shown there.
struct Workspaces {
    std::vector<std::pair<int64_t, std::string>> all;  // id and name
    int64_t shown = 0;
};
Workspaces focusedOutputsWorkspaces(const Json& tree);

// The commands that move a window to a workspace and show it there, the window focused.
std::string moveToWorkspaceCommand(int64_t window, const std::string& workspace);

// A window (a container that shows a client) of the tree.
struct WindowNode {
    int64_t id = 0;
    // As drawn: the title bar and borders included.
    Rect frame;
    std::optional<int32_t> pid;
    // The client's X window, on i3 and for sway's X clients (XWayland).
    std::optional<uint32_t> xWindow;
    bool floating = false;
};
// The process of a client's X window, for a window manager whose tree names none (i3).
using ProcessOfXWindow = std::function<std::optional<int32_t>(uint32_t xWindow)>;

// The container of the window with the keyboard focus, as the tree has it;
// null when the focus is on an empty workspace.
const Json* focusedClientOf(const Json& tree);
// Which of the program's own windows a container shows: a window of the
// program's process (pid), the one with the container's X window (an X
// client's), else the one alone with its title; none for another program's
// window, or for one of the program's that no listed window matches alone.
std::optional<uint64_t> ownWindowOf(const Json& container, int32_t ownProcess,
                                    const std::vector<DesktopBackend::OwnWindow>& own);
// The window a container shows as the user interface names windows: the
// program's own by its id, another by the container's id with the top bit
// set (Qt numbers its Wayland windows 1, 2, … as sway numbers containers).
uint64_t windowIdFor(const Json& container, int32_t ownProcess, const std::vector<DesktopBackend::OwnWindow>& own);
// Whether a new container is a menu the program pops up: the program's,
// while one of its menus is shown, and none of its listed windows. A new
// window of the program's may have no title yet; it is not taken for a
// menu while no menu is shown.
bool isOwnMenu(const Json& container, int32_t ownProcess, const std::vector<DesktopBackend::OwnWindow>& own);

// The window with the keyboard focus; none when the focus is on an empty workspace.
std::optional<WindowNode> focusedWindowOf(const Json& tree, TitleBar titles);
std::optional<WindowNode> windowOf(const Json& tree, int64_t id, TitleBar titles);
// The windows of a process, in the tree's order; those the tree names no
// process of by their X window's, when processOfXWindow is given.
std::vector<WindowNode> windowsOfProcess(const Json& tree, int32_t pid, TitleBar titles,
                                         const ProcessOfXWindow& processOfXWindow = nullptr);

// The command that gives a window its frame in one message: floating
// first (the program's placements are floating geometry), the size before
// the position, which a resize would otherwise move.
std::string setFrameCommand(int64_t id, const Rect& frame);

// A key combination as bindings write it: modifiers in a fixed order
// ("Ctrl+Mod1+Mod4+Shift+Left"), the key by its symbol's name. Hot keys come
// as virtual key codes and the hot-key service's modifier bits; none for a
// key without a symbol.
std::optional<std::string> comboFor(uint32_t keyCode, uint32_t carbonModifiers);
// The same form for a combination as a configuration writes it (Control or
// Ctrl, Alt or Mod1, Super, Logo or Mod4, letters in any case); none when it
// names no key.
std::optional<std::string> normalizedCombo(std::string_view text);
// The combinations the configuration binds in its default mode, in the form
// above, its variables ("set $mod Mod4") put in.
std::vector<std::string> boundCombos(std::string_view config);

// The colour a bar writes its status text in, from its get_bar_config reply
// ("#rrggbb", the alpha left out); none when it names none.
std::optional<std::string> barTextColour(const Json& barConfig);

// The hot key a binding event reports: the number in "nop <prefix> <n>".
std::optional<uint64_t> hotKeyOfBinding(const Json& event, std::string_view prefix);

}  // namespace tilvane::sway
