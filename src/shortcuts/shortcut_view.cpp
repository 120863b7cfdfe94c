#include "shortcuts/shortcut_view.h"

#include <algorithm>
#include <stdexcept>

#include "shortcuts/shortcut_text.h"

namespace tilvane {

namespace {

constexpr const char* kEscapeGlyph = "\u238B";       // ⎋ over the cancel area while recording
constexpr const char* kDeleteGlyph = "\u2715";       // ✕ over the delete area of a control showing a shortcut
constexpr const char* kUnavailableGlyph = "\u26A0";  // ⚠ before a shortcut another program holds
constexpr const char* kUnboundStoreLine =
    "ERROR: NSObservedObjectKey was nil for binding \"shortcutValue\" in -[ShortcutView propagateValue:forBinding:]";

UserInterface& requireUserInterface(const Platform& platform) {
    if (!platform.userInterface) throw std::invalid_argument("shortcut recorders need a user interface");
    return *platform.userInterface;
}

std::string replacePlaceholder(std::string text, const std::string& value) {
    if (auto at = text.find("%@"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace

// --- the group -------------------------------------------------------------------

RecorderGroup::RecorderGroup(const Platform& platform, ShortcutValidator* validator)
    : ui_(requireUserInterface(platform)), platform_(platform), validator_(validator) {}

RecorderGroup::~RecorderGroup() {
    abandonRecording();
}

void RecorderGroup::abandonRecording() {
    setResignObserverOn(false);
    setKeyMonitorOn(false);
}

void RecorderGroup::setKeyMonitorOn(bool on) {
    if (on == keyMonitorOn_) return;
    keyMonitorOn_ = on;
    if (on) {
        ui_.setLocalKeyMonitor(
            [this](const KeyEvent& event) { return activeRecorder_ ? activeRecorder_->handleKeyEvent(event) : true; });
    } else {
        ui_.setLocalKeyMonitor(nullptr);
    }
    // The grab follows the monitor: while a recorder listens, the combination
    // the user types reaches it even when the window manager or this program
    // holds it as a hot key.
    ui_.setKeyboardGrabbed(on);
}

void RecorderGroup::setResignObserverOn(bool on) {
    if (on == resignObserverOn_) return;
    resignObserverOn_ = on;
    if (on) {
        observedWindow_ = activeRecorder_ ? activeRecorder_->view_.window() : nullptr;
        if (observedWindow_) {
            resignObserver_ = observedWindow_->observe(Window::Event::DidResignKey, [this] {
                if (activeRecorder_) activeRecorder_->setRecording(false);
            });
        }
    } else if (observedWindow_) {
        observedWindow_->removeObserver(resignObserver_);
        observedWindow_ = nullptr;
    }
}

// --- the control -----------------------------------------------------------------

ShortcutView::ShortcutView(CustomView& view, RecorderGroup& group)
    : view_(view), group_(group), shortcutValidator_(group.validator_) {
    view_.cell().setFontPointSize(kFontPointSize);
    applyStyle();
    updateTrackingAreas();
    view_.setLogic(this);
}

ShortcutView::~ShortcutView() {
    unbind();
    if (group_.activeRecorder_ == this) {
        group_.setResignObserverOn(false);
        group_.setKeyMonitorOn(false);
        group_.activeRecorder_ = nullptr;
    }
    if (shortcutToolTipTag_) view_.removeToolTip(shortcutToolTipTag_);
    if (hintToolTipTag_) view_.removeToolTip(hintToolTipTag_);
    if (hintArea_) view_.removeTrackingArea(hintArea_);
    view_.setLogic(nullptr);
}

void ShortcutView::refresh() {
    view_.invalidateIntrinsicContentSize();
    view_.setNeedsDisplay();
}

void ShortcutView::setShortcutValue(std::optional<Shortcut> value) {
    shortcutValue_ = std::move(value);
    resetToolTips();
    refresh();
    propagateValue();
    if (shortcutValueChange_) shortcutValueChange_(*this);
}

void ShortcutView::setRecording(bool recording) {
    if (recording && group_.activeRecorder_ != this) {
        if (ShortcutView* previous = group_.activeRecorder_) previous->setRecording(false);
        group_.activeRecorder_ = this;
    }
    if (recording && !enabled_) return;
    if (recording_ == recording) return;
    recording_ = recording;
    shortcutPlaceholder_.reset();
    resetToolTips();
    group_.setKeyMonitorOn(recording);
    group_.setResignObserverOn(recording);
    refresh();
    if (!recording) {
        group_.ui_.postAccessibilityAnnouncement(shortcutValue_
                                                     ? ShortcutText("Shortcut set", "VoiceOver: Shortcut set")
                                                     : ShortcutText("Shortcut cleared", "VoiceOver: Shortcut cleared"),
                                                 kAnnouncementPriority);
    }
}

void ShortcutView::setHinting(bool hinting) {
    if (hinting_ == hinting) return;
    hinting_ = hinting;
    refresh();
}

void ShortcutView::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    // A disabled control offers no tool tips: they would invite a click it ignores.
    resetToolTips();
    updateTrackingAreas();
    setRecording(false);
    refresh();
}

void ShortcutView::setStyle(unsigned style) {
    if (style_ == style) return;
    style_ = style;
    applyStyle();
    // The delete area's width follows the style, and with it the areas that track it.
    updateTrackingAreas();
    resetToolTips();
    refresh();
}

void ShortcutView::setUnavailableExplanation(std::optional<std::string> explanation) {
    if (unavailable_ == explanation) return;
    unavailable_ = std::move(explanation);
    refresh();
}

void ShortcutView::setShortcutPlaceholder(std::optional<std::string> placeholder) {
    shortcutPlaceholder_ = std::move(placeholder);
    refresh();
}

void ShortcutView::applyStyle() {
    ButtonCell& cell = view_.cell();
    int bezel = 0;
    switch (style_) {
        case 0: bezel = ButtonCell::kRoundRectBezel; break;
        case 1: bezel = ButtonCell::kTexturedRoundedBezel; break;
        case 2: bezel = ButtonCell::kRoundedBezel; break;
        case 3:
            cell.setBordered(false);
            view_.setWantsLayer(true);
            return;
        default: return;  // an unknown style keeps the look it had
    }
    cell.setBordered(true);
    cell.setBezelStyle(bezel);
    view_.setWantsLayer(false);
}

double ShortcutView::hintWidth() const {
    switch (style_) {
        case 1: return 25;
        case 2: return 26;
        // Borderless: as wide as the glyph needs at the cell's font size, 15 points at 11.
        case 3: return view_.cell().fontPointSize() - kFontPointSize - 8 + 23;
        default: return 23;
    }
}

void ShortcutView::getShortcutRect(Rect* shortcutRect, Rect* hintRect) const {
    Rect bounds = view_.bounds();
    double width = std::clamp(hintWidth(), 0.0, std::max(bounds.width, 0.0));
    if (hintRect) *hintRect = {bounds.maxX() - width, bounds.y, width, bounds.height};
    if (shortcutRect) *shortcutRect = {bounds.x, bounds.y, bounds.width - width, bounds.height};
}

void ShortcutView::updateTrackingAreas() {
    if (hintArea_) view_.removeTrackingArea(hintArea_);
    hintArea_ = 0;
    if (!enabled_) return;
    Rect hintRect;
    getShortcutRect(nullptr, &hintRect);
    hintArea_ = view_.addTrackingArea(hintRect, CustomView::kTrackingOptions);
}

void ShortcutView::resetToolTips() {
    if (shortcutToolTipTag_) view_.removeToolTip(shortcutToolTipTag_);
    if (hintToolTipTag_) view_.removeToolTip(hintToolTipTag_);
    shortcutToolTipTag_ = hintToolTipTag_ = 0;
    if (!shortcutValue_ || recording_ || !enabled_) return;
    Rect shortcutRect, hintRect;
    getShortcutRect(&shortcutRect, &hintRect);
    shortcutToolTipTag_ = view_.addToolTipRect(shortcutRect);
    hintToolTipTag_ = view_.addToolTipRect(hintRect);
}

std::string ShortcutView::toolTip(int tag) {
    if (tag == 0) return {};
    if (tag == shortcutToolTipTag_) {
        std::string click = ShortcutText("Click to record new shortcut", "Tooltip for non-empty shortcut button");
        return unavailable_ ? *unavailable_ + "\n" + click : click;
    }
    if (tag == hintToolTipTag_)
        return ShortcutText("Delete shortcut", "Tooltip for hint button near the non-empty shortcut");
    return {};
}

void ShortcutView::drawRect(const Rect&) {
    if (style_ > 3) return;
    Rect bounds = view_.bounds(), shortcutRect;
    getShortcutRect(&shortcutRect, nullptr);
    // The textured and rounded bezels sit one point low in their frame.
    const double shift = style_ == 1 || style_ == 2 ? 1 : 0;
    auto piece = [&](Rect frame, const std::string& title, TextAlignment alignment, bool on) {
        ButtonCell& cell = view_.cell();
        cell.setTitle(title);
        cell.setAlignment(alignment);
        cell.setState(on);
        cell.setEnabled(enabled_);
        frame.y += shift;
        cell.drawWithFrame(frame);
    };
    // The glyph piece is drawn over the whole bounds, right-aligned so that the
    // glyph lands in the delete (cancel) area; the title piece is drawn over it.
    if (!recording_) {
        if (!shortcutValue_) {
            piece(bounds, ShortcutText("Record Shortcut", "Empty shortcut button in normal state"),
                  TextAlignment::Center, false);
            return;
        }
        if (showsDeleteButton_) piece(bounds, kDeleteGlyph, TextAlignment::Right, false);
        std::string shown = shortcutValue_->description(group_.platform_.keyboard);
        if (unavailable_) shown = std::string(kUnavailableGlyph) + " " + shown;
        piece(shortcutRect, shown, TextAlignment::Center, false);
        return;
    }
    std::string title;
    if (hinting_) {
        title = shortcutValue_
                    ? ShortcutText("Use Old Shortcut", "Cancel action button for non-empty shortcut in recording state")
                    : ShortcutText("Cancel", "Cancel action button in recording state");
    } else if (shortcutPlaceholder_ && !shortcutPlaceholder_->empty()) {
        title = *shortcutPlaceholder_;
    } else {
        title = shortcutValue_ ? ShortcutText("Type New Shortcut", "Non-empty shortcut button in recording state")
                               : ShortcutText("Type Shortcut", "Empty shortcut button in recording state");
    }
    piece(bounds, kEscapeGlyph, TextAlignment::Right, false);
    piece(shortcutRect, title, TextAlignment::Center, true);
}

void ShortcutView::mouseDown(Point inView) {
    // A disabled control leaves the click to the platform.
    if (!enabled_) return;
    Rect hintRect;
    getShortcutRect(nullptr, &hintRect);
    // The delete (cancel) area is the whole strip at the right end.
    const bool inHint = inView.x >= hintRect.x;
    if (!recording_) {
        if (shortcutValue_ && inHint)
            setShortcutValue(std::nullopt);  // even when no ✕ is drawn there
        else
            setRecording(true);
    } else if (inHint) {
        setRecording(false);  // a shortcut shown before recording stays
    }
}

void ShortcutView::mouseEntered(int trackingArea) {
    if (trackingArea != 0 && trackingArea == hintArea_) setHinting(true);
}

void ShortcutView::mouseExited(int trackingArea) {
    if (trackingArea != 0 && trackingArea == hintArea_) setHinting(false);
}

Size ShortcutView::intrinsicContentSize() {
    return {kIntrinsicWidth, view_.cell().naturalHeight()};
}

bool ShortcutView::becomeFirstResponder() {
    refresh();
    return true;
}

bool ShortcutView::resignFirstResponder() {
    refresh();
    return true;
}

std::string ShortcutView::accessibilityLabel() {
    std::string shortcut = shortcutValue_ ? shortcutValue_->description(group_.platform_.keyboard) : "Empty";
    return shortcut + " " + ShortcutText("keyboard shortcut", "VoiceOver title");
}

std::string ShortcutView::accessibilityHelp() {
    return ShortcutText(
        "To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an "
        "existing shortcut.",
        "VoiceOver shortcut help");
}

bool ShortcutView::accessibilityPerformPress() {
    if (recording_) return false;
    setRecording(true);
    return true;
}

// --- keys while recording ----------------------------------------------------------

bool ShortcutView::handleKeyEvent(const KeyEvent& event) {
    const Shortcut shortcut = Shortcut::shortcutWithEvent(event.keyCode, event.modifierFlags);
    const int64_t key = shortcut.keyCode();
    const uint64_t modifiers = shortcut.modifierFlags();
    // Tab, with any modifiers, moves the keyboard focus as usual; recording goes on.
    if (key == kTabKey) return true;
    if (modifiers == 0 && (key == kDeleteKey || key == kForwardDeleteKey)) {
        setShortcutValue(std::nullopt);
        setRecording(false);
        return false;
    }
    if (modifiers == 0 && key == kEscapeKey) {
        setRecording(false);
        return false;
    }
    // Closing the window and quitting keep working while recording, with the
    // desktop's own modifier for them (Ctrl on Linux desktops).
    Keyboard* keyboard = group_.platform_.keyboard;
    uint64_t windowCommand = keyboard ? keyboard->windowCommandModifier() : modifier::kCommand;
    if (modifiers == windowCommand && (key == kWKey || key == kQKey)) {
        setRecording(false);
        return true;
    }
    // A modifier pressed or released on its own (whatever key code comes with
    // the change), or a key that types nothing printable: show the modifiers
    // held so far; none brings the prompt back.
    if (event.type == EventType::FlagsChanged || shortcut.keyCodeString(keyboard).empty()) {
        setShortcutPlaceholder(shortcut.modifiersAsShown(keyboard));
        return false;
    }
    if (shortcutValidator_ && !shortcutValidator_->isShortcutValid(shortcut)) {
        group_.ui_.beep();
        return false;
    }
    std::string explanation;
    if (shortcutValidator_ && shortcutValidator_->isShortcutAlreadyTakenBySystem(shortcut, &explanation)) {
        explainTaken(shortcut, explanation);
        return false;
    }
    if (takenElsewhere_) {
        if (auto why = takenElsewhere_(shortcut)) {
            explainTaken(shortcut, *why);
            return false;
        }
    }
    setShortcutValue(shortcut);
    setRecording(false);
    return false;
}

void ShortcutView::explainTaken(const Shortcut& shortcut, const std::string& explanation) {
    // While the alert is up no key is captured (the user answers it with the
    // keyboard) and the window losing the keyboard to it does not end recording.
    group_.setResignObserverOn(false);
    group_.setKeyMonitorOn(false);
    Alert alert;
    alert.messageText = replacePlaceholder(
        ShortcutText("The key combination %@ cannot be used", "Title for alert when shortcut is already used"),
        shortcut.description(group_.platform_.keyboard));
    alert.informativeText = explanation;
    alert.style = AlertStyle::Critical;
    alert.buttons = {ShortcutText("OK", "Alert button when shortcut is already used")};
    group_.ui_.runModal(alert);
    setShortcutPlaceholder(std::nullopt);
    // Recording may have been ended meanwhile (the control disabled, say); then nothing listens any more.
    if (recording_ && group_.activeRecorder_ == this) {
        group_.setResignObserverOn(true);
        group_.setKeyMonitorOn(true);
    }
}

// --- the settings key ----------------------------------------------------------------

void ShortcutView::setAssociatedUserDefaultsKey(const std::optional<std::string>& key) {
    setAssociatedUserDefaultsKeyWithTransformerName(key, kKeyedUnarchiveFromDataTransformerName);
}

void ShortcutView::setAssociatedUserDefaultsKeyWithTransformerName(const std::optional<std::string>& key,
                                                                   std::string_view name) {
    setAssociatedUserDefaultsKeyWithTransformer(key, valueTransformerForName(name, group_.platform_.archiver));
}

void ShortcutView::setAssociatedUserDefaultsKeyWithTransformer(const std::optional<std::string>& key,
                                                               std::shared_ptr<ShortcutValueTransformer> transformer) {
    unbind();
    if (!key) return;
    binding_ = Binding{*key, std::move(transformer), 0};
    if (SettingsStore* store = group_.platform_.settings) {
        binding_->observer = store->addObserver([this](const std::string& changed) {
            if (binding_ && changed == binding_->key) takeStoredValue();
        });
    }
    takeStoredValue();
}

std::optional<std::string> ShortcutView::associatedUserDefaultsKey() const {
    if (!binding_) return std::nullopt;
    return binding_->key;
}

void ShortcutView::unbind() {
    if (!binding_) return;
    if (SettingsStore* store = group_.platform_.settings) store->removeObserver(binding_->observer);
    binding_.reset();
}

// The store tells its observers of every write, the control's own included,
// and may tell them again later (a store kept in a file hears its own writes
// come back from the file). Two rules keep a value from going round in a
// circle: a value that comes from the store is shown without being written
// back, since the store holds it already; and a stored value equal to the one
// shown changes nothing, so the echo of the control's own write ends here,
// without a redraw or a second call of shortcutValueChange. Reading the store
// at the time of the notice, rather than trusting the notice, makes a late echo
// of an older write harmless too.
void ShortcutView::takeStoredValue() {
    std::optional<Shortcut> stored;
    SettingsStore* store = group_.platform_.settings;
    if (store && binding_->transformer)
        stored = binding_->transformer->transformedValue(store->objectForKey(binding_->key));
    if (stored == shortcutValue_) return;
    shortcutValue_ = stored;
    resetToolTips();
    refresh();
    if (shortcutValueChange_) shortcutValueChange_(*this);
}

void ShortcutView::propagateValue() {
    if (!binding_) return;
    SettingsStore* store = group_.platform_.settings;
    if (!store) {
        group_.platform_.log.write(kUnboundStoreLine);
        return;
    }
    if (!binding_->transformer) return;
    const std::string key = binding_->key;
    if (auto stored = binding_->transformer->reverseTransformedValue(shortcutValue_))
        store->setObject(key, *stored);
    else
        store->removeObject(key);
    store->synchronize();
}

void ShortcutView::boundsDidChange() {
    // The hint rect sits at the right edge: its tool tip and tracking area move with it.
    updateTrackingAreas();
    resetToolTips();
}

}  // namespace tilvane
