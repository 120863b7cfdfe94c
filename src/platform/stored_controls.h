#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/user_interface.h"

namespace tilvane {

// A menu item that keeps what the program set on it. A backend that draws
// the item overrides changed(), which runs after each change of what is shown.
class StoredMenuItem : public MenuItem {
public:
    explicit StoredMenuItem(bool separator) : separator_(separator) {}

    bool isSeparatorItem() const override { return separator_; }
    std::string title() const override { return title_; }
    void setTitle(std::string title) override {
        title_ = std::move(title);
        changed();
    }
    int64_t tag() const override { return tag_; }
    void setTag(int64_t tag) override { tag_ = tag; }
    std::string imageName() const override { return image_; }
    bool imageIsTemplate() const { return imageIsTemplate_; }
    void setImage(std::string name, bool isTemplate) override {
        image_ = std::move(name);
        imageIsTemplate_ = isTemplate;
        changed();
    }
    std::string keyEquivalent() const override { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) override {
        keyEquivalent_ = std::move(key);
        changed();
    }
    uint64_t keyEquivalentModifierMask() const override { return mask_; }
    void setKeyEquivalentModifierMask(uint64_t mask) override {
        mask_ = mask;
        changed();
    }
    bool keyEquivalentIsUnavailable() const override { return unavailable_; }
    void setKeyEquivalentUnavailable(bool unavailable) override {
        unavailable_ = unavailable;
        changed();
    }
    std::optional<AttributedTitle> attributedTitle() const override { return attributed_; }
    void setAttributedTitle(AttributedTitle title) override {
        attributed_ = std::move(title);
        changed();
    }
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override {
        enabled_ = enabled;
        changed();
    }
    void setAction(Action action) override { action_ = std::move(action); }
    void setValidator(Validator validator) override { validator_ = std::move(validator); }
    Menu* submenu() const override { return submenu_.get(); }
    void setSubmenu(std::unique_ptr<Menu> menu) override { submenu_ = std::move(menu); }

    bool hasAction() const { return static_cast<bool>(action_); }
    bool hasValidator() const { return static_cast<bool>(validator_); }
    // The user chooses the item.
    void choose() {
        if (action_) action_(*this);
    }
    // Whether the item is enabled: its validator's answer, or its own state.
    bool validate() { return validator_ ? validator_(*this) : enabled_; }

protected:
    virtual void changed() {}

private:
    bool separator_;
    std::string title_, image_, keyEquivalent_;
    bool imageIsTemplate_ = false;
    bool unavailable_ = false;
    int64_t tag_ = 0;
    uint64_t mask_ = 0;
    std::optional<AttributedTitle> attributed_;
    bool enabled_ = true;
    Action action_;
    Validator validator_;
    std::unique_ptr<Menu> submenu_;
};

// A button cell that keeps its looks; a backend draws with them.
class StoredButtonCell : public ButtonCell {
public:
    void setTitle(std::string title) override { title_ = std::move(title); }
    void setAlignment(TextAlignment alignment) override { alignment_ = alignment; }
    void setState(bool on) override { on_ = on; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    void setBezelStyle(int style) override { bezel_ = style; }
    void setBordered(bool bordered) override { bordered_ = bordered; }
    double fontPointSize() const override { return fontSize_; }
    void setFontPointSize(double points) override { fontSize_ = points; }

    const std::string& title() const { return title_; }
    TextAlignment alignment() const { return alignment_; }
    bool isOn() const { return on_; }
    bool isEnabled() const { return enabled_; }
    int bezelStyle() const { return bezel_; }
    bool bordered() const { return bordered_; }

private:
    std::string title_;
    TextAlignment alignment_ = TextAlignment::Center;
    bool on_ = false, enabled_ = true, bordered_ = true;
    int bezel_ = kRoundRectBezel;
    double fontSize_ = 13;
};

}  // namespace tilvane
