#include <host/controls/Showavi.h>

#include <host/core/DisplayBatch.h>
#include <host/core/LongWait.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

namespace Showavi {

namespace {
QPointer<QFrame> gWindow;
QPointer<QWidget> gForm;
QString gText;
bool gWaitCursor = false;

void show() {
    QWidget* form = gForm.data();
    QWidget* owner = form ? form->window() : nullptr;
    auto* window = new QFrame(owner, Qt::Tool | Qt::FramelessWindowHint);
    window->setObjectName(QStringLiteral("frmShowAvi"));
    window->setFrameStyle(QFrame::Panel | QFrame::Raised);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(window);
    auto* label = new QLabel(gText, window);
    label->setAlignment(Qt::AlignCenter);
    auto* bar = new QProgressBar(window);
    bar->setRange(0, 0); // busy
    bar->setTextVisible(false);
    layout->addWidget(label);
    layout->addWidget(bar);
    window->resize(qMax(320, label->sizeHint().width() + 40), 80);
    if (form) {
        const QPoint centre = form->mapToGlobal(form->rect().center());
        window->move(centre - QPoint(window->width() / 2, window->height() / 2));
    }
    host::DisplayBatch::ShowPending();
    window->show();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    gWaitCursor = true;
    gWindow = window;
    // The caller goes on waiting for the server: the window system maps the window (and takes
    // down a menu just closed) only through the event loop, so it runs here, briefly and
    // without user input, until the window can be painted.
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    while (window->windowHandle() && !window->windowHandle()->isExposed() &&
           waited.elapsed() < 250);
    window->repaint();
}
} // namespace

void ActiveShowAvi(QWidget* form, TShowAvi, const QString& text) {
    DeactiveShowAvi();
    gForm = form;
    gText = text;
    host::LongWait::Arm(&gWindow, show); // runs once, and never after DeactiveShowAvi
}

void DeactiveShowAvi() {
    host::LongWait::Disarm(&gWindow);
    gText.clear();
    gForm = nullptr;
    if (gWaitCursor) {
        QGuiApplication::restoreOverrideCursor();
        gWaitCursor = false;
    }
    if (gWindow) {
        gWindow->hide();
        delete gWindow.data();
    }
    gWindow = nullptr;
}

QString ShowAviText() {
    return gText;
}

QWidget* ShownWindow() {
    return gWindow.data();
}

} // namespace Showavi
