#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/qt/qt_user_interface.h"
#include "platform/qt/qt_view.h"

namespace tilvane::qt {

namespace {

QRect primaryScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 0, 0);
}

int whole(double v) {
    return int(std::lround(v));
}

int size(double v) {
    return v >= double(QWIDGETSIZE_MAX) ? QWIDGETSIZE_MAX : whole(v);
}

}  // namespace

// --- toolbar --------------------------------------------------------------------

QtToolbarItem::QtToolbarItem(QtUserInterface& ui, QAction* action, std::string identifier)
    : ui_(ui), qaction_(action), identifier_(std::move(identifier)) {}

void QtToolbarItem::setLabel(std::string label) {
    label_ = std::move(label);
    qaction_->setText(QString::fromStdString(label_));
}

void QtToolbarItem::setImage(std::string name) {
    image_ = std::move(name);
    QColor text = QApplication::palette().color(QPalette::WindowText);
    qaction_->setIcon(ui_.icon(image_, true, text));
}

QtToolbar::QtToolbar(QtUserInterface& ui, QToolBar& bar) : ui_(ui), bar_(bar), group_(new QActionGroup(&bar)) {
    group_->setExclusive(true);
    bar_.setMovable(false);
    bar_.setFloatable(false);
    bar_.setContextMenuPolicy(Qt::PreventContextMenu);
    setDisplayMode(kDisplayModeIconAndLabel);
}

void QtToolbar::setDelegate(ToolbarDelegate* delegate) {
    delegate_ = delegate;
    for (auto& item : items_) bar_.removeAction(item->action());
    items_.clear();
    bar_.clear();
    if (!delegate_) return;
    for (const auto& identifier : delegate_->toolbarDefaultItemIdentifiers())
        insertItemWithItemIdentifier(identifier, items_.size());
}

void QtToolbar::setDisplayMode(int mode) {
    mode_ = mode;
    bar_.setToolButtonStyle(mode == kDisplayModeLabelOnly  ? Qt::ToolButtonTextOnly
                            : mode == kDisplayModeIconOnly ? Qt::ToolButtonIconOnly
                                                           : Qt::ToolButtonTextUnderIcon);
}

void QtToolbar::setSelectedItemIdentifier(std::string identifier) {
    selected_ = std::move(identifier);
    if (QtToolbarItem* selected = item(selected_)) selected->action()->setChecked(true);
}

void QtToolbar::insertItemWithItemIdentifier(std::string identifier, size_t index) {
    index = std::min(index, items_.size());
    QAction* before = index < items_.size() ? items_[index]->action() : nullptr;
    QAction* action = nullptr;
    if (identifier == kToolbarFlexibleSpaceItemIdentifier) {
        auto* space = new QWidget();
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        action = bar_.insertWidget(before, space);
    } else {
        action = new QAction(&bar_);
        bar_.insertAction(before, action);
        std::vector<std::string> selectable;
        if (delegate_) selectable = delegate_->toolbarSelectableItemIdentifiers();
        if (std::find(selectable.begin(), selectable.end(), identifier) != selectable.end()) {
            action->setCheckable(true);
            group_->addAction(action);
        }
    }
    auto item = std::make_unique<QtToolbarItem>(ui_, action, identifier);
    QtToolbarItem* raw = item.get();
    QObject::connect(action, &QAction::triggered, &bar_, [raw] { raw->trigger(); });
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    if (delegate_) delegate_->toolbarItemForItemIdentifier(*raw, identifier, true);
    if (identifier == selected_) action->setChecked(true);
}

std::vector<ToolbarItem*> QtToolbar::items() {
    std::vector<ToolbarItem*> result;
    for (auto& item : items_) result.push_back(item.get());
    return result;
}

QtToolbarItem* QtToolbar::item(const std::string& identifier) {
    for (auto& item : items_)
        if (item->itemIdentifier() == identifier) return item.get();
    return nullptr;
}

// --- the window -----------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!owner_.userWantsToClose()) {
        event->ignore();
        return;
    }
    owner_.fire(Window::Event::WillClose);
    QMainWindow::closeEvent(event);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    owner_.fire(Window::Event::DidMove);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    owner_.fire(Window::Event::DidResize);
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    owner_.resignedKey();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    bool active = isActiveWindow();
    if (!active) {
        if (owner_.ui_.holdsDesktopKeyboard()) return;
        owner_.resignedKey();
    } else {
        owner_.becameKey();
    }
}

bool QtWindow::isKeyWindow() const {
    return ui_.hasKeyboardNow(*window_);
}

void QtWindow::becameKey() {
    if (wasActive_) return;
    wasActive_ = true;
    fire(Event::DidBecomeKey);
}

void QtWindow::resignedKey() {
    if (!wasActive_) return;
    wasActive_ = false;
    fire(Event::DidResignKey);
    fire(Event::DidResignMain);
}

QtWindow::QtWindow(QtUserInterface& ui, std::string title) : ui_(ui), window_(std::make_unique<MainWindow>(*this)) {
    window_->setWindowTitle(QString::fromStdString(title));
    bar_ = window_->addToolBar(QStringLiteral("Panes"));
    bar_->setObjectName(QStringLiteral("panes"));
    toolbar_ = std::make_unique<QtToolbar>(ui_, *bar_);
    container_ = new QWidget();
    auto* layout = new QVBoxLayout(container_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    window_->setCentralWidget(container_);
    ui_.windowCreated(this);
}

QtWindow::~QtWindow() {
    ui_.windowGone(this);
    setContentView(nullptr);
    shouldClose_ = nullptr;
    observers_.clear();
    window_.reset();
}

Window::ObserverId QtWindow::observe(Event event, std::function<void()> handler) {
    ObserverId id = nextObserver_++;
    observers_[id] = {event, std::move(handler)};
    return id;
}

void QtWindow::fire(Event event) {
    auto snapshot = observers_;
    for (auto& [id, observer] : snapshot)
        if (observer.first == event && observers_.count(id)) observer.second();
}

void QtWindow::setTabActions(std::function<void()> next, std::function<void()> previous) {
    for (QShortcut* old : window_->findChildren<QShortcut*>(QStringLiteral("tabAction"))) delete old;
    auto bind = [this](QList<QKeySequence> keys, std::function<void()> action) {
        if (!action) return;
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, window_.get());
            shortcut->setObjectName(QStringLiteral("tabAction"));
            QObject::connect(shortcut, &QShortcut::activated, window_.get(), action);
        }
    };
    bind({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, std::move(next));
    bind({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
         std::move(previous));
}

bool QtWindow::userWantsToClose() {
    return closing_ || !shouldClose_ || shouldClose_();
}

std::string QtWindow::title() const {
    return window_->windowTitle().toStdString();
}

void QtWindow::setTitle(std::string title) {
    window_->setWindowTitle(QString::fromStdString(title));
}

QSize QtWindow::chrome() const {
    QRect outer = window_->frameGeometry(), inner = window_->geometry();
    int toolbar = bar_->isVisible() || !window_->isVisible() ? bar_->sizeHint().height() : 0;
    return QSize(outer.width() - inner.width(), outer.height() - inner.height() + toolbar);
}

Rect QtWindow::frame() const {
    QRect outer = window_->frameGeometry();
    QRect primary = primaryScreen();
    return {double(outer.x() - primary.x()), double(primary.height() - (outer.y() - primary.y()) - outer.height()),
            double(outer.width()), double(outer.height())};
}

void QtWindow::setFrame(const Rect& frame, bool, bool) {
    QRect primary = primaryScreen();
    QRect outer = window_->frameGeometry(), inner = window_->geometry();
    QSize decorations(outer.width() - inner.width(), outer.height() - inner.height());
    window_->resize(whole(frame.width) - decorations.width(), whole(frame.height) - decorations.height());
    window_->move(primary.x() + whole(frame.x), primary.y() + primary.height() - whole(frame.y + frame.height));
}

void QtWindow::setFrameTopLeftPoint(Point topLeft) {
    Rect f = frame();
    setFrame({topLeft.x, topLeft.y - f.height, f.width, f.height}, true, false);
}

Rect QtWindow::frameRectForContentRect(const Rect& content) const {
    QSize extra = chrome();
    return {content.x, content.y, content.width + extra.width(), content.height + extra.height()};
}

void QtWindow::setContentMinSize(Size size) {
    container_->setMinimumSize(whole(size.width), whole(size.height));
}

void QtWindow::setContentMaxSize(Size size) {
    container_->setMaximumSize(::tilvane::qt::size(size.width), ::tilvane::qt::size(size.height));
}

void QtWindow::setZoomButtonEnabled(bool enabled) {
    if (window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint) == enabled) return;
    bool visible = window_->isVisible();
    window_->setWindowFlag(Qt::WindowMaximizeButtonHint, enabled);
    if (visible) window_->show();  // changing the flags hides the window
}

void QtWindow::layoutIfNeeded() {
    window_->layout()->activate();
}

void QtWindow::setContentView(View* view) {
    if (content_ == view) return;
    auto* layout = static_cast<QVBoxLayout*>(container_->layout());
    if (auto* old = dynamic_cast<QtView*>(content_)) {
        layout->removeWidget(old->widget());
        old->widget()->hide();
        old->widget()->setParent(nullptr);
    }
    content_ = view;
    if (auto* now = dynamic_cast<QtView*>(content_)) {
        now->widget()->setParent(container_);
        layout->addWidget(now->widget(), 0, Qt::AlignLeft | Qt::AlignTop);
        now->widget()->show();
    }
}

bool QtWindow::firstResponderIsWindow() const {
    QWidget* focus = QApplication::focusWidget();
    return !focus || focus == window_.get() || focus->window() != window_.get();
}

void QtWindow::makeFirstResponder(const std::string& controlName) {
    if (!controlName.empty()) {
        if (auto* widget = container_->findChild<QWidget*>(QString::fromStdString(controlName))) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    // The first control of the content that takes the focus with Tab.
    for (QWidget* w = container_->nextInFocusChain(); w && w != container_; w = w->nextInFocusChain()) {
        if (container_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void QtWindow::makeKeyAndOrderFront() {
    window_->show();
    window_->raise();
    window_->activateWindow();
    ui_.windowShown(window_.get());
}

void QtWindow::close() {
    closing_ = true;
    window_->close();
    closing_ = false;
}

}  // namespace tilvane::qt
