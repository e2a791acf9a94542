// The message hook: every key bound for the focused control passes through MsgEventForm
// first; a rewritten key reaches the control in place of the original, 0 consumes it.
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/core/VirtualKeys.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>
#include <host/library/Quorvan.h>

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace host;
using Quorvan::MsgEventForm;
using Quorvan::tagMSG;

namespace {

class KeyHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        Quorvan::InstallMessageHook();
        form.resize(300, 200);
        for (int i = 0; i < 3; ++i) {
            edits[i] = new TEdit(&form);
            edits[i]->setObjectName(QStringLiteral("edt%1").arg(i));
            edits[i]->SetBounds(10, 10 + 30 * i, 120, 21);
        }
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        edits[0]->SetFocus();
    }
    void TearDown() override { MsgEventForm = nullptr; }
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), mods);
    }
    // The sample screen's conventions, in short: Enter acts as Tab unless Ctrl is held, a
    // point becomes a comma, Page Down is consumed.
    void installScreenHook() {
        MsgEventForm = [this](tagMSG& msg, bool&) {
            ++seen;
            if (msg.message != Quorvan::WM_KEYDOWN)
                return;
            if (msg.wParam == VK_RETURN && !(msg.shift & Qt::ControlModifier))
                msg.wParam = VK_TAB;
            else if (msg.wParam == VK_OEM_PERIOD || msg.wParam == VK_DECIMAL)
                msg.wParam = VK_OEM_COMMA;
            else if (msg.wParam == VK_NEXT)
                msg.wParam = 0;
        };
    }

    TForm form;
    TEdit* edits[3] = {};
    DialogScript dialogs;
    int seen = 0;
};

TEST_F(KeyHookTest, EnterRewrittenToTabMovesToTheNextControlAndCtrlEnterStays) {
    installScreenHook();
    QStringList exits;
    edits[0]->OnExit = [&](QObject*) { exits << "edt0"; };
    press(Qt::Key_Return);
    EXPECT_EQ(form.ActiveControl(), edits[1]);
    EXPECT_EQ(exits, QStringList({"edt0"}));
    QSignalSpy returns(edits[1], &QLineEdit::returnPressed);
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form.ActiveControl(), edits[1]);
    EXPECT_EQ(returns.count(), 1); // the Enter key itself reached the edit
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(form.ActiveControl(), edits[2]);
    EXPECT_GT(seen, 0);
}

TEST_F(KeyHookTest, PointTypedBecomesACommaAndAConsumedKeyReachesNothing) {
    installScreenHook();
    QTest::keyClicks(edits[0], "1.5");
    EXPECT_EQ(edits[0]->text(), "1,5");
    QTest::keyClick(edits[0], Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(edits[0]->text(), "1,5,");
    int downs = 0;
    edits[0]->OnKeyDown = [&](QObject*, int&, TShiftState) { ++downs; };
    press(Qt::Key_PageDown);
    EXPECT_EQ(downs, 0);
    press(Qt::Key_Left);
    EXPECT_EQ(downs, 1);
}

TEST_F(KeyHookTest, HookMayMoveTheFocusAndLeaveTheKeyToTheControlThatHadIt) {
    QList<int> keysAtEdt1;
    edits[1]->OnKeyDown = [&](QObject*, int& key, TShiftState) { keysAtEdt1 << key; };
    edits[1]->SetFocus();
    MsgEventForm = [this](tagMSG& msg, bool&) {
        if (msg.message == Quorvan::WM_KEYDOWN && msg.wParam == VK_UP)
            form.SelectNext(form.ActiveControl(), false, true);
    };
    press(Qt::Key_Up);
    EXPECT_EQ(form.ActiveControl(), edits[0]);
    EXPECT_EQ(keysAtEdt1, QList<int>({VK_UP}));
}

TEST_F(KeyHookTest, WithoutHookKeysAreDispatchedAsUsual) {
    installScreenHook();
    MsgEventForm = nullptr;
    QTest::keyClicks(edits[0], "1.5");
    press(Qt::Key_Return);
    EXPECT_EQ(edits[0]->text(), "1.5");
    EXPECT_EQ(form.ActiveControl(), edits[0]);
}

TEST_F(KeyHookTest, AnErrorInTheHookIsShownAndTheKeyGoesOn) {
    MsgEventForm = [](tagMSG&, bool&) { throw EHostError("falha no gancho"); };
    QTest::keyClicks(edits[0], "a");
    EXPECT_EQ(edits[0]->text(), "a");
    EXPECT_EQ(dialogs.LastMessage(), "falha no gancho");
}

TEST(VirtualKeys, TranslateBothWays) {
    QKeyEvent period(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, ".");
    QKeyEvent keypadPoint(QEvent::KeyPress, Qt::Key_Period, Qt::KeypadModifier, ".");
    QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    EXPECT_EQ(virtualKeyOf(period), VK_OEM_PERIOD);
    EXPECT_EQ(virtualKeyOf(keypadPoint), VK_DECIMAL);
    EXPECT_EQ(virtualKeyOf(pageUp), VK_PRIOR);
    EXPECT_EQ(qtKeyOf(VK_TAB, Qt::ShiftModifier).key, Qt::Key_Backtab);
    const QtKey comma = qtKeyOf(VK_OEM_COMMA, Qt::KeypadModifier);
    EXPECT_EQ(comma.key, Qt::Key_Comma);
    EXPECT_EQ(comma.text, ",");
    EXPECT_FALSE(comma.modifiers.testFlag(Qt::KeypadModifier));
}

} // namespace
