#include "platform/sway/sway_tree.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

#include "platform/hot_keys.h"
#include "platform/key_symbols.h"
#include "platform/number_text.h"

namespace tilvane::sway {

namespace {

Rect rectOf(const Json& r) {
    return {r["x"].number().value_or(0), r["y"].number().value_or(0), r["width"].number().value_or(0),
            r["height"].number().value_or(0)};
}

std::string typeOf(const Json& node) {
    return node["type"].string().value_or("");
}

// Calls visit for every node below node (node itself included), with its parent; stops when visit says so.
bool walk(const Json& node, const Json* parent, const std::function<bool(const Json&, const Json*)>& visit) {
    if (visit(node, parent)) return true;
    for (const char* list : {"nodes", "floating_nodes"})
        for (const Json& child : node[list].elements())
            if (walk(child, &node, visit)) return true;
    return false;
}

// A container showing a client: it has a process, an application id or an X window.
bool showsClient(const Json& node) {
    std::string type = typeOf(node);
    if (type != "con" && type != "floating_con") return false;
    return !node["pid"].isNull() || !node["app_id"].isNull() || !node["window"].isNull();
}

WindowNode windowFrom(const Json& node, const Json* parent, TitleBar titles) {
    WindowNode window;
    window.id = static_cast<int64_t>(node["id"].number().value_or(0));
    Rect r = rectOf(node["rect"]);
    if (titles == TitleBar::AboveRect) {
        double title = rectOf(node["deco_rect"]).height;
        r = {r.x, r.y - title, r.width, r.height + title};
    } else if (parent && typeOf(*parent) == "floating_con") {
        // i3 wraps a floating window in a container that holds its decorations.
        r = rectOf((*parent)["rect"]);
    }
    window.frame = r;
    if (auto pid = node["pid"].number(); pid && *pid > 0) window.pid = static_cast<int32_t>(*pid);
    if (auto x = node["window"].number(); x && *x > 0 && *x <= 0xffffffff) window.xWindow = static_cast<uint32_t>(*x);
    window.floating = typeOf(node) == "floating_con" || (parent && typeOf(*parent) == "floating_con");
    return window;
}

// The workspace shown on an output: the output's focus, followed down (i3 puts a content container between).
const Json* shownWorkspace(const Json& output) {
    const Json* node = &output;
    for (int depth = 0; depth < 4 && typeOf(*node) != "workspace"; ++depth) {
        auto focus = (*node)["focus"][size_t(0)].number();
        const Json* next = nullptr;
        for (const Json& child : (*node)["nodes"].elements())
            if (focus && child["id"].number() == focus) next = &child;
        if (!next) return nullptr;
        node = next;
    }
    return typeOf(*node) == "workspace" ? node : nullptr;
}

bool containsFocus(const Json& node) {
    return walk(node, nullptr, [](const Json& n, const Json*) { return n["focused"].boolean().value_or(false); });
}

}  // namespace

std::vector<Output> outputsOf(const Json& tree) {
    std::vector<Output> outputs;
    for (const Json& node : tree["nodes"].elements()) {
        std::string name = node["name"].string().value_or("");
        // The scratchpad's pseudo-output.
        if (typeOf(node) != "output" || name.rfind("__", 0) == 0) continue;
        Output output{static_cast<int64_t>(node["id"].number().value_or(0)), name, rectOf(node["rect"]), {}, false};
        const Json* workspace = shownWorkspace(node);
        output.usable = workspace ? rectOf((*workspace)["rect"]) : output.area;
        output.focused = containsFocus(node);
        outputs.push_back(output);
    }
    return outputs;
}

Workspaces focusedOutputsWorkspaces(const Json& tree) {
    Workspaces found;
    for (const Json& output : tree["nodes"].elements()) {
        if (typeOf(output) != "output" || !containsFocus(output)) continue;
        walk(output, nullptr, [&](const Json& node, const Json*) {
            if (typeOf(node) != "workspace") return false;
            found.all.emplace_back(static_cast<int64_t>(node["id"].number().value_or(0)),
                                   node["name"].string().value_or(""));
            return false;
        });
        if (const Json* shown = shownWorkspace(output))
            found.shown = static_cast<int64_t>((*shown)["id"].number().value_or(0));
    }
    return found;
}

std::string moveToWorkspaceCommand(int64_t window, const std::string& workspace) {
    // A workspace's name in a command: quoted, its quotes and backslashes escaped.
    std::string name = "\"";
    for (char c : workspace) {
        if (c == '"' || c == '\\') name += '\\';
        name += c;
    }
    name += '"';
    std::string criteria = "[con_id=" + std::to_string(window) + "] ";
    return criteria + "move container to workspace " + name + "; workspace " + name + "; " + criteria + "focus";
}

std::optional<Output> primaryOf(const std::vector<Output>& outputs) {
    if (outputs.empty()) return std::nullopt;
    for (const auto& output : outputs)
        if (output.area.x == 0 && output.area.y == 0) return output;
    return outputs.front();
}

std::vector<Screen> screensOf(const std::vector<Output>& outputs) {
    std::vector<Screen> screens;
    auto primary = primaryOf(outputs);
    if (!primary) return screens;
    const Rect& p = primary->area;
    auto convert = [&p](const Rect& r) {
        return Rect{r.x - p.x, p.height - (r.y - p.y) - r.height, r.width, r.height};
    };
    auto add = [&](const Output& o) {
        double topPanel = std::clamp(o.usable.y - o.area.y, 0.0, o.area.height);
        screens.push_back({static_cast<uint64_t>(o.id), convert(o.area), convert(o.usable), topPanel});
    };
    add(*primary);
    for (const auto& output : outputs)
        if (output.id != primary->id) add(output);
    return screens;
}

const Json* focusedClientOf(const Json& tree) {
    const Json* found = nullptr;
    walk(tree, nullptr, [&](const Json& node, const Json*) {
        if (!node["focused"].boolean().value_or(false)) return false;
        if (showsClient(node)) found = &node;
        return true;
    });
    return found;
}

std::optional<uint64_t> ownWindowOf(const Json& container, int32_t ownProcess,
                                    const std::vector<DesktopBackend::OwnWindow>& own) {
    if (container["pid"].number() != double(ownProcess)) return std::nullopt;
    if (auto x = container["window"].number())
        for (const auto& window : own)
            if (!window.menu && double(window.id) == *x) return window.id;
    // A Wayland window tells the compositor its title and its program's name, nothing the program could call its id.
    auto title = container["name"].string();
    std::optional<uint64_t> found;
    for (const auto& window : own)
        if (!window.menu && title && window.title == *title) {
            if (found) return std::nullopt;
            found = window.id;
        }
    return found;
}

bool isOwnMenu(const Json& container, int32_t ownProcess, const std::vector<DesktopBackend::OwnWindow>& own) {
    bool menuShown = std::any_of(own.begin(), own.end(), [](const auto& window) { return window.menu; });
    return menuShown && container["pid"].number() == double(ownProcess) && !ownWindowOf(container, ownProcess, own);
}

uint64_t windowIdFor(const Json& container, int32_t ownProcess, const std::vector<DesktopBackend::OwnWindow>& own) {
    if (auto window = ownWindowOf(container, ownProcess, own)) return *window;
    constexpr uint64_t kOtherProgramsWindow = uint64_t(1) << 63;
    return kOtherProgramsWindow | static_cast<uint64_t>(container["id"].number().value_or(0));
}

std::optional<std::string> barTextColour(const Json& barConfig) {
    auto colour = barConfig["colors"]["statusline"].string();
    if (!colour || (colour->size() != 7 && colour->size() != 9) || (*colour)[0] != '#' ||
        colour->find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return std::nullopt;
    return colour->substr(0, 7);
}

std::optional<WindowNode> focusedWindowOf(const Json& tree, TitleBar titles) {
    std::optional<WindowNode> found;
    walk(tree, nullptr, [&](const Json& node, const Json* parent) {
        if (!node["focused"].boolean().value_or(false)) return false;
        if (showsClient(node)) found = windowFrom(node, parent, titles);
        return true;
    });
    return found;
}

std::optional<WindowNode> windowOf(const Json& tree, int64_t id, TitleBar titles) {
    std::optional<WindowNode> found;
    walk(tree, nullptr, [&](const Json& node, const Json* parent) {
        if (node["id"].number() != double(id)) return false;
        if (showsClient(node)) found = windowFrom(node, parent, titles);
        return true;
    });
    return found;
}

std::vector<WindowNode> windowsOfProcess(const Json& tree, int32_t pid, TitleBar titles,
                                         const ProcessOfXWindow& processOfXWindow) {
    std::vector<WindowNode> windows;
    walk(tree, nullptr, [&](const Json& node, const Json* parent) {
        if (!showsClient(node)) return false;
        WindowNode window = windowFrom(node, parent, titles);
        if (!window.pid && window.xWindow && processOfXWindow) window.pid = processOfXWindow(*window.xWindow);
        if (window.pid == pid) windows.push_back(window);
        return false;
    });
    return windows;
}

std::string setFrameCommand(int64_t id, const Rect& frame) {
    // The far edges rounded rather than the size, so that windows placed side by side meet.
    double x = std::round(frame.x), y = std::round(frame.y);
    double width = std::round(frame.x + frame.width) - x, height = std::round(frame.y + frame.height) - y;
    auto text = [](double v) { return number_text::format(v); };
    return "[con_id=" + std::to_string(id) + "] floating enable, resize set " + text(width) + " px " + text(height) +
           " px, move absolute position " + text(x) + " px " + text(y) + " px";
}

namespace {

// The modifiers in the order combinations are written, with the names a configuration may give each.
struct ModifierName {
    const char* written;
    uint32_t carbon;
    std::vector<std::string_view> names;
};

const std::vector<ModifierName>& modifierNames() {
    static const std::vector<ModifierName> names = {
        {"Ctrl", kCarbonControlKey, {"ctrl", "control"}},
        {"Mod1", kCarbonOptionKey, {"mod1", "alt"}},
        {"Mod4", kCarbonCmdKey, {"mod4", "super", "logo"}},
        {"Shift", kCarbonShiftKey, {"shift"}},
    };
    return names;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::string combo(uint32_t modifiers, std::string_view key) {
    std::string text;
    for (const auto& m : modifierNames())
        if (modifiers & m.carbon) text += std::string(m.written) + "+";
    return text + std::string(key);
}

}  // namespace

std::optional<std::string> comboFor(uint32_t keyCode, uint32_t carbonModifiers) {
    auto name = keySymbolName(static_cast<uint16_t>(keyCode));
    if (!name) return std::nullopt;
    return combo(carbonModifiers, *name);
}

std::optional<std::string> normalizedCombo(std::string_view text) {
    uint32_t modifiers = 0;
    std::string_view key;
    while (!text.empty()) {
        size_t plus = text.find('+', 1);
        std::string_view part = text.substr(0, plus);
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
        bool isModifier = false;
        for (const auto& m : modifierNames())
            if (std::find(m.names.begin(), m.names.end(), lower(part)) != m.names.end()) {
                modifiers |= m.carbon;
                isModifier = true;
            }
        if (!isModifier) key = part;
    }
    if (key.empty()) return std::nullopt;
    // Symbols are matched without case for letters, as a keyboard's Shift does not change which key it is.
    for (const auto& symbol : kKeySymbols)
        if (lower(symbol.name) == lower(key)) return combo(modifiers, keySymbolName(symbol.keyCode).value_or(key));
    return combo(modifiers, key);
}

std::vector<std::string> boundCombos(std::string_view config) {
    std::map<std::string, std::string, std::greater<>> variables;  // longest names first when put in
    std::vector<std::string> combos;
    int depth = 0;
    size_t start = 0;
    while (start < config.size()) {
        size_t end = config.find('\n', start);
        std::string_view line =
            config.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? config.size() : end + 1;
        std::vector<std::string> words;
        for (size_t i = 0; i < line.size();) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            size_t from = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
            if (i > from) words.emplace_back(line.substr(from, i - from));
        }
        if (words.empty() || words[0][0] == '#') continue;
        if (words[0] == "set" && words.size() >= 3 && words[1][0] == '$') {
            variables[words[1]] = words[2];
            continue;
        }
        for (const auto& word : words) {
            if (word.find('{') != std::string::npos) ++depth;
            if (word.find('}') != std::string::npos) --depth;
        }
        // Bindings inside a block (a mode's, the bar's) act only there.
        if (words[0] != "bindsym" || depth != 0) continue;
        size_t at = 1;
        while (at < words.size() && words[at].rfind("--", 0) == 0) ++at;
        if (at >= words.size()) continue;
        std::string written = words[at];
        // Each place once, left to right: a value that names a variable (set $a $a) is not put in again.
        for (const auto& [name, value] : variables)
            for (size_t pos = written.find(name); pos != std::string::npos;
                 pos = written.find(name, pos + value.size()))
                written.replace(pos, name.size(), value);
        if (auto normal = normalizedCombo(written)) combos.push_back(*normal);
    }
    return combos;
}

std::optional<uint64_t> hotKeyOfBinding(const Json& event, std::string_view prefix) {
    if (event["change"].string() != "run") return std::nullopt;
    std::string command = event["binding"]["command"].string().value_or("");
    std::string expected = "nop " + std::string(prefix) + " ";
    if (command.rfind(expected, 0) != 0) return std::nullopt;
    std::string_view digits = std::string_view(command).substr(expected.size());
    uint64_t number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return number;
}

}  // namespace tilvane::sway
