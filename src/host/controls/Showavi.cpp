#include <host/controls/Showavi.h>

#include <host/core/DisplayBatch.h>

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
QPointer<QLabel> gText;
bool gWaitCursor = false;
} // namespace

void ActiveShowAvi(QWidget* form, TShowAvi, const QString& text) {
    DeactiveShowAvi();
    QWidget* owner = form ? form->window() : nullptr;
    auto* window = new QFrame(owner, Qt::Tool | Qt::FramelessWindowHint);
    window->setObjectName(QStringLiteral("frmShowAvi"));
    window->setFrameStyle(QFrame::Panel | QFrame::Raised);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(window);
    auto* label = new QLabel(text, window);
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
    // The caller blocks on the server next: the window system maps the window (and takes down
    // a menu just closed) only through the event loop, so it runs here, briefly and without
    // user input, until the window can be painted.
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    while (window->windowHandle() && !window->windowHandle()->isExposed() &&
           waited.elapsed() < 250);
    window->repaint();
    gWindow = window;
    gText = label;
}

void DeactiveShowAvi() {
    if (gWaitCursor) {
        QGuiApplication::restoreOverrideCursor();
        gWaitCursor = false;
    }
    if (gWindow) {
        gWindow->hide();
        delete gWindow.data();
    }
    gWindow = nullptr;
    gText = nullptr;
}

QString ShowAviText() {
    return gText ? gText->text() : QString();
}

} // namespace Showavi
