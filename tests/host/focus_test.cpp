// The focus rules of the host's forms: exit handlers see the new active control, a raising
// exit handler undoes the move, containers raise their own exit, tab order wraps across
// containers and skips what cannot take the focus.
#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>
#include <host/library/MensErro.h>

#include <QTest>

#include <gtest/gtest.h>

using namespace host;

namespace {

struct FocusForm : TForm {
    TPanel* panA;
    TEdit* edtA1;
    TEdit* edtA2;
    TGroupBox* grbB;
    TEdit* edtB1;
    TEdit* edtB2;
    TEdit* edtC; // at the form's level
    TButtonFlat* sbtTool;
    QStringList log;

    FocusForm() {
        resize(400, 300);
        panA = new TPanel(this);
        panA->setObjectName("panA");
        panA->SetBounds(0, 0, 200, 100);
        edtA1 = edit(panA, "edtA1", 10);
        edtA2 = edit(panA, "edtA2", 40);
        grbB = new TGroupBox(this, "B");
        grbB->setObjectName("grbB");
        grbB->SetBounds(0, 110, 200, 100);
        edtB1 = edit(grbB, "edtB1", 20);
        edtB2 = edit(grbB, "edtB2", 50);
        edtC = edit(this, "edtC", 220);
        sbtTool = new TButtonFlat(this, "sbtTool");
        sbtTool->SetBounds(300, 10, 21, 21);
        for (TControl* c : std::initializer_list<TControl*>{panA, grbB})
            track(c);
    }
    TEdit* edit(QWidget* parent, const char* name, int top) {
        auto* e = new TEdit(parent);
        e->setObjectName(name);
        e->SetBounds(10, top, 100, 21);
        track(e);
        return e;
    }
    void track(TControl* c) {
        c->OnEnter = [this, c](QObject*) { log << "enter " + c->Name(); };
        c->OnExit = [this, c](QObject*) {
            log << "exit " + c->Name() + " active=" +
                       (ActiveControl() ? ActiveControl()->objectName() : QString("-"));
        };
    }
};

class FocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new FocusForm;
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        form->edtA1->SetFocus();
        form->log.clear();
    }
    void TearDown() override { delete form; }
    FocusForm* form = nullptr;
    DialogScript dialogs;
};

TEST_F(FocusTest, ExitRunsWithTheNewControlAlreadyActive) {
    form->edtA2->SetFocus();
    EXPECT_EQ(form->log, QStringList({"exit edtA1 active=edtA2", "enter edtA2"}));
    EXPECT_EQ(form->ActiveControl(), form->edtA2);
    EXPECT_EQ(QApplication::focusWidget(), form->edtA2);
}

TEST_F(FocusTest, RaisingExitKeepsTheFocusAndRunsNoHandlerOfTheTarget) {
    form->edtA1->OnExit = [this](QObject*) {
        form->log << "exit edtA1";
        Consiste::MensErro("Descrição deve ser informada.");
    };
    EXPECT_THROW(form->edtB1->SetFocus(), EAbort);
    EXPECT_EQ(form->log, QStringList({"exit edtA1"})); // no container exit, no enter of B
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_EQ(QApplication::focusWidget(), form->edtA1);
    ASSERT_EQ(dialogs.Messages().size(), 1);
    EXPECT_EQ(dialogs.LastMessage(), "Descrição deve ser informada.");

    // The next successful move runs edtA1's exit again: it was never left.
    form->log.clear();
    form->edtA1->OnExit = nullptr;
    form->edtB1->SetFocus();
    EXPECT_EQ(form->log, QStringList({"exit panA active=edtB1", "enter grbB", "enter edtB1"}));
}

TEST_F(FocusTest, ClickOnAnotherControlIsUndoneWhenTheExitRaises) {
    form->edtA1->OnExit = [](QObject*) { throw EHostError("recusado"); };
    QTest::mouseClick(form->edtB2, Qt::LeftButton);
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_EQ(QApplication::focusWidget(), form->edtA1);
    EXPECT_TRUE(form->log.isEmpty()) << form->log.join(", ").toStdString();
    EXPECT_EQ(dialogs.LastMessage(), "recusado"); // shown at the event boundary
}

TEST_F(FocusTest, ContainerExitRunsWhenTheFocusLeavesIt) {
    form->edtA2->SetFocus(); // inside the panel: no container exit
    EXPECT_FALSE(form->log.contains("exit panA active=edtA2"));
    form->log.clear();
    form->edtC->SetFocus();
    EXPECT_EQ(form->log,
              QStringList({"exit edtA2 active=edtC", "exit panA active=edtC", "enter edtC"}));
}

TEST_F(FocusTest, RaisingContainerExitUndoesTheMove) {
    form->panA->OnExit = [](QObject*) { Consiste::MensErro("painel"); };
    EXPECT_THROW(form->edtB2->SetFocus(), EAbort);
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_FALSE(form->log.contains("enter edtB2"));
}

TEST_F(FocusTest, HandlerThatMovesTheFocusEndsTheMoveUnderWay) {
    // A failing check puts the focus back on its control and raises.
    form->edtA1->OnExit = [this](QObject*) {
        form->edtA1->SetFocus();
        Consiste::MensErro("volta", false);
    };
    EXPECT_THROW(form->edtC->SetFocus(), EAbort);
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_EQ(QApplication::focusWidget(), form->edtA1);
    EXPECT_FALSE(form->log.contains("enter edtC"));
}

TEST_F(FocusTest, TabOrderCrossesContainersWrapsAndSkipsWhatCannotTakeTheFocus) {
    form->edtB1->setEnabled(false);
    QStringList visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << form->ActiveControl()->objectName();
    }
    // The tool button takes no focus; edtB1 is disabled.
    EXPECT_EQ(visited, QStringList({"edtA2", "edtB2", "edtC", "edtA1", "edtA2"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(form->ActiveControl(), form->edtC);
}

TEST_F(FocusTest, TabOrderFollowsTheTabOrderProperty) {
    form->edtA1->SetTabOrder(1);
    form->edtA2->SetTabOrder(0);
    EXPECT_EQ(form->FindNextControl(form->edtA2, true, true), form->edtA1);
    EXPECT_EQ(form->FindNextControl(form->edtA1, true, true), form->edtB1);
    EXPECT_EQ(form->FindNextControl(form->edtC, true, true), form->edtA2);
}

TEST_F(FocusTest, ToolButtonClickLeavesTheFocusWhereItWas) {
    int clicks = 0;
    form->sbtTool->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseClick(form->sbtTool, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_TRUE(form->log.isEmpty());
}

} // namespace

namespace {

TEST_F(FocusTest, AControlThatCannotTakeTheFocusIsNotEntered) {
    form->edtB1->setEnabled(false);
    form->edtB1->SetFocus();
    form->grbB->hide();
    form->edtB2->SetFocus();
    EXPECT_EQ(form->ActiveControl(), form->edtA1);
    EXPECT_TRUE(form->log.isEmpty());
}

} // namespace
