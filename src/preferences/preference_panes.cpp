#include "preferences/preference_panes.h"

#include "platform/settings_keys.h"

namespace tilvane {

namespace {

using namespace settings_key;

constexpr const char* kAccessibilityEnabledText = "Accessibility is enabled. You're all set!";
constexpr const char* kEnableAccessibilityText = "Enable Accessibility for Tilvane.";

// The boxes of the modifier keys, Fn to Command, and their keys.
std::vector<std::pair<std::string, std::string>> modifierBoxes(const std::string& prefix,
                                                               const std::vector<const char*>& keys) {
    static const char* const kNames[] = {"F", "Shift", "Option", "Control", "Command"};
    std::vector<std::pair<std::string, std::string>> boxes;
    for (size_t i = 0; i < keys.size(); ++i) boxes.emplace_back(prefix + kNames[i], keys[i]);
    return boxes;
}

// Hides the boxes of the Fn modifier where the keyboard has none: ticked,
// they would make a combination no one can hold.
void offerFunctionModifier(View& view, bool hasFunctionModifier, std::initializer_list<const char*> boxes) {
    if (hasFunctionModifier) return;
    for (const char* name : boxes)
        if (Control* box = view.control(name)) box->setHidden(true);
}

// Where the desktop keeps from the program what a pane's boxes need, the
// boxes are switched off and the note says why, in red; a note kept for this
// alone stays hidden while the desktop allows it.
void explainMissing(View& view, const DesktopCapabilities::Capability& capability,
                    const std::vector<std::string>& boxes, const char* note, bool noteForThisAlone) {
    Control* noteControl = view.control(note);
    if (capability.available) {
        if (noteControl && noteForThisAlone) noteControl->setHidden(true);
        return;
    }
    for (const std::string& name : boxes)
        if (Control* box = view.control(name)) box->setEnabled(false);
    if (!noteControl) return;
    noteControl->setStringValue(capability.whyMissing);
    noteControl->setTextColor(NamedColor::Red);
    noteControl->setHidden(false);
}

// Ties a recorder to the settings key of an action, with the rule that two
// actions never share a shortcut.
// Marks a recorder whose shortcut another program holds, with the reason.
void markHeldElsewhere(ShortcutView& recorder, PreferencesHost& host) {
    auto key = recorder.associatedUserDefaultsKey();
    recorder.setUnavailableExplanation(key ? host.shortcutHeldByAnotherProgram(*key) : std::nullopt);
}

std::unique_ptr<ShortcutView> makeRecorder(View& view, const std::string& outlet, int64_t action, PreferencesHost& host,
                                           RecorderGroup& recorders) {
    CustomView* custom = view.customView(outlet);
    if (!custom) return nullptr;
    auto recorder = std::make_unique<ShortcutView>(*custom, recorders);
    // The recorders take the keyboard focus, so the panes work without a mouse.
    recorder->setAcceptsFirstResponder(true);
    std::string key = host.settingsKeyForAction(action);
    recorder->setTakenElsewhere(
        [&host, key](const Shortcut& shortcut) { return host.shortcutTakenByAnotherAction(shortcut, key); });
    recorder->setAssociatedUserDefaultsKey(key);
    // A new shortcut is one this program holds, or none: the mark follows.
    recorder->setShortcutValueChange([&host](ShortcutView& changed) { markHeldElsewhere(changed, host); });
    markHeldElsewhere(*recorder, host);
    return recorder;
}

}  // namespace

// --- every pane -----------------------------------------------------------------

PreferencePane::PreferencePane(UserInterface& ui, SettingsStore& settings, std::string interfaceFile)
    : ui_(ui), settings_(settings), interfaceFile_(std::move(interfaceFile)) {}

View& PreferencePane::view() {
    if (!view_) {
        view_ = ui_.loadView(interfaceFile_);
        // A missing interface file leaves an empty pane rather than no window.
        if (!view_) view_ = ui_.loadView(kEmptyInterfaceFile);
        viewDidLoad();
    }
    return *view_;
}

// --- panes with recorders -----------------------------------------------------------

RecorderPane::RecorderPane(UserInterface& ui, SettingsStore& settings, std::string interfaceFile, PreferencesHost& host,
                           RecorderGroup& recorders, Outlets outlets)
    : PreferencePane(ui, settings, std::move(interfaceFile)),
      host_(host),
      recorders_(recorders),
      outlets_(std::move(outlets)) {}

void RecorderPane::loadRecorders(View& v) {
    for (const auto& [outlet, action] : outlets_)
        if (auto recorder = makeRecorder(v, outlet, action, host_, recorders_))
            views_.emplace_back(outlet, std::move(recorder));
}

void RecorderPane::viewWillAppear() {
    for (const auto& [name, view] : views_) markHeldElsewhere(*view, host_);
}

ShortcutView* RecorderPane::recorder(const std::string& outlet) const {
    for (const auto& [name, view] : views_)
        if (name == outlet) return view.get();
    return nullptr;
}

// --- General ----------------------------------------------------------------------

GeneralPrefsViewController::GeneralPrefsViewController(UserInterface& ui, SettingsStore& settings,
                                                       PreferencesHost& host, LaunchAtLoginController& launchAtLogin)
    : PreferencePane(ui, settings, "GeneralPreferencesView"),
      defaults(&settings),
      host_(host),
      launchAtLogin_(launchAtLogin) {
    launchAtLogin_.onLaunchAtLoginChange([this] { showLaunchAtLogin(); });
}

GeneralPrefsViewController::~GeneralPrefsViewController() = default;

void GeneralPrefsViewController::viewDidLoad() {
    View& v = view();
    bindings_ = bindCheckboxes(v, settings_, {{"hideDocIconCheckbox", kHideDocIcon}}, [this] { setHideDockIcon(); });
    if (Control* box = v.control("launchAtLoginCheckbox"))
        box->setAction([this, box] {
            launchAtLogin_.setLaunchAtLogin(box->state());
            showLaunchAtLogin();  // a refused change shows the real state
        });
    if (Control* button = v.control("openAccessibilityButton")) button->setAction([this] { openAccessibility(); });
    showAccessibility();
    showLaunchAtLogin();
}

void GeneralPrefsViewController::viewWillAppear() {
    showAccessibility();
    showLaunchAtLogin();
}

void GeneralPrefsViewController::showAccessibility() {
    View& v = view();
    if (Control* image = v.control("accessibilityStatusImage")) image->setImage(isAccessibilityEnabledImage());
    if (Control* text = v.control("accessibilityStatusText")) text->setStringValue(maybeEnableAccessibilityString());
    if (Control* button = v.control("openAccessibilityButton")) button->setEnabled(!accessibilityEnabled());
}

void GeneralPrefsViewController::showLaunchAtLogin() {
    if (Control* box = view().control("launchAtLoginCheckbox")) box->setState(launchAtLogin_.launchAtLogin());
}

void GeneralPrefsViewController::setHideDockIcon() {
    // Shown at once; a hidden entry goes when the pane disappears.
    if (!settings_.boolForKey(kHideDocIcon)) ui_.setActivationPolicy(UserInterface::ActivationPolicy::Regular);
    syncDefaults();
}

void GeneralPrefsViewController::viewWillDisappear() {
    ui_.setActivationPolicy(settings_.boolForKey(kHideDocIcon) ? UserInterface::ActivationPolicy::Accessory
                                                               : UserInterface::ActivationPolicy::Regular);
}

void GeneralPrefsViewController::openAccessibility() {
    host_.openAccessibility();
    showAccessibility();
}

std::string GeneralPrefsViewController::isAccessibilityEnabledImage() {
    return accessibilityEnabled() ? kStatusAvailableImage : kStatusPartiallyAvailableImage;
}

std::string GeneralPrefsViewController::maybeEnableAccessibilityString() {
    return accessibilityEnabled() ? kAccessibilityEnabledText : kEnableAccessibilityText;
}

// --- Shortcuts --------------------------------------------------------------------

ShortcutsPrefsViewController::ShortcutsPrefsViewController(UserInterface& ui, SettingsStore& settings,
                                                           PreferencesHost& host, RecorderGroup& recorders,
                                                           Outlets outlets)
    : RecorderPane(ui, settings, "ShortcutsPrefsView", host, recorders, std::move(outlets)) {}

void ShortcutsPrefsViewController::viewDidLoad() {
    View& v = view();
    loadRecorders(v);
    if (Control* button = v.control("restoreDefaultsButton")) button->setAction([this] { restoreDefaults(); });
}

void ShortcutsPrefsViewController::restoreDefaults() {
    host_.restoreDefaults();
    syncDefaults();
    viewWillAppear();
}

// --- MultiTouch -------------------------------------------------------------------

void MultiTouchPrefsViewController::viewDidLoad() {
    auto boxes = modifierBoxes("swipe", {kSwipeFn, kSwipeShift, kSwipeOption, kSwipeControl, kSwipeCommand});
    boxes.front().first = "swipeFn";
    boxes.emplace(boxes.begin(), "enableSwipeGestures", kEnableSwipeGestures);
    bindings_ = bindCheckboxes(view(), settings_, boxes, [this] { syncDefaults(); });
    offerFunctionModifier(view(), hasFunctionModifier_, {"swipeFn"});
    if (Control* note = view().control("noteLabel")) note->setTextColor(notesLabelColor());
    std::vector<std::string> names;
    for (const auto& [name, key] : boxes) names.push_back(name);
    explainMissing(view(), swipes_, names, "noteLabel", false);
}

bool MultiTouchPrefsViewController::isOneOrMoreSwipeModifersSelected() const {
    if (hasFunctionModifier_ && settings_.boolForKey(kSwipeFn)) return true;
    for (const char* key : {kSwipeShift, kSwipeOption, kSwipeControl, kSwipeCommand})
        if (settings_.boolForKey(key)) return true;
    return false;
}

NamedColor MultiTouchPrefsViewController::notesLabelColor() const {
    if (!swipes_.available) return NamedColor::Red;
    return settings_.boolForKey(kEnableSwipeGestures) && isOneOrMoreSwipeModifersSelected() ? NamedColor::Black
                                                                                            : NamedColor::Red;
}

void MultiTouchPrefsViewController::syncDefaults() {
    if (Control* note = view().control("noteLabel")) note->setTextColor(notesLabelColor());
    PreferencePane::syncDefaults();
}

// --- Move/Resize ------------------------------------------------------------------

MoveResizePrefsViewController::MoveResizePrefsViewController(UserInterface& ui, SettingsStore& settings,
                                                             PreferencesHost& host, RecorderGroup& recorders,
                                                             Outlets outlets, bool hasFunctionModifier,
                                                             DesktopCapabilities::Capability pointer)
    : RecorderPane(ui, settings, "MoveResizePrefsView", host, recorders, std::move(outlets)),
      hasFunctionModifier_(hasFunctionModifier),
      pointer_(std::move(pointer)) {}

void MoveResizePrefsViewController::viewDidLoad() {
    View& v = view();
    auto boxes = modifierBoxes("wMove", {kWMoveF, kWMoveShift, kWMoveOption, kWMoveControl, kWMoveCommand});
    auto size = modifierBoxes("wSize", {kWSizeF, kWSizeShift, kWSizeOption, kWSizeControl, kWSizeCommand});
    boxes.insert(boxes.end(), size.begin(), size.end());
    boxes.insert(boxes.end(), {{"windowMovingEnabled", kWindowMovingEnabled},
                               {"windowResizingEnabled", kWindowResizingEnabled},
                               {"fourCornerResizing", kFourCornerResizing},
                               {"bringToFront", kWMoveSizeEnabledBrigToFront}});
    bindings_ = bindCheckboxes(v, settings_, boxes, [this] { syncDefaults(); });
    offerFunctionModifier(v, hasFunctionModifier_, {"wMoveF", "wSizeF"});
    // The keyboard moves below need nothing of the pointer.
    std::vector<std::string> names;
    for (const auto& [name, key] : boxes) names.push_back(name);
    explainMissing(v, pointer_, names, "pointerNoteLabel", true);

    loadRecorders(v);
}

// --- Snap ---------------------------------------------------------------------------

void SnapPrefsViewController::viewDidLoad() {
    bindings_ =
        bindCheckboxes(view(), settings_, {{"snapToEdgeEnabled", kSnapToEdgeEnabled}}, [this] { syncDefaults(); });
    explainMissing(view(), pointer_, {"snapToEdgeEnabled"}, "snapNoteLabel", false);
}

// --- toolbar pictures ---------------------------------------------------------------

void registerPaneImages(UserInterface& ui) {
    auto svg = [](const std::string& body) {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" viewBox=\"0 0 32 32\" "
               "fill=\"none\" stroke=\"currentColor\" stroke-width=\"2\" stroke-linecap=\"round\">" +
               body + "</svg>";
    };
    // A gear.
    ui.registerImage("NSImageNamePreferencesGeneral",
                     svg("<circle cx=\"16\" cy=\"16\" r=\"5\"/><path d=\"M16 3v5M16 24v5M3 16h5M24 16h5M6.8 6.8l3.5 "
                         "3.5M21.7 21.7l3.5 3.5M6.8 25.2l3.5-3.5M21.7 10.3l3.5-3.5\"/>"));
    // A keyboard.
    ui.registerImage("shortcuts.tiff", svg("<rect x=\"3\" y=\"9\" width=\"26\" height=\"15\" rx=\"2\"/><path "
                                           "d=\"M8 14h2M14 14h2M20 14h2M10 19h12\"/>"));
    // Two fingers' swipe.
    ui.registerImage("multitouch", svg("<path d=\"M11 26V12a2 2 0 0 1 4 0v14M17 26V10a2 2 0 0 1 4 0v16\"/><path "
                                       "d=\"M4 6h9M8 3l-4 3 4 3\"/>"));
    // Arrows in four directions.
    ui.registerImage("move-resize", svg("<path d=\"M16 3v26M3 16h26M12 7l4-4 4 4M12 25l4 4 4-4M7 12l-4 4 4 4M25 "
                                        "12l4 4-4 4\"/>"));
    // A window against a screen's edge.
    ui.registerImage("snap-to-edge", svg("<rect x=\"3\" y=\"5\" width=\"26\" height=\"22\" rx=\"2\"/><rect x=\"3\" "
                                         "y=\"5\" width=\"12\" height=\"22\" fill=\"currentColor\"/>"));
}

}  // namespace tilvane
