// Client dataset: states, events, the cursor-move rule, loading and the change log.

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>

#include <gtest/gtest.h>

#include <QJsonDocument>

using namespace dataset;

namespace {

DataPacket samplePacket() {
    DataPacket p;
    p.fields = {{"NRAMOSTRA", FieldType::String, 10},
                {"DSAMOSTRA", FieldType::String, 50},
                {"QTPRODPROC", FieldType::Float, 0}};
    p.rows = {{QString("0000000001"), QString("Milho"), 10.5},
              {QString("0000000002"), QString("Soja"), 3.0},
              {QString("0000000003"), QString("Café"), QVariant()}};
    return p;
}

struct Loaded : ::testing::Test {
    ClientDataSet cds;
    std::vector<QString> events;
    void SetUp() override { cds.setData(samplePacket()); }
    void record(ClientDataSet::Event& e, const char* name) {
        e = [this, name](ClientDataSet&) { events.push_back(QString::fromLatin1(name)); };
    }
    QString nr() const { return cds.fieldByName("NRAMOSTRA")->asString(); }
};

} // namespace

TEST_F(Loaded, LoadSettlesOnFirstRecordAndRunsAfterScroll) {
    int scrolls = 0;
    QString seen;
    cds.afterScroll = [&](ClientDataSet& d) {
        ++scrolls;
        seen = d.fieldByName("NRAMOSTRA")->asString();
    };
    cds.last();
    scrolls = 0;
    cds.setData(samplePacket());
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(seen, "0000000001");
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.recNo(), 1);
    EXPECT_TRUE(cds.bof());
    EXPECT_FALSE(cds.eof());
    EXPECT_EQ(cds.recordCount(), 3);
}

TEST_F(Loaded, NavigationSetsBofAndEofLikeTheClassicLoop) {
    QStringList seen;
    for (cds.first(); !cds.eof(); cds.next())
        seen << nr();
    EXPECT_EQ(seen, QStringList({"0000000001", "0000000002", "0000000003"}));
    EXPECT_EQ(cds.recNo(), 3);
    cds.prior();
    EXPECT_EQ(cds.recNo(), 2);
    EXPECT_FALSE(cds.eof());
    EXPECT_EQ(cds.moveBy(-5), -1);
    EXPECT_TRUE(cds.bof());
    EXPECT_EQ(cds.moveBy(-1), 0);
    cds.setRecNo(3);
    EXPECT_EQ(nr(), "0000000003");
}

TEST_F(Loaded, LocateWithAndWithoutLetterCase) {
    EXPECT_FALSE(cds.locate("DSAMOSTRA", QString("soja")));
    EXPECT_EQ(cds.recNo(), 1); // a failed locate stays where it was
    EXPECT_TRUE(cds.locate("dsamostra", QString("SOJA"), true));
    EXPECT_EQ(nr(), "0000000002");
    EXPECT_TRUE(cds.locate("DSAMOSTRA", QString("CAFÉ"), true)); // accented letters fold too
    EXPECT_EQ(nr(), "0000000003");
    EXPECT_TRUE(cds.locate("NRAMOSTRA;QTPRODPROC", QVariantList{QString("0000000001"), 10.5}));
    EXPECT_EQ(cds.recNo(), 1);
    EXPECT_FALSE(cds.locate("QTPRODPROC", QString("abc"))); // cannot be a float: no match
    EXPECT_THROW(cds.locate("NOPE", 1), DataSetError);
}

TEST_F(Loaded, BeforeEventExceptionLeavesStateAsItWas) {
    cds.beforeEdit = [](ClientDataSet&) { throw std::runtime_error("no"); };
    EXPECT_THROW(cds.edit(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Browse);

    cds.beforeInsert = [](ClientDataSet&) { throw std::runtime_error("no"); };
    EXPECT_THROW(cds.append(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.rowCount(), 3);

    cds.beforeDelete = [](ClientDataSet&) { throw std::runtime_error("no"); };
    EXPECT_THROW(cds.remove(), std::runtime_error);
    EXPECT_EQ(cds.recordCount(), 3);
    EXPECT_TRUE(cds.delta().changes.isEmpty());

    cds.beforeScroll = [](ClientDataSet&) { throw std::runtime_error("no"); };
    EXPECT_THROW(cds.next(), std::runtime_error);
    EXPECT_EQ(cds.recNo(), 1);

    cds.beforeOpen = [](ClientDataSet&) { throw std::runtime_error("no"); };
    DataPacket other = samplePacket();
    other.rows.removeLast();
    EXPECT_THROW(cds.setData(other), std::runtime_error);
    EXPECT_EQ(cds.recordCount(), 3);

    cds.beforeCancel = [](ClientDataSet&) { throw std::runtime_error("no"); };
    cds.beforeEdit = nullptr;
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("x");
    EXPECT_THROW(cds.cancel(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Edit);
    EXPECT_EQ(cds.fieldByName("DSAMOSTRA")->asString(), "x");
}

TEST_F(Loaded, BeforePostThatRaisesStopsTheCursorMove) {
    cds.beforeEdit = nullptr;
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Milho verde");
    cds.beforePost = [](ClientDataSet&) { throw std::runtime_error("Descrição inválida"); };
    EXPECT_THROW(cds.next(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Edit);
    EXPECT_EQ(cds.recNo(), 1);
    EXPECT_EQ(cds.fieldByName("DSAMOSTRA")->asString(), "Milho verde"); // edit kept

    cds.beforePost = nullptr;
    cds.next();
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.recNo(), 2);
    cds.first();
    EXPECT_EQ(cds.fieldByName("DSAMOSTRA")->asString(), "Milho verde");
    EXPECT_EQ(cds.changeCount(), 1);
}

TEST_F(Loaded, UntouchedInsertIsDroppedOnMoveAndUntouchedEditCancelled) {
    record(cds.beforePost, "beforePost");
    record(cds.afterCancel, "afterCancel");
    cds.setRecNo(2);
    cds.insert();
    EXPECT_EQ(cds.state(), DataSetState::Insert);
    EXPECT_EQ(cds.rowCount(), 4);
    EXPECT_EQ(cds.recordCount(), 3);
    cds.next();
    EXPECT_EQ(cds.rowCount(), 3);
    EXPECT_EQ(nr(), "0000000003"); // back on record 2, then moved on
    EXPECT_EQ(events, std::vector<QString>({"afterCancel"}));

    events.clear();
    cds.edit();
    cds.prior();
    EXPECT_EQ(events, std::vector<QString>({"afterCancel"}));
    EXPECT_TRUE(cds.delta().changes.isEmpty());
}

TEST_F(Loaded, DefaultsFromNewRecordDoNotMakeTheRowTouched) {
    cds.onNewRecord = [](ClientDataSet& d) { d.fieldByName("QTPRODPROC")->setAsFloat(1.0); };
    cds.append();
    EXPECT_DOUBLE_EQ(cds.fieldByName("QTPRODPROC")->asFloat(), 1.0);
    EXPECT_FALSE(cds.modified());
    cds.first();
    EXPECT_EQ(cds.recordCount(), 3);
    cds.append();
    cds.fieldByName("NRAMOSTRA")->setAsString("X");
    cds.first();
    EXPECT_EQ(cds.recordCount(), 4);
}

TEST_F(Loaded, EventOrderOfInsertPostAndDelete) {
    record(cds.beforeInsert, "beforeInsert");
    record(cds.afterInsert, "afterInsert");
    record(cds.beforeScroll, "beforeScroll");
    record(cds.afterScroll, "afterScroll");
    record(cds.onNewRecord, "onNewRecord");
    record(cds.beforePost, "beforePost");
    record(cds.afterPost, "afterPost");
    record(cds.beforeDelete, "beforeDelete");
    record(cds.afterDelete, "afterDelete");
    cds.append();
    cds.fieldByName("NRAMOSTRA")->setAsString("9");
    cds.post();
    cds.remove();
    EXPECT_EQ(events,
              std::vector<QString>({"beforeInsert", "beforeScroll", "onNewRecord", "afterInsert",
                                    "afterScroll", "beforePost", "afterPost", "beforeDelete",
                                    "beforeScroll", "afterDelete", "afterScroll"}));
}

TEST_F(Loaded, NewRecordFailureUndoesTheInsert) {
    cds.setRecNo(2);
    cds.onNewRecord = [](ClientDataSet&) { throw std::runtime_error("no"); };
    EXPECT_THROW(cds.insert(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.rowCount(), 3);
    EXPECT_EQ(cds.recNo(), 2);
}

TEST_F(Loaded, CancelRestoresTheRowAndCancelOfAppendLandsOnLast) {
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("outra");
    cds.cancel();
    EXPECT_EQ(cds.fieldByName("DSAMOSTRA")->asString(), "Milho");
    cds.append();
    cds.fieldByName("DSAMOSTRA")->setAsString("nova");
    cds.cancel();
    EXPECT_EQ(cds.recNo(), 3);
    EXPECT_EQ(cds.recordCount(), 3);
    EXPECT_TRUE(cds.delta().changes.isEmpty());
}

TEST_F(Loaded, WritingNeedsEditStateAndRespectsReadOnlyAndRequired) {
    Field* ds = cds.fieldByName("DSAMOSTRA");
    EXPECT_THROW(ds->setAsString("x"), DataSetError);
    ds->setReadOnly(true);
    cds.edit();
    EXPECT_THROW(ds->setAsString("x"), DataSetError);
    ds->setReadOnly(false);
    ds->setRequired(true);
    ds->setDisplayLabel("Descrição");
    ds->setAsString("");
    try {
        cds.post();
        FAIL() << "post of an empty required field";
    } catch (const DataSetError& e) {
        EXPECT_TRUE(e.message().contains("Descrição"));
    }
    EXPECT_EQ(cds.state(), DataSetState::Edit);
}

TEST_F(Loaded, EditOnAnEmptyDataSetInserts) {
    cds.emptyDataSet();
    EXPECT_TRUE(cds.isEmpty());
    EXPECT_TRUE(cds.bof() && cds.eof());
    EXPECT_THROW(cds.remove(), DataSetError);
    cds.edit();
    EXPECT_EQ(cds.state(), DataSetState::Insert);
    EXPECT_FALSE(cds.isEmpty());
    EXPECT_EQ(cds.recordCount(), 0);
}

TEST_F(Loaded, ChangePacketOfInsertModifyDeleteKeepsBeforeImages) {
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    EXPECT_TRUE(changePacketToJson(cds.delta()).isNull());

    cds.edit(); // modify twice: one entry, before-image as loaded
    cds.fieldByName("QTPRODPROC")->setAsFloat(11);
    cds.post();
    cds.edit();
    cds.fieldByName("QTPRODPROC")->setAsFloat(12);
    cds.post();
    cds.next(); // modify then delete: a delete of the row as loaded
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Soja nova");
    cds.post();
    cds.remove();
    cds.append(); // insert then modify: one insert with the last values
    cds.fieldByName("NRAMOSTRA")->setAsString("N1");
    cds.post();
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Trigo");
    cds.post();
    cds.append(); // insert then delete: nothing
    cds.fieldByName("NRAMOSTRA")->setAsString("N2");
    cds.post();
    cds.remove();

    const ChangePacket delta = cds.delta();
    ASSERT_EQ(delta.changes.size(), 3);
    EXPECT_EQ(delta.fields.size(), 3);
    EXPECT_EQ(delta.changes[0].kind, ChangeKind::Modify);
    EXPECT_EQ(delta.changes[0].oldRow.at(2).toDouble(), 10.5);
    EXPECT_EQ(delta.changes[0].newRow.at(2).toDouble(), 12.0);
    EXPECT_EQ(delta.changes[1].kind, ChangeKind::Delete);
    EXPECT_EQ(delta.changes[1].oldRow.at(1).toString(), "Soja");
    EXPECT_EQ(delta.changes[2].kind, ChangeKind::Insert);
    EXPECT_EQ(delta.changes[2].newRow, Row({QString("N1"), QString("Trigo"), QVariant()}));
    EXPECT_EQ(cds.changeCount(), 3);

    // The packet survives its JSON form.
    const ChangePacket back = changePacketFromJson(changePacketToJson(delta));
    EXPECT_EQ(back.changes.size(), 3);
    EXPECT_EQ(back.changes[1].oldRow, delta.changes[1].oldRow);
}

TEST_F(Loaded, EditingBackToTheLoadedValueLeavesNoChange) {
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Outro");
    cds.post();
    EXPECT_EQ(cds.changeCount(), 1);
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Milho");
    cds.post();
    EXPECT_EQ(cds.changeCount(), 0);
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    cds.setRecNo(3);
    cds.edit(); // null text and empty text are the same "nothing"
    cds.fieldByName("QTPRODPROC")->clear();
    cds.post();
    EXPECT_EQ(cds.changeCount(), 0);
}

TEST_F(Loaded, CancelUpdatesAndReloadRestoreAndClearTheLog) {
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Outro");
    cds.post();
    cds.next();
    cds.remove();
    cds.append();
    cds.fieldByName("NRAMOSTRA")->setAsString("N");
    cds.post();
    int scrolls = 0;
    cds.afterScroll = [&](ClientDataSet&) { ++scrolls; };
    cds.cancelUpdates();
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(cds.data().rows, samplePacket().rows);
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    EXPECT_EQ(cds.recNo(), 1);

    cds.remove();
    EXPECT_EQ(cds.changeCount(), 1);
    cds.setData(samplePacket());
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    EXPECT_EQ(cds.recordCount(), 3);

    cds.remove();
    cds.mergeChangeLog();
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    EXPECT_EQ(cds.recordCount(), 2);
    cds.cancelUpdates(); // merged changes stay
    EXPECT_EQ(cds.recordCount(), 2);
}

// Reverting one record leaves the other records' changes in the log.
TEST_F(Loaded, RevertRecordUndoesOnlyTheCurrentRecordsChange) {
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Outro");
    cds.post();
    cds.last();
    cds.remove();
    cds.append();
    cds.fieldByName("NRAMOSTRA")->setAsString("N");
    cds.post();
    ASSERT_EQ(cds.changeCount(), 3);
    int scrolls = 0;
    cds.afterScroll = [&](ClientDataSet&) { ++scrolls; };

    cds.revertRecord(); // the new record goes, the cursor moves on
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(cds.recordCount(), 2);
    EXPECT_EQ(cds.changeCount(), 2);

    cds.first();
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Digitado"); // a pending edit is dropped too
    cds.revertRecord();
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.data().rows.at(0), samplePacket().rows.at(0));
    ASSERT_EQ(cds.changeCount(), 1);
    EXPECT_EQ(cds.delta().changes.at(0).kind, ChangeKind::Delete);

    cds.revertRecord(); // nothing logged for this record: nothing happens
    EXPECT_EQ(cds.changeCount(), 1);
    EXPECT_EQ(cds.recordCount(), 2);
}

TEST_F(Loaded, EmptyDataSetKeepsFieldsAndForgetsChanges) {
    cds.remove();
    cds.emptyDataSet();
    EXPECT_EQ(cds.fieldCount(), 3);
    EXPECT_TRUE(cds.isEmpty());
    EXPECT_TRUE(cds.delta().changes.isEmpty());
    cds.append();
    cds.fieldByName("NRAMOSTRA")->setAsString("1");
    cds.post();
    EXPECT_EQ(cds.changeCount(), 1);
}

TEST(ClientDataSetStructure, LoadReplacesStructureOfADataSetWithoutDefinedFields) {
    ClientDataSet cds;
    cds.setData(samplePacket());
    Field* kept = cds.fieldByName("DSAMOSTRA");
    Field* gone = cds.fieldByName("QTPRODPROC");
    kept->setDisplayLabel("Descrição");
    DataPacket other;
    other.fields = {{"CDOBJETO", FieldType::String, 10}, {"DSAMOSTRA", FieldType::String, 50}};
    other.rows = {{QString("A"), QString("B")}};
    cds.setData(other);
    EXPECT_EQ(cds.fieldCount(), 2);
    EXPECT_EQ(cds.findField("QTPRODPROC"), nullptr);
    EXPECT_EQ(cds.fieldByName("DSAMOSTRA"), kept); // same field object, label kept
    EXPECT_EQ(kept->displayLabel(), "Descrição");
    EXPECT_EQ(gone->fieldName(), "QTPRODPROC"); // a retired field is still a valid object
    EXPECT_TRUE(gone->value().isNull());        // that reads nothing of the new rows
    cds.edit();
    EXPECT_THROW(gone->setAsFloat(1), DataSetError);
    cds.cancel();
    EXPECT_EQ(cds.fieldByName("cdobjeto")->asString(), "A");
}

TEST(ClientDataSetStructure, DefinedFieldsBindByNameAndKeepCalculatedOnes) {
    FormatSettings::setDecimalSeparator(QLatin1Char('.'));
    FormatSettings::setThousandSeparator(QLatin1Char(','));
    ClientDataSet cds;
    cds.setObjectName("cdsAmostraProc");
    cds.addField("QTPRODPROC", FieldType::Float)->setDisplayFormat("###0.000");
    cds.addField("NRAMOSTRA", FieldType::String, 10);
    cds.addField("PRODDESC", FieldType::String, 200, FieldKind::Calculated);
    int calcs = 0;
    cds.onCalcFields = [&](ClientDataSet& d) {
        ++calcs;
        d.fieldByName("PRODDESC")
            ->setAsString(d.fieldByName("NRAMOSTRA")->asString() + " / " +
                          d.fieldByName("QTPRODPROC")->displayText());
    };
    cds.setData(samplePacket()); // DSAMOSTRA is not defined: left out
    EXPECT_EQ(cds.fieldCount(), 3);
    EXPECT_EQ(cds.findField("DSAMOSTRA"), nullptr);
    EXPECT_EQ(cds.fieldByName("PRODDESC")->asString(), "0000000001 / 10.500");
    EXPECT_EQ(cds.displayTextAt(1, cds.fieldByName("PRODDESC")->index()), "0000000002 / 3.000");

    // Recomputed on every record reached and on every change while editing.
    cds.next();
    EXPECT_EQ(cds.fieldByName("PRODDESC")->asString(), "0000000002 / 3.000");
    cds.edit();
    cds.fieldByName("QTPRODPROC")->setAsFloat(4);
    EXPECT_EQ(cds.fieldByName("PRODDESC")->asString(), "0000000002 / 4.000");
    cds.post();
    const ChangePacket delta = cds.delta(); // calculated fields never travel
    ASSERT_EQ(delta.fields.size(), 2);
    EXPECT_EQ(delta.fields[0].name, "QTPRODPROC");
    EXPECT_EQ(cds.data().fields.size(), 2);

    // Data fields cannot be written from the calculation.
    cds.onCalcFields = [](ClientDataSet& d) { d.fieldByName("NRAMOSTRA")->setAsString("x"); };
    EXPECT_THROW(cds.first(), DataSetError);

    // A packet without a defined data field is refused and changes nothing.
    cds.onCalcFields = nullptr;
    DataPacket missing;
    missing.fields = {{"NRAMOSTRA", FieldType::String, 10}};
    missing.rows = {{QString("Z")}};
    EXPECT_THROW(cds.setData(missing), PacketError);
    EXPECT_EQ(cds.recordCount(), 3);
    EXPECT_EQ(cds.changeCount(), 1);
}

TEST(ClientDataSetStructure, CreateDataSetAndAddFieldRules) {
    ClientDataSet cds;
    EXPECT_THROW(cds.open(), DataSetError);
    EXPECT_THROW(cds.first(), DataSetError);
    cds.addField("CDOBJETO", FieldType::String, 10);
    EXPECT_THROW(cds.addField("cdobjeto", FieldType::String, 5), DataSetError);
    Field* erro = cds.addField("CDERRO", FieldType::String);
    EXPECT_EQ(erro->size(), 20); // text without a length: 20
    cds.createDataSet();
    EXPECT_TRUE(cds.active());
    EXPECT_TRUE(cds.isEmpty());
    EXPECT_THROW(cds.addField("X", FieldType::Integer), DataSetError);
    EXPECT_THROW(cds.fieldByName("X"), DataSetError);
    cds.append();
    erro->setAsString("EST25000_1");
    cds.post();
    cds.close();
    EXPECT_EQ(cds.state(), DataSetState::Inactive);
    EXPECT_TRUE(erro->value().isNull());
}

TEST(ClientDataSetStructure, RowsOfTheWrongWidthAreRefusedWhole) {
    ClientDataSet cds;
    cds.setData(samplePacket());
    DataPacket bad = samplePacket();
    bad.rows[2].removeLast();
    EXPECT_THROW(cds.setData(bad), PacketError);
    EXPECT_EQ(cds.recordCount(), 3);
    EXPECT_THROW(cds.setDataJson(QJsonDocument::fromJson(
                                     R"({"fields":[{"name":"A","type":"integer"}],
                                         "rows":[[1],[2.5]]})")
                                     .object()),
                 PacketError);
    EXPECT_EQ(cds.fieldCount(), 3);
    EXPECT_EQ(cds.recordCount(), 3);
    EXPECT_THROW(cds.setDataJsonText(R"({"fields":[{"name":"A","type":"string","size":5}],
                                         "rows":[["a"],["b"],["c"],["d"],[1]]})"),
                 PacketError);
    EXPECT_EQ(cds.fieldCount(), 3);
    EXPECT_EQ(cds.recordCount(), 3);
    cds.setDataJsonText(R"({"fields":[{"name":"A","type":"string","size":3}],
                            "rows":[["abcdef"],["ab"]]})");
    EXPECT_EQ(cds.recordCount(), 2);
    EXPECT_EQ(cds.fieldByName("A")->asString(), "abc"); // cut at the size on loading
}

TEST(ClientDataSetStructure, CalculatedFieldsAreRecomputedOnEveryArrival) {
    ClientDataSet cds;
    cds.addField("NRAMOSTRA", FieldType::String, 10);
    cds.addField("DSAMOSTRA", FieldType::String, 50);
    cds.addField("QTPRODPROC", FieldType::Float);
    cds.addField("DESCAMOSTRA", FieldType::String, 200, FieldKind::Calculated);
    QString suffix = "a";
    cds.onCalcFields = [&](ClientDataSet& d) {
        d.fieldByName("DESCAMOSTRA")
            ->setAsString(d.fieldByName("DSAMOSTRA")->asString() + " " + suffix);
    };
    cds.setData(samplePacket());
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), "Milho a");
    suffix = "b"; // what the calculation reads changed: the next arrival shows it
    cds.next();
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), "Soja b");
    cds.prior();
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), "Milho b");
    // Rows never visited are calculated when a grid asks for them.
    EXPECT_EQ(cds.valueAt(2, 3).toString(), "Café b");
    // A new row is calculated from its own values as they are typed.
    cds.append();
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), " b");
    cds.fieldByName("DSAMOSTRA")->setAsString("Arroz");
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), "Arroz b");
    EXPECT_EQ(cds.valueAt(3, 3).toString(), "Arroz b");
    cds.cancel();
    EXPECT_EQ(cds.fieldByName("DESCAMOSTRA")->asString(), "Café b");
}

TEST_F(Loaded, AnAfterEventThatRaisesLeavesTheOperationDone) {
    cds.afterPost = [](ClientDataSet&) { throw std::runtime_error("depois"); };
    cds.edit();
    cds.fieldByName("DSAMOSTRA")->setAsString("Outro");
    EXPECT_THROW(cds.post(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Browse);
    EXPECT_EQ(cds.changeCount(), 1);
    cds.afterScroll = [](ClientDataSet&) { throw std::runtime_error("depois"); };
    EXPECT_THROW(cds.next(), std::runtime_error);
    EXPECT_EQ(cds.recNo(), 2);
}
