#include <host/forms/Form.h>

#include <host/core/EventBoundary.h>
#include <host/core/LongWait.h>
#include <host/forms/Application.h>
#include <host/forms/Control.h>
#include <host/forms/Dialogs.h>
#include <host/forms/HelpWindow.h>

#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace host {

namespace {

// The controls of a container in tab order: Qt's own inner widgets (a page control's stack,
// a scroll box's viewport) are looked through; containers are walked into.
void collectTabOrder(QWidget* parent, QList<QWidget*>& out) {
    QList<QWidget*> kids;
    std::function<void(QWidget*)> gather = [&](QWidget* w) {
        for (QObject* o : w->children()) {
            auto* child = qobject_cast<QWidget*>(o);
            if (!child || child->isWindow())
                continue;
            if (dynamic_cast<TControl*>(child))
                kids.append(child);
            else
                gather(child);
        }
    };
    gather(parent);
    std::stable_sort(kids.begin(), kids.end(), [](QWidget* a, QWidget* b) {
        return dynamic_cast<TControl*>(a)->TabOrder() < dynamic_cast<TControl*>(b)->TabOrder();
    });
    for (QWidget* k : kids) {
        if (dynamic_cast<TControl*>(k)->IsContainer())
            collectTabOrder(k, out);
        else
            out.append(k);
    }
}

} // namespace

TForm::TForm(QWidget* parent) : QWidget(parent), focus_(this) {
    FocusManager::InstallWatcher();
    // The forms were laid out in pixels for an 8-point MS Sans Serif at 96 dots per inch.
    // Liberation Sans (Arial's metrics) is as narrow as that at 11 pixels; the default sans
    // font is about an eighth wider and runs neighbouring labels into each other.
    QFont small = font();
    small.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                       QStringLiteral("Nimbus Sans"), small.family()});
    small.setPixelSize(11);
    setFont(small);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

TForm::~TForm() {
    LongWait::Disarm(this);
}

void TForm::FormCreate(QObject*) {}
void TForm::FormShow(QObject*) {}
void TForm::FormActivate(QObject*) {}
void TForm::FormDeactivate(QObject*) {}
void TForm::FormCloseQuery(QObject*, bool&) {}
void TForm::FormClose(QObject*, TCloseAction&) {}

void TForm::DoCreate() {
    FormCreate(this);
}

void TForm::DoActivate() {
    if (active_)
        return;
    active_ = true;
    FormActivate(this);
}

void TForm::DoDeactivate() {
    if (!active_)
        return;
    active_ = false;
    FormDeactivate(this);
}

void TForm::SetClientSize(int w, int h) {
    if (borderStyle_ == TBorderStyle::bsSizeable)
        resize(w, h);
    else
        setFixedSize(w, h);
}

void TForm::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
    if (style != TBorderStyle::bsSizeable)
        setFixedSize(size());
    applyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
    applyWindowFlags();
}

void TForm::applyWindowFlags() {
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (borderIcons_ & biSystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (borderIcons_ & biMinimize)
        flags |= Qt::WindowMinimizeButtonHint;
    if (borderIcons_ & biMaximize)
        flags |= Qt::WindowMaximizeButtonHint;
    if (subWindow_)
        subWindow_->setWindowFlags(flags | Qt::SubWindow);
    else if (isWindow())
        setWindowFlags(flags | Qt::Window);
}

TWindowState TForm::WindowState() const {
    const Qt::WindowStates s = subWindow_ ? subWindow_->windowState() : windowState();
    if (s & Qt::WindowMinimized)
        return TWindowState::wsMinimized;
    if (s & Qt::WindowMaximized)
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    QWidget* w = subWindow_ ? static_cast<QWidget*>(subWindow_) : this;
    switch (state) {
    case TWindowState::wsNormal:
        w->setWindowState(w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        if (w->isVisible())
            w->showNormal();
        break;
    case TWindowState::wsMinimized:
        w->showMinimized();
        break;
    case TWindowState::wsMaximized:
        w->showMaximized();
        break;
    }
}

void TForm::Show() {
    if (!isVisible() || (subWindow_ && !subWindow_->isVisible()))
        FormShow(this);
    TApplication& app = TApplication::Instance();
    if (formStyle_ == TFormStyle::fsMDIChild && app.MdiArea()) {
        if (!subWindow_) {
            subWindow_ = app.MdiArea()->addSubWindow(this);
            subWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
            subWindow_->setWindowTitle(windowTitle());
            // A form of fixed size stays at the top left of a maximised or tiled window:
            // the sub-window's box layout would centre it, across and down.
            if (auto* box = qobject_cast<QBoxLayout*>(subWindow_->layout())) {
                box->setAlignment(this, Qt::AlignLeft | Qt::AlignTop);
                box->addStretch(1);
            }
            applyWindowFlags();
            subWindow_->adjustSize();
        }
        show();
        subWindow_->show();
        subWindow_->raise();
        app.MdiArea()->setActiveSubWindow(subWindow_);
    } else {
        QMainWindow* main = app.MainWindow();
        // Centred by the client areas, as the modal dialogs are over their owner.
        if (position_ == TPosition::poMainFormCenter && !isVisible() && main && main->isVisible())
            setGeometry(QRect(main->geometry().center() - rect().center(), size()));
        show();
        raise();
        activateWindow();
    }
    shownOnce_ = true;
}

void TForm::Hide() {
    if (active_)
        Guard([this] { DoDeactivate(); });
    if (subWindow_)
        subWindow_->hide();
    else
        hide();
}

void TForm::Release() {
    if (subWindow_)
        subWindow_->deleteLater();
    else
        deleteLater();
}

void TForm::applyAction(TCloseAction action) {
    switch (action) {
    case TCloseAction::caNone:
        break;
    case TCloseAction::caHide:
        Hide();
        break;
    case TCloseAction::caMinimize:
        SetWindowState(TWindowState::wsMinimized);
        break;
    case TCloseAction::caFree:
        Hide();
        Release();
        break;
    }
}

bool TForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return !modal_;
    }
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (!canClose)
        return false;
    TCloseAction action =
        formStyle_ == TFormStyle::fsMDIChild ? TCloseAction::caMinimize : TCloseAction::caHide;
    FormClose(this, action);
    applyAction(action);
    return action != TCloseAction::caNone;
}

int TForm::ShowModal() {
    modal_ = true;
    modalResult_ = mrNone;
    struct Reset {
        TForm* f;
        ~Reset() { f->modal_ = false; }
    } reset{this};
    RunModalForm(*this);
    return modalResult_;
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (!modal_ || result == mrNone)
        return;
    bool canClose = true;
    FormCloseQuery(this, canClose);
    TCloseAction action = TCloseAction::caHide;
    if (canClose)
        FormClose(this, action);
    if (!canClose || action == TCloseAction::caNone) {
        modalResult_ = mrNone;
        return;
    }
    modal_ = false;
    Hide();
    emit modalFinished();
    if (action == TCloseAction::caFree)
        Release();
}

void TForm::SetActiveControl(QWidget* control) {
    focus_.FocusControl(control);
}

QWidget* TForm::FindNextControl(QWidget* current, bool forward, bool checkTabStop) const {
    QList<QWidget*> order;
    collectTabOrder(const_cast<TForm*>(this), order);
    const int n = order.size();
    if (n == 0)
        return nullptr;
    int index = order.indexOf(current);
    if (index < 0)
        index = forward ? -1 : n;
    for (int step = 0; step < n; ++step) {
        index = forward ? (index + 1) % n : (index - 1 + n) % n;
        QWidget* w = order[index];
        if (w == current)
            continue;
        TControl* c = dynamic_cast<TControl*>(w);
        if (c->CanFocus() && (!checkTabStop || c->TabStop()))
            return w;
    }
    return nullptr;
}

void TForm::SelectNext(QWidget* current, bool forward, bool checkTabStop) {
    if (QWidget* next = FindNextControl(current, forward, checkTabStop))
        focus_.FocusControl(next);
}

QObject* TForm::FindComponent(const QString& name) const {
    return findChild<QObject*>(name);
}

bool TForm::focusNextPrevChild(bool next) {
    QWidget* current = ActiveControl();
    Guard([&] { SelectNext(current, next, true); });
    return true;
}

void TForm::closeEvent(QCloseEvent* event) {
    // The close protocol decides; the window system's close only asks for it.
    event->ignore();
    if (closing_)
        return;
    closing_ = true;
    Guard([this] { Close(); });
    closing_ = false;
}

void TForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !subWindow_ && isWindow()) {
        if (isActiveWindow())
            Guard([this] { DoActivate(); });
        else
            Guard([this] { DoDeactivate(); });
    }
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}

void TForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        event->accept();
        Guard([this] { ShowHelp(HelpFile(), HelpContext()); });
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && modal_) {
        // Esc that no control took closes a modal form as its close box does: a dialog
        // without buttons is left from the keyboard too.
        event->accept();
        Guard([this] { Close(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RealignChildren(this);
}

void TForm::RepaintBeforeWait() {
    // Each control asks for its own repaint when it changes; the event loop paints what did.
    // Only a wait that lasts repaints the whole form at once, before it.
    QPointer<TForm> self(this);
    LongWait::Arm(this, [self] {
        if (self)
            self->repaint();
    });
    // Painted by the event loop from its next pass on: nothing left to do for a later wait.
    QTimer::singleShot(0, this, [this] { LongWait::Disarm(this); });
}

} // namespace host
