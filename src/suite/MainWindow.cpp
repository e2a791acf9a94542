#include <suite/MainWindow.h>

#include <host/core/EventBoundary.h>
#include <host/forms/Application.h>
#include <host/forms/Form.h>

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace suite {

MainWindow::MainWindow(host::PackageLoader& package)
    : package_(package), area_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    // The window system appends the application's name, the suite's, once.
    setWindowTitle(QStringLiteral("Estoque"));
    area_->setObjectName(QStringLiteral("mdiArea"));
    area_->setBackground(QColor(0x80, 0x80, 0x80));
    // A main window smaller than a child window scrolls to it.
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
    // A permanent widget: the menus' status tips pass over it without hiding it.
    if (!status_) {
        status_ = new QLabel(this);
        status_->setObjectName(QStringLiteral("lblStatus"));
        statusBar()->addPermanentWidget(status_, 1);
    }
    status_->setText(text);
}

void MainWindow::SetUser(const QString& name) {
    if (!user_) {
        user_ = new QLabel(this);
        user_->setObjectName(QStringLiteral("lblUsuario"));
        statusBar()->addPermanentWidget(user_);
    }
    user_->setText(QStringLiteral("Usuário: %1").arg(name));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Each child form gets its close protocol; one that refuses (or fails) keeps the suite
    // open, minimised or not. A child form whose close only minimises it does not.
    for (QMdiSubWindow* sub : area_->subWindowList()) {
        auto* form = qobject_cast<host::TForm*>(sub->widget());
        bool closed = false;
        if (form)
            host::Guard([&] { closed = form->Close(); });
        else
            closed = sub->close();
        if (!closed) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace suite
