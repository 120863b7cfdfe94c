// Feeds arbitrary bytes to the reading of the window manager's replies and
// events, as a broken or hostile peer on its socket could send them: the
// JSON reader, the tree, outputs and windows read from it, a binding event
// and a configuration's bindings. Nothing may crash, hang or overflow.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sway/json.h"
#include "platform/sway/sway_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tilvane::sway;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    boundCombos(text);
    std::string error;
    auto json = Json::parse(text, error);
    if (!json) return 0;
    for (TitleBar titles : {TitleBar::AboveRect, TitleBar::InsideRect}) {
        screensOf(outputsOf(*json));
        if (auto window = focusedWindowOf(*json, titles)) {
            windowOf(*json, window->id, titles);
            if (window->pid) windowsOfProcess(*json, *window->pid, titles);
            setFrameCommand(window->id, window->frame);
        }
    }
    hotKeyOfBinding(*json, "tilvane-hotkey");
    // What is read back quoted is read again the same.
    if (auto s = json->string()) {
        auto again = Json::parse(Json::quote(*s), error);
        if (!again || again->string() != s) __builtin_trap();
    }
    return 0;
}
