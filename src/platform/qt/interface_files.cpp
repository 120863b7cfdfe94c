// The panes' interface files, compiled by the interface compiler.

#include "platform/qt/qt_view.h"
#include "ui_GeneralPreferencesView.h"
#include "ui_MoveResizePrefsView.h"
#include "ui_MultiTouchPrefsView.h"
#include "ui_ShortcutsPrefsView.h"
#include "ui_SnapPrefsView.h"

namespace tilvane::qt {

namespace {

template <typename Form>
std::unique_ptr<QWidget> make() {
    auto widget = std::make_unique<QWidget>();
    Form form;
    form.setupUi(widget.get());
    return widget;
}

}  // namespace

std::unique_ptr<QWidget> loadInterfaceFile(const std::string& name) {
    if (name == "GeneralPreferencesView") return make<Ui::GeneralPreferencesView>();
    if (name == "ShortcutsPrefsView") return make<Ui::ShortcutsPrefsView>();
    if (name == "MultiTouchPrefsView") return make<Ui::MultiTouchPrefsView>();
    if (name == "MoveResizePrefsView") return make<Ui::MoveResizePrefsView>();
    if (name == "SnapPrefsView") return make<Ui::SnapPrefsView>();
    if (name == kEmptyInterfaceFile) return std::make_unique<QWidget>();
    return nullptr;
}

}  // namespace tilvane::qt
