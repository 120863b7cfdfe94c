#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/memory_settings_store.h"
#include "platform/sim/sim_run_loop.h"

namespace tilvane::sim {

// A window of a simulated application. Its frame is in top-left coordinates.
struct SimWindow {
    uint64_t id = 0;
    int32_t pid = 0;
    Rect frame;
    std::string title;
    int64_t layer = 0;
    uint64_t space = 0;
    // How the owning application treats writes and reads.
    std::optional<Size> minSize;
    bool refusePosition = false;
    bool refuseSize = false;
    bool failPositionRead = false;
    bool failSizeRead = false;
    bool positionNotPoint = false;   // the position read gives a value of another kind
    bool sizeNotSize = false;        // the size read gives a value of another kind
    std::optional<Rect> zoomButton;  // top-left coordinates
    bool failZoomButtonPositionRead = false;
    bool failZoomButtonSizeRead = false;
    bool closed = false;
};

struct SimApp {
    int32_t pid = 0;
    std::string name;
    std::vector<uint64_t> windows;
    std::optional<uint64_t> focusedWindow;
    bool focusedWindowIsText = false;  // the focused "window" is not an element
    bool failFocusedWindowRead = false;
    bool failWindowsRead = false;
};

// One attribute write, as the simulated applications received it.
struct AttributeWrite {
    uint64_t window = 0;  // 0 for elements that are not windows
    std::string attribute;
    AXValue value;
};

struct PostedEvent {
    SyntheticEvent event;
    std::chrono::nanoseconds at;  // virtual time of posting
};

// The element kinds of the simulated accessibility tree.
struct SimElement : AXUIElement {
    enum class Kind { SystemWide, Application, Window, ZoomButton };
    Kind kind;
    int32_t pid = 0;
    uint64_t window = 0;
    SimElement(Kind k, int32_t p, uint64_t w) : kind(k), pid(p), window(w) {}
    bool isSameElement(const AXUIElement& other) const override;
};

// A deterministic in-memory desktop: screens, applications with windows,
// focus, Spaces, input and a virtual clock. Every service of Platform is
// offered; tests arrange it in a few lines and read back what happened.
class SimDesktop : public Accessibility,
                   public Screens,
                   public ScriptRunner,
                   public Log,
                   public EventPoster,
                   public EventMonitors,
                   public WindowList,
                   public Spaces,
                   public Workspace {
public:
    SimDesktop();

    // --- arrangement -------------------------------------------------------
    // Screens are given in bottom-left coordinates; the first is the primary.
    Screen& addScreen(Rect frame, std::optional<Rect> visibleFrame = std::nullopt);
    // Which screen counts as the main one (holding the focused window); none: no main screen.
    void setMainScreen(std::optional<size_t> index) { mainScreen_ = index; }
    void setMenuBarHeight(double h) { menuBarHeight_ = h; }
    SimApp& addApp(int32_t pid, std::string name = {});
    // Adds a window in front of every other; the frame is in top-left coordinates.
    SimWindow& addWindow(int32_t pid, Rect frame, std::string title = {});
    // Gives keyboard focus to the window and its application and brings it to the front.
    void focus(uint64_t window);
    void clearFocus() { focusedApp_.reset(); }
    void closeWindow(uint64_t window);
    SimWindow& window(uint64_t id);
    SimApp& app(int32_t pid);
    void setTrusted(bool trusted) { trusted_ = trusted; }
    void setApiEnabled(bool enabled) { apiEnabled_ = enabled; }
    void setPointer(Point topLeft) { pointer_ = topLeft; }
    // Spaces in the order the window server reports them, with their types.
    // A posted Control+digit switches to the digit's Space (0 for the tenth),
    // counted from the last reported and leaving out those of type 2, and
    // takes the focused window along while the left button is held, as a
    // desktop set up with those shortcuts does.
    void setSpaces(std::vector<std::pair<uint64_t, int>> spaces, std::optional<uint64_t> current);

    // --- observation -------------------------------------------------------
    const std::vector<AttributeWrite>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    const std::vector<std::string>& scripts() const { return scripts_; }
    const std::vector<std::string>& logLines() const { return logLines_; }
    const std::vector<PostedEvent>& postedEvents() const { return posted_; }
    int trustPrompts() const { return trustPrompts_; }
    const std::vector<int32_t>& activations() const { return activations_; }

    // --- input -------------------------------------------------------------
    // Delivers an event to the global monitors, local monitors or taps whose mask matches.
    void deliverGlobal(const InputEvent& event);
    void deliverLocal(const InputEvent& event);
    void deliverToTaps(const InputEvent& event);

    // --- services ----------------------------------------------------------
    Platform platform();
    SimRunLoop& runLoop() { return runLoop_; }
    MemorySettingsStore& settings() { return settings_; }

    // Accessibility
    AXElement createSystemWide() override;
    AXElement createApplication(int32_t pid) override;
    AXCopyResult copyAttributeValue(const AXElement& element, std::string_view attribute) override;
    AXError setAttributeValue(const AXElement& element, std::string_view attribute, const AXValue& value) override;
    bool isProcessTrustedWithOptions(bool prompt) override;
    bool apiEnabled() override { return apiEnabled_; }
    // Screens
    std::vector<Screen> screens() override { return screens_; }
    std::optional<Screen> mainScreen() override;
    double menuBarHeight() override { return menuBarHeight_; }
    // ScriptRunner
    void runAppleScript(const std::string& source) override { scripts_.push_back(source); }
    // Log
    void write(std::string_view line) override { logLines_.emplace_back(line); }
    // EventPoster
    Point currentPointerLocation() override { return pointer_; }
    void post(const SyntheticEvent& event) override;
    void afterPostedEvents(std::function<void()> task) override;
    // EventMonitors
    void addGlobalMonitor(uint64_t mask, Handler handler) override;
    void addLocalMonitor(uint64_t mask, Handler handler) override;
    bool createListenOnlyTap(uint64_t mask, Handler handler) override;
    Point mouseLocation() override;
    void setTapCreationFails(bool fails) { tapFails_ = fails; }
    // WindowList
    std::vector<WindowInfo> copyWindowInfo(uint32_t options) override;
    // Spaces
    std::vector<uint64_t> copySpaces(int mask) override;
    int spaceType(uint64_t space) override;
    // Workspace
    std::optional<int32_t> frontmostApplicationPid() override { return focusedApp_; }
    bool activateApplication(int32_t pid, uint32_t options) override;

private:
    AXElement makeElement(SimElement::Kind kind, int32_t pid, uint64_t window);
    SimWindow* findWindow(uint64_t id);
    SimApp* findApp(int32_t pid);
    AXCopyResult readWindowAttribute(SimWindow& w, std::string_view attribute);

    std::vector<Screen> screens_;
    std::optional<size_t> mainScreen_ = 0;
    double menuBarHeight_ = 0;
    std::map<int32_t, SimApp> apps_;
    std::map<uint64_t, SimWindow> windows_;
    std::vector<uint64_t> stacking_;  // front to back
    std::optional<int32_t> focusedApp_;
    uint64_t nextWindow_ = 1;
    bool trusted_ = true;
    bool apiEnabled_ = true;
    int trustPrompts_ = 0;
    Point pointer_;
    bool buttonHeld_ = false;
    std::vector<std::pair<uint64_t, int>> spaces_;
    std::optional<uint64_t> currentSpace_;

    std::vector<AttributeWrite> writes_;
    std::vector<std::string> scripts_;
    std::vector<std::string> logLines_;
    std::vector<PostedEvent> posted_;
    std::vector<int32_t> activations_;

    struct Monitor {
        uint64_t mask;
        Handler handler;
    };
    std::vector<Monitor> globalMonitors_, localMonitors_, taps_;
    bool tapFails_ = false;

    SimRunLoop runLoop_;
    MemorySettingsStore settings_;
};

}  // namespace tilvane::sim
