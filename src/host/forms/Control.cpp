#include <host/forms/Control.h>

#include <host/forms/Form.h>

#include <QGroupBox>
#include <QPalette>

namespace host {

namespace {
const char* const kAlignProperty = "hostAlign";
} // namespace

void SetAlign(QWidget* control, TAlign align) {
    control->setProperty(kAlignProperty, static_cast<int>(align));
    if (control->parentWidget())
        RealignChildren(control->parentWidget());
}

TAlign AlignOf(const QWidget* control) {
    return static_cast<TAlign>(control->property(kAlignProperty).toInt());
}

void RealignChildren(QWidget* parent) {
    QRect area = parent->contentsRect();
    if (auto* group = qobject_cast<QGroupBox*>(parent))
        area.setTop(area.top() + (group->title().isEmpty() ? 2 : group->fontMetrics().height()));
    QList<QWidget*> kids;
    for (QObject* o : parent->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisibleTo(parent))
            kids.append(w);
    for (QWidget* w : kids) {
        switch (AlignOf(w)) {
        case TAlign::alTop:
            w->setGeometry(area.left(), area.top(), area.width(), w->height());
            area.setTop(area.top() + w->height());
            break;
        case TAlign::alBottom:
            w->setGeometry(area.left(), area.bottom() + 1 - w->height(), area.width(), w->height());
            area.setBottom(area.bottom() - w->height());
            break;
        default:
            break;
        }
    }
    for (QWidget* w : kids) {
        switch (AlignOf(w)) {
        case TAlign::alLeft:
            w->setGeometry(area.left(), area.top(), w->width(), area.height());
            area.setLeft(area.left() + w->width());
            break;
        case TAlign::alRight:
            w->setGeometry(area.right() + 1 - w->width(), area.top(), w->width(), area.height());
            area.setRight(area.right() - w->width());
            break;
        default:
            break;
        }
    }
    for (QWidget* w : kids)
        if (AlignOf(w) == TAlign::alClient)
            w->setGeometry(area);
}

namespace {
// Controls without an explicit tab order keep the order in which they were created.
int gNextTabOrder = 1000;
} // namespace

TControl::TControl(QWidget* self) : self_(self), tabOrder_(gNextTabOrder++) {
    // A control placed on a form already on screen shows at once, as on the classic forms
    // (a Qt child created after its parent was shown stays hidden until told).
    if (QWidget* parent = self->parentWidget(); parent && parent->isVisible())
        self->setVisible(true);
}

TControl::~TControl() {
    if (TForm* form = ParentForm())
        form->Focus().Forget(self_);
}

QString TControl::Name() const {
    return self_->objectName();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    self_->setGeometry(left, top, width, height);
}
int TControl::Left() const {
    return self_->x();
}
int TControl::Top() const {
    return self_->y();
}
int TControl::Width() const {
    return self_->width();
}
int TControl::Height() const {
    return self_->height();
}

bool TControl::CanFocus() const {
    if (IsContainer() || self_->focusPolicy() == Qt::NoFocus)
        return false;
    TForm* form = ParentForm();
    if (!form)
        return self_->isEnabled() && self_->isVisible();
    return self_->isVisibleTo(form) && self_->isEnabledTo(form) && form->isEnabled();
}

bool TControl::Focused() const {
    TForm* form = ParentForm();
    return form && form->ActiveControl() == self_;
}

void TControl::SetFocus() {
    if (TForm* form = ParentForm())
        form->Focus().FocusControl(self_);
    else
        self_->setFocus(Qt::OtherFocusReason);
}

TForm* TControl::ParentForm() const {
    for (QWidget* p = self_->parentWidget(); p; p = p->parentWidget())
        if (auto* form = qobject_cast<TForm*>(p))
            return form;
    return nullptr;
}

TControl* TControl::ParentControl() const {
    for (QWidget* p = self_->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<TForm*>(p))
            return nullptr;
        if (auto* c = dynamic_cast<TControl*>(p))
            return c;
    }
    return nullptr;
}

void TControl::SetColor(const QColor& color) {
    color_ = color;
    ApplyColor(color);
}

QColor TControl::Color() const {
    return color_.isValid() ? color_ : clWindow;
}

void TControl::ApplyColor(const QColor& color) {
    QPalette pal = self_->palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    self_->setPalette(pal);
    self_->setAutoFillBackground(true);
}

void TControl::SetHint(const QString& hint) {
    hint_ = hint;
    self_->setToolTip(showHint_ ? hint : QString());
}

QString TControl::Hint() const {
    return hint_;
}

void TControl::SetShowHint(bool on) {
    showHint_ = on;
    self_->setToolTip(on ? hint_ : QString());
}

void TControl::DoEnter() {
    if (OnEnter)
        OnEnter(self_);
}

void TControl::DoExit() {
    if (OnExit)
        OnExit(self_);
}

TControl* TControl::Of(QWidget* widget) {
    for (QWidget* p = widget; p; p = p->parentWidget()) {
        if (qobject_cast<TForm*>(p))
            return nullptr;
        if (auto* c = dynamic_cast<TControl*>(p); c && !c->IsContainer())
            return c;
    }
    return nullptr;
}

} // namespace host
