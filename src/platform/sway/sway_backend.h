#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop_backend.h"
#include "platform/hot_keys.h"
#include "platform/keyboard.h"
#include "platform/linux/socket_instance.h"
#include "platform/screens.h"
#include "platform/sway/ipc_connection.h"
#include "platform/sway/sway_tree.h"
#include "platform/window_control.h"
#include "platform/window_server.h"

namespace tilvane::sway {

class SwayDesktopBackend;

// The screens as the window manager lays out its outputs, read anew each time.
class SwayScreens : public Screens {
public:
    explicit SwayScreens(SwayDesktopBackend& desktop) : desktop_(desktop) {}
    std::vector<Screen> screens() override;
    std::optional<Screen> mainScreen() override;
    double menuBarHeight() override;

private:
    SwayDesktopBackend& desktop_;
};

// Hot keys as the window manager's own bindings that run nothing ("nop
// tilvane-hotkey <n>"), reported as binding events. A combination the
// user's configuration binds is another program's.
class SwayHotKeys : public HotKeyService {
public:
    explicit SwayHotKeys(SwayDesktopBackend& desktop) : desktop_(desktop) {}
    ~SwayHotKeys() override;
    OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                 EventHotKeyRef& outRef) override;
    OSStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    OSStatus installEventHandler(Handler handler, EventHandlerRef& outRef) override;
    OSStatus removeEventHandler(EventHandlerRef ref) override;
    bool isHeldByAnotherProgram(uint32_t keyCode, uint32_t modifiers) override;

    // A binding event from the window manager.
    void bindingRan(const Json& event);
    // Removes every binding the program made; when it ends.
    void unbindAll();
    // Binds the shortcuts again after sway reloaded its configuration, which
    // drops the bindings made at run time.
    void bindAgain();

    static constexpr const char* kCommandPrefix = "tilvane-hotkey";

private:
    struct Registration {
        std::string combo;
        EventHotKeyID id;
        bool bound = true;  // false: the user's configuration took the combination
    };
    SwayDesktopBackend& desktop_;
    std::map<EventHotKeyRef, Registration> registrations_;
    EventHotKeyRef nextRef_ = 1;
    Handler handler_;
};

// The windows, placed by commands; frames in the program's coordinates (the
// primary output's corner at 0, 0).
class SwayWindows : public WindowControl {
public:
    explicit SwayWindows(SwayDesktopBackend& desktop) : desktop_(desktop) {}
    std::optional<WindowId> focusedWindow() override;
    std::optional<int32_t> processOf(WindowId window) override;
    std::vector<WindowId> windowsOf(int32_t process) override;
    std::optional<Rect> frame(WindowId window) override;
    bool setFrame(WindowId window, const Rect& frame) override;
    void raise(WindowId window) override;
    void setProcessOfXWindow(ProcessOfXWindow processOf) { processOfXWindow_ = std::move(processOf); }

private:
    SwayDesktopBackend& desktop_;
    ProcessOfXWindow processOfXWindow_;
};

// The workspaces of the output with the focus, as the program's Spaces:
// the window goes to another with one command, and the view with it.
class SwaySpaces : public Spaces {
public:
    explicit SwaySpaces(SwayDesktopBackend& desktop) : desktop_(desktop) {}
    std::vector<uint64_t> copySpaces(int mask) override;
    int spaceType(uint64_t) override { return 0; }
    bool moveFocusedWindowToSpace(uint64_t spaceNumber, std::function<void()> done) override;

private:
    SwayDesktopBackend& desktop_;
};

// Keys as the window manager's bindings name them; no layout is read.
class SwayKeyboard : public Keyboard {
public:
    ShortcutWording shortcutWording() const override { return ShortcutWording::Words; }
    uint64_t windowCommandModifier() const override;
    KeyTranslation translateKeyCode(uint16_t keyCode) override;
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return std::nullopt; }
};

// sway (or i3) reached through its IPC socket: windows placed by commands,
// outputs and workspaces read from its tree, hot keys as its bindings.
class SwayDesktopBackend : public DesktopBackend {
public:
    // Whether the session is sway's ($SWAYSOCK); why not, when not. Opened,
    // the backend also serves i3 through $I3SOCK, for placements.
    static bool fits(std::string& whyNot);
    static std::unique_ptr<SwayDesktopBackend> open(std::string& error);
    ~SwayDesktopBackend() override;

    // A request on the command connection; none when it fails (said in the log).
    std::optional<Json> ask(IpcConnection::Type type, std::string_view payload = {});
    // Runs a command; true when every part of it succeeded.
    bool run(const std::string& command);
    // A line in the program's log, naming the window manager.
    void log(const std::string& line) {
        if (log_) log_->write(variant_ + ": " + line);
    }
    // The window manager's tree, asked once for all that is read before a
    // command changes it or the loop waits for more input.
    std::optional<Json> tree();
    TitleBar titleBars() const { return titles_; }
    RunLoop* runLoop() const { return runLoop_; }

    std::string sessionName() override;
    DesktopCapabilities capabilities() override;
    void fill(PlatformServices& platform, Uses uses) override;
    void attach(DescriptorWatcher& loop, std::function<void()> onLost) override;
    void detach() override;
    WindowControl* windowControl() override { return &windows_; }
    InstanceClaim& instance(RunLoop& loop) override;
    HotKeyService& hotKeys() override { return hotKeys_; }
    Keyboard& keyboard() override { return keyboard_; }
    std::optional<std::string> placementRefusal() override { return std::nullopt; }

    WindowSystem windowSystem() override { return variant_ == "sway" ? WindowSystem::Wayland : WindowSystem::X11; }
    std::optional<WindowId> activeWindowNow() override;
    void onActiveWindowChange(std::function<void(WindowId)> handler) override { activeChanged_ = std::move(handler); }
    void listOwnWindows(std::function<std::vector<OwnWindow>()> shown) override;
    void setSkipTaskbar(WindowId, bool) override {}
    // The first bar's (swaybar hosts the tray on every bar alike by default).
    std::optional<std::string> trayTextColour() override;
    std::optional<uint16_t> virtualKeyCode(const NativeKey& key) override;
    void captureKeyboard(RunLoop& loop, std::function<void(const CapturedKey&)> onKey,
                         std::function<void(bool)> done) override;
    void releaseKeyboard() override;
    // The binding mode sway is in while a shortcut is recorded.
    static constexpr const char* kRecordingMode = "tilvane-recording";

    std::string windowManagerName() override;
    std::string serverDescription() override { return variant_ + " IPC at " + socketPath_; }
    Point primaryTopLeft() override;

    // Where the primary output's corner lies in the window manager's layout.
    static Point origin(const Json& tree);

    // Where the program's coordinates have their origin in the layout: at the primary output's corner.
    Point windowsOrigin(const Json& tree) const { return primaryCorner_ ? primaryCorner_() : origin(tree); }
    // The origin of the layout the program last read (a frame it asks for
    // was worked out in it), read now when it has read none.
    std::optional<Point> lastWindowsOrigin();

    // For a desktop where another backend serves the screens, the keys,
    // the pointer and the program's windows (i3 on X11): this one gives the
    // windows and the workspaces alone, the windows' processes by their X
    // windows', its coordinates from the other's primary screen (the
    // layout's coordinates are the X server's there), and listens to no events.
    void serveWindowsOnly(ProcessOfXWindow processOf, std::function<Point()> primaryCorner);

private:
    SwayDesktopBackend(std::string socketPath, std::unique_ptr<IpcConnection> requests);

    void readEvents();
    // Floats a new window of the program's that is none of its listed windows (a menu) at the pointer.
    void floatPopUp(const Json& container);
    // Has sway float the program's windows as they appear.
    void floatOwnWindows();
    // The window a container shows, as the user interface names windows.
    WindowId windowShownBy(const Json& container);
    void lost(const std::string& why);

    std::string socketPath_;
    std::string variant_ = "sway";
    Uses uses_ = Uses::Everything;
    bool windowsOnly_ = false;
    std::function<Point()> primaryCorner_;
    bool recording_ = false;
    TitleBar titles_ = TitleBar::AboveRect;
    std::unique_ptr<IpcConnection> requests_;
    std::unique_ptr<IpcConnection> events_;
    std::optional<Json> tree_;
    std::optional<Point> treeOrigin_;
    // Work left with the loop checks that the backend still lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    Log* log_ = nullptr;
    RunLoop* runLoop_ = nullptr;
    SwayScreens screens_{*this};
    SwayWindows windows_{*this};
    SwaySpaces spaces_{*this};
    SwayHotKeys hotKeys_{*this};
    SwayKeyboard keyboard_;
    std::unique_ptr<linux_platform::SocketInstance> instance_;
    DescriptorWatcher* watcher_ = nullptr;
    std::function<void()> onLost_;
    std::function<void(WindowId)> activeChanged_;
    std::function<std::vector<OwnWindow>()> ownWindows_;
};

}  // namespace tilvane::sway
