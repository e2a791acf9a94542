#include <host/controls/Menus.h>

#include <host/core/EventBoundary.h>

#include <QEvent>

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

TMenuItem* TMenuItem::Insert(TMenuItem* before, const QString& name, const QString& caption) {
    auto* item = new TMenuItem(this, name, caption);
    SubMenu()->insertAction(before->Action(), item->Action());
    items_.insert(items_.indexOf(before), item);
    return item;
}

void TMenuItem::InsertSeparator(TMenuItem* before) {
    SubMenu()->insertSeparator(before->Action());
}

void TMenuItem::FollowEnabled(QWidget* control) {
    if (followed_)
        followed_->removeEventFilter(this);
    followed_ = control;
    control->installEventFilter(this);
    SetEnabled(control->isEnabled());
}

bool TMenuItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == followed_ && event->type() == QEvent::EnabledChange)
        SetEnabled(followed_->isEnabled());
    return QObject::eventFilter(watched, event);
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
