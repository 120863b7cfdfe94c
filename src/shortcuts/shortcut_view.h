#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_validator.h"
#include "shortcuts/value_transformer.h"

namespace tilvane {

class ShortcutView;

// What the shortcut recorders of one user interface share: at most one of
// them records at a time, through the one key monitor (and keyboard grab) of
// the interface and one observer of its window losing the keyboard. Whoever
// owns the recorders owns their group; it must outlive them.
class RecorderGroup {
public:
    // The platform's user interface (required) shows, beeps and announces; its
    // keyboard renders shortcuts; its settings store and archiver serve the
    // recorders tied to a settings key, and its log reports a recorder tied to
    // a key without a store. New recorders judge combinations with the validator
    // (the program's shared one; null: every combination with a key text is taken).
    RecorderGroup(const Platform& platform, ShortcutValidator* validator);
    ~RecorderGroup();
    RecorderGroup(const RecorderGroup&) = delete;
    RecorderGroup& operator=(const RecorderGroup&) = delete;

    // The recorder that last asked to record (it may since have stopped); null at first.
    ShortcutView* activeRecorder() const { return activeRecorder_; }
    // Lets go of the keyboard and of the recorders' window at once, storing
    // nothing and saying nothing: the program is ending, and the window may
    // go before the recorders do.
    void abandonRecording();

private:
    friend class ShortcutView;

    // Turning either on when it is on, or off when it is off, does nothing.
    void setKeyMonitorOn(bool on);
    void setResignObserverOn(bool on);

    UserInterface& ui_;
    Platform platform_;
    ShortcutValidator* validator_;
    ShortcutView* activeRecorder_ = nullptr;
    bool keyMonitorOn_ = false;
    bool resignObserverOn_ = false;
    Window* observedWindow_ = nullptr;
    Window::ObserverId resignObserver_ = 0;
};

// The control with which the user sets or clears the shortcut of one window
// action: it reads like ⌃⌥← with a delete button at its right end; clicked, it
// records the next combination typed in the program's windows, checks it and
// takes it, beeps, or explains in an alert why it cannot be used. Tied to a
// settings key, it shows what the key holds and writes the user's changes there.
//
// The control is the logic of a platform view: it draws by configuring the
// view's button cell piece by piece, and answers the view's clicks, mouse
// tracking, tool tips and accessibility questions.
class ShortcutView : public CustomViewLogic {
public:
    using ValueChange = std::function<void(ShortcutView&)>;
    // Whether a combination is in use elsewhere (by another action of the
    // program, say): none when it is free, else the text that explains why not.
    using TakenElsewhere = std::function<std::optional<std::string>(const Shortcut&)>;

    static constexpr double kIntrinsicWidth = 120;
    static constexpr double kFontPointSize = 11;
    // Key codes the recorder treats specially.
    static constexpr uint16_t kTabKey = 48, kDeleteKey = 51, kForwardDeleteKey = 117, kEscapeKey = 53, kWKey = 13,
                              kQKey = 12;
    // The priority of the announcement made when recording ends.
    static constexpr int kAnnouncementPriority = 90;

    // Becomes the view's logic; the view and its window must outlive the control.
    ShortcutView(CustomView& view, RecorderGroup& group);
    // Stops recording (without an announcement), unties the settings key and
    // leaves the view without logic.
    ~ShortcutView() override;
    ShortcutView(const ShortcutView&) = delete;
    ShortcutView& operator=(const ShortcutView&) = delete;

    const std::optional<Shortcut>& shortcutValue() const { return shortcutValue_; }
    // Shows the value, writes it to the tied settings key and then tells shortcutValueChange.
    void setShortcutValue(std::optional<Shortcut> value);

    bool isRecording() const { return recording_; }
    // Yes makes this the group's active recorder and ends recording on the one
    // before it; a disabled control records nothing. Leaving recording announces
    // "Shortcut set" or "Shortcut cleared".
    void setRecording(bool recording);
    bool isHinting() const { return hinting_; }
    // The mouse is over the delete (cancel) area at the right end.
    void setHinting(bool hinting);
    bool isEnabled() const { return enabled_; }
    // Any change ends recording.
    void setEnabled(bool enabled);
    bool showsDeleteButton() const { return showsDeleteButton_; }
    void setShowsDeleteButton(bool shows) { showsDeleteButton_ = shows; }
    void setAcceptsFirstResponder(bool accepts) {
        acceptsFirstResponder_ = accepts;
        view_.setAcceptsFocus(accepts);
    }
    // 0 round-rect bezel, 1 textured rounded, 2 rounded, 3 borderless on a clear background.
    unsigned style() const { return style_; }
    void setStyle(unsigned style);
    // Shown while recording instead of the prompt: the modifiers held so far.
    const std::optional<std::string>& shortcutPlaceholder() const { return shortcutPlaceholder_; }
    // Marks the shortcut shown as one that does nothing here (another program
    // holds it): a warning sign before it, and the reason as its tool tip.
    // None: not marked.
    void setUnavailableExplanation(std::optional<std::string> explanation);
    const std::optional<std::string>& unavailableExplanation() const { return unavailable_; }
    void setShortcutPlaceholder(std::optional<std::string> placeholder);
    ShortcutValidator* shortcutValidator() const { return shortcutValidator_; }
    void setShortcutValidator(ShortcutValidator* validator) { shortcutValidator_ = validator; }
    void setShortcutValueChange(ValueChange change) { shortcutValueChange_ = std::move(change); }
    void setTakenElsewhere(TakenElsewhere takenElsewhere) { takenElsewhere_ = std::move(takenElsewhere); }

    // Ties the control to a settings key holding the keyed archive of a
    // shortcut (none unties it): the control shows what the key holds now and
    // after every change, and writes the user's changes to it.
    void setAssociatedUserDefaultsKey(const std::optional<std::string>& key);
    // The same with the stored form of the transformer known under the name.
    void setAssociatedUserDefaultsKeyWithTransformerName(const std::optional<std::string>& key, std::string_view name);
    // The same with the given stored form. Without one every stored value reads
    // as no shortcut and the control writes nothing.
    void setAssociatedUserDefaultsKeyWithTransformer(const std::optional<std::string>& key,
                                                     std::shared_ptr<ShortcutValueTransformer> transformer);
    std::optional<std::string> associatedUserDefaultsKey() const;

    // The two areas of the bounds: the delete (cancel) area, a strip at the
    // right end whose width follows the style, and the shortcut area left of it.
    void getShortcutRect(Rect* shortcutRect, Rect* hintRect) const;
    // The platform view calls these two again when its bounds change.
    void updateTrackingAreas();
    void resetToolTips();

    // CustomViewLogic
    void drawRect(const Rect& dirty) override;
    void mouseDown(Point inView) override;
    void mouseEntered(int trackingArea) override;
    void mouseExited(int trackingArea) override;
    std::string toolTip(int tag) override;
    Size intrinsicContentSize() override;
    bool acceptsFirstResponder() override { return acceptsFirstResponder_; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    std::string accessibilityLabel() override;
    std::string accessibilityHelp() override;
    bool accessibilityPerformPress() override;
    void boundsDidChange() override;

private:
    friend class RecorderGroup;

    struct Binding {
        std::string key;
        std::shared_ptr<ShortcutValueTransformer> transformer;
        SettingsStore::ObserverId observer = 0;
    };

    // One key event while recording; false swallows it.
    bool handleKeyEvent(const KeyEvent& event);
    void explainTaken(const Shortcut& shortcut, const std::string& explanation);
    void applyStyle();
    double hintWidth() const;
    // The size may have changed and the control needs drawing again.
    void refresh();
    void propagateValue();
    void takeStoredValue();
    void unbind();

    CustomView& view_;
    RecorderGroup& group_;
    std::optional<Shortcut> shortcutValue_;
    ShortcutValidator* shortcutValidator_;
    bool recording_ = false;
    bool hinting_ = false;
    bool enabled_ = true;
    bool showsDeleteButton_ = true;
    bool acceptsFirstResponder_ = false;
    unsigned style_ = 0;
    std::optional<std::string> shortcutPlaceholder_;
    ValueChange shortcutValueChange_;
    TakenElsewhere takenElsewhere_;
    int hintArea_ = 0;
    std::optional<std::string> unavailable_;
    int shortcutToolTipTag_ = 0;
    int hintToolTipTag_ = 0;
    std::optional<Binding> binding_;
};

}  // namespace tilvane
