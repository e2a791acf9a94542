// Masked edits under the keyboard and the mouse: however the focus arrives (the form's first
// showing, Tab, a click), typing must land in the blanks; Qt refuses anything typed past them.
#include <host/baseforms/Frmrotgeral.h>
#include <host/controls/MaskEdit.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Dialogs.h>
#include <host/library/Consiste.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace host;
using dataset::FieldType;

namespace {

// A click in the edit's blank area, well past any typed text.
void clickPastText(QLineEdit* edit) {
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 6, edit->height() / 2));
}

// The filter dialogs' sample-number range: ten optional digits shown as spaces, zero-padded
// by the exit handlers.
class RangeDialog : public TfrmRotiGeral {
public:
    RangeDialog() {
        lblCodTela->SetCaption(QStringLiteral("EST25200"));
        grbDadosRel->SetBounds(0, 0, 429, 180);
        medDe = range(28, 0);
        medAte = range(154, 1);
        medProduto = new TMaskEdit(grbDadosRel);
        medProduto->SetEditMask(QStringLiteral("9.99.999;0;_"));
        medProduto->SetBounds(28, 60, 97, 21);
        medProduto->SetTabOrder(2);
    }
    TMaskEdit* range(int left, int tabOrder) {
        auto* med = new TMaskEdit(grbDadosRel);
        med->SetEditMask(QStringLiteral("9999999999;0; "));
        med->SetMaxLength(10);
        med->SetBounds(left, 17, 90, 21);
        med->SetTabOrder(tabOrder);
        med->OnExit = [med](QObject*) { med->SetText(Consiste::Ajusta(med->Text(), 10)); };
        return med;
    }
    TMaskEdit* medDe;
    TMaskEdit* medAte;
    TMaskEdit* medProduto;
};

class MaskedEditTyping : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    DialogScript dialogs;
    RangeDialog dialog;
};

TEST_F(MaskedEditTyping, TheFirstFieldTakesDigitsAtTheFormsFirstShowing) {
    ASSERT_EQ(QApplication::focusWidget(), dialog.medDe);
    QTest::keyClicks(QApplication::focusWidget(), "5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog.ActiveControl(), dialog.medAte);
    EXPECT_EQ(dialog.medDe->Text(), "0000000005");
}

TEST_F(MaskedEditTyping, AClickPastTheTypedTextTypesRightAfterIt) {
    clickPastText(dialog.medAte); // empty: the cursor goes to the first position
    EXPECT_EQ(dialog.medAte->cursorPosition(), 0);
    QTest::keyClicks(dialog.medAte, "5");
    clickPastText(dialog.medAte);
    EXPECT_EQ(dialog.medAte->cursorPosition(), 1);
    QTest::keyClicks(dialog.medAte, "7");
    EXPECT_EQ(dialog.medAte->Text(), "57");
    clickPastText(dialog.medDe); // the exit pads the field left
    EXPECT_EQ(dialog.medAte->Text(), "0000000057");
    QTest::keyClicks(dialog.medDe, "3");
    QTest::keyClick(dialog.medDe, Qt::Key_Tab);
    EXPECT_EQ(dialog.medDe->Text(), "0000000003");

    // A click inside the typed text keeps its place.
    QTest::mouseClick(dialog.medAte, Qt::LeftButton, {}, QPoint(4, dialog.medAte->height() / 2));
    EXPECT_EQ(dialog.medAte->cursorPosition(), 0);
}

TEST_F(MaskedEditTyping, ProductCodesSkipTheLiteralsWhereverTheFocusCameFrom) {
    clickPastText(dialog.medProduto);
    QTest::keyClicks(dialog.medProduto, "12");
    EXPECT_EQ(dialog.medProduto->displayText(), "1.2_.___");
    clickPastText(dialog.medProduto);
    EXPECT_EQ(dialog.medProduto->cursorPosition(), 3);
    QTest::keyClicks(dialog.medProduto, "3456");
    EXPECT_EQ(dialog.medProduto->Text(), "123456");

    // Arriving by Tab selects the whole code: typing replaces it.
    dialog.medAte->SetFocus();
    QTest::keyClick(dialog.medAte, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog.medProduto);
    EXPECT_EQ(dialog.medProduto->selectedText(), "1.23.456");
    QTest::keyClicks(dialog.medProduto, "2");
    EXPECT_EQ(dialog.medProduto->displayText(), "2.__.___");
}

TEST_F(MaskedEditTyping, TheScreenCodeFitsTheNarrowPanel) {
    QLabel* code = dialog.lblCodTela;
    EXPECT_EQ(dialog.panMenu->x(), 429); // beside the criteria box, not over it
    EXPECT_LE(code->fontMetrics().horizontalAdvance(code->text()), code->contentsRect().width());
    const QRect inPanel(code->mapTo(dialog.panMenu, QPoint(0, 0)), code->size());
    EXPECT_TRUE(dialog.panMenu->contentsRect().contains(inPanel));
}

// The data-aware edit shows the field's edit mask only while it has the focus, so the mask
// arrives with the click itself.
TEST(MaskedDBEdit, AClickInTheBlanksOfAnEmptyFieldTypesFromTheStart) {
    TForm form;
    DialogScript dialogs;
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("CDARVPROD", FieldType::String, 6)->setEditMask("9.99.999;0;_");
    cds->addField("DSAMOSTRA", FieldType::String, 20);
    cds->createDataSet();
    auto* dts = new dataset::DataSource(cds, &form);
    auto* dbeDesc = new TDBEdit(&form);
    dbeDesc->SetBounds(10, 10, 150, 21);
    dbeDesc->SetDataSource(dts);
    dbeDesc->SetDataField("DSAMOSTRA");
    auto* dbeCodigo = new TDBEdit(&form);
    dbeCodigo->SetBounds(10, 40, 150, 21);
    dbeCodigo->SetDataSource(dts);
    dbeCodigo->SetDataField("CDARVPROD");
    cds->append();
    form.resize(200, 100);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    clickPastText(dbeCodigo);
    ASSERT_EQ(QApplication::focusWidget(), dbeCodigo);
    QTest::keyClicks(dbeCodigo, "101");
    EXPECT_EQ(dbeCodigo->displayText(), "1.01.___");
    clickPastText(dbeCodigo);
    EXPECT_EQ(dbeCodigo->cursorPosition(), 5);
    QTest::keyClicks(dbeCodigo, "001");
    QTest::keyClick(dbeCodigo, Qt::Key_Tab);
    EXPECT_EQ(cds->fieldByName("CDARVPROD")->asString(), "101001");
}

// A mask limits the text by itself; once it is cleared (a tax id of unknown type shows without
// one) the edit takes no more than its own maximum length, or than its field holds.
TEST(MaskedEditLength, AClearedMaskKeepsTheDeclaredOrTheFieldsLength) {
    TForm form;
    DialogScript dialogs;
    auto* medFornecedor = new TMaskEdit(&form);
    medFornecedor->SetBounds(10, 10, 150, 21);
    medFornecedor->SetMaxLength(20);
    medFornecedor->SetEditMask(QStringLiteral(">aaaaaaaaaaaaaaaaaaaa;0; "));
    medFornecedor->SetEditMask(QStringLiteral("999.999.999-99;0;_"));
    medFornecedor->SetEditMask(QString());

    auto* cds = new dataset::ClientDataSet(&form);
    dataset::Field* insc = cds->addField("NRINSJURNF", FieldType::String, 14);
    insc->setEditMask("999.999.999-99;0;_");
    cds->createDataSet();
    cds->append();
    auto* dts = new dataset::DataSource(cds, &form);
    auto* dbeInsc = new TDBEdit(&form);
    dbeInsc->SetBounds(10, 40, 150, 21);
    dbeInsc->SetDataSource(dts);
    dbeInsc->SetDataField("NRINSJURNF");
    form.resize(200, 100);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    medFornecedor->setFocus();
    QTest::keyClicks(medFornecedor, QString(25, QLatin1Char('7')));
    EXPECT_EQ(medFornecedor->Text(), QString(20, QLatin1Char('7')));

    dbeInsc->SetFocus();
    insc->setEditMask(QString());
    dbeInsc->selectAll();
    QTest::keyClicks(dbeInsc, QStringLiteral("12ABC345XYZ0001234"));
    EXPECT_EQ(dbeInsc->text(), QStringLiteral("12ABC345XYZ000"));
}

} // namespace
