#pragma once

#include <QActionGroup>
#include <QMainWindow>
#include <QToolBar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace tilvane::qt {

class QtUserInterface;
class QtWindow;

class QtToolbarItem : public ToolbarItem {
public:
    QtToolbarItem(QtUserInterface& ui, QAction* action, std::string identifier);
    std::string itemIdentifier() const override { return identifier_; }
    std::string label() const override { return label_; }
    void setLabel(std::string label) override;
    std::string imageName() const override { return image_; }
    void setImage(std::string name) override;
    void setAction(std::function<void(ToolbarItem&)> action) override { action_ = std::move(action); }

    QAction* action() const { return qaction_; }
    void trigger() {
        if (action_) action_(*this);
    }

private:
    QtUserInterface& ui_;
    QAction* qaction_;
    std::string identifier_, label_, image_;
    std::function<void(ToolbarItem&)> action_;
};

// The window's toolbar: an item per identifier, the selectable ones checkable
// with one checked at a time; the flexible space is a widget that grows.
class QtToolbar : public Toolbar {
public:
    QtToolbar(QtUserInterface& ui, QToolBar& bar);
    void setDelegate(ToolbarDelegate* delegate) override;
    int displayMode() const override { return mode_; }
    void setDisplayMode(int mode) override;
    std::string selectedItemIdentifier() const override { return selected_; }
    void setSelectedItemIdentifier(std::string identifier) override;
    void insertItemWithItemIdentifier(std::string identifier, size_t index) override;
    std::vector<ToolbarItem*> items() override;
    void validateVisibleItems() override {}

    QtToolbarItem* item(const std::string& identifier);

private:
    QtUserInterface& ui_;
    QToolBar& bar_;
    QActionGroup* group_;  // a child of the bar, which deletes it
    ToolbarDelegate* delegate_ = nullptr;
    int mode_ = kDisplayModeIconAndLabel;
    std::string selected_;
    std::vector<std::unique_ptr<QtToolbarItem>> items_;
};

// The Qt window behind a Window: it tells its QtWindow of closing, moving,
// resizing and activation.
class MainWindow : public QMainWindow {
public:
    explicit MainWindow(QtWindow& owner) : owner_(owner) {}

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A window that is hidden or closed is no longer the one with the keyboard.
    void hideEvent(QHideEvent* event) override;

private:
    QtWindow& owner_;
};

// One of the program's windows. Frames are converted between Qt's screen
// coordinates and the program's bottom-left ones at the primary screen.
class QtWindow : public Window {
public:
    QtWindow(QtUserInterface& ui, std::string title);
    ~QtWindow() override;

    ObserverId observe(Event event, std::function<void()> handler) override;
    void removeObserver(ObserverId id) override { observers_.erase(id); }
    void setShouldClose(std::function<bool()> shouldClose) override { shouldClose_ = std::move(shouldClose); }
    void setTabActions(std::function<void()> next, std::function<void()> previous) override;
    std::string title() const override;
    void setTitle(std::string title) override;
    Toolbar& toolbar() override { return *toolbar_; }
    Rect frame() const override;
    void setFrame(const Rect& frame, bool display, bool animate) override;
    void setFrameTopLeftPoint(Point topLeft) override;
    Rect frameRectForContentRect(const Rect& content) const override;
    void setContentMinSize(Size size) override;
    void setContentMaxSize(Size size) override;
    void setShowsResizeIndicator(bool shows) override { resizeIndicator_ = shows; }
    void setZoomButtonEnabled(bool enabled) override;
    void layoutIfNeeded() override;
    void setContentView(View* view) override;
    View* contentView() const override { return content_; }
    void recalculateKeyViewLoop() override {}
    bool firstResponderIsWindow() const override;
    void makeFirstResponder(const std::string& controlName) override;
    bool isVisible() const override { return window_->isVisible(); }
    bool isKeyWindow() const override;
    void makeKeyAndOrderFront() override;
    void close() override;

    QMainWindow& qwindow() { return *window_; }
    // The window lost the keyboard focus (told by the desktop or by Qt, once).
    void resignedKey();
    // The window has the keyboard (told by the desktop or by Qt, once).
    void becameKey();
    QtToolbar& qtToolbar() { return *toolbar_; }

private:
    friend class MainWindow;
    void fire(Event event);
    bool userWantsToClose();
    // The space the toolbar and the window manager's frame add around the content.
    QSize chrome() const;

    QtUserInterface& ui_;
    std::unique_ptr<MainWindow> window_;
    QToolBar* bar_ = nullptr;
    QWidget* container_ = nullptr;
    std::unique_ptr<QtToolbar> toolbar_;
    View* content_ = nullptr;
    bool resizeIndicator_ = true;
    bool closing_ = false;
    bool wasActive_ = false;
    std::map<ObserverId, std::pair<Event, std::function<void()>>> observers_;
    ObserverId nextObserver_ = 1;
    std::function<bool()> shouldClose_;
};

}  // namespace tilvane::qt
