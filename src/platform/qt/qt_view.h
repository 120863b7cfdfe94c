#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/stored_controls.h"
#include "platform/user_interface.h"

class QPainter;
class QAbstractButton;
class QLabel;

namespace tilvane::qt {

class QtUserInterface;

// The push button look of the program's self-drawn controls, drawn with the
// desktop's style on the painter of the widget that is painting.
class QtButtonCell : public StoredButtonCell {
public:
    explicit QtButtonCell(QWidget& widget) : widget_(widget) {}
    double naturalHeight() const override;
    void drawWithFrame(const Rect& frame) override;

    void setPainter(QPainter* painter) { painter_ = painter; }

private:
    QWidget& widget_;
    QPainter* painter_ = nullptr;
};

// The widget of a self-drawn control (the shortcut recorder). Interface
// files name it as their class for such controls.
class CustomViewWidget : public QWidget, public CustomView {
    Q_OBJECT

public:
    explicit CustomViewWidget(QWidget* parent = nullptr);
    ~CustomViewWidget() override;

    // CustomView
    void setLogic(CustomViewLogic* logic) override;
    Rect bounds() const override { return {0, 0, double(width()), double(height())}; }
    ButtonCell& cell() override { return cell_; }
    void setNeedsDisplay() override { update(); }
    void invalidateIntrinsicContentSize() override { updateGeometry(); }
    int addToolTipRect(const Rect& rect) override;
    void removeToolTip(int tag) override { toolTips_.erase(tag); }
    int addTrackingArea(const Rect& rect, unsigned options) override;
    void removeTrackingArea(int area) override;
    void setWantsLayer(bool layer) override { setAttribute(Qt::WA_TranslucentBackground, layer); }
    void setAcceptsFocus(bool accepts) override { setFocusPolicy(accepts ? Qt::StrongFocus : Qt::NoFocus); }
    Window* window() override;

    CustomViewLogic* logic() const { return logic_; }
    QSize sizeHint() const override;
    // The user interface that finds the window of a widget.
    static void setUserInterface(QtUserInterface* ui) { ui_ = ui; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateAccessibleTexts();

    static QtUserInterface* ui_;
    CustomViewLogic* logic_ = nullptr;
    QtButtonCell cell_;
    std::map<int, Rect> toolTips_;
    struct Area {
        Rect rect;
        bool inside = false;
    };
    std::map<int, Area> areas_;
    int nextTag_ = 1;
};

// A control of an interface file, as the program sees it.
class QtControl : public Control {
public:
    QtControl(QtUserInterface& ui, QWidget& widget);
    bool state() const override;
    void setState(bool on) override;
    std::string stringValue() const override;
    void setStringValue(std::string text) override;
    void setTextColor(NamedColor color) override;
    void setImage(std::string name) override;
    bool isEnabled() const override { return widget_->isEnabled(); }
    void setEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    void setHidden(bool hidden) override { widget_->setHidden(hidden); }
    void setAction(std::function<void()> action) override { action_ = std::move(action); }

    QWidget* widget() const { return widget_; }

private:
    QtUserInterface& ui_;
    QPointer<QWidget> widget_;
    std::function<void()> action_;
};

// A pane's view from its interface file.
class QtView : public View {
public:
    QtView(QtUserInterface& ui, std::unique_ptr<QWidget> widget);
    ~QtView() override;
    Rect bounds() const override;
    Rect frame() const override;
    void setFrame(const Rect& frame) override;
    unsigned autoresizingMask() const override;
    Control* control(const std::string& name) override;
    CustomView* customView(const std::string& name) override;

    QWidget* widget() const { return widget_.get(); }

private:
    QtUserInterface& ui_;
    std::unique_ptr<QWidget> widget_;
    std::map<std::string, std::unique_ptr<QtControl>> controls_;
};

// The pane views the program's interface files describe, made by the code
// the interface compiler generated from them; null for an unknown name.
std::unique_ptr<QWidget> loadInterfaceFile(const std::string& name);

}  // namespace tilvane::qt
