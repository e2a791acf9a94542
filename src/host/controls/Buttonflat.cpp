#include <host/controls/Buttonflat.h>

#include <host/core/EventBoundary.h>
#include <host/forms/Form.h>

#include <QKeyEvent>

namespace host {

TButtonFlat::TButtonFlat(QWidget* parent, const QString& name)
    : QToolButton(parent), TControl(this) {
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(this, &QToolButton::clicked, this, [this] { Guard([this] { Click(); }); });
}

void TButtonFlat::Click() {
    if (OnClick)
        OnClick(this);
}

TButton::TButton(QWidget* parent, const QString& caption)
    : QPushButton(caption, parent), TControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Guard([this] { Click(); }); });
}

void TButton::Click() {
    if (OnClick)
        OnClick(this);
    if (modalResult_ != mrNone)
        if (TForm* form = ParentForm())
            form->SetModalResult(modalResult_);
}

void TButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button, as the desktop's buttons do.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace host
