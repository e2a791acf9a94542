#include <host/forms/Screen.h>

#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>

#include <QGuiApplication>
#include <QScreen>

namespace host {

TScreen& TScreen::Instance() {
    static TScreen screen;
    return screen;
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_)
        return;
    if (cursor_ != crDefault)
        QGuiApplication::restoreOverrideCursor();
    cursor_ = cursor;
    if (cursor == crHourGlass)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (cursor != crDefault)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
}

TForm* TScreen::ActiveForm() const {
    if (!ModalForms().isEmpty())
        return ModalForms().last();
    TApplication& app = TApplication::Instance();
    QWidget* window = QApplication::activeWindow();
    if (auto* form = qobject_cast<TForm*>(window))
        return form;
    if (window && window == static_cast<QWidget*>(app.MainWindow()))
        return app.ActiveMDIChild();
    if (QWidget* focus = QApplication::focusWidget())
        for (QWidget* p = focus; p; p = p->parentWidget())
            if (auto* form = qobject_cast<TForm*>(p))
                return form;
    return nullptr;
}

QWidget* TScreen::ActiveControl() const {
    TForm* form = ActiveForm();
    return form ? form->ActiveControl() : nullptr;
}

int TScreen::Width() const {
    if (override_.isValid())
        return override_.width();
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    if (override_.isValid())
        return override_.height();
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

} // namespace host
