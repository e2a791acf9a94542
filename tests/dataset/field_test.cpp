// Fields: typed values, text cut at the field size, display and edit text under the user's
// separators, edit masks and get/set-text handlers.

#include <dataset/ClientDataSet.h>
#include <dataset/FormatFloat.h>

#include <gtest/gtest.h>

using namespace dataset;

namespace {

struct Fields : ::testing::Test {
    ClientDataSet cds;
    Field* nome = nullptr;
    Field* qt = nullptr;
    Field* insc = nullptr;
    Field* princ = nullptr;
    Field* n = nullptr;
    Field* dt = nullptr;
    Field* ok = nullptr;

    void SetUp() override {
        FormatSettings::setDecimalSeparator(QLatin1Char(','));
        FormatSettings::setThousandSeparator(QLatin1Char('.'));
        nome = cds.addField("NMPRODUTO", FieldType::String, 5);
        qt = cds.addField("QTPRODGERADO", FieldType::Float);
        insc = cds.addField("NRINSJURNF", FieldType::String, 20);
        princ = cds.addField("IDPRODPRINC", FieldType::String, 1);
        n = cds.addField("NRSEQ", FieldType::Integer);
        dt = cds.addField("DTPROC", FieldType::Date);
        ok = cds.addField("IDATIVO", FieldType::Boolean);
        cds.createDataSet();
        cds.append();
    }
    void TearDown() override {
        FormatSettings::setDecimalSeparator(QLatin1Char('.'));
        FormatSettings::setThousandSeparator(QLatin1Char(','));
    }
};

} // namespace

TEST_F(Fields, TextIsCutAtTheFieldSizeInCharacters) {
    nome->setAsString("Açaízeiro");
    EXPECT_EQ(nome->asString(), "Açaíz");
    // A decomposed accent (e + combining acute) is one character.
    nome->setAsString(QString::fromUtf8("cafe\u0301 com leite"));
    EXPECT_EQ(nome->asString(), QString::fromUtf8("café "));
    // A character outside the basic plane is not split in half.
    nome->setAsString(QString::fromUtf8("ab\U0001F33Dcdef"));
    EXPECT_EQ(nome->asString(), QString::fromUtf8("ab\U0001F33Dcd"));
    nome->setAsString("abc");
    EXPECT_EQ(nome->asString(), "abc");
    // Loaded rows are cut too.
    DataPacket p = cds.data();
    p.rows = {
        {QString("Maçãzinha"), 1.0, QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
    cds.cancel();
    cds.setData(p);
    EXPECT_EQ(nome->asString(), "Maçãz");
}

TEST_F(Fields, FloatTextUnderCommaAndPointSeparators) {
    qt->setDisplayFormat("#,##0.000");
    qt->setAsFloat(1234.5);
    EXPECT_EQ(qt->displayText(), "1.234,500");
    EXPECT_EQ(qt->editText(), "1234,5");
    EXPECT_EQ(qt->asString(), "1234,5");
    qt->setEditText("1.234,75");
    EXPECT_DOUBLE_EQ(qt->asFloat(), 1234.75);
    EXPECT_THROW(qt->setEditText("12.5"), DataSetError); // a point is no decimal here
    EXPECT_DOUBLE_EQ(qt->asFloat(), 1234.75);
    EXPECT_THROW(qt->setAsString("abc"), DataSetError);
    qt->setEditText("");
    EXPECT_TRUE(qt->isNull());
    EXPECT_EQ(qt->displayText(), "");

    FormatSettings::setDecimalSeparator(QLatin1Char('.'));
    FormatSettings::setThousandSeparator(QLatin1Char(','));
    qt->setEditText("0.1");
    EXPECT_DOUBLE_EQ(qt->asFloat(), 0.1);
    qt->setAsFloat(0.1 + 0.2); // arithmetic noise is not offered for editing
    EXPECT_EQ(qt->editText(), "0.3");
    qt->setAsFloat(123456789.125);
    EXPECT_EQ(qt->editText(), "123456789.125");
    qt->setDisplayFormat("###0.000");
    qt->setAsFloat(1234.5);
    EXPECT_EQ(qt->displayText(), "1234.500");
    EXPECT_EQ(qt->editText(), "1234.5");
    qt->setEditFormat("0.00");
    EXPECT_EQ(qt->editText(), "1234.50");
    EXPECT_EQ(qt->alignment(), Qt::AlignRight);
    EXPECT_EQ(nome->alignment(), Qt::AlignLeft);
}

TEST_F(Fields, TaxIdsShowThroughTheirEditMask) {
    insc->setAsString("12345678909");
    EXPECT_EQ(insc->displayText(), "12345678909");
    insc->setEditMask("999.999.999-99;0;_");
    EXPECT_EQ(insc->displayText(), "123.456.789-09");
    EXPECT_EQ(insc->editText(), "12345678909"); // the edit applies the mask itself
    insc->setEditMask(">AA.AAA.AAA/AAAA-00;0;_");
    insc->setAsString("12abc34501de35");
    EXPECT_EQ(insc->displayText(), "12.ABC.345/01DE-35");
    insc->clear();
    EXPECT_EQ(insc->displayText(), ""); // nothing to show, not an empty mask
}

TEST_F(Fields, GetAndSetTextHandlersDecideWhatIsShownAndStored) {
    princ->onGetText = [](Field& f, QString& text, bool) {
        text = f.asString() == "S" ? QStringLiteral("Sim") : QStringLiteral("Não");
    };
    princ->onSetText = [](Field& f, const QString& text) {
        f.setAsString(text == "Sim" ? "S" : "N");
    };
    EXPECT_EQ(princ->displayText(), "Não");
    princ->setEditText("Sim");
    EXPECT_EQ(princ->asString(), "S");
    EXPECT_EQ(princ->displayText(), "Sim");
    EXPECT_EQ(princ->editText(), "Sim");
    princ->setEditText("sim");
    EXPECT_EQ(princ->asString(), "N");
    cds.post();
    cds.append();
    princ->setEditText("Sim");
    cds.post();
    // A grid asks for the text of any row: the handler sees that row's value.
    EXPECT_EQ(cds.displayTextAt(0, princ->index()), "Não");
    EXPECT_EQ(cds.displayTextAt(1, princ->index()), "Sim");
    EXPECT_EQ(cds.valueAt(0, princ->index()).toString(), "N");
}

TEST_F(Fields, OnChangeRunsAfterTheValueIsStored) {
    QString seen;
    nome->onChange = [&](Field& f) { seen = f.asString(); };
    nome->setAsString("Feijão");
    EXPECT_EQ(seen, "Feijã");
}

TEST_F(Fields, IntegerDateAndBooleanValues) {
    n->setAsString("42");
    EXPECT_EQ(n->asInteger(), 42);
    EXPECT_THROW(n->setAsString("4,5"), DataSetError);
    n->setAsFloat(3.0);
    EXPECT_EQ(n->value().toLongLong(), 3);
    n->setDisplayFormat("#,##0");
    n->setAsInteger(1234567);
    EXPECT_EQ(n->displayText(), "1.234.567");
    EXPECT_EQ(n->editText(), "1234567");

    dt->setAsString("07/12/2026");
    EXPECT_EQ(dt->asDate(), QDate(2026, 12, 7));
    EXPECT_EQ(dt->displayText(), "07/12/2026");
    EXPECT_THROW(dt->setAsString("31/02/2026"), DataSetError);
    dt->setAsDate(QDate());
    EXPECT_TRUE(dt->isNull());

    ok->setAsString("Sim");
    EXPECT_TRUE(ok->asBoolean());
    EXPECT_EQ(ok->displayText(), "Verdadeiro");
    ok->setDisplayFormat("S;N");
    ok->setAsBoolean(false);
    EXPECT_EQ(ok->displayText(), "N");
    EXPECT_THROW(ok->setAsString("talvez"), DataSetError);
}

TEST_F(Fields, TextFieldsReadAsNumbers) {
    nome->setAsString("12,5");
    EXPECT_DOUBLE_EQ(nome->asFloat(), 12.5);
    nome->setAsString("x");
    EXPECT_THROW(nome->asFloat(), DataSetError);
    nome->setAsString("");
    EXPECT_TRUE(nome->isNull());
    EXPECT_DOUBLE_EQ(nome->asFloat(), 0.0);
}

TEST_F(Fields, PresentationDefaults) {
    EXPECT_EQ(nome->displayLabel(), "NMPRODUTO");
    nome->setDisplayLabel("Nome");
    EXPECT_EQ(nome->displayLabel(), "Nome");
    EXPECT_EQ(nome->displayWidth(), 5);
    EXPECT_EQ(qt->displayWidth(), 10);
    qt->setDisplayWidth(15);
    EXPECT_EQ(qt->displayWidth(), 15);
    EXPECT_TRUE(nome->visible());
    EXPECT_EQ(nome->index(), 0);
    EXPECT_EQ(cds.fieldByName("nrinsjurnf"), insc);
}
