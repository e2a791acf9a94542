// The suite's main window as a clerk sees it: its title names the suite once, the status bar
// keeps the branch, server and database while the menus show their tips, and a child window
// larger than the main window can be scrolled to.
#include "TestSupport.h"

#include <suite/MainWindow.h>
#include <suite/SignInDialog.h>

#include <server/Accounts.h>

#include <host/baseforms/Frmpadr.h>
#include <host/controls/Menus.h>
#include <host/forms/Application.h>
#include <host/forms/Form.h>
#include <host/forms/PackageLoader.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(JanelaPrincipal, TitleStatusBarAndScrollBars) {
    QApplication::setApplicationDisplayName(QStringLiteral("Suíte ERP"));
    host::PackageLoader pacote(host::PackageLoader::PathFor(QStringLiteral("Pkg_inexistente")));
    suite::MainWindow janela(pacote);
    // The window system adds the application's name to the title.
    EXPECT_EQ(janela.windowTitle(), QStringLiteral("Estoque"));
    EXPECT_FALSE(janela.windowTitle().contains(QApplication::applicationDisplayName()));

    const QString situacao =
        QStringLiteral("Filial 0001  ·  Servidor 127.0.0.1:8080  ·  Banco sqlite:/tmp/est.sqlite");
    janela.SetStatus(situacao);
    janela.resize(400, 300);
    janela.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&janela));
    auto* rotulo = janela.statusBar()->findChild<QLabel*>(QStringLiteral("lblStatus"));
    ASSERT_NE(rotulo, nullptr);
    janela.statusBar()->showMessage(QStringLiteral("Sai da suíte")); // a menu entry's tip
    EXPECT_TRUE(rotulo->isVisible());
    EXPECT_EQ(rotulo->text(), situacao);
    janela.statusBar()->clearMessage();
    janela.SetUser(QStringLiteral("ana"));
    auto* usuario = janela.statusBar()->findChild<QLabel*>(QStringLiteral("lblUsuario"));
    ASSERT_NE(usuario, nullptr);
    EXPECT_EQ(usuario->text(), QStringLiteral("Usuário: ana"));
    EXPECT_TRUE(usuario->isVisible());

    // A screen of 555 x 404 in a main window of 400 x 300.
    auto* tela = new host::TForm;
    tela->SetFormStyle(host::TFormStyle::fsMDIChild);
    tela->SetBorderStyle(host::TBorderStyle::bsSingle);
    tela->SetClientSize(555, 404);
    host::Application->Adopt(tela);
    tela->Show();
    QApplication::processEvents();
    EXPECT_TRUE(janela.Area()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(janela.Area()->verticalScrollBar()->isVisible());
    delete tela->SubWindow();
    host::TApplication::Instance().SetMainWindow(nullptr, nullptr);
}

// A screen that keeps the user's unconfirmed work refuses its close: quitting the suite
// (Arquivo > Sair, the main window's close box) asks it, and its refusal keeps the suite open,
// also when the screen is minimised; once it agrees, the suite closes and the screen is freed.
struct Tela : host::TForm {
    int perguntas = 0;
    bool recusa = true;
    void FormClose(QObject*, host::TCloseAction& Action) override {
        ++perguntas;
        Action = recusa ? host::TCloseAction::caNone : host::TCloseAction::caFree;
    }
};

TEST(JanelaPrincipal, AScreenThatRefusesItsCloseKeepsTheSuiteOpen) {
    host::PackageLoader pacote(host::PackageLoader::PathFor(QStringLiteral("Pkg_inexistente")));
    suite::MainWindow janela(pacote);
    janela.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&janela));
    QPointer<Tela> tela = new Tela;
    tela->SetFormStyle(host::TFormStyle::fsMDIChild);
    host::Application->Adopt(tela);
    tela->Show();
    QApplication::processEvents();

    EXPECT_FALSE(janela.close());
    EXPECT_EQ(tela->perguntas, 1);
    EXPECT_TRUE(tela->SubWindow()->isVisible());
    tela->SetWindowState(host::TWindowState::wsMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(janela.close()) << "a minimised screen is asked and refuses all the same";
    EXPECT_EQ(tela->perguntas, 2);
    EXPECT_TRUE(janela.isVisible());

    tela->recusa = false;
    EXPECT_TRUE(janela.close());
    EXPECT_EQ(tela->perguntas, 3);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tela.isNull());
    host::TApplication::Instance().SetMainWindow(nullptr, nullptr);
}

// Alt and a letter opens the menu of the screen the clerk works in: the main window's menus
// take other letters than a screen's.
TEST(JanelaPrincipal, AltLetterOpensTheScreensMenu) {
    host::PackageLoader pacote(host::PackageLoader::PathFor(QStringLiteral("Pkg_inexistente")));
    suite::MainWindow janela(pacote);
    janela.show();
    janela.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    auto* tela = new host::TfrmPadrao;
    tela->SetFormStyle(host::TFormStyle::fsMDIChild);
    host::Application->Adopt(tela);
    tela->Show();
    QApplication::processEvents();
    tela->pgcPadrao->setFocus();
    QApplication::processEvents();
    for (host::TMenuItem* item : tela->mnuMenu->Items()) {
        if (!item->Action()->menu())
            continue; // an entry without a menu of its own acts at once
        const QString texto = item->Caption();
        const qsizetype e = texto.indexOf('&');
        ASSERT_GE(e, 0) << texto.toStdString();
        QTest::keyClick(QApplication::focusWidget(), texto.at(e + 1).toLower().toLatin1(),
                        Qt::AltModifier);
        QApplication::processEvents();
        auto* aberto = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(aberto, nullptr) << texto.toStdString();
        EXPECT_EQ(aberto->menuAction()->text(), texto);
        aberto->close();
        QApplication::processEvents();
    }
    delete tela->SubWindow();
    host::TApplication::Instance().SetMainWindow(nullptr, nullptr);
}

// "Entrar no sistema" against a real server, by keyboard: a wrong password is told inside the
// dialog, which stays open with the password cleared; the right one signs in.
TEST(JanelaPrincipal, SignInDialogByKeyboard) {
    testsupport::TestServer servidor(testsupport::Backend::Sqlite);
    server::addAccount(servidor.database().session(), "Ana", "senha-da-ana", server::kRoleEstoque);
    suite::SignInDialog dialogo(QStringLiteral("127.0.0.1"), servidor.port());
    EXPECT_EQ(dialogo.windowTitle(), QStringLiteral("Entrar no sistema"));
    dialogo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialogo));
    auto* senha = dialogo.findChild<QLineEdit*>(QStringLiteral("edtSenha"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ANA"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), senha);
    QTest::keyClicks(senha, QStringLiteral("errada"));
    QTest::keyClick(senha, Qt::Key_Return);
    EXPECT_TRUE(dialogo.isVisible());
    EXPECT_EQ(dialogo.findChild<QLabel*>(QStringLiteral("lblAviso"))->text(),
              QStringLiteral("Usuário ou senha inválidos."));
    EXPECT_TRUE(senha->text().isEmpty());
    QTest::keyClicks(senha, QStringLiteral("senha-da-ana"));
    QTest::keyClick(senha, Qt::Key_Return);
    EXPECT_EQ(dialogo.result(), QDialog::Accepted);
    EXPECT_EQ(dialogo.signedIn().user, QStringLiteral("ana"));
    EXPECT_EQ(dialogo.signedIn().token.size(), 64);
}

} // namespace
