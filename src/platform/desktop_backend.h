#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/capabilities.h"
#include "platform/hot_keys.h"
#include "platform/keyboard.h"
#include "platform/platform.h"
#include "platform/run_loop.h"
#include "platform/window_control.h"

namespace tilvane {

// The one program that serves a session: the first to claim it keeps it
// until it ends; the others ask it to show its preferences.
class InstanceClaim {
public:
    virtual ~InstanceClaim() = default;
    // Whether another program serves the session now.
    virtual bool heldByAnother() = 0;
    // Takes the session when nobody serves it; false when someone does.
    virtual bool claim() = 0;
    // Runs when another program takes the session away.
    virtual void onLost(std::function<void()> handler) = 0;
    // The serving program's answer to a request to show its preferences; a
    // program without them refuses such requests.
    virtual void onShowPreferences(std::function<void()> handler) = 0;

    enum class Request { Done, NoOwner, Refused };
    // Asks the program that serves the session to show its preferences, and waits for its answer.
    virtual Request askOwnerToShowPreferences(std::chrono::milliseconds limit) = 0;

    // What the serving program tells the commands: the settings keys whose
    // shortcuts another program holds.
    virtual void publishHeldElsewhere(const std::vector<std::string>& keys) = 0;
    // What the program that serves published; none when none serves.
    virtual std::optional<std::vector<std::string>> heldElsewhereByOwner() = 0;
};

// One kind of desktop session the program serves (an X11 display, a
// compositor it talks to): its services, its one instance, and what the
// user interface asks of it. The composition root opens one and hands its
// services to the core; nothing else knows which kind it is.
class DesktopBackend {
public:
    using WindowId = uint64_t;

    virtual ~DesktopBackend() = default;

    // What was found, for messages ("serving display :0"): "display :0".
    virtual std::string sessionName() = 0;
    virtual DesktopCapabilities capabilities() = 0;

    // What a process uses of the desktop: one action needs no keyboard, hot
    // keys or input monitors, and is quicker without setting them up.
    enum class Uses { OneAction, Everything };
    // Fills in the services the desktop offers. Services that use the run
    // loop take the platform's: set it first.
    virtual void fill(PlatformServices& platform, Uses uses) = 0;
    // Reads and handles the desktop's events on the loop's thread. Calls
    // onLost, once, when the connection to the desktop breaks.
    virtual void attach(DescriptorWatcher& loop, std::function<void()> onLost) = 0;
    // Stops reading on the loop; also when the backend goes.
    virtual void detach() = 0;
    // The desktop's windows as requests, for a desktop that hands out no
    // window elements: the composition root then runs the program's element
    // model on them, and fill leaves the accessibility service alone. None
    // for a desktop whose fill gives the elements itself.
    virtual WindowControl* windowControl() { return nullptr; }
    // The one instance per session, made on first use.
    virtual InstanceClaim& instance(RunLoop& loop) = 0;
    // The desktop's hot keys and keyboard, for commands that probe them.
    virtual HotKeyService& hotKeys() = 0;
    virtual Keyboard& keyboard() = 0;
    // Why the last placement was left undone on purpose (a window the
    // desktop lays out itself); none when it was done or failed otherwise.
    virtual std::optional<std::string> placementRefusal() = 0;

    // --- what the user interface asks ---------------------------------------
    // What shows the program's own windows: an X server, or a Wayland compositor.
    enum class WindowSystem { X11, Wayland };
    virtual WindowSystem windowSystem() { return WindowSystem::X11; }
    // The window that has the keyboard, asked now; none when none has it.
    virtual std::optional<WindowId> activeWindowNow() = 0;
    // Tells the handler each time another window gets the keyboard (none: 0),
    // before any input that follows the change.
    virtual void onActiveWindowChange(std::function<void(WindowId window)> handler) = 0;
    // A window of the program's own that is shown, as its user interface
    // knows it: a window, or a menu it pops up.
    struct OwnWindow {
        WindowId id = 0;
        std::string title;
        bool menu = false;
    };
    // Lists the program's windows, for a desktop that names windows its own
    // way (a compositor's containers): the active window is then told by the
    // program's id when it is one of them. A desktop whose windows have the
    // ids the program has (X11) needs no list.
    virtual void listOwnWindows(std::function<std::vector<OwnWindow>()> shown) { (void)shown; }
    // The colour the desktop's bar writes its text in ("#rrggbb"), in which
    // the tray icon's one-colour picture reads on it; none when the desktop
    // does not say (the user interface's own colour is used then).
    virtual std::optional<std::string> trayTextColour() { return std::nullopt; }
    // Keeps one of the program's own windows out of the taskbar and the pager, or lets it in.
    virtual void setSkipTaskbar(WindowId window, bool skip) = 0;
    // A key typed in the program's windows as the windowing system names it:
    // its key code (a place on the keyboard) and its symbol (what it types).
    struct NativeKey {
        uint32_t keyCode = 0;
        uint32_t keySymbol = 0;
    };
    // The virtual key code of a key typed in the program's windows.
    virtual std::optional<uint16_t> virtualKeyCode(const NativeKey& key) = 0;

    // A key while the keyboard is captured: its virtual key code, the
    // modifier flags held after it (a modifier key's own included when it
    // goes down), and whether it is a modifier key.
    struct CapturedKey {
        bool press = true;
        uint16_t keyCode = 0;
        uint64_t flags = 0;
        bool isModifier = false;
    };
    // Sends every key of the desktop to onKey while a shortcut is recorded.
    // done(true) once it does, done(false) when the desktop refuses (then the
    // user interface captures what it can itself); done may come later, on the
    // loop, or before captureKeyboard returns. releaseKeyboard ends it, or the
    // asking, and done is then never called.
    virtual void captureKeyboard(RunLoop& loop, std::function<void(const CapturedKey&)> onKey,
                                 std::function<void(bool)> done) = 0;
    virtual void releaseKeyboard() = 0;

    // For the support report: the window manager (or compositor), the
    // server, and where the primary screen's top-left corner lies in the
    // desktop's own coordinates.
    virtual std::string windowManagerName() = 0;
    virtual std::string serverDescription() = 0;
    virtual Point primaryTopLeft() = 0;
};

}  // namespace tilvane
