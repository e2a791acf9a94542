// The data-aware edit: display text without the focus and edit text with it, typing starts
// editing, the typed text reaches the field before the exit handler and before any post,
// and a new field value or edit mask updates the text and raises the change handler.
#include <dataset/FormatFloat.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>

#include <QTest>

#include <gtest/gtest.h>

using namespace host;
using dataset::DataSetState;
using dataset::FieldType;

namespace {

class DBEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataset::FormatSettings::setDecimalSeparator(',');
        dataset::FormatSettings::setThousandSeparator('.');
        cds = new dataset::ClientDataSet(&form);
        cds->addField("DSAMOSTRA", FieldType::String, 10);
        auto* qt = cds->addField("QTPRODPROC", FieldType::Float);
        qt->setDisplayFormat("#,##0.000");
        cds->addField("NRINSJURNF", FieldType::String, 20);
        cds->createDataSet();
        cds->append();
        cds->fieldByName("DSAMOSTRA")->setAsString("Milho");
        qt->setAsFloat(1234.5);
        cds->post();
        dts = new dataset::DataSource(cds, &form);

        form.resize(300, 200);
        dbeDesc = edit("dbeDesc", "DSAMOSTRA", 10);
        dbeQuant = edit("dbeQuant", "QTPRODPROC", 40);
        dbeInsc = edit("dbeInsc", "NRINSJURNF", 70);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        dbeDesc->SetFocus();
    }
    TDBEdit* edit(const char* name, const char* field, int top) {
        auto* e = new TDBEdit(&form);
        e->setObjectName(name);
        e->SetBounds(10, top, 150, 21);
        e->SetDataSource(dts);
        e->SetDataField(field);
        return e;
    }
    TForm form;
    DialogScript dialogs;
    dataset::ClientDataSet* cds = nullptr;
    dataset::DataSource* dts = nullptr;
    TDBEdit* dbeDesc = nullptr;
    TDBEdit* dbeQuant = nullptr;
    TDBEdit* dbeInsc = nullptr;
};

TEST_F(DBEditTest, ShowsDisplayTextWithoutFocusAndEditTextWithIt) {
    EXPECT_EQ(dbeQuant->text(), "1.234,500");
    dbeQuant->SetFocus();
    EXPECT_EQ(dbeQuant->text(), "1234,5");
    dbeDesc->SetFocus();
    EXPECT_EQ(dbeQuant->text(), "1.234,500");
    EXPECT_EQ(cds->state(), DataSetState::Browse); // looking is not editing
}

TEST_F(DBEditTest, TypingStartsEditingAndTheTextReachesTheFieldBeforeTheExitHandler) {
    QString seenInExit;
    DataSetState stateInExit = DataSetState::Inactive;
    dbeQuant->OnExit = [&](QObject*) {
        seenInExit = cds->fieldByName("QTPRODPROC")->asString();
        stateInExit = cds->state();
    };
    dbeQuant->SetFocus();
    dbeQuant->selectAll();
    QTest::keyClicks(dbeQuant, "2,25");
    EXPECT_EQ(cds->state(), DataSetState::Edit);
    dbeDesc->SetFocus();
    EXPECT_DOUBLE_EQ(cds->fieldByName("QTPRODPROC")->asFloat(), 2.25);
    EXPECT_FALSE(seenInExit.isEmpty());
    EXPECT_DOUBLE_EQ(dataset::parseFloat(seenInExit).value_or(0), 2.25);
    EXPECT_EQ(stateInExit, DataSetState::Edit);
    EXPECT_EQ(dbeQuant->text(), "2,250");
}

TEST_F(DBEditTest, APostFirstWritesTheTextStillInTheEdit) {
    dbeDesc->selectAll();
    QTest::keyClicks(dbeDesc, "Trigo");
    ASSERT_EQ(cds->state(), DataSetState::Edit);
    cds->post(); // the focus never left the edit
    EXPECT_EQ(cds->state(), DataSetState::Browse);
    EXPECT_EQ(cds->fieldByName("DSAMOSTRA")->asString(), "Trigo");
}

TEST_F(DBEditTest, TextLongerThanTheFieldIsCutWhenStored) {
    dbeDesc->SetMaxLength(60);
    dbeDesc->selectAll();
    QTest::keyClicks(dbeDesc, "Soja em grao tipo 1");
    dbeQuant->SetFocus();
    EXPECT_EQ(cds->fieldByName("DSAMOSTRA")->asString(), "Soja em gr");
}

TEST_F(DBEditTest, AValueTheFieldRefusesKeepsTheFocusInTheEdit) {
    bool exitRan = false;
    dbeQuant->OnExit = [&](QObject*) { exitRan = true; };
    dbeQuant->SetFocus();
    dbeQuant->selectAll();
    QTest::keyClicks(dbeQuant, "abc");
    EXPECT_ANY_THROW(dbeDesc->SetFocus());
    EXPECT_FALSE(exitRan);
    EXPECT_EQ(form.ActiveControl(), dbeQuant);
    EXPECT_EQ(dbeQuant->text(), "abc"); // what was typed is still there to correct
}

TEST_F(DBEditTest, NewFieldValueOrMaskUpdatesTheTextAndRaisesTheChangeHandler) {
    QStringList changes;
    dbeInsc->OnChange = [&](QObject*) { changes << dbeInsc->text(); };
    cds->edit();
    cds->fieldByName("NRINSJURNF")->setAsString("12345678909");
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.last(), "12345678909");
    cds->fieldByName("NRINSJURNF")->setEditMask("999.999.999-99;0; ");
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.last(), "123.456.789-09");
    // Entering and leaving the edit switches between texts without a change event.
    changes.clear();
    dbeInsc->SetFocus();
    dbeDesc->SetFocus();
    EXPECT_TRUE(changes.isEmpty()) << changes.join(", ").toStdString();
}

TEST_F(DBEditTest, MaskedFieldStoresTheValueWithoutLiterals) {
    cds->fieldByName("NRINSJURNF")->setEditMask("999.999.999-99;0; ");
    dbeInsc->SetFocus();
    QTest::keyClick(dbeInsc, Qt::Key_Home);
    QTest::keyClicks(dbeInsc, "98765432100");
    dbeDesc->SetFocus();
    EXPECT_EQ(cds->fieldByName("NRINSJURNF")->asString(), "98765432100");
    EXPECT_EQ(dbeInsc->text(), "987.654.321-00");
}

TEST_F(DBEditTest, UpperCaseEditTurnsTypedLettersIntoCapitals) {
    dbeDesc->SetCharCase(TEditCharCase::ecUpperCase);
    dbeDesc->selectAll();
    QTest::keyClicks(dbeDesc, "ab1");
    dbeQuant->SetFocus();
    EXPECT_EQ(cds->fieldByName("DSAMOSTRA")->asString(), "AB1");
}

TEST_F(DBEditTest, EscapeDropsWhatWasTyped) {
    dbeDesc->selectAll();
    QTest::keyClicks(dbeDesc, "Arroz");
    QTest::keyClick(dbeDesc, Qt::Key_Escape);
    EXPECT_EQ(dbeDesc->text(), "Milho");
    dbeQuant->SetFocus();
    EXPECT_EQ(cds->fieldByName("DSAMOSTRA")->asString(), "Milho");
}

} // namespace

namespace {

// Moving between records redraws an edit only when its text changes; a text put in the edit
// by code is still replaced by the field's on the next record, even when the field's text is
// the same as before.
TEST_F(DBEditTest, RecordMovesShowEachRecordsTextAndRaiseChangeOnlyWhenItChanges) {
    cds->append();
    cds->fieldByName("DSAMOSTRA")->setAsString("Milho");
    cds->fieldByName("QTPRODPROC")->setAsFloat(2);
    cds->post();
    cds->first();
    dbeInsc->SetFocus(); // the two edits watched show their display text
    int descChanges = 0, quantChanges = 0;
    dbeDesc->OnChange = [&](QObject*) { ++descChanges; };
    dbeQuant->OnChange = [&](QObject*) { ++quantChanges; };
    cds->next();
    EXPECT_EQ(dbeDesc->text(), "Milho");
    EXPECT_EQ(dbeQuant->text(), "2,000");
    EXPECT_EQ(descChanges, 0);
    EXPECT_EQ(quantChanges, 1);

    dbeDesc->setText("posto pelo código");
    cds->prior();
    EXPECT_EQ(dbeDesc->text(), "Milho");
    EXPECT_EQ(dbeQuant->text(), "1.234,500");
}

// Edits keep the field they found while the fields stay the same: a packet of another shape
// replaces the fields, and each edit must then show, and write, the new field of its name.
TEST(DBEditFields, AnEditFollowsItsFieldWhenAPacketReplacesTheFields) {
    TForm form;
    dataset::ClientDataSet cds(&form);
    cds.setDataJsonText(R"({"fields":[{"name":"A","type":"string","size":10},
                                      {"name":"B","type":"string","size":10}],
                            "rows":[["a1","b1"]]})");
    dataset::DataSource dts(&cds, &form);
    auto* dbeA = new TDBEdit(&form);
    dbeA->SetDataSource(&dts);
    dbeA->SetDataField("A");
    auto* dbeB = new TDBEdit(&form);
    dbeB->SetDataSource(&dts);
    dbeB->SetDataField("B");
    EXPECT_EQ(dbeB->text(), "b1");

    cds.setDataJsonText(R"({"fields":[{"name":"B","type":"string","size":10},
                                      {"name":"C","type":"string","size":10}],
                            "rows":[["b2","c2"]]})");
    EXPECT_EQ(dbeA->text(), "") << "no field A any more";
    EXPECT_EQ(dbeB->text(), "b2");
    // A mask of the new field reaches its edit; one of another field leaves the edit alone.
    cds.fieldByName("B")->setEditMask("9-9;0; ");
    cds.edit();
    cds.fieldByName("B")->setAsString("12");
    EXPECT_EQ(dbeB->text(), "1-2");
    dbeB->setText("3-4");
    emit dbeB->textEdited(dbeB->text());
    cds.fieldByName("C")->setEditMask("9;0; ");
    EXPECT_EQ(dbeB->text(), "3-4") << "typed text kept";
    dbeB->UpdateRecord();
    EXPECT_EQ(cds.fieldByName("B")->asString(), "34");
}

} // namespace

// A focus move whose exit handler clears a field and writes it again: the edit that only
// shows it (no focus, no handlers) never flickers through the cleared value, yet what is on
// screen when a message box opens, or what code reads, is the field's value at that moment.
TEST_F(DBEditTest, AnEditThatOnlyShowsAFieldShowsItsLastValueOnceAFocusMoveEnds) {
    int changes = 0;
    QObject::connect(dbeDesc, &QLineEdit::textChanged, [&] { ++changes; });
    bool warn = false;
    QString readInExit;
    QString shownWithTheBox;
    dbeInsc->OnExit = [&](QObject*) {
        auto* desc = cds->fieldByName("DSAMOSTRA");
        desc->clear();
        if (warn) {
            MessageDlg("Aviso", TMsgDlgType::mtWarning, mbOK);
            shownWithTheBox = dbeDesc->text();
            readInExit = dbeDesc->Text();
        }
        desc->setAsString("Milho");
    };
    dbeInsc->SetFocus();
    cds->edit();
    dbeQuant->SetFocus();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(dbeDesc->text(), "Milho");

    warn = true;
    dbeInsc->SetFocus();
    dbeQuant->SetFocus();
    EXPECT_EQ(dialogs.LastMessage(), "Aviso");
    EXPECT_EQ(shownWithTheBox, "");
    EXPECT_EQ(readInExit, "");
    EXPECT_EQ(dbeDesc->text(), "Milho");
    EXPECT_EQ(changes, 2);

    // Outside a focus move every change shows at once, as before.
    cds->fieldByName("DSAMOSTRA")->setAsString("Trigo");
    EXPECT_EQ(dbeDesc->text(), "Trigo");
}
