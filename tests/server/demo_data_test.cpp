// The demo data: valid tax ids, a product tree that follows the picture, consistent
// samples and invoices; and the check digits themselves.
#include "TestSupport.h"

#include <server/DemoData.h>
#include <server/Schema.h>
#include <server/TaxId.h>

#include <QSet>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

TEST(TaxId, KnownNumbersAndTheAlphanumericCnpj) {
    EXPECT_TRUE(server::isValidCpf("52998224725"));
    EXPECT_FALSE(server::isValidCpf("52998224724"));
    EXPECT_FALSE(server::isValidCpf("11111111111")); // repeated digits pass the sums but are no CPF
    EXPECT_FALSE(server::isValidCpf("5299822472"));
    EXPECT_TRUE(server::isValidCnpj("11222333000181"));
    EXPECT_FALSE(server::isValidCnpj("11222333000182"));
    // The example of the alphanumeric form: 12.ABC.345/01DE-35.
    EXPECT_EQ(server::cnpjCheckDigits("12ABC34501DE"), "35");
    EXPECT_TRUE(server::isValidCnpj("12ABC34501DE35"));
    EXPECT_FALSE(server::isValidCnpj("12abc34501de35")); // letters are upper case
    EXPECT_FALSE(server::isValidCnpj("12ABC34501DE3A")); // check digits are digits
    EXPECT_FALSE(server::isValidCnpj("00000000000000"));
}

TEST(DemoData, ScalesLinearly) {
    const server::DemoCounts one = server::demoCounts(1);
    const server::DemoCounts big = server::demoCounts(200);
    EXPECT_EQ(big.products, 20000);
    EXPECT_EQ(big.suppliers, 2000);
    EXPECT_EQ(big.samples, 100000);
    EXPECT_EQ(one.samples * 200, big.samples);
}

class DemoDatabase : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        server::createSchema(database_.session());
        server::fillDemoData(database_.session(), 2);
    }
    server::Session& db() { return database_.session(); }
    int count(const QString& sql) { return scalar(db(), sql).toInt(); }
    ScratchDatabase database_{GetParam()};
};

TEST_P(DemoDatabase, SuppliersCarryValidTaxIdsOfBothPersonTypes) {
    QSqlQuery& q = db().run("SELECT IDTPIJURFORN, NRINSJURFORN, NMRAZSOCFORN FROM FORNECEDOR");
    int persons = 0, companies = 0, alphanumeric = 0;
    while (q.next()) {
        const QString type = q.value(0).toString(), id = q.value(1).toString();
        EXPECT_LE(q.value(2).toString().size(), 40);
        if (type == "F") {
            ++persons;
            EXPECT_TRUE(server::isValidCpf(id)) << id.toStdString();
        } else {
            ASSERT_EQ(type, "J");
            ++companies;
            EXPECT_TRUE(server::isValidCnpj(id)) << id.toStdString();
            bool digits = true;
            for (QChar c : id)
                digits = digits && c.isDigit();
            alphanumeric += digits ? 0 : 1;
        }
    }
    q.finish();
    EXPECT_GT(persons, 0);
    EXPECT_GT(companies, persons);
    EXPECT_GT(alphanumeric, 0);
    EXPECT_TRUE(server::isValidCnpj(
        scalar(db(), "SELECT NRINSJURFILI FROM FILIAL WHERE CDFILIAL = '0001'").toString()));
}

TEST_P(DemoDatabase, ProductTreeFollowsThePicture) {
    EXPECT_EQ(
        scalar(db(), "SELECT VALOR FROM CONFIGURACAO WHERE CHAVE = 'PICTURE_PRODUTO'").toString(),
        "9.99.999");
    QSqlQuery& q = db().run("SELECT CDARVPROD, CDNVPRODUTO, SGUNIDADE FROM PRODUTO");
    QSet<QString> codes, units;
    QList<QPair<QString, int>> all;
    while (q.next()) {
        all.append({q.value(0).toString(), q.value(1).toInt()});
        codes.insert(q.value(0).toString());
        if (q.value(1).toInt() == 3)
            units.insert(q.value(2).toString());
    }
    q.finish();
    const int lengths[] = {0, 1, 3, 6};
    for (const auto& [code, level] : all) {
        ASSERT_GE(level, 1);
        ASSERT_LE(level, 3);
        EXPECT_EQ(code.size(), lengths[level]) << code.toStdString();
        if (level > 1) {
            EXPECT_TRUE(codes.contains(code.left(lengths[level - 1])))
                << "parent of " << code.toStdString();
        }
    }
    EXPECT_EQ(units, QSet<QString>({"KG", "UN", "L", "CX"}));
    EXPECT_GE(count("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 3"), 200);
}

TEST_P(DemoDatabase, SamplesAreConsistentAndSomeAreProcessed) {
    const int samples = count("SELECT COUNT(*) FROM AMOSTRAPROC");
    EXPECT_GT(samples, 800);
    EXPECT_GT(count("SELECT COUNT(*) FROM AMOSTRAPROC WHERE IDPROCESSADO = 'S'"), 0);
    EXPECT_GT(count("SELECT COUNT(*) FROM AMOSTRAPROC WHERE NRLANCTONF IS NOT NULL"), 0);
    EXPECT_GT(count("SELECT COUNT(*) FROM AMOSTRAPROC WHERE NRLANCTONF IS NULL"), 0);
    // Every sample has items adding up to its quantity, of its unit, none its own product.
    EXPECT_EQ(count("SELECT COUNT(*) FROM AMOSTRAPROC A WHERE NOT EXISTS"
                    " (SELECT 1 FROM ITEMAMOSTRAPROC I WHERE I.NRAMOSTRA = A.NRAMOSTRA)"),
              0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM AMOSTRAPROC A WHERE ABS(A.QTPRODPROC - (SELECT "
                    "SUM(I.QTPRODGERADO)"
                    " FROM ITEMAMOSTRAPROC I WHERE I.NRAMOSTRA = A.NRAMOSTRA)) > 0.0005"),
              0);
    EXPECT_EQ(
        count(
            "SELECT COUNT(*) FROM ITEMAMOSTRAPROC I JOIN AMOSTRAPROC A ON A.NRAMOSTRA = I.NRAMOSTRA"
            " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO JOIN PRODUTO S ON S.CDPRODUTO = "
            "A.CDPRODUTO"
            " WHERE P.SGUNIDADE <> S.SGUNIDADE OR I.CDPRODUTO = A.CDPRODUTO"),
        0);
    // No invoice line is taken beyond its quantity.
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM ITEMNOTAFISCENTR L WHERE L.QTITEMNF + 0.0005 < (SELECT"
              " COALESCE(SUM(A.QTPRODPROC), 0) FROM AMOSTRAPROC A WHERE A.CDFILIAL = L.CDFILIAL"
              " AND A.NRLANCTONF = L.NRLANCTONF AND A.CDPRODUTO = L.CDPRODUTO)"),
        0);
    // The numerator continues after the last sample.
    EXPECT_EQ(scalar(db(), "SELECT NRULTIMO FROM NUMERADOR").toLongLong(),
              scalar(db(), "SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC").toString().toLongLong());
    EXPECT_FALSE(server::databaseIsEmpty(db()));
}

INSTANTIATE_TEST_SUITE_P(Backends, DemoDatabase,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
