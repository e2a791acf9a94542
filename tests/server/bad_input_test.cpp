// Bad requests get a 4xx with a clear message, change nothing and leave the server serving.
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QJsonArray rowsOf(const QJsonValue& packet) {
    return packet.toObject().value("rows").toArray();
}

class BadInput : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { before_ = snapshot(); }
    void TearDown() override {
        EXPECT_EQ(snapshot(), before_) << "the database changed";
        // Still serving.
        const Answer answer =
            client_.call("Est00000.rdmEstoque", "GetParamEstoque", {"0001", "E", "10"});
        EXPECT_EQ(answer.status, 200) << answer.body;
    }
    QList<QVariant> snapshot() {
        server::Session& db = server_.database().session();
        return {scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC"),
                scalar(db, "SELECT COUNT(*) FROM ITEMAMOSTRAPROC"),
                scalar(db, "SELECT SUM(QTPRODPROC) FROM AMOSTRAPROC"),
                scalar(db, "SELECT MAX(DSAMOSTRA) FROM AMOSTRAPROC"),
                scalar(db, "SELECT NRULTIMO FROM NUMERADOR"),
                scalar(db, "SELECT COUNT(*) FROM PRODUTO")};
    }
    void expectError(const Answer& answer, int status, const QString& code,
                     const QString& messageStart) {
        EXPECT_EQ(answer.status, status) << answer.body;
        EXPECT_EQ(answer.errorCode, code) << answer.body;
        EXPECT_TRUE(answer.message.startsWith(messageStart)) << answer.body;
    }

    TestServer server_{GetParam()};
    RpcClient client_{server_.port(), server_.token()};
    QList<QVariant> before_;
};

const std::string kItems = "/rpc/Est25000.rdmAmostraProc/GetItemAmostra";
const std::string kConfirm = "/rpc/Est25000.rdmAmostraProc/ConfirmaAmostra";

TEST_P(BadInput, MalformedBodies) {
    expectError(client_.raw(kItems, "[\"0000000001\", \"3\""), 400, "bad_json", "JSON inválido");
    expectError(client_.raw(kItems, ""), 400, "bad_json", "JSON inválido");
    expectError(client_.raw(kItems, "{\"args\": [1]}"), 400, "bad_request",
                "O corpo deve ser uma lista JSON de argumentos.");
    expectError(
        client_.raw(kConfirm, "[null, {\"fields\": [], \"changes\": [{\"type\": \"upsert\"}]}]"),
        400, "bad_request", "ConfirmaAmostra: argumento 2: alteração 1: tipo desconhecido");
    expectError(client_.raw(kConfirm,
                            "[null, {\"fields\": [{\"name\": \"QTPRODPROC\", \"type\": \"float\"}],"
                            " \"changes\": [{\"type\": \"insert\", \"new\": [\"dez\"]}]}]"),
                400, "bad_request", "ConfirmaAmostra: argumento 2");
    expectError(client_.raw(kConfirm, "[\"texto\", null]"), 400, "bad_request",
                "ConfirmaAmostra: argumento 1");
    // Well-formed change packets, but not two of them, or text that is not UTF-8.
    expectError(client_.raw(kConfirm, "[null, null, null]"), 400, "bad_request",
                "ConfirmaAmostra espera 2 argumentos, recebeu 3.");
    expectError(client_.raw(kConfirm, "[null]"), 400, "bad_request",
                "ConfirmaAmostra espera 2 argumentos, recebeu 1.");
    expectError(client_.raw(kConfirm, "[null, {\"fields\": [{\"name\": \"DSAMOSTRA\", \"type\": "
                                      "\"string\"}], \"changes\": [{\"type\": \"insert\", \"new\": "
                                      "[\"\xc3\x28\"]}]}]"),
                400, "bad_json", "JSON inválido");
    expectError(client_.raw(kConfirm, "[null, null] ]"), 400, "bad_json", "JSON inválido");
}

TEST_P(BadInput, WrongNumberOrTypeOfArguments) {
    expectError(client_.amostra("GetItemAmostra", {"0000000001"}), 400, "bad_request",
                "GetItemAmostra espera 2 argumentos, recebeu 1.");
    expectError(client_.amostra("GetAmostraProc", {"T", " ", " "}), 400, "bad_request",
                "GetAmostraProc espera 8 argumentos, recebeu 3.");
    expectError(client_.amostra("GetItemAmostra", {1, "3"}), 400, "bad_request",
                "GetItemAmostra: argumento 1 deve ser um texto.");
    expectError(client_.amostra("GetProdAmostra", {"0001", QJsonArray{}, "", "T"}), 400,
                "bad_request", "GetProdAmostra: argumento 2 deve ser um texto.");
    expectError(client_.amostra("GetPosicao", {"0001", "2026-02-30", "1", "1"}), 400, "bad_request",
                "GetPosicao: argumento 2 deve ser uma data");
    expectError(client_.amostra("ConfirmaAmostra", {}), 400, "bad_request",
                "ConfirmaAmostra espera 2 argumentos, recebeu 0.");
}

// Text that no database can store as sent: a lone half of a surrogate pair, a NUL. An escaped
// backslash before "u" is only text.
TEST_P(BadInput, TextThatIsNotUnicode) {
    expectError(client_.raw(kItems, "[\"\\ud800\", \"3\"]"), 400, "bad_text", "Texto com");
    expectError(client_.raw(kItems, "[\"a\\udc00b\", \"3\"]"), 400, "bad_text", "Texto com");
    expectError(client_.raw(kItems, "[\"\\u0000\", \"3\"]"), 400, "bad_text", "Texto com");
    const SampleCase c = findSampleCase(server_.database().session());
    QByteArray body = QJsonDocument(confirmArgs({{"DSAMOSTRA", "Meia PLACEHOLDER"},
                                                 {"CDPRODUTO", c.product},
                                                 {"QTPRODPROC", 5.0},
                                                 {"CDFILIAL", "0001"}},
                                                {{c.item1, 5, "S"}}))
                          .toJson(QJsonDocument::Compact);
    body.replace("PLACEHOLDER", "\\ud83d fim");
    expectError(client_.raw(kConfirm, body.toStdString()), 400, "bad_text", "Texto com");
    // A whole pair and an escaped backslash are fine.
    EXPECT_EQ(client_.raw(kItems, "[\"\\ud83d\\ude00\", \"3\"]").status, 200);
    EXPECT_EQ(client_.raw(kItems, "[\"\\\\ud800\", \"3\"]").status, 200);
}

// A deletion or modification must carry the whole stored row, else the conflict check could
// not see a change another user made to a column left out; and a sample has a bounded number
// of items, checked before any work.
TEST_P(BadInput, PartialBeforeImagesAndTooManyItems) {
    const QJsonArray onlyNumber{
        QJsonObject{{"name", "NRAMOSTRA"}, {"type", "string"}, {"size", 10}}};
    const QJsonObject deletion{
        {"fields", onlyNumber},
        {"changes",
         QJsonArray{QJsonObject{{"type", "delete"}, {"old", QJsonArray{"0000000001"}}}}}};
    expectError(client_.amostra("ConfirmaAmostra", {QJsonValue(), deletion}), 400, "bad_request",
                "Alteração de amostra sem a imagem anterior completa");
    const QJsonObject itemDeletion{
        {"fields", onlyNumber},
        {"changes",
         QJsonArray{QJsonObject{{"type", "delete"}, {"old", QJsonArray{"0000000001"}}}}}};
    expectError(client_.amostra("ConfirmaAmostra", {itemDeletion, QJsonValue()}), 400,
                "bad_request", "Alteração de item sem a imagem anterior completa");

    const SampleCase c = findSampleCase(server_.database().session());
    QList<NewItem> items;
    for (int i = 0; i < 501; ++i)
        items.append({c.item1, 0.01, i == 0 ? "S" : "N"});
    expectError(client_.amostra("ConfirmaAmostra", confirmArgs({{"DSAMOSTRA", "Muitos itens"},
                                                                {"CDPRODUTO", c.product},
                                                                {"QTPRODPROC", 5.01},
                                                                {"CDFILIAL", "0001"}},
                                                               items)),
                422, "refused", "A amostra pode ter no máximo 500 itens.");
}

TEST_P(BadInput, OversizedBody) {
    const std::string huge = "[\"" + std::string(9 * 1024 * 1024, 'x') + "\", \"3\"]";
    expectError(client_.raw(kItems, huge), 413, "too_large", "Requisição maior que o limite");
}

TEST_P(BadInput, UnknownObjectMethodOrPath) {
    expectError(client_.call("Est99999.rdmNada", "GetItemAmostra", {"1", "3"}), 404,
                "unknown_object", "Objeto desconhecido no servidor: Est99999.rdmNada.");
    expectError(client_.amostra("DropTables", {}), 404, "unknown_method",
                "Método desconhecido: Est25000.rdmAmostraProc.DropTables.");
    expectError(client_.raw("/nada", "[]"), 404, "not_found", "Recurso desconhecido");
    expectError(client_.raw("/rpc/Est25000.rdmAmostraProc", "[]"), 404, "not_found",
                "Recurso desconhecido");
}

TEST_P(BadInput, MissingOrWrongToken) {
    expectError(client_.raw(kItems, "[\"1\", \"3\"]", std::string(), false), 401, "unauthorized",
                "Token de acesso ausente ou inválido.");
    expectError(client_.raw(kItems, "[\"1\", \"3\"]", "segredO"), 401, "unauthorized",
                "Token de acesso ausente ou inválido.");
    expectError(client_.raw(kItems, "[\"1\", \"3\"]", "segredo-mais-longo"), 401, "unauthorized",
                "Token de acesso ausente ou inválido.");
    // The token is checked before anything about the request is revealed.
    expectError(client_.raw("/rpc/Est99999.rdmNada/X", "[", std::string(), false), 401,
                "unauthorized", "Token de acesso ausente ou inválido.");
}

TEST_P(BadInput, QuotesAndSqlInTextAreOnlyText) {
    const QString injection = "0' OR '1'='1";
    EXPECT_TRUE(rowsOf(client_.amostra("GetItemAmostra", {injection, "3"}).result).isEmpty());
    const Answer list =
        client_.amostra("GetAmostraProc", {"T", " ", " ", " ", "x' OR 1=1 --", "T", " ", " "});
    ASSERT_EQ(list.status, 200) << list.body;
    EXPECT_TRUE(rowsOf(list.result.toObject().value("data").toArray().at(0)).isEmpty());
    EXPECT_TRUE(
        rowsOf(client_.amostra("GetNotaFiscal", {"'; DELETE FROM NOTAFISCENTR; --", "1", "", "T"})
                   .result)
            .isEmpty());
    const Answer stock = client_.call("Est00000.rdmEstoque", "GetAlmoxarifadoPadrao",
                                      {"0001", "1'); DROP TABLE PRODUTO; --"});
    EXPECT_EQ(stock.status, 422) << stock.body;
    // A refused confirmation whose description is SQL: the refusal names no table, and
    // nothing is run.
    const SampleCase c = findSampleCase(server_.database().session());
    const Answer refused = client_.amostra(
        "ConfirmaAmostra", confirmArgs({{"DSAMOSTRA", "x'); DROP TABLE AMOSTRAPROC; --"},
                                        {"CDPRODUTO", c.product},
                                        {"QTPRODPROC", 5.0},
                                        {"CDFILIAL", "0001"}},
                                       {{c.item1, 4, "S"}}));
    EXPECT_EQ(refused.status, 422) << refused.body;
}

// Stored text keeps every quote as typed (outside the unchanged-database fixture).
TEST(QuotedText, IsStoredAndReadBackExactly) {
    TestServer server(Backend::Sqlite);
    RpcClient client(server.port(), server.token());
    const SampleCase c = findSampleCase(server.database().session());
    const QString text = "O'Brien \"teste\"; DROP TABLE X; --";
    const Answer answer = client.amostra("ConfirmaAmostra", confirmArgs({{"DSAMOSTRA", text},
                                                                         {"CDPRODUTO", c.product},
                                                                         {"QTPRODPROC", 5.0},
                                                                         {"CDFILIAL", "0001"}},
                                                                        {{c.item1, 5, "S"}}));
    ASSERT_EQ(answer.status, 200) << answer.body;
    const QString number = answer.result.toArray().at(1).toString();
    EXPECT_EQ(scalar(server.database().session(),
                     "SELECT DSAMOSTRA FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}})
                  .toString(),
              text);
}

// Text the JSON parser takes but the one-pass reader leaves to it (a tab typed into a text, a
// key given twice) is still confirmed, and stored as the parser reads it.
TEST(LenientJson, IsConfirmedAsTheParserReadsIt) {
    TestServer server(Backend::Sqlite);
    RpcClient client(server.port(), server.token());
    const SampleCase c = findSampleCase(server.database().session());
    const QJsonArray args = confirmArgs({{"DSAMOSTRA", "Com\ttabulação"},
                                         {"CDPRODUTO", c.product},
                                         {"QTPRODPROC", 5.0},
                                         {"CDFILIAL", "0001"}},
                                        {{c.item1, 5, "S"}});
    QByteArray body = QJsonDocument(args).toJson(QJsonDocument::Compact);
    ASSERT_TRUE(body.contains("Com\\ttabula"));
    body.replace("Com\\ttabula", "Com\ttabula");
    const qsizetype insert = body.indexOf("\"type\":\"insert\"");
    ASSERT_GE(insert, 0);
    body.insert(insert, "\"type\":\"delete\",");
    const Answer answer = client.raw(kConfirm, body.toStdString());
    ASSERT_EQ(answer.status, 200) << answer.body;
    const QString number = answer.result.toArray().at(1).toString();
    EXPECT_EQ(scalar(server.database().session(),
                     "SELECT DSAMOSTRA FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}})
                  .toString(),
              QString::fromUtf8("Com\ttabulação"));
    EXPECT_EQ(scalar(server.database().session(),
                     "SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}})
                  .toInt(),
              1);
}

INSTANTIATE_TEST_SUITE_P(Backends, BadInput, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
