#include "MainWindow.h"

#include "Application.h"
#include "EventBoundary.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QStatusBar>

namespace suite {

MainWindow::MainWindow(host::PackageLoader& package)
    : package_(package), area_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Suíte ERP — Estoque"));
    area_->setObjectName(QStringLiteral("mdiArea"));
    area_->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(area_);

    QMenu* arquivo = menuBar()->addMenu(QStringLiteral("&Arquivo"));
    arquivo->addAction(QStringLiteral("&Sair"), this, &QWidget::close);
    QMenu* estoque = menuBar()->addMenu(QStringLiteral("&Estoque"));
    QAction* amostras = estoque->addAction(QStringLiteral("Amostras para Processamento"));
    amostras->setObjectName(QStringLiteral("actAmostras"));
    connect(amostras, &QAction::triggered, this, [this] { OpenAmostras(); });
    QMenu* janela = menuBar()->addMenu(QStringLiteral("&Janela"));
    janela->addAction(QStringLiteral("&Cascata"), area_, &QMdiArea::cascadeSubWindows);
    janela->addAction(QStringLiteral("&Lado a lado"), area_, &QMdiArea::tileSubWindows);

    host::TApplication::Instance().SetMainWindow(this, area_);
    resize(1024, 700);
}

void MainWindow::OpenAmostras() {
    host::Guard([this] { package_.CallIniProc(); });
}

void MainWindow::SetStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Each child form gets its close protocol; one that refuses keeps the suite open.
    for (QMdiSubWindow* sub : area_->subWindowList()) {
        sub->close();
        if (sub->isVisible() && !sub->isMinimized()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace suite
