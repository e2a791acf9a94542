#include <host/controls/Menus.h>

#include <host/core/EventBoundary.h>

namespace host {

TMenuItem::TMenuItem(QObject* parent, const QString& name, const QString& caption)
    : QObject(parent), action_(new QAction(caption, this)) {
    setObjectName(name);
    action_->setObjectName(name);
    connect(action_, &QAction::triggered, this, [this] { Guard([this] { Click(); }); });
}

void TMenuItem::SetChecked(bool on) {
    action_->setCheckable(true);
    action_->setChecked(on);
}

QMenu* TMenuItem::SubMenu() {
    if (!menu_) {
        menu_ = new QMenu(action_->text());
        connect(this, &QObject::destroyed, menu_.data(), &QObject::deleteLater);
        action_->setMenu(menu_);
    }
    return menu_;
}

TMenuItem* TMenuItem::Add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(this, name, caption);
    SubMenu()->addAction(item->Action());
    items_.append(item);
    return item;
}

void TMenuItem::AddSeparator() {
    SubMenu()->addSeparator();
}

void TMenuItem::Click() {
    if (OnClick)
        OnClick(this);
}

TMainMenu::TMainMenu(QWidget* parent) : QMenuBar(parent) {}

TMenuItem* TMainMenu::Add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(this, name, caption);
    item->SubMenu();
    addAction(item->Action());
    items_.append(item);
    return item;
}

TPopupMenu::TPopupMenu(QWidget* parent) : QMenu(parent) {}

TMenuItem* TPopupMenu::Add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(this, name, caption);
    addAction(item->Action());
    items_.append(item);
    return item;
}

} // namespace host
