// The read methods of both remote objects against demo data, on SQLite and PostgreSQL.
#include "TestSupport.h"

#include <server/DirectRead.h>
#include <server/Packets.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QJsonArray kAll{"T", " ", " ", "T", " ", "T", " ", " "};

QJsonArray rowsOf(const QJsonValue& packet) {
    return packet.toObject().value("rows").toArray();
}

QStringList fieldNames(const QJsonValue& packet) {
    QStringList names;
    for (const QJsonValue& f : packet.toObject().value("fields").toArray())
        names << f.toObject().value("name").toString();
    return names;
}

// The packet inside a {"messages": [], "data": [packet]} answer.
QJsonValue checked(const Answer& answer) {
    EXPECT_EQ(answer.status, 200) << answer.body;
    EXPECT_TRUE(answer.result.toObject().value("messages").toArray().isEmpty());
    return answer.result.toObject().value("data").toArray().at(0);
}

// The reads change nothing, so the tests of one backend share its server.
class ReadMethods : public ::testing::TestWithParam<Backend> {
protected:
    static TestServer& serverFor(Backend backend) {
        auto& slot = servers_[backend == Backend::Sqlite ? 0 : 1];
        if (!slot)
            slot = std::make_unique<TestServer>(backend);
        return *slot;
    }
    static void TearDownTestSuite() {
        for (auto& slot : servers_)
            slot.reset();
    }
    server::Session& db() { return server_.database().session(); }
    int count(const QString& sql, const QVariantHash& values = {}) {
        return scalar(db(), sql, values).toInt();
    }
    static inline std::unique_ptr<TestServer> servers_[2];
    TestServer& server_ = serverFor(GetParam());
    RpcClient client_{server_.port(), server_.token()};
};

TEST_P(ReadMethods, SampleListWithoutCriteriaHoldsEverySampleInNumberOrder) {
    const QJsonValue packet = checked(client_.amostra("GetAmostraProc", kAll));
    EXPECT_EQ(
        fieldNames(packet),
        QStringList({"NRAMOSTRA", "DSAMOSTRA", "CDARVPROD", "CDPRODUTO", "QTPRODPROC", "SGUNIDADE",
                     "NMPRODUTO", "CDFILIAL", "NRLANCTONF", "CDSERIEENTR", "NRINSJURNF",
                     "IDTPIJURNF", "NMRAZSOCFORN", "CDFORNECED", "NRNOTAFISC", "IDPROCESSADO"}));
    const QJsonArray rows = rowsOf(packet);
    ASSERT_EQ(rows.size(), count("SELECT COUNT(*) FROM AMOSTRAPROC"));
    ASSERT_GT(rows.size(), 100);
    for (qsizetype i = 1; i < rows.size(); ++i)
        ASSERT_LT(rows.at(i - 1)[0].toString(), rows.at(i)[0].toString());
    EXPECT_EQ(rows.at(0)[0].toString().size(), 10);
}

TEST_P(ReadMethods, SampleListFiltersByNumberSupplierAndProductRange) {
    // Numbers 5 to 9, inclusive.
    QJsonArray rows = rowsOf(checked(client_.amostra(
        "GetAmostraProc", {" ", "0000000005", "0000000009", "T", " ", "T", " ", " "})));
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows.first()[0].toString(), "0000000005");
    EXPECT_EQ(rows.last()[0].toString(), "0000000009");

    // One supplier, given by its tax id, plain or with the mask's literals.
    const QString supplier =
        scalar(db(), "SELECT F.NRINSJURFORN FROM AMOSTRAPROC A JOIN FORNECEDOR F"
                     " ON F.CDFORNECED = A.CDFORNECED WHERE F.IDTPIJURFORN = 'F'"
                     " ORDER BY A.NRAMOSTRA")
            .toString();
    ASSERT_EQ(supplier.size(), 11);
    const int expected = count("SELECT COUNT(*) FROM AMOSTRAPROC A JOIN FORNECEDOR F ON"
                               " F.CDFORNECED = A.CDFORNECED WHERE F.NRINSJURFORN = :N",
                               {{"N", supplier}});
    rows = rowsOf(
        checked(client_.amostra("GetAmostraProc", {"T", " ", " ", " ", supplier, "T", " ", " "})));
    ASSERT_EQ(rows.size(), expected);
    for (const QJsonValue& row : rows)
        EXPECT_EQ(row[10].toString(), supplier);
    const QString masked = supplier.left(3) + "." + supplier.mid(3, 3) + "." + supplier.mid(6, 3) +
                           "-" + supplier.right(2);
    rows = rowsOf(
        checked(client_.amostra("GetAmostraProc", {"T", " ", " ", " ", masked, "T", " ", " "})));
    EXPECT_EQ(rows.size(), expected);

    // Products of family 2: the last code extended with "z" as the filter dialog sends it.
    rows = rowsOf(
        checked(client_.amostra("GetAmostraProc", {"T", " ", " ", "T", " ", " ", "2", "2zzzzz"})));
    ASSERT_EQ(rows.size(), count("SELECT COUNT(*) FROM AMOSTRAPROC A JOIN PRODUTO P ON"
                                 " P.CDPRODUTO = A.CDPRODUTO WHERE P.CDARVPROD LIKE '2%'"));
    ASSERT_FALSE(rows.isEmpty());
    for (const QJsonValue& row : rows)
        EXPECT_TRUE(row[2].toString().startsWith('2'));

    // Criteria that nothing matches answer an empty list, not an error.
    rows = rowsOf(checked(client_.amostra(
        "GetAmostraProc", {" ", "9999999990", "9999999999", "T", " ", "T", " ", " "})));
    EXPECT_TRUE(rows.isEmpty());
}

TEST_P(ReadMethods, ItemsOfASampleComeWithTheirProducts) {
    const QString number = scalar(db(), "SELECT MIN(NRAMOSTRA) FROM ITEMAMOSTRAPROC").toString();
    const Answer answer = client_.amostra("GetItemAmostra", {number, "3"});
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(fieldNames(answer.result),
              QStringList({"NRAMOSTRA", "CDARVPROD", "CDPRODUTO", "NMPRODUTO", "SGUNIDADE",
                           "QTPRODGERADO", "IDPRODPRINC"}));
    const QJsonArray rows = rowsOf(answer.result);
    ASSERT_EQ(rows.size(),
              count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}}));
    double total = 0;
    for (const QJsonValue& row : rows) {
        EXPECT_EQ(row[0].toString(), number);
        EXPECT_EQ(row[1].toString().size(), 6); // a last-level code of the picture 9.99.999
        total += row[5].toDouble();
    }
    EXPECT_NEAR(
        total,
        scalar(db(), "SELECT QTPRODPROC FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}})
            .toDouble(),
        0.0005);

    EXPECT_TRUE(rowsOf(client_.amostra("GetItemAmostra", {"0000999999", "3"}).result).isEmpty());
    EXPECT_EQ(client_.amostra("GetItemAmostra", {number, "três"}).status, 400);
}

TEST_P(ReadMethods, CandidateProductsOfTheBranchOrOfTheInvoice) {
    // Without an invoice: the products the branch keeps in stock, each receiving in the branch.
    Answer answer = client_.amostra("GetProdAmostra", {"0001", "", "", "T"});
    ASSERT_EQ(answer.status, 200) << answer.body;
    QJsonArray rows = rowsOf(answer.result);
    EXPECT_EQ(rows.size(), count("SELECT COUNT(*) FROM PRODFILIAL WHERE CDFILIAL = '0001'"
                                 " AND IDATIVO = 'S' AND IDCONTROLAESTOQUE = 'S'"));
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.at(0)[0].toString(), "0001");
    const QString tree = rows.at(0)[1].toString();

    // One code, also typed with the picture's points.
    rows = rowsOf(client_.amostra("GetProdAmostra", {"0001", "", tree, ""}).result);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0)[1].toString(), tree);
    const QString masked = tree.left(1) + "." + tree.mid(1, 2) + "." + tree.mid(3);
    EXPECT_EQ(rowsOf(client_.amostra("GetProdAmostra", {"0001", "", masked, ""}).result).size(), 1);
    EXPECT_TRUE(
        rowsOf(client_.amostra("GetProdAmostra", {"0001", "", "999999", ""}).result).isEmpty());

    // With an invoice: its products, with the invoice's receiving branch.
    QSqlQuery& q = db().run("SELECT N.CDFILIAL, N.NRLANCTONF, N.CDFILIRECE FROM NOTAFISCENTR N"
                            " WHERE N.CDFILIRECE <> N.CDFILIAL ORDER BY N.NRLANCTONF");
    ASSERT_TRUE(q.next());
    const QString branch = q.value(0).toString(), launch = q.value(1).toString(),
                  receiving = q.value(2).toString();
    q.finish();
    rows = rowsOf(client_.amostra("GetProdAmostra", {branch, launch, "", "T"}).result);
    EXPECT_EQ(rows.size(),
              count("SELECT COUNT(*) FROM ITEMNOTAFISCENTR WHERE CDFILIAL = :F AND NRLANCTONF = :L",
                    {{"F", branch}, {"L", launch}}));
    ASSERT_FALSE(rows.isEmpty());
    for (const QJsonValue& row : rows)
        EXPECT_EQ(row[0].toString(), receiving);
}

TEST_P(ReadMethods, InvoiceQuantityOfAProduct) {
    QSqlQuery& q =
        db().run("SELECT I.CDFILIAL, I.NRLANCTONF, N.CDFILIRECE, I.CDPRODUTO, I.QTITEMNF"
                 " FROM ITEMNOTAFISCENTR I JOIN NOTAFISCENTR N ON N.CDFILIAL = I.CDFILIAL"
                 " AND N.NRLANCTONF = I.NRLANCTONF ORDER BY I.NRLANCTONF");
    ASSERT_TRUE(q.next());
    const QString branch = q.value(0).toString(), launch = q.value(1).toString(),
                  receiving = q.value(2).toString(), product = q.value(3).toString();
    const double quantity = q.value(4).toDouble();
    q.finish();
    QJsonArray rows =
        rowsOf(checked(client_.amostra("GetValidQuant", {launch, branch, receiving, product})));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_DOUBLE_EQ(rows.at(0)[0].toDouble(), quantity);
    // The screen may send an empty receiving branch (no product lookup since it opened).
    EXPECT_EQ(
        rowsOf(checked(client_.amostra("GetValidQuant", {launch, branch, "", product}))).size(), 1);
    // A product that is not on the invoice has no row: the screen reads the limit as zero.
    EXPECT_TRUE(rowsOf(checked(client_.amostra("GetValidQuant", {launch, branch, receiving, "0"})))
                    .isEmpty());
}

TEST_P(ReadMethods, StockPositionOnTheProcessingDate) {
    const SampleCase c = findSampleCase(db());
    const QString date = scalar(db(), "SELECT DTPROCESSAMENTO FROM FILIAL WHERE CDFILIAL = '0001'")
                             .toString()
                             .left(10);
    // The screen's range: the code and the code extended with "z" to ten characters.
    const QJsonArray rows = rowsOf(checked(client_.amostra(
        "GetPosicao", {"0001", date, c.tree, c.tree + QString(10 - c.tree.size(), 'z')})));
    ASSERT_GE(rows.size(), 1);
    EXPECT_EQ(rows.at(0)[0].toString(), c.tree);
    EXPECT_DOUBLE_EQ(rows.at(0)[5].toDouble(), c.stock);

    // The day before, the position of that day answers; before every position, none.
    const QString yesterday =
        QDate::fromString(date, Qt::ISODate).addDays(-1).toString(Qt::ISODate);
    const double previous = scalar(db(),
                                   "SELECT QTESTOQDIA FROM POSICAOESTOQUE WHERE CDFILIAL = '0001'"
                                   " AND CDPRODUTO = :P AND DTPOSICAO = :D",
                                   {{"P", c.product}, {"D", yesterday}})
                                .toDouble();
    EXPECT_DOUBLE_EQ(
        rowsOf(checked(client_.amostra("GetPosicao", {"0001", yesterday, c.tree, c.tree})))
            .at(0)[5]
            .toDouble(),
        previous);
    EXPECT_TRUE(
        rowsOf(checked(client_.amostra("GetPosicao", {"0001", "2000-01-01", c.tree, c.tree})))
            .isEmpty());
    EXPECT_EQ(client_.amostra("GetPosicao", {"0001", "07/12/2026", c.tree, c.tree}).status, 400);
}

TEST_P(ReadMethods, InvoicesOfASupplierAndSeries) {
    QSqlQuery& q =
        db().run("SELECT CDFORNECED, CDSERIEENTR, NRNOTAFISC, VRNOTAFISC FROM NOTAFISCENTR"
                 " ORDER BY CDFORNECED, CDSERIEENTR");
    ASSERT_TRUE(q.next());
    const QString supplier = q.value(0).toString(), series = q.value(1).toString(),
                  number = q.value(2).toString();
    q.finish();
    QJsonArray rows = rowsOf(client_.amostra("GetNotaFiscal", {supplier, series, "", "T"}).result);
    EXPECT_EQ(rows.size(),
              count("SELECT COUNT(*) FROM NOTAFISCENTR WHERE CDFORNECED = :F AND CDSERIEENTR = :S",
                    {{"F", supplier}, {"S", series}}));
    rows = rowsOf(client_.amostra("GetNotaFiscal", {supplier, series, number, ""}).result);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0)[0].toString(), number);
    EXPECT_EQ(rows.at(0)[3].toString(), supplier);
    // The value is text for the user: thousands point, decimal comma.
    EXPECT_TRUE(QRegularExpression("^\\d{1,3}(\\.\\d{3})*,\\d{2}$")
                    .match(rows.at(0)[4].toString())
                    .hasMatch())
        << rows.at(0)[4].toString().toStdString();
    EXPECT_TRUE(rowsOf(client_.amostra("GetNotaFiscal", {supplier, series, "000000000", ""}).result)
                    .isEmpty());
}

TEST_P(ReadMethods, StockObjectAnswersBranchParametersAndProductDefaults) {
    RpcClient& c = client_;
    const QString stock = "Est00000.rdmEstoque";
    Answer answer = c.call(stock, "GetParamEstoque", {"0001", "E", "10"});
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(fieldNames(answer.result), QStringList({"IDBLPRCOMEST", "NRTAMNUMNFUT"}));
    EXPECT_EQ(rowsOf(answer.result).at(0)[0].toString(), "S");
    EXPECT_EQ(
        rowsOf(c.call(stock, "GetParamEstoque", {"0002", "E", "10"}).result).at(0)[0].toString(),
        "N");
    EXPECT_TRUE(rowsOf(c.call(stock, "GetParamEstoque", {"9999", "E", "10"}).result).isEmpty());

    const SampleCase sample = findSampleCase(db());
    answer = c.call(stock, "GetAlmoxarifadoPadrao", {"0001", sample.product});
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(answer.result.toString(), "A01");
    answer = c.call(stock, "GetLocalEstoquePadrao", {"0002", sample.product});
    EXPECT_TRUE(answer.result.toString().startsWith("L02-")) << answer.body;
    // A product group (level 1) is not registered in any branch.
    const QString group =
        scalar(db(), "SELECT CDPRODUTO FROM PRODUTO WHERE CDNVPRODUTO = 1").toString();
    answer = c.call(stock, "GetAlmoxarifadoPadrao", {"0001", group});
    EXPECT_EQ(answer.status, 422);
    EXPECT_TRUE(answer.message.contains(group)) << answer.message.toStdString();
}

// A list read straight through the database's client library is the text of its packet read
// through QtSql, byte for byte: texts with quotes, controls and letters beyond ASCII, empty and
// null values, decimals and whole numbers, a bound value choosing the rows.
TEST_P(ReadMethods, ListReadDirectlyIsTheTextOfItsPacketReadThroughQtSql) {
    server::Session& s = db();
    s.execDirect(s.dialect().ddl(
        "CREATE TABLE IF NOT EXISTS LEITURADIRETA (K VARCHAR(4) NOT NULL PRIMARY KEY,"
        " S VARCHAR(60), D ${DOUBLE}, I ${BIGINT})"));
    s.execDirect("DELETE FROM LEITURADIRETA");
    const QVariantList texts{QString::fromUtf8("aspas \" barra \\ /\b\f\n\r\t\x01\x1f fim"),
                             QString::fromUtf8("Ação São João € \U0001F33D"), QString(""),
                             QVariant(), QStringLiteral("1,5")};
    const QVariantList numbers{0.1, 1234567.891, 100000.0, -2.5e-7, QVariant()};
    const QVariantList whole{QVariant(), 0LL, 4503599627370497LL, -42LL, 123456789012LL};
    for (int k = 0; k < 5; ++k)
        s.run("INSERT INTO LEITURADIRETA (K, S, D, I) VALUES (:K, :S, :D, :I)",
              {{"K", QString::number(k)}, {"S", texts[k]}, {"D", numbers[k]}, {"I", whole[k]}});
    const QString sql = "SELECT S, D, I FROM LEITURADIRETA WHERE K >= :K ORDER BY K";
    const QList<dataset::FieldDef> fields{
        server::text("S", 60), server::number("D"), {"I", dataset::FieldType::Integer, 0}};
    const QByteArray direct = server::packetTextFromSql(s, sql, {{"K", "1"}}, fields);
    const dataset::DataPacket viaQt = server::packetFromQuery(s.run(sql, {{"K", "1"}}), fields);
    ASSERT_EQ(viaQt.rows.size(), 4);
    EXPECT_EQ(direct.toStdString(), QJsonDocument(dataset::dataPacketToJson(viaQt))
                                        .toJson(QJsonDocument::Compact)
                                        .toStdString());
    EXPECT_EQ(dataset::dataPacketFromJsonText(direct).rows.at(0).at(0), texts[1]);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReadMethods,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
