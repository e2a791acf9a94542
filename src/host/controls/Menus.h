#pragma once
// Menus: a main menu bar placed on a form, pop-up menus, and menu items whose click runs a
// handler and that can be enabled, hidden and checked from code.

#include <host/core/HostTypes.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace host {

class TMenuItem : public QObject {
    Q_OBJECT
public:
    // An item of a menu bar, of a pop-up menu or of another item (a submenu).
    TMenuItem(QObject* parent, const QString& name, const QString& caption);

    QAction* Action() const { return action_; }
    QString Caption() const { return action_->text(); }
    void SetCaption(const QString& caption) { action_->setText(caption); }
    bool Enabled() const { return action_->isEnabled(); }
    void SetEnabled(bool on) { action_->setEnabled(on); }
    bool Visible() const { return action_->isVisible(); }
    void SetVisible(bool on) { action_->setVisible(on); }
    bool Checked() const { return action_->isChecked(); }
    void SetChecked(bool on);
    void SetShortCut(const QKeySequence& shortcut) { action_->setShortcut(shortcut); }

    TMenuItem* Add(const QString& name, const QString& caption);
    // A new item, or a separator, placed before an item of this one's submenu.
    TMenuItem* Insert(TMenuItem* before, const QString& name, const QString& caption);
    void InsertSeparator(TMenuItem* before);
    void AddSeparator();
    QList<TMenuItem*> Items() const { return items_; }
    QMenu* SubMenu();

    // From now on the item is enabled exactly when the control is (a tool button the item
    // stands for in the menu), whoever enables or disables it.
    void FollowEnabled(QWidget* control);

    // Runs the click handler as a choice of the item does.
    void Click();
    TNotifyEvent OnClick;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* action_;
    QPointer<QMenu> menu_;
    QList<TMenuItem*> items_;
    QPointer<QWidget> followed_;
};

class TMainMenu : public QMenuBar {
    Q_OBJECT
public:
    explicit TMainMenu(QWidget* parent);
    TMenuItem* Add(const QString& name, const QString& caption);
    QList<TMenuItem*> Items() const { return items_; }

private:
    QList<TMenuItem*> items_;
};

class TPopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit TPopupMenu(QWidget* parent);
    TMenuItem* Add(const QString& name, const QString& caption);
    QList<TMenuItem*> Items() const { return items_; }

private:
    QList<TMenuItem*> items_;
};

} // namespace host
