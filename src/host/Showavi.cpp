#include "Showavi.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace Showavi {

namespace {
QPointer<QFrame> gWindow;
QPointer<QLabel> gText;
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
    window->show();
    // The caller blocks on the server next; paint now, without running the event loop.
    window->repaint();
    gWindow = window;
    gText = label;
}

void DeactiveShowAvi() {
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
