#include "platform/qt/qt_view.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>
#include <QVariant>

#include "platform/qt/qt_user_interface.h"
#include "platform/qt/qt_window.h"

namespace tilvane::qt {

QtUserInterface* CustomViewWidget::ui_ = nullptr;

namespace {

QRect toQt(const Rect& r) {
    return QRect(int(std::lround(r.x)), int(std::lround(r.y)), int(std::lround(r.width)), int(std::lround(r.height)));
}

Qt::Alignment toQt(TextAlignment alignment) {
    switch (alignment) {
        case TextAlignment::Left: return Qt::AlignLeft | Qt::AlignVCenter;
        case TextAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
        case TextAlignment::Center: break;
    }
    return Qt::AlignCenter;
}

// Assistive technology sees the self-drawn control as a button whose press is the logic's.
class CustomViewAccessible : public QAccessibleWidget {
public:
    explicit CustomViewAccessible(CustomViewWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override {
        auto* logic = static_cast<CustomViewWidget*>(widget())->logic();
        if (!logic) return QAccessibleWidget::text(t);
        if (t == QAccessible::Name) return QString::fromStdString(logic->accessibilityLabel());
        if (t == QAccessible::Help || t == QAccessible::Description)
            return QString::fromStdString(logic->accessibilityHelp());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        auto* logic = static_cast<CustomViewWidget*>(widget())->logic();
        if (name == pressAction() && logic) logic->accessibilityPerformPress();
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("tilvane::qt::CustomViewWidget") && object && object->isWidgetType())
        return new CustomViewAccessible(static_cast<CustomViewWidget*>(object));
    return nullptr;
}

}  // namespace

// --- the button cell ------------------------------------------------------------

double QtButtonCell::naturalHeight() const {
    QStyleOptionButton option;
    option.initFrom(&widget_);
    QFont font = widget_.font();
    font.setPointSizeF(fontPointSize());
    QSize text = QFontMetrics(font).size(Qt::TextSingleLine, QStringLiteral("Record Shortcut"));
    return widget_.style()->sizeFromContents(QStyle::CT_PushButton, &option, text, &widget_).height();
}

void QtButtonCell::drawWithFrame(const Rect& frame) {
    if (!painter_) return;
    QStyleOptionButton option;
    option.initFrom(&widget_);
    option.rect = toQt(frame);
    option.state &= ~(QStyle::State_Sunken | QStyle::State_On | QStyle::State_MouseOver);
    if (!isEnabled()) option.state &= ~QStyle::State_Enabled;
    if (isOn()) option.state |= QStyle::State_Sunken | QStyle::State_On;
    if (bordered() && bezelStyle() != 0)
        widget_.style()->drawControl(QStyle::CE_PushButtonBevel, &option, painter_, &widget_);
    QRect text = option.rect.adjusted(6, 0, -6, 0);
    QString title = QString::fromStdString(this->title());
    // The text fits its frame: a long one ("Type New Shortcut", a shortcut in
    // words) is drawn smaller, down to a size still read easily, then elided.
    QFont font = widget_.font();
    font.setPointSizeF(fontPointSize());
    constexpr double kSmallestPointSize = 7;
    while (QFontMetricsF(font).horizontalAdvance(title) > text.width() && font.pointSizeF() > kSmallestPointSize)
        font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() - 0.5));
    painter_->setFont(font);
    title = QFontMetrics(font).elidedText(title, Qt::ElideMiddle, text.width());
    widget_.style()->drawItemText(painter_, text, int(toQt(alignment())), option.palette, isEnabled(), title,
                                  QPalette::ButtonText);
}

// --- self-drawn controls --------------------------------------------------------

CustomViewWidget::CustomViewWidget(QWidget* parent) : QWidget(parent), cell_(*this) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

CustomViewWidget::~CustomViewWidget() = default;

void CustomViewWidget::setLogic(CustomViewLogic* logic) {
    logic_ = logic;
    setFocusPolicy(logic_ && logic_->acceptsFirstResponder() ? Qt::StrongFocus : Qt::NoFocus);
    updateGeometry();
    update();
}

QSize CustomViewWidget::sizeHint() const {
    if (!logic_) return QWidget::sizeHint();
    Size size = logic_->intrinsicContentSize();
    return QSize(int(std::ceil(size.width)), int(std::ceil(size.height)));
}

int CustomViewWidget::addToolTipRect(const Rect& rect) {
    int tag = nextTag_++;
    toolTips_[tag] = rect;
    return tag;
}

int CustomViewWidget::addTrackingArea(const Rect& rect, unsigned) {
    int area = nextTag_++;
    // The mouse is taken to start inside when it is there now.
    QPoint pointer = mapFromGlobal(QCursor::pos());
    areas_[area] = {rect, underMouse() && rect.containsPoint({double(pointer.x()), double(pointer.y())})};
    return area;
}

void CustomViewWidget::removeTrackingArea(int area) {
    areas_.erase(area);
}

Window* CustomViewWidget::window() {
    return ui_ ? ui_->windowOf(this) : nullptr;
}

void CustomViewWidget::paintEvent(QPaintEvent*) {
    if (!logic_) return;
    QPainter painter(this);
    cell_.setPainter(&painter);
    logic_->drawRect(bounds());
    cell_.setPainter(nullptr);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    updateAccessibleTexts();
}

void CustomViewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (logic_) logic_->boundsDidChange();
}

void CustomViewWidget::updateAccessibleTexts() {
    if (!logic_) return;
    setAccessibleName(QString::fromStdString(logic_->accessibilityLabel()));
    setAccessibleDescription(QString::fromStdString(logic_->accessibilityHelp()));
}

void CustomViewWidget::mousePressEvent(QMouseEvent* event) {
    if (!logic_ || event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    QPointF at = event->position();
    logic_->mouseDown({at.x(), at.y()});
}

void CustomViewWidget::keyPressEvent(QKeyEvent* event) {
    // With the keyboard focus, Space or Return presses the control, as a button's do.
    bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (logic_ && press && event->modifiers() == Qt::NoModifier) {
        logic_->accessibilityPerformPress();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CustomViewWidget::mouseMoveEvent(QMouseEvent* event) {
    QPointF at = event->position();
    // The logic may add or remove areas while it is told.
    auto areas = areas_;
    for (auto& [tag, area] : areas) {
        bool inside = area.rect.containsPoint({at.x(), at.y()});
        if (inside == area.inside || !areas_.count(tag)) continue;
        areas_[tag].inside = inside;
        if (logic_) inside ? logic_->mouseEntered(tag) : logic_->mouseExited(tag);
    }
    QWidget::mouseMoveEvent(event);
}

void CustomViewWidget::leaveEvent(QEvent* event) {
    auto areas = areas_;
    for (auto& [tag, area] : areas) {
        if (!area.inside || !areas_.count(tag)) continue;
        areas_[tag].inside = false;
        if (logic_) logic_->mouseExited(tag);
    }
    QWidget::leaveEvent(event);
}

void CustomViewWidget::focusInEvent(QFocusEvent* event) {
    if (logic_) logic_->becomeFirstResponder();
    QWidget::focusInEvent(event);
}

void CustomViewWidget::focusOutEvent(QFocusEvent* event) {
    if (logic_) logic_->resignFirstResponder();
    QWidget::focusOutEvent(event);
}

bool CustomViewWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && logic_) {
        auto* help = static_cast<QHelpEvent*>(event);
        for (const auto& [tag, rect] : toolTips_) {
            if (!rect.containsPoint({double(help->pos().x()), double(help->pos().y())})) continue;
            QString text = QString::fromStdString(logic_->toolTip(tag));
            if (!text.isEmpty()) {
                QToolTip::showText(help->globalPos(), text, this, toQt(rect));
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

// --- ordinary controls ----------------------------------------------------------

QtControl::QtControl(QtUserInterface& ui, QWidget& widget) : ui_(ui), widget_(&widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(&widget))
        QObject::connect(button, &QAbstractButton::clicked, button, [this] {
            if (action_) action_();
        });
}

bool QtControl::state() const {
    auto* button = qobject_cast<QAbstractButton*>(widget_.data());
    return button && button->isChecked();
}

void QtControl::setState(bool on) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget_.data())) {
        QSignalBlocker quiet(button);
        button->setChecked(on);
    }
}

std::string QtControl::stringValue() const {
    if (auto* label = qobject_cast<QLabel*>(widget_.data())) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget_.data())) return button->text().toStdString();
    return {};
}

void QtControl::setStringValue(std::string text) {
    if (auto* label = qobject_cast<QLabel*>(widget_.data())) label->setText(QString::fromStdString(text));
    if (auto* button = qobject_cast<QAbstractButton*>(widget_.data())) button->setText(QString::fromStdString(text));
}

void QtControl::setTextColor(NamedColor color) {
    if (!widget_) return;
    QPalette palette = widget_->palette();
    QColor text = colorFor(color, QApplication::palette(widget_));
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    widget_->setPalette(palette);
}

void QtControl::setImage(std::string name) {
    auto* label = qobject_cast<QLabel*>(widget_.data());
    if (!label) return;
    int side = 16;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    if (name == kStatusAvailableImage || name == kStatusPartiallyAvailableImage) {
        // The desktop's status lights: green, or amber.
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(name == kStatusAvailableImage ? QColor(0x2E, 0xA0, 0x43) : QColor(0xE0, 0xA0, 0x10));
        painter.drawEllipse(QRectF(2, 2, side - 4, side - 4));
    } else {
        pixmap = ui_.icon(name, true, label->palette().color(QPalette::WindowText)).pixmap(side, side);
    }
    label->setPixmap(pixmap);
}

// --- views ----------------------------------------------------------------------

QtView::QtView(QtUserInterface& ui, std::unique_ptr<QWidget> widget) : ui_(ui), widget_(std::move(widget)) {
    widget_->adjustSize();
}

QtView::~QtView() {
    controls_.clear();
    // A view shown in a window goes with the view, not with the window.
    if (widget_) widget_->setParent(nullptr);
}

Rect QtView::bounds() const {
    return {0, 0, double(widget_->width()), double(widget_->height())};
}

Rect QtView::frame() const {
    return {double(widget_->x()), double(widget_->y()), double(widget_->width()), double(widget_->height())};
}

void QtView::setFrame(const Rect& frame) {
    widget_->setFixedSize(QSize(int(std::lround(frame.width)), int(std::lround(frame.height))));
    // The window's content decides about growing; the view may grow with it where it is resizable.
    unsigned mask = autoresizingMask();
    widget_->setMinimumSize(widget_->size());
    widget_->setMaximumSize(mask & kWidthSizable ? QWIDGETSIZE_MAX : widget_->width(),
                            mask & kHeightSizable ? QWIDGETSIZE_MAX : widget_->height());
}

unsigned QtView::autoresizingMask() const {
    return widget_->property("autoresizingMask").toUInt();
}

Control* QtView::control(const std::string& name) {
    auto it = controls_.find(name);
    if (it != controls_.end()) return it->second.get();
    auto* widget = widget_->findChild<QWidget*>(QString::fromStdString(name));
    if (!widget || dynamic_cast<CustomViewWidget*>(widget)) return nullptr;
    return (controls_[name] = std::make_unique<QtControl>(ui_, *widget)).get();
}

CustomView* QtView::customView(const std::string& name) {
    return widget_->findChild<CustomViewWidget*>(QString::fromStdString(name));
}

}  // namespace tilvane::qt
