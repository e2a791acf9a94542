// The module's direct reads (the lookup queries of the screen and of the filter dialog) run
// unchanged on both databases through TADOIBQuery; the product library on top of them.
#include "TestSupport.h"

#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/database/Qrddlgs.h>
#include <host/library/Lib00210.h>
#include <server/DemoData.h>
#include <server/Schema.h>

#include <QUrl>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The statements as the forms hold them, line by line.
const QStringList kSerieNF{"SELECT CDSERIEENTR, DSSERIEENTR", "FROM SERIEENTR",
                           "WHERE ((CDSERIEENTR = :P_CDSERIEENTR) OR (:P_TCDSERIEENTR = 'T'))",
                           "ORDER BY CDSERIEENTR"};
const QStringList kFornecedor{
    "SELECT CDFORNECED, IDTPIJURFORN, NRINSJURFORN,", "       NMRAZSOCFORN", "FROM FORNECEDOR",
    "WHERE ((NRINSJURFORN = :P_NRINSJURFORN) OR (:P_TNRINSJURFORN = 'T'))",
    "ORDER BY NMRAZSOCFORN"};
const QStringList kValidProdItem{"SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD",
                                 "FROM PRODUTO PR", "WHERE (PR.CDARVPROD  = :P_CDPRODUTO)",
                                 "ORDER BY PR.CDARVPROD"};
const QStringList kProdItem{"SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD",
                            "FROM PRODUTO PR", "WHERE (PR.CDNVPRODUTO = :P_CDNVPRODUTO)",
                            "ORDER BY PR.CDARVPROD"};
// The filter dialog's four queries.
const QStringList kFiltroFornecedor{
    "SELECT CDFORNECED, IDTPIJURFORN, NRINSJURFORN, NMRAZSOCFORN, IDSITUCADA", "FROM FORNECEDOR",
    "ORDER BY NMRAZSOCFORN"};
const QStringList kValidForn{"SELECT IDTPIJURFORN, NRINSJURFORN, NMRAZSOCFORN", "FROM FORNECEDOR",
                             "WHERE NRINSJURFORN = :P_NRINSJURFORN"};
const QStringList kProduto{"SELECT CDARVPROD, CDPRODUTO, NMPRODUTO, CDNVPRODUTO", "FROM PRODUTO",
                           "ORDER BY CDARVPROD"};
const QStringList kValidProd{"SELECT CDARVPROD, CDPRODUTO, NMPRODUTO, CDNVPRODUTO", "FROM PRODUTO",
                             "WHERE CDARVPROD = :P_CDPRODUTO"};

QStringList column(TADOIBQuery& query, const QString& field) {
    QStringList values;
    dataset::ClientDataSet* data = query.Query();
    for (data->first(); !data->eof(); data->next())
        values << data->fieldByName(field)->asString();
    return values;
}

QString failure(const std::function<void()>& call) {
    try {
        call();
    } catch (const host::EHostError& e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

class ReferenceSql : public ::testing::TestWithParam<Backend> {
protected:
    static ScratchDatabase& databaseFor(Backend backend) {
        auto& slot = databases_[backend == Backend::Sqlite ? 0 : 1];
        if (!slot) {
            slot = std::make_unique<ScratchDatabase>(backend);
            server::createSchema(slot->session());
            server::fillDemoData(slot->session(), 1);
        }
        return *slot;
    }
    static void TearDownTestSuite() {
        dtmDBGeral::Close();
        for (auto& slot : databases_)
            slot.reset();
    }
    void SetUp() override { dtmDBGeral::Open(database_.url()); }
    void TearDown() override { dtmDBGeral::Close(); }
    server::Session& db() { return database_.session(); }
    int count(const QString& sql, const QVariantHash& values = {}) {
        return scalar(db(), sql, values).toInt();
    }

    static inline std::unique_ptr<ScratchDatabase> databases_[2];
    ScratchDatabase& database_ = databaseFor(GetParam());
};

TEST_P(ReferenceSql, SeriesLookupListsAllOrOne) {
    TADOIBQuery query;
    query.SQL = kSerieNF;
    query.Close();
    query.ParamByName("P_CDSERIEENTR")->SetAsString("");
    query.ParamByName("P_TCDSERIEENTR")->SetAsString("T");
    query.Open();
    EXPECT_EQ(column(query, "CDSERIEENTR"), QStringList({"1", "2", "PR", "U"}));
    query.Close();
    query.ParamByName("P_CDSERIEENTR")->SetAsString("U");
    query.ParamByName("P_TCDSERIEENTR")->SetAsString("");
    query.Open();
    ASSERT_FALSE(query.IsEmpty());
    EXPECT_EQ(query.FieldByName("DSSERIEENTR")->asString(), QStringLiteral("Série única"));
    EXPECT_EQ(query.Query()->recordCount(), 1);
    query.Close();
    query.ParamByName("P_CDSERIEENTR")->SetAsString("u"); // codes are compared as stored
    query.Open();
    EXPECT_TRUE(query.IsEmpty());
}

TEST_P(ReferenceSql, SupplierLookupIsKeyedByTaxIdAndOrderedByName) {
    TADOIBQuery query;
    query.SQL = kFornecedor;
    query.ParamByName("P_NRINSJURFORN")->SetAsString("");
    query.ParamByName("P_TNRINSJURFORN")->SetAsString("T");
    query.Open();
    const QStringList names = column(query, "NMRAZSOCFORN");
    ASSERT_EQ(names.size(), count("SELECT COUNT(*) FROM FORNECEDOR"));
    for (qsizetype i = 1; i < names.size(); ++i)
        ASSERT_LE(names.at(i - 1).toUtf8(), names.at(i).toUtf8()); // byte order on both databases
    const QString taxId = column(query, "NRINSJURFORN").at(3);
    query.Close();
    query.ParamByName("P_NRINSJURFORN")->SetAsString(taxId);
    query.ParamByName("P_TNRINSJURFORN")->SetAsString("");
    query.Open();
    EXPECT_EQ(query.Query()->recordCount(), 1);
    EXPECT_EQ(query.FieldByName("NRINSJURFORN")->asString(), taxId);
    // The supplier code is not the key.
    const QString code = query.FieldByName("CDFORNECED")->asString();
    query.Close();
    query.ParamByName("P_NRINSJURFORN")->SetAsString(code);
    query.Open();
    EXPECT_TRUE(query.IsEmpty());
}

TEST_P(ReferenceSql, ProductQueriesByTreeCodeAndByLevel) {
    TADOIBQuery valid;
    valid.SQL = kValidProdItem;
    const QString tree =
        scalar(db(), "SELECT MIN(CDARVPROD) FROM PRODUTO WHERE CDNVPRODUTO = 3").toString();
    valid.ParamByName("P_CDPRODUTO")->SetAsString(tree);
    valid.Open();
    ASSERT_FALSE(valid.IsEmpty());
    EXPECT_EQ(valid.FieldByName("CDARVPROD")->asString(), tree);
    EXPECT_EQ(valid.FieldByName("CDPRODUTO")->asString(),
              scalar(db(), "SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = :T", {{"T", tree}})
                  .toString());
    valid.Close();
    valid.ParamByName("P_CDPRODUTO")->SetValue(QVariant(QStringLiteral("9z")));
    valid.Open();
    EXPECT_TRUE(valid.IsEmpty());

    // The level arrives as decimal text, as the screen sends the picture's level count.
    TADOIBQuery level;
    level.SQL = kProdItem;
    level.ParamByName("P_CDNVPRODUTO")->SetAsString("3");
    level.Open();
    const QStringList codes = column(level, "CDARVPROD");
    EXPECT_EQ(codes.size(), count("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 3"));
    QStringList sorted = codes;
    sorted.sort();
    EXPECT_EQ(codes, sorted);
    for (const QString& code : codes)
        ASSERT_EQ(code.size(), 6);
}

TEST_P(ReferenceSql, FilterDialogQueries) {
    TADOIBQuery suppliers, validForn, products, validProd;
    suppliers.SQL = kFiltroFornecedor;
    suppliers.Open();
    EXPECT_EQ(suppliers.Query()->recordCount(), count("SELECT COUNT(*) FROM FORNECEDOR"));
    EXPECT_EQ(suppliers.FieldByName("IDSITUCADA")->asString(), "ATIVO");
    const QString taxId = suppliers.FieldByName("NRINSJURFORN")->asString();

    validForn.SQL = kValidForn;
    validForn.ParamByName("P_NRINSJURFORN")->SetAsString(taxId);
    validForn.Open();
    EXPECT_EQ(validForn.FieldByName("NMRAZSOCFORN")->asString(),
              suppliers.FieldByName("NMRAZSOCFORN")->asString());

    products.SQL = kProduto;
    products.Open();
    EXPECT_EQ(products.Query()->recordCount(), count("SELECT COUNT(*) FROM PRODUTO"));
    EXPECT_EQ(products.FieldByName("CDARVPROD")->asString(), "1");
    EXPECT_EQ(products.FieldByName("CDNVPRODUTO")->asString(), "1");

    validProd.SQL = kValidProd;
    validProd.ParamByName("P_CDPRODUTO")->SetAsString("101");
    validProd.Open();
    EXPECT_EQ(validProd.FieldByName("CDNVPRODUTO")->asString(), "2");
    EXPECT_EQ(validProd.FieldByName("NMPRODUTO")->asString(), "Soja");
}

TEST_P(ReferenceSql, QueryComponentKeepsParametersFieldsAndReportsErrors) {
    TADOIBQuery query;
    query.SQL = QStringList{"SELECT CDFILIAL, NMFILIAL, ':NAO' AS TEXTO FROM FILIAL",
                            "WHERE CDFILIAL >= :P_DE ORDER BY CDFILIAL"};
    EXPECT_EQ(query.GetIBParams().Count(), 1);
    EXPECT_TRUE(ExistParam(query.GetIBParams(), "p_de"));
    EXPECT_FALSE(ExistParam(query.GetIBParams(), "NAO"));
    EXPECT_FALSE(ExistParam(query.GetIBParams(), "P_CDFILIAL"));
    EXPECT_TRUE(failure([&] { query.ParamByName("P_CDFILIAL"); }).contains("P_CDFILIAL"));

    // Fields defined by the form keep their settings across openings.
    dataset::Field* name = query.Query()->addField("NMFILIAL", dataset::FieldType::String, 40);
    name->setDisplayLabel("Filial");
    query.Query()->addField("CDFILIAL", dataset::FieldType::String, 4);
    int opened = 0;
    query.BeforeOpen = [&](TADOIBQuery& sender) {
        EXPECT_EQ(&sender, &query);
        ++opened;
        if (ExistParam(sender.GetIBParams(), "P_DE"))
            sender.ParamByName("P_DE")->SetAsString("0002");
    };
    query.Open();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(query.Query()->recordCount(), 2);
    EXPECT_EQ(query.FieldByName("CDFILIAL")->asString(), "0002");
    EXPECT_EQ(query.Query()->fieldByName("NMFILIAL")->displayLabel(), "Filial");
    EXPECT_EQ(query.Query()->findField("TEXTO"), nullptr);

    // A changed statement keeps the values of the parameters it still has.
    query.Close();
    query.SQL.last() = "WHERE CDFILIAL >= :P_DE AND NMFILIAL <> :P_NOME ORDER BY CDFILIAL";
    EXPECT_EQ(query.ParamByName("P_DE")->AsString(), "0002");
    EXPECT_TRUE(query.ParamByName("P_NOME")->IsNull());
    query.BeforeOpen = nullptr;
    query.Open(); // a parameter never set is null, which matches nothing
    EXPECT_TRUE(query.IsEmpty());

    query.Close();
    query.SQL = QStringList{"SELECT NADA FROM TABELA_QUE_NAO_EXISTE"};
    EXPECT_TRUE(failure([&] { query.Open(); }).startsWith("Erro na consulta ao banco de dados"));
    EXPECT_TRUE(query.IsEmpty());
}

// A value is data whatever it holds: quotes, backslashes, a comment, a parameter's name.
TEST_P(ReferenceSql, ValuesAreReadAsTyped) {
    TADOIBQuery query;
    query.SQL = QStringList{"SELECT CDFILIAL, CAST(:P_ECO AS VARCHAR(80)) AS ECO FROM FILIAL",
                            "WHERE CDFILIAL = :P_DE"};
    const QString typed = "O'Brien \\' \\\\ '' -- :P_DE /* ; DROP TABLE FILIAL";
    query.ParamByName("P_ECO")->SetAsString(typed);
    query.ParamByName("P_DE")->SetAsString("0002");
    query.Open();
    ASSERT_EQ(query.Query()->recordCount(), 1);
    EXPECT_EQ(query.FieldByName("CDFILIAL")->asString(), "0002");
    EXPECT_EQ(query.FieldByName("ECO")->asString(), typed);
    query.Close();
    query.ParamByName("P_DE")->SetAsString("0002' OR 'x' = 'x");
    query.Open();
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_EQ(failure([&] { Lib00210::Validacao_Produto("0001", "9'\\", "S"); }),
              QStringLiteral("Produto 9'\\ não cadastrado."));
}

TEST_P(ReferenceSql, ProductValidationAndSearchOfTheBranch) {
    auto treeWhere = [&](const QString& condition) {
        return scalar(db(), "SELECT MIN(P.CDARVPROD) FROM PRODUTO P JOIN PRODFILIAL F ON "
                            "F.CDPRODUTO = P.CDPRODUTO"
                            " WHERE F.CDFILIAL = '0001' AND " +
                                condition)
            .toString();
    };
    const QString usable = treeWhere("F.IDATIVO = 'S' AND F.IDBLOQUEADO = 'N'");
    const QString inactive = treeWhere("F.IDATIVO = 'N'");
    const QString blocked = treeWhere("F.IDATIVO = 'S' AND F.IDBLOQUEADO = 'S'");
    ASSERT_FALSE(usable.isEmpty());
    ASSERT_FALSE(inactive.isEmpty());
    ASSERT_FALSE(blocked.isEmpty());

    EXPECT_NO_THROW(Lib00210::Validacao_Produto("0001", usable, "S"));
    EXPECT_EQ(failure([&] { Lib00210::Validacao_Produto("0001", inactive, "N"); }),
              QStringLiteral("Produto %1 inativo para a filial 0001.").arg(inactive));
    EXPECT_EQ(failure([&] { Lib00210::Validacao_Produto("0001", blocked, "S"); }),
              QStringLiteral("Produto %1 bloqueado para a filial 0001.").arg(blocked));
    EXPECT_NO_THROW(Lib00210::Validacao_Produto("0001", blocked, "N")); // the branch does not block
    EXPECT_EQ(
        failure([&] { Lib00210::Validacao_Produto("0001", "1", "S"); }),
        QStringLiteral("Produto 1 não cadastrado para a filial 0001.")); // a group of the tree
    EXPECT_EQ(failure([&] { Lib00210::Validacao_Produto("0001", "999999", "S"); }),
              QStringLiteral("Produto 999999 não cadastrado."));

    // The search as the item grid runs it: prepare, then fill the parameters on opening.
    TADOIBQuery search;
    search.SQL = kProdItem;
    const QString text = Lib00210::SQL_Pesquisa_Produto("0001", "S", &search, true);
    EXPECT_EQ(text, QStringLiteral("Produtos ativos e desbloqueados da filial 0001"));
    search.BeforeOpen = [](TADOIBQuery& q) {
        if (ExistParam(q.GetIBParams(), "P_CDNVPRODUTO"))
            q.ParamByName("P_CDNVPRODUTO")->SetAsString("3");
        if (ExistParam(q.GetIBParams(), "P_CDFILIAL"))
            q.ParamByName("P_CDFILIAL")->SetAsString("0001");
    };
    search.Open();
    const QStringList codes = column(search, "CDARVPROD");
    EXPECT_EQ(codes.size(),
              count("SELECT COUNT(*) FROM PRODFILIAL WHERE CDFILIAL = '0001' AND IDATIVO = 'S'"
                    " AND IDBLOQUEADO <> 'S'"));
    EXPECT_TRUE(codes.contains(usable));
    EXPECT_FALSE(codes.contains(inactive));
    EXPECT_FALSE(codes.contains(blocked));
    for (const char* field : {"CDARVPROD", "CDPRODUTO", "NMPRODUTO", "SGUNIDADE"})
        EXPECT_NE(search.Query()->findField(field), nullptr) << field;

    search.Close();
    Lib00210::SQL_Pesquisa_Produto("0002", "N", &search, true);
    search.Open();
    EXPECT_TRUE(column(search, "CDARVPROD").size() > codes.size() / 2);
}

// On PostgreSQL the desktop's direct reads go through the role that --init creates: it reads
// what the screens query and can neither write nor read the samples.
TEST(ReadOnlyRole, ReadsTheScreensTablesAndChangesNothing) {
    TestServer server(Backend::Postgres);
    QUrl url(server.database().url());
    url.setUserName(QString::fromLatin1(server::kReadOnlyRole));
    {
        dtmDBGeral::Open(url.toString());
        TADOIBQuery query;
        query.SQL = kProduto;
        query.Open();
        EXPECT_FALSE(query.IsEmpty());
        dtmDBGeral::Close();
    }
    server::Session reader(server::DatabaseUrl::parse(url.toString()), QStringLiteral("leitor"));
    for (const char* table :
         {"PRODUTO", "PRODFILIAL", "FORNECEDOR", "SERIEENTR", "FILIAL", "CONFIGURACAO"})
        EXPECT_NO_THROW(scalar(reader, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)))
            << table;
    EXPECT_THROW(reader.execDirect("UPDATE FORNECEDOR SET NMRAZSOCFORN = 'x'"), server::DbError);
    EXPECT_THROW(reader.execDirect("DELETE FROM PRODUTO"), server::DbError);
    EXPECT_THROW(scalar(reader, "SELECT COUNT(*) FROM AMOSTRAPROC"), server::DbError);
    EXPECT_THROW(scalar(reader, "SELECT COUNT(*) FROM NUMERADOR"), server::DbError);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReferenceSql,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
