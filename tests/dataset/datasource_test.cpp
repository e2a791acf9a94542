// Data sources: what they report to controls, pending text written before a post, and the
// display suspension counter.

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace dataset;

namespace {

DataPacket packet() {
    DataPacket p;
    p.fields = {{"CODIGO", FieldType::String, 10}, {"QT", FieldType::Float, 0}};
    p.rows = {{QString("A"), 1.0}, {QString("B"), 2.0}};
    return p;
}

} // namespace

TEST(DataSource, ReportsStateChangesDataAndFieldChanges) {
    ClientDataSet cds;
    cds.setData(packet());
    DataSource dts(&cds);
    std::vector<DataSetState> states;
    dts.onStateChange = [&](DataSource& s) { states.push_back(s.state()); };
    QSignalSpy stateSpy(&dts, &DataSource::stateChanged);
    QSignalSpy scrollSpy(&dts, &DataSource::scrolled);
    QSignalSpy fieldSpy(&dts, &DataSource::recordChanged);
    QSignalSpy dataSpy(&dts, &DataSource::dataChanged);

    cds.next();
    EXPECT_EQ(scrollSpy.count(), 1);
    EXPECT_TRUE(dts.edit());
    cds.fieldByName("QT")->setAsFloat(5);
    ASSERT_GE(fieldSpy.count(), 2); // entering edit (nullptr), then the field
    EXPECT_EQ(fieldSpy.last().at(0).value<Field*>(), cds.fieldByName("QT"));
    cds.post();
    EXPECT_EQ(states, std::vector<DataSetState>({DataSetState::Edit, DataSetState::Browse}));
    EXPECT_EQ(stateSpy.count(), 2);
    EXPECT_GE(dataSpy.count(), 1);

    dts.setAutoEdit(false);
    EXPECT_FALSE(dts.edit());
    EXPECT_EQ(cds.state(), DataSetState::Browse);
}

TEST(DataSource, EditMaskChangeReachesBoundControls) {
    ClientDataSet cds;
    cds.setData(packet());
    DataSource dts(&cds);
    QSignalSpy fieldSpy(&dts, &DataSource::recordChanged);
    cds.fieldByName("CODIGO")->setEditMask("999.999.999-99;0;_");
    ASSERT_EQ(fieldSpy.count(), 1);
    EXPECT_EQ(fieldSpy.at(0).at(0).value<Field*>(), cds.fieldByName("CODIGO"));
}

TEST(DataSource, PostAndMoveFirstWriteEveryControlsPendingText) {
    ClientDataSet cds;
    cds.setData(packet());
    DataSource dts(&cds);
    DataSource other(&cds);
    QObject edit1, edit2;
    QString pending1 = "novo", pending2;
    dts.addEditor(&edit1, [&] {
        if (!pending1.isEmpty())
            cds.fieldByName("CODIGO")->setAsString(std::exchange(pending1, QString()));
    });
    other.addEditor(&edit2, [&] {
        if (!pending2.isEmpty())
            cds.fieldByName("QT")->setAsString(std::exchange(pending2, QString()));
    });
    cds.edit();
    pending2 = "7";
    cds.post();
    EXPECT_EQ(cds.fieldByName("CODIGO")->asString(), "novo");
    EXPECT_DOUBLE_EQ(cds.fieldByName("QT")->asFloat(), 7);

    // Text typed in a control makes an edit "modified": the move posts it.
    cds.edit();
    pending1 = "mudou";
    cds.next();
    cds.first();
    EXPECT_EQ(cds.fieldByName("CODIGO")->asString(), "mudou");

    // A control that refuses its text aborts the post.
    cds.edit();
    dts.addEditor(&edit1, [] { throw std::runtime_error("valor inválido"); });
    EXPECT_THROW(cds.post(), std::runtime_error);
    EXPECT_EQ(cds.state(), DataSetState::Edit);
    dts.removeEditor(&edit1);
    cds.post();
    EXPECT_EQ(cds.state(), DataSetState::Browse);
}

TEST(DataSource, DestroyedControlsAndSourcesAreForgotten) {
    ClientDataSet cds;
    cds.setData(packet());
    int writes = 0;
    {
        DataSource dts(&cds);
        auto* edit = new QObject;
        dts.addEditor(edit, [&] { ++writes; });
        delete edit;
        cds.edit();
        cds.post();
        EXPECT_EQ(writes, 0);
        dts.addEditor(&dts, [&] { ++writes; });
    }
    cds.edit();
    cds.post(); // the source is gone: nothing to call
    EXPECT_EQ(writes, 0);
    auto* owned = new ClientDataSet;
    DataSource dts(owned);
    delete owned;
    EXPECT_EQ(dts.dataSet(), nullptr);
    EXPECT_EQ(dts.state(), DataSetState::Inactive);
}

TEST(DataSource, DisabledControlsHearOnceWhenTheLastEnableComes) {
    ClientDataSet cds;
    cds.setData(packet());
    DataSource dts(&cds);
    QSignalSpy scrollSpy(&dts, &DataSource::scrolled);
    QSignalSpy dataSpy(&dts, &DataSource::dataChanged);
    QSignalSpy stateSpy(&dts, &DataSource::stateChanged);
    cds.disableControls();
    cds.disableControls();
    EXPECT_TRUE(cds.controlsDisabled());
    cds.next();
    cds.edit();
    cds.fieldByName("QT")->setAsFloat(9);
    cds.enableControls();
    EXPECT_TRUE(cds.controlsDisabled());
    EXPECT_EQ(scrollSpy.count() + dataSpy.count() + stateSpy.count(), 0);
    cds.enableControls();
    EXPECT_FALSE(cds.controlsDisabled());
    EXPECT_EQ(dataSpy.count(), 1);
    EXPECT_EQ(stateSpy.count(), 1);
    cds.enableControls(); // one too many: no effect
    EXPECT_FALSE(cds.controlsDisabled());
}
