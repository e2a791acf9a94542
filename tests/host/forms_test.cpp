// The life of a form: the close protocol and its actions, modal results, child windows of
// the main window with their activation, window state and border icons.
#include <host/baseforms/Frmrotgeral.h>
#include <host/controls/MaskEdit.h>
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>
#include <host/forms/Screen.h>

#include <QAbstractButton>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace host;

namespace {

struct LifeForm : TForm {
    QStringList log;
    bool allowClose = true;
    TCloseAction action = TCloseAction::caHide;
    bool failClose = false;
    void FormActivate(QObject*) override { log << "activate"; }
    void FormDeactivate(QObject*) override { log << "deactivate"; }
    void FormShow(QObject*) override { log << "show"; }
    void FormCloseQuery(QObject*, bool& canClose) override {
        log << "closequery";
        canClose = allowClose;
    }
    void FormClose(QObject*, TCloseAction& a) override {
        log << "close";
        if (failClose)
            throw EHostError("Somatório das quantidades difere.");
        a = action;
    }
};

TEST(FormLife, CloseProtocolAndItsActions) {
    DialogScript dialogs;
    QPointer<LifeForm> form = new LifeForm;
    form->Show();
    EXPECT_TRUE(form->isVisible());

    form->allowClose = false;
    form->Close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->log.contains("close"));

    form->allowClose = true;
    form->action = TCloseAction::caNone;
    form->Close();
    EXPECT_TRUE(form->isVisible());

    // The window system's close asks for the same protocol; an error keeps the form open.
    form->failClose = true;
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(dialogs.LastMessage(), "Somatório das quantidades difere.");

    form->failClose = false;
    form->action = TCloseAction::caHide;
    form->Close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_FALSE(form.isNull());

    form->action = TCloseAction::caFree;
    form->Show();
    form->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(FormLife, ModalResultEndsTheModalShowUnlessTheCloseIsRefused) {
    DialogScript dialogs;
    LifeForm form;
    dialogs.OnModal([](TForm& f) {
        auto& lf = dynamic_cast<LifeForm&>(f);
        EXPECT_TRUE(lf.Modal());
        EXPECT_EQ(Screen->ActiveForm(), &lf);
        lf.allowClose = false;
        lf.SetModalResult(mrOk); // refused: stays modal
        EXPECT_TRUE(lf.Modal());
        EXPECT_EQ(lf.ModalResult(), mrNone);
        lf.allowClose = true;
        lf.SetModalResult(mrYes);
    });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_FALSE(form.Modal());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(ModalForms().isEmpty());
    EXPECT_EQ(form.log.first(), "show");
    EXPECT_TRUE(form.log.contains("activate"));
    EXPECT_EQ(form.log.last(), "deactivate");
}

class MdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setCentralWidget(area);
        window.resize(900, 700);
        TApplication::Instance().SetMainWindow(&window, area);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override {
        TApplication::Instance().SetMainWindow(nullptr, nullptr);
        Screen->SetDisplaySize(QSize());
    }
    LifeForm* child(const QString& caption) {
        auto* f = new LifeForm;
        f->SetFormStyle(TFormStyle::fsMDIChild);
        f->SetCaption(caption);
        f->SetClientSize(300, 200);
        Application->Adopt(f);
        return f;
    }
    QMainWindow window;
    QMdiArea* area = new QMdiArea;
    DialogScript dialogs;
};

TEST_F(MdiTest, ChildFormsLiveInTheAreaAndFollowItsActivation) {
    LifeForm* a = child("A");
    LifeForm* b = child("B");
    a->Show();
    ASSERT_NE(a->SubWindow(), nullptr);
    EXPECT_EQ(area->subWindowList().size(), 1);
    EXPECT_EQ(Application->ActiveMDIChild(), a);
    EXPECT_EQ(Screen->ActiveForm(), a);
    b->Show();
    EXPECT_EQ(Application->ActiveMDIChild(), b);
    EXPECT_EQ(a->log, QStringList({"show", "activate", "deactivate"}));
    a->Show(); // a second show brings it to the front, it is not shown anew
    EXPECT_EQ(a->log, QStringList({"show", "activate", "deactivate", "activate"}));
    EXPECT_EQ(area->subWindowList().size(), 2);

    // A modal dialog in front does not deactivate the child.
    LifeForm dialog;
    dialogs.OnModal([&](TForm&) { EXPECT_EQ(Screen->ActiveForm(), &dialog); });
    a->log.clear();
    dialog.ShowModal();
    EXPECT_TRUE(a->log.isEmpty()) << a->log.join(",").toStdString();
    EXPECT_EQ(Screen->ActiveForm(), a);

    delete a->SubWindow();
    delete b->SubWindow();
}

TEST_F(MdiTest, WindowStateAndBorderIcons) {
    LifeForm* f = child("C");
    f->Show();
    f->SetWindowState(TWindowState::wsMinimized);
    EXPECT_EQ(f->WindowState(), TWindowState::wsMinimized);
    f->SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(f->WindowState(), TWindowState::wsNormal);
    f->SetBorderIcons(biSystemMenu);
    EXPECT_FALSE(f->SubWindow()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    f->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
    EXPECT_TRUE(f->SubWindow()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(f->SubWindow()->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(f->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
    delete f->SubWindow();
}

// A screen has a fixed size: maximised or tiled, its content stays at the top left.
TEST_F(MdiTest, AMaximisedOrTiledFormKeepsItsContentAtTheTopLeft) {
    LifeForm* f = child("A");
    f->SetBorderStyle(TBorderStyle::bsSingle);
    f->SetClientSize(300, 200);
    f->Show();
    QMdiSubWindow* sub = f->SubWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(f->pos(), sub->contentsRect().topLeft());
    sub->showMaximized();
    QApplication::processEvents();
    ASSERT_GT(sub->width(), 600);
    EXPECT_EQ(f->pos(), sub->contentsRect().topLeft());
    sub->showNormal();
    LifeForm* g = child("B");
    g->Show();
    area->tileSubWindows();
    QApplication::processEvents();
    EXPECT_EQ(f->pos(), sub->contentsRect().topLeft());
    delete g->SubWindow();
    delete sub;
}

// A form placed at the main form's centre shows there, whatever window is active.
TEST_F(MdiTest, AFormPlacedAtTheMainFormsCentreShowsThere) {
    window.move(40, 30);
    LifeForm dialogo;
    dialogo.SetClientSize(466, 134);
    dialogo.SetPosition(TPosition::poMainFormCenter);
    dialogo.Show();
    EXPECT_EQ(dialogo.geometry().center(), window.geometry().center());
    dialogo.Hide();
}

TEST_F(MdiTest, DestroyFormsFreesEveryFormStillAlive) {
    QPointer<LifeForm> f = child("D");
    f->Show();
    QPointer<LifeForm> g = child("E");
    Application->DestroyForms();
    EXPECT_TRUE(f.isNull());
    EXPECT_TRUE(g.isNull());
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

} // namespace

namespace {

// The desktop side of the seam, driven by timers instead of a person.
TEST(DesktopDialogs, MessageBoxReturnsTheButtonPressed) {
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Cancelar operação?");
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "&Sim")
                b->click();
    });
    EXPECT_EQ(MessageDlg("Cancelar operação?", TMsgDlgType::mtConfirmation, mbYesNo), mrYes);
}

// Enter answers the default button named: No for a question whose Yes destroys work.
TEST(DesktopDialogs, EnterPressesTheDefaultButtonNamed) {
    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    EXPECT_EQ(MessageDlg("Excluir?", TMsgDlgType::mtConfirmation, mbYesNo, 0, mbNo), mrNo);
}

TEST(DesktopDialogs, ModalFormRunsUntilItsResultIsSet) {
    LifeForm form;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(form.Modal());
        EXPECT_EQ(Screen->ActiveForm(), &form);
        form.SetModalResult(mrOk);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.isVisible());
    QTimer::singleShot(0, [&] { form.close(); }); // the window's close button cancels
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

} // namespace

namespace {

// The keyboard goes back to the window the user worked in when a modal form or message box
// closes (the clerk types on in the screen after confirming its filter dialog); without a
// window manager nothing else gives it back.
TEST(DesktopDialogs, TheWindowBehindAModalWindowGetsTheKeyboardBack) {
    TForm screen;
    auto* edt = new TEdit(&screen);
    edt->SetBounds(10, 10, 100, 21);
    screen.resize(200, 100);
    screen.show();
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    ASSERT_EQ(QApplication::focusWidget(), edt);
    const auto typingGoesToTheEdit = [&] {
        return QTest::qWaitFor([&] {
            return QApplication::activeWindow() == &screen && QApplication::focusWidget() == edt;
        });
    };

    LifeForm dialog;
    QTimer::singleShot(0, [&] {
        QApplication::processEvents(); // the dialog's activation arrives
        dialog.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(typingGoesToTheEdit());

    QTimer::singleShot(0, [] {
        QApplication::processEvents();
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(0);
    });
    MessageDlg("Amostra gravada.", TMsgDlgType::mtInformation, mbOK);
    EXPECT_TRUE(typingGoesToTheEdit());
}

// Opened from the command line, the screen asks for its filter before the main window's
// activation has come in; once the filter is confirmed the keyboard is in the main window all
// the same.
TEST(DesktopDialogs, AModalWindowAtStartUpGivesTheKeyboardToTheMainWindow) {
    QMainWindow window;
    auto* edt = new TEdit(&window);
    window.setCentralWidget(edt);
    window.resize(300, 200);
    TApplication::Instance().SetMainWindow(&window, nullptr);
    window.show(); // its activation is not awaited
    ASSERT_EQ(QApplication::activeWindow(), nullptr);

    LifeForm dialog;
    QTimer::singleShot(0, [&] {
        QApplication::processEvents();
        dialog.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return QApplication::activeWindow() == &window && QApplication::focusWidget() == edt;
    }));
    TApplication::Instance().SetMainWindow(nullptr, nullptr);
}

} // namespace

namespace {

// The filter dialog of a screen, opened again and again: it comes up in the same place each
// time, Esc closes it as its close button does, and F1 or its help button on a context without
// a page says so.
TEST(DesktopDialogs, AParameterDialogOpensInTheSamePlaceAndEscClosesIt) {
    TForm screen;
    screen.resize(640, 480);
    screen.show();
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));

    TfrmRotiGeral dialog;
    auto* edt = new TMaskEdit(dialog.grbDadosRel);
    edt->SetEditMask(QStringLiteral("9999999999;0; "));
    edt->SetBounds(10, 20, 90, 21);
    QList<QRect> places;
    for (int opening = 0; opening < 3; ++opening) {
        QTimer::singleShot(0, [&] {
            QApplication::processEvents();
            places << dialog.geometry();
            edt->SetFocus();
            QTest::keyClick(edt, Qt::Key_Escape);
            if (dialog.Modal()) // Esc did not close it: let the test go on
                dialog.SetModalResult(mrOk);
        });
        EXPECT_EQ(dialog.ShowModal(), mrCancel) << "Esc closes it, as its close button";
        EXPECT_FALSE(dialog.isVisible());
    }
    ASSERT_EQ(places.size(), 3);
    EXPECT_EQ(places[1], places[0]);
    EXPECT_EQ(places[2], places[0]);
    EXPECT_EQ(places[0].center(), screen.geometry().center());

    DialogScript script;
    dialog.SetHelpFile(QStringLiteral("Dfehelp.hlp"));
    dialog.SetHelpContext(99999999);
    dialog.sbtAjuda->Click();
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Não há página de ajuda para esta janela "
                                                   "(arquivo Dfehelp.hlp, contexto 99999999)."));
    script.Clear();
    QTest::keyClick(&screen, Qt::Key_F1);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Não há página de ajuda para esta janela (arquivo -, contexto 0)."));
}

} // namespace
