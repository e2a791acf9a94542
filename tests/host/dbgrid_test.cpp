// The data-aware grid: column exit that refuses the move, in-place editing and the text still
// being typed, keys of the grid (append, insert, delete), the key-down handler first, cell
// painting after the default painting, pick lists and the ellipsis button.
#include "Pixels.h"

#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/core/VirtualKeys.h>
#include <host/dbcontrols/CellImageCache.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/dbcontrols/GridText.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>

#include <dataset/ClientDataSet.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace host;
using dataset::DataSetState;
using dataset::FieldType;

namespace {

class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataset::FormatSettings::setDecimalSeparator(',');
        dataset::FormatSettings::setThousandSeparator('.');
        cds = new dataset::ClientDataSet(&form);
        cds->addField("CDARVPROD", FieldType::String, 20);
        cds->addField("NMPRODUTO", FieldType::String, 50);
        cds->addField("QTPRODGERADO", FieldType::Float)->setDisplayFormat("###0.000");
        cds->addField("IDPRODPRINC", FieldType::String, 1);
        cds->createDataSet();
        for (auto [code, name, qt] :
             {std::tuple{"101001", "Farelo", 10.0}, std::tuple{"101002", "Oleo", 5.5}}) {
            cds->append();
            cds->fieldByName("CDARVPROD")->setAsString(code);
            cds->fieldByName("NMPRODUTO")->setAsString(name);
            cds->fieldByName("QTPRODGERADO")->setAsFloat(qt);
            cds->post();
        }
        cds->first();
        dts = new dataset::DataSource(cds, &form);

        form.resize(600, 300);
        grid = new TDBGrid(&form);
        grid->setObjectName("dbgItens");
        grid->SetBounds(0, 0, 520, 200);
        grid->SetOptions(dgEditing | dgTitles | dgColLines | dgRowLines | dgTabs);
        grid->SetDataSource(dts);
        grid->AddColumn("CDARVPROD", 100, "Código");
        grid->AddColumn("NMPRODUTO", 246, "Nome")->SetReadOnly(true);
        grid->AddColumn("QTPRODGERADO", 84, "Quantidade")->SetAlignment(TAlignment::taRightJustify);
        grid->AddColumn("IDPRODPRINC", 45, "Principal")->SetPickList({"Sim", "Não"});
        other = new TEdit(&form);
        other->setObjectName("edtOutro");
        other->SetBounds(0, 220, 100, 21);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        grid->SetFocus();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    // Types as a person does: each key goes to whatever has the focus at that moment.
    void type(const QString& text) {
        for (QChar c : text)
            QTest::keyClick(focused(), c.toLatin1());
    }

    TForm form;
    DialogScript dialogs;
    dataset::ClientDataSet* cds = nullptr;
    dataset::DataSource* dts = nullptr;
    TDBGrid* grid = nullptr;
    TEdit* other = nullptr;
};

TEST_F(DBGridTest, TitlesWidthsAndNoIndicator) {
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Código");
    EXPECT_EQ(grid->columnWidth(1), 246);
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(grid->model()->index(1, 2).data().toString(), "5,500");
}

TEST_F(DBGridTest, ColumnExitThatRaisesRefusesTheMove) {
    QStringList log;
    bool refuse = true;
    grid->OnColExit = [&](QObject*) {
        log << "exit " + QString::number(grid->SelectedIndex());
        if (refuse)
            throw EAbort();
    };
    grid->OnColEnter = [&](QObject*) { log << "enter " + QString::number(grid->SelectedIndex()); };
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(grid->currentIndex().column(), 0);
    EXPECT_EQ(log, QStringList({"exit 0"}));
    refuse = false;
    QTest::keyClick(grid, Qt::Key_Tab); // over the read-only name, to the next cell to fill
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(log, QStringList({"exit 0", "exit 0", "enter 2"}));
}

TEST_F(DBGridTest, TypingEditsInPlaceAndTheTextStillBeingTypedIsReadable) {
    grid->SetSelectedIndex(2);
    type("3,5");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(cds->state(), DataSetState::Edit);
    EXPECT_EQ(Consiste::GridText(grid, "QTPRODGERADO", false), "3,5");
    EXPECT_DOUBLE_EQ(cds->fieldByName("QTPRODGERADO")->asFloat(), 10.0); // not yet written
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_DOUBLE_EQ(cds->fieldByName("QTPRODGERADO")->asFloat(), 3.5);
    EXPECT_EQ(grid->SelectedIndex(), 3);
}

TEST_F(DBGridTest, ColumnExitReadsTheCodeTypedInTheCell) {
    QString seen;
    grid->OnColExit = [&](QObject*) { seen = cds->fieldByName("CDARVPROD")->asString(); };
    type("202001");
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(seen, "202001");
}

TEST_F(DBGridTest, ReadOnlyColumnDoesNotEdit) {
    grid->SetSelectedIndex(1);
    type("x");
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(cds->state(), DataSetState::Browse);
}

TEST_F(DBGridTest, DownOnTheLastRowAppendsOnceAndInsertInserts) {
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(cds->recNo(), 2);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(cds->state(), DataSetState::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    QTest::keyClick(grid, Qt::Key_Down); // the new row is untouched: no second one
    EXPECT_EQ(grid->model()->rowCount(), 3);
    QTest::keyClick(grid, Qt::Key_Up); // leaving an untouched new row drops it
    EXPECT_EQ(cds->state(), DataSetState::Browse);
    EXPECT_EQ(cds->recordCount(), 2);
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(cds->state(), DataSetState::Insert);
}

TEST_F(DBGridTest, CtrlDeleteDeletesWithoutAQuestionOfItsOwn) {
    int beforeDelete = 0;
    cds->beforeDelete = [&](dataset::ClientDataSet&) { ++beforeDelete; };
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(beforeDelete, 1);
    EXPECT_EQ(cds->recordCount(), 1);
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    QTest::keyClick(grid, Qt::Key_Delete); // Delete alone deletes nothing
    EXPECT_EQ(cds->recordCount(), 1);
}

TEST_F(DBGridTest, KeyDownHandlerRunsFirstAlsoForKeysTypedInTheEditor) {
    QList<int> keys;
    grid->OnKeyDown = [&](QObject*, int& key, TShiftState) {
        keys << key;
        if (key == VK_SPACE)
            key = 0;
    };
    grid->SetSelectedIndex(2);
    QTest::keyClick(grid, Qt::Key_Space); // consumed: no editor
    EXPECT_FALSE(grid->EditorMode());
    type("7");
    ASSERT_TRUE(grid->EditorMode());
    QTest::keyClick(focused(), Qt::Key_Space); // typed in the editor, seen by the grid
    EXPECT_EQ(Consiste::GridText(grid, "QTPRODGERADO", false), "7");
    EXPECT_EQ(keys, QList<int>({VK_SPACE, '7', VK_SPACE}));
}

TEST_F(DBGridTest, CellPaintingRunsAfterTheDefaultPainting) {
    QStringList painted;
    grid->OnDrawColumnCell = [&](QObject*, const QRect& rect, int dataCol, TColumn* column,
                                 TGridDrawState) {
        ASSERT_NE(grid->Canvas(), nullptr);
        if (column->FieldName() != "QTPRODGERADO")
            return;
        grid->Canvas()->FillRect(rect);
        grid->Canvas()->TextOut(rect.left() + 2, rect.top() + 2, "x");
        painted << QString::number(dataCol);
    };
    grid->grab();
    EXPECT_EQ(painted, QStringList({"2", "2"}));
    EXPECT_EQ(grid->Canvas(), nullptr);
}

// The grid paints its cells as the style paints any item view's: the same pixels as Qt's own
// delegate for a selected cell with the focus, a marked row, right-aligned numbers, a text
// elided at a word, a wide cell and the grid disabled, with the grid's own lines; painted again
// from the cells' kept pixels, and after a text and a row's mark changed.
TEST_F(DBGridTest, CellsLookAsTheStylePaintsThem) {
    cds->last();
    cds->append();
    cds->fieldByName("CDARVPROD")->setAsString("101003");
    cds->fieldByName("NMPRODUTO")
        ->setAsString("Farelo de soja peletizado com alto teor de proteína");
    cds->fieldByName("QTPRODGERADO")->setAsFloat(1234567.5);
    cds->post();
    cds->first();
    int marked = 1;
    grid->OnRowMark = [&](int row) { return row == marked ? QString("recusada") : QString(); };
    grid->SetSelectedIndex(1);
    QAbstractItemDelegate* own = grid->itemDelegate();
    QStyledItemDelegate qt;
    CellImageCache& kept = CellImageCache::instance();
    kept.clear();
    const auto compare = [&](const char* what) {
        const int before = kept.paintings();
        const QImage painted = grid->grab().toImage();
        const int paintings = kept.paintings();
        EXPECT_GT(paintings, before) << what;
        const QImage copied = grid->grab().toImage();
        EXPECT_EQ(kept.paintings(), paintings) << what << ": all cells copied";
        grid->setItemDelegate(&qt);
        grid->setGridStyle(Qt::SolidLine); // and Qt's own lines
        const QImage byQt = grid->grab().toImage();
        grid->setGridStyle(Qt::NoPen);
        grid->setItemDelegate(own);
        EXPECT_EQ(differing(painted, byQt), 0) << what;
        EXPECT_EQ(differing(copied, byQt), 0) << what << ", copied";
    };
    compare("enabled");
    cds->edit();
    cds->fieldByName("NMPRODUTO")->setAsString("Milho em grão");
    cds->post();
    marked = 2;
    grid->viewport()->update();
    compare("a text and a mark changed");
    grid->setColumnWidth(1, 60);
    grid->setColumnWidth(2, 40);
    compare("narrow");
    grid->setEnabled(false);
    compare("disabled");
}

TEST_F(DBGridTest, PickListAndEllipsisButtonEditors) {
    grid->SetSelectedIndex(3);
    grid->SetEditorMode(true);
    auto* combo = qobject_cast<QComboBox*>(focused());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Sim");
    grid->SetEditorMode(false);

    int clicks = 0;
    grid->OnEditButtonClick = [&](QObject*) { ++clicks; };
    grid->Columns(0)->SetButtonStyle(TColumnButtonStyle::cbsEllipsis);
    grid->SetSelectedIndex(0);
    grid->SetEditorMode(true);
    auto* button = focused()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    button->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ActiveControl(), grid);

    // Ctrl+Enter presses the button from the keyboard, in the open editor or on the cell.
    QTest::keyClick(focused(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(grid->EditorMode()) << "the editor stays open";
    grid->SetEditorMode(false);
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 3);
    grid->SetSelectedIndex(1);
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 3) << "a column without a button";
    grid->SetSelectedIndex(0); // F4 too, on the cell and in the editor
    QTest::keyClick(grid, Qt::Key_F4);
    grid->SetEditorMode(true);
    QTest::keyClick(focused(), Qt::Key_F4);
    EXPECT_EQ(clicks, 5);
}

TEST_F(DBGridTest, LeavingTheGridWritesTheCellBeforeTheExitHandler) {
    double seen = 0;
    grid->OnExit = [&](QObject*) { seen = cds->fieldByName("QTPRODGERADO")->asFloat(); };
    grid->SetSelectedIndex(2);
    type("8");
    other->SetFocus();
    EXPECT_DOUBLE_EQ(seen, 8.0);
    EXPECT_EQ(cds->state(), DataSetState::Edit); // the grid does not post by itself
}

TEST_F(DBGridTest, RowMoveRefusedByThePostKeepsTheRow) {
    cds->beforePost = [](dataset::ClientDataSet& ds) {
        if (ds.fieldByName("QTPRODGERADO")->asFloat() <= 0)
            throw EHostError("Quantidade deve ser maior que zero.");
    };
    grid->SetSelectedIndex(2);
    type("0");
    QTest::keyClick(focused(), Qt::Key_Down);
    EXPECT_EQ(cds->recNo(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(cds->state(), DataSetState::Edit);
    EXPECT_EQ(dialogs.LastMessage(), "Quantidade deve ser maior que zero.");
}

} // namespace

namespace {

TEST_F(DBGridTest, PickListCellTakesTypedTextAndTabMovesOn) {
    cds->fieldByName("IDPRODPRINC")->onSetText = [](dataset::Field& f, const QString& text) {
        f.setAsString(text == "Sim" ? "S" : "N");
    };
    cds->fieldByName("IDPRODPRINC")->onGetText = [](dataset::Field& f, QString& text, bool) {
        text = f.asString() == "S" ? "Sim" : "Não";
    };
    grid->SetSelectedIndex(3);
    type("Sim");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(Consiste::GridText(grid, "IDPRODPRINC", false), "Sim");
    QTest::keyClick(focused(), Qt::Key_Tab); // the last column: on to the next row
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    cds->first();
    EXPECT_EQ(cds->fieldByName("IDPRODPRINC")->asString(), "S");
}

} // namespace

namespace {

// The ways the cell editor opens on an editable cell: typing (with the character typed), F2,
// Enter and SetEditorMode; never on a read-only column.
TEST_F(DBGridTest, CellEditorOpensByTypingF2EnterAndFromCode) {
    grid->SetSelectedIndex(0);
    QTest::keyClick(grid, Qt::Key_7);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->EditorText(), "7");
    EXPECT_EQ(qobject_cast<QLineEdit*>(focused())->text(), "7");
    EXPECT_EQ(cds->state(), DataSetState::Edit);
    QTest::keyClick(focused(), Qt::Key_Escape);
    cds->cancel();
    ASSERT_FALSE(grid->EditorMode());

    for (Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
        grid->SetFocus();
        QTest::keyClick(grid, key);
        ASSERT_TRUE(grid->EditorMode()) << key;
        EXPECT_EQ(grid->EditorText(), "101001") << key;
        grid->SetEditorMode(false);
        cds->cancel();
    }

    grid->SetSelectedIndex(2);
    grid->SetEditorMode(true);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->EditorText(), "10");
    EXPECT_EQ(focused()->parentWidget()->parentWidget(), grid);
    grid->SetEditorMode(false);
    cds->cancel();

    grid->SetSelectedIndex(1);
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(grid, Qt::Key_Return);
    grid->SetEditorMode(true);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(cds->state(), DataSetState::Browse);
}

// New rows loaded into the dataset (more, fewer, none) are what the grid shows, with the
// current cell on the dataset's current row.
TEST_F(DBGridTest, ReloadedRowsAreShownWhateverTheirNumber) {
    dataset::DataPacket packet = cds->data();
    dataset::Row third = packet.rows.first();
    third[0] = "303003";
    third[1] = "Casca";
    packet.rows << third;
    cds->setData(packet);
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->index(2, 0).data().toString(), "303003");
    cds->last();
    EXPECT_EQ(grid->currentIndex().row(), 2);

    packet.rows = {third};
    cds->setData(packet);
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "Casca");
    EXPECT_EQ(grid->currentIndex().row(), 0);
    type("4");
    EXPECT_EQ(grid->EditorText(), "4");
    QTest::keyClick(focused(), Qt::Key_Escape);
    cds->cancel();

    cds->emptyDataSet();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    cds->append();
    EXPECT_EQ(grid->model()->rowCount(), 1);
    cds->cancel();
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

// A grid on a hidden page does not follow the cursor while hidden; shown again, it is on the
// dataset's current row.
TEST_F(DBGridTest, HiddenGridFollowsTheCursorWhenShown) {
    other->SetFocus();
    grid->hide();
    cds->last();
    grid->show();
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), grid->SelectedIndex());
    cds->first();
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

// A field's new display format, mask or caption shows in the grid at once, without laying the
// grid out anew (no model reset: the current cell and the widths stay); a field shown or
// hidden changes the columns of a grid that has none of its own.
TEST_F(DBGridTest, FieldFormatsShowAtOnceAndOnlyColumnChangesLayTheGridOut) {
    cds->next();
    grid->SetSelectedIndex(2);
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelAboutToBeReset);
    cds->fieldByName("QTPRODGERADO")->setDisplayFormat("#,##0.00");
    cds->fieldByName("CDARVPROD")->setEditMask("9.99.999;0;_");
    cds->fieldByName("NMPRODUTO")->setDisplayLabel("Produto");
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "10,00");
    EXPECT_EQ(grid->model()->index(1, 2).data().toString(), "5,50");
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), "1.01.002");
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_EQ(grid->columnWidth(1), 246);

    auto* all = new TDBGrid(&form);
    all->SetDataSource(dts);
    ASSERT_EQ(all->model()->columnCount(), 4);
    QSignalSpy allResets(all->model(), &QAbstractItemModel::modelAboutToBeReset);
    cds->fieldByName("NMPRODUTO")->setDisplayLabel("Nome do produto");
    EXPECT_EQ(allResets.count(), 0);
    EXPECT_EQ(all->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Nome do produto");
    cds->fieldByName("NMPRODUTO")->setVisible(false);
    EXPECT_EQ(allResets.count(), 1);
    ASSERT_EQ(all->model()->columnCount(), 3);
    EXPECT_EQ(all->model()->index(1, 1).data().toString(), "5,50");
    cds->fieldByName("NMPRODUTO")->setVisible(true);
    ASSERT_EQ(all->model()->columnCount(), 4);
    EXPECT_EQ(all->model()->index(1, 1).data().toString(), "Oleo");
    EXPECT_EQ(all->currentIndex().row(), 1);
}

} // namespace

namespace {

// A text the field refuses stays in its open editor: neither Tab nor Down leaves the cell, and
// the refusal is shown once.
TEST_F(DBGridTest, TextTheFieldRefusesKeepsTheEditorOnItsCell) {
    grid->SetSelectedIndex(2);
    type("abc");
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Down}) {
        dialogs.Clear();
        QTest::keyClick(focused(), key);
        EXPECT_EQ(dialogs.Messages().size(), 1) << key;
        EXPECT_EQ(dialogs.LastMessage(), "'abc' não é um valor numérico válido.") << key;
        EXPECT_TRUE(grid->EditorMode()) << key;
        EXPECT_EQ(grid->EditorText(), "abc") << key;
        EXPECT_EQ(grid->SelectedIndex(), 2) << key;
        EXPECT_EQ(cds->recNo(), 1) << key;
    }
    qobject_cast<QLineEdit*>(focused())->setText("2,5");
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 3);
    EXPECT_DOUBLE_EQ(cds->fieldByName("QTPRODGERADO")->asFloat(), 2.5);
}

// The ellipsis button of an open editor follows its column's style at once; the painting
// handler learns which row it paints while the cursor stays; an open editor's text is the
// text of its own row only.
TEST_F(DBGridTest, EllipsisFollowsTheColumnDrawingRowAndTheEditorsOwnRow) {
    grid->SetSelectedIndex(0);
    grid->SetEditorMode(true);
    auto* button = focused()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isVisible());
    grid->Columns(0)->SetButtonStyle(TColumnButtonStyle::cbsEllipsis);
    EXPECT_TRUE(button->isVisible());
    grid->Columns(0)->SetButtonStyle(TColumnButtonStyle::cbsNone);
    EXPECT_FALSE(button->isVisible());
    grid->SetEditorMode(false);

    QList<int> rows;
    grid->OnDrawColumnCell = [&](QObject*, const QRect&, int dataCol, TColumn*, TGridDrawState) {
        if (dataCol == 2)
            rows << grid->DrawingRow();
    };
    grid->grab();
    EXPECT_EQ(rows, QList<int>({0, 1}));
    EXPECT_EQ(cds->recNo(), 1);

    grid->SetSelectedIndex(2);
    type("7");
    cds->disableControls();
    cds->post();
    cds->next();
    EXPECT_EQ(Consiste::GridText(grid, "QTPRODGERADO", false), "5,5");
    cds->first();
    EXPECT_EQ(Consiste::GridText(grid, "QTPRODGERADO", false), "7");
    cds->enableControls();
}

// A cell takes no more characters than its field holds, as the data-aware edits.
TEST_F(DBGridTest, ACellTakesNoMoreThanItsFieldHolds) {
    grid->SetSelectedIndex(0);
    type(QString(25, QLatin1Char('7')));
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(Consiste::GridText(grid, "CDARVPROD", false), QString(20, QLatin1Char('7')));
    QTest::keyClick(focused(), Qt::Key_Escape);
}

} // namespace
