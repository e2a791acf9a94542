// ConfirmaAmostra on SQLite and PostgreSQL: numbering, before-images, error rows, the
// invariants re-checked, and the invoice line never taken beyond its quantity.
#include "TestSupport.h"

#include <server/Accounts.h>
#include <server/SampleChanges.h>

#include <QDateTime>
#include <QJsonDocument>

#include <QJsonArray>
#include <QMap>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace testsupport;

namespace {

QJsonArray rowsOf(const QJsonValue& packet) {
    return packet.toObject().value("rows").toArray();
}

// Sample packet columns (TestSupport's sampleFieldDefs, the same order the list answers).
constexpr int kDs = 1, kQt = 4;
// Item packet columns.
constexpr int kItemProduct = 2, kItemQt = 5, kItemPrincipal = 6;

// How far ahead of the real time the servers' clock runs: a shift or a minute passes at once.
std::atomic<int> secondsAhead{0};

class Confirm : public ::testing::TestWithParam<Backend> {
protected:
    Confirm() { secondsAhead = 0; }
    server::Session& db() { return server_.database().session(); }
    int count(const QString& sql, const QVariantHash& values = {}) {
        return scalar(db(), sql, values).toInt();
    }
    QString lastNumber() {
        return scalar(db(), "SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC").toString();
    }
    int samples() { return count("SELECT COUNT(*) FROM AMOSTRAPROC"); }
    int items() { return count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC"); }

    QJsonObject stockSample(double quantity) {
        return {{"NRAMOSTRA", ""},         {"DSAMOSTRA", "Teste de rendimento"},
                {"CDARVPROD", case_.tree}, {"CDPRODUTO", case_.product},
                {"QTPRODPROC", quantity},  {"SGUNIDADE", case_.unit},
                {"CDFILIAL", "0001"}};
    }
    Answer confirmNew(const QJsonObject& sample, const QList<NewItem>& newItems) {
        return client_.amostra("ConfirmaAmostra", confirmArgs(sample, newItems));
    }
    // The sample as the list holds it: its packet fields and its row.
    QJsonArray listed(const QString& number) {
        const QJsonValue packet =
            client_.amostra("GetAmostraProc", {" ", number, number, "T", " ", "T", " ", " "})
                .result.toObject()
                .value("data")
                .toArray()
                .at(0);
        return rowsOf(packet).at(0).toArray();
    }
    // The stored sample as stockSample(quantity) gave it.
    void expectListedAsStockSample(const QString& number, double quantity) {
        const QJsonArray row = listed(number);
        EXPECT_EQ(row[kDs].toString(), "Teste de rendimento");
        EXPECT_DOUBLE_EQ(row[kQt].toDouble(), quantity);
        EXPECT_EQ(row[7].toString(), "0001");
    }
    QJsonArray itemsOf(const QString& number) {
        return rowsOf(client_.amostra("GetItemAmostra", {number, "3"}).result);
    }
    static QJsonObject packet(const QJsonArray& fields, const QJsonArray& changes) {
        return {{"fields", fields}, {"changes", changes}};
    }
    static QJsonObject modify(const QJsonArray& oldRow, const QJsonArray& newRow) {
        return {{"type", "modify"}, {"old", oldRow}, {"new", newRow}};
    }
    static QJsonObject remove(const QJsonArray& oldRow) {
        return {{"type", "delete"}, {"old", oldRow}};
    }
    static QJsonObject insert(const QJsonArray& newRow) {
        return {{"type", "insert"}, {"new", newRow}};
    }
    static QJsonArray with(QJsonArray row, int index, const QJsonValue& value) {
        row[index] = value;
        return row;
    }
    // The sample's history rows, newest first: user|operation|item|field|old|new.
    QStringList history(const QString& number, RpcClient* client = nullptr) {
        QStringList lines;
        for (const QJsonValue& row : rowsOf(
                 (client ? client : &client_)->amostra("GetHistoricoAmostra", {number}).result)) {
            QStringList cells;
            for (int i = 1; i < 7; ++i)
                cells << row[i].toString();
            lines << cells.join('|');
        }
        return lines;
    }
    static void expectNoErrors(const Answer& answer) {
        ASSERT_EQ(answer.status, 200) << answer.body;
        EXPECT_TRUE(rowsOf(answer.result.toArray().at(0)).isEmpty()) << answer.body;
    }

    TestServer server_{GetParam(), 1, "segredo", [](server::ServerOptions& options) {
                           options.clock = [] {
                               return server::WallClock::now() + std::chrono::seconds(secondsAhead);
                           };
                       }};
    RpcClient client_{server_.port(), server_.token()};
    SampleCase case_ = findSampleCase(db());
};

TEST_P(Confirm, ANewSampleGetsTheNextTenDigitNumberAndItsItemsThatNumber) {
    const qint64 before = lastNumber().toLongLong();
    const Answer answer =
        confirmNew(stockSample(10), {{case_.item1, 6.5, "S"}, {case_.item2, 3.5, ""}});
    expectNoErrors(answer);
    const QJsonArray errorFields =
        answer.result.toArray().at(0).toObject().value("fields").toArray();
    EXPECT_EQ(errorFields.at(0).toObject().value("name").toString(), "CDOBJETO");
    EXPECT_EQ(errorFields.at(1).toObject().value("name").toString(), "CDERRO");
    const QString number = answer.result.toArray().at(1).toString();
    EXPECT_EQ(number, QStringLiteral("%1").arg(before + 1, 10, 10, QLatin1Char('0')));

    expectListedAsStockSample(number, 10);
    const QJsonArray stored = itemsOf(number);
    ASSERT_EQ(stored.size(), 2);
    for (const QJsonValue& item : stored)
        EXPECT_EQ(item[0].toString(), number);
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N AND IDPRODPRINC IS NULL",
              {{"N", number}}),
        1); // an untouched principal flag is stored without a value

    const Answer next = confirmNew(stockSample(2), {{case_.item1, 2, "S"}});
    expectNoErrors(next);
    EXPECT_EQ(next.result.toArray().at(1).toString(),
              QStringLiteral("%1").arg(before + 2, 10, 10, QLatin1Char('0')));
}

// A confirmation sent again under its key (its answer was lost on the way), even while the
// first is still under way, is answered with the sample stored the first time; another key
// stores another sample, and with other changes is refused; a malformed key is refused before
// anything runs.
TEST_P(Confirm, AConfirmationRepeatedUnderItsKeyIsStoredOnce) {
    const QJsonArray args =
        confirmArgs(stockSample(10), {{case_.item1, 6.5, "S"}, {case_.item2, 3.5, ""}});
    const int samplesBefore = samples();
    client_.requestKey = "5f0c2d1e-7a3b-4c8d-9e0f-000000000001";
    Answer answers[3];
    {
        // Two desktops' worth of connections sending the same key at the same moment.
        RpcClient other{server_.port(), server_.token()};
        other.requestKey = client_.requestKey;
        std::thread racing([&] { answers[1] = other.amostra("ConfirmaAmostra", args); });
        answers[0] = client_.amostra("ConfirmaAmostra", args);
        racing.join();
    }
    answers[2] = client_.amostra("ConfirmaAmostra", args);
    const QString number = answers[0].result.toArray().at(1).toString();
    for (const Answer& answer : answers) {
        expectNoErrors(answer);
        EXPECT_EQ(answer.result.toArray().at(1).toString(), number);
    }
    EXPECT_EQ(samples(), samplesBefore + 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}}),
              2);

    client_.requestKey = "5f0c2d1e-7a3b-4c8d-9e0f-000000000002";
    const Answer another = client_.amostra("ConfirmaAmostra", args);
    expectNoErrors(another);
    EXPECT_EQ(another.result.toArray().at(1).toString(), lastNumber());
    EXPECT_NE(lastNumber(), number);

    // The key of a stored sample sent with another one is refused, and stores nothing.
    const Answer reused =
        client_.amostra("ConfirmaAmostra", confirmArgs(stockSample(10), {{case_.item1, 10, "S"}}));
    EXPECT_EQ(reused.status, 422) << reused.body;
    EXPECT_TRUE(reused.message.contains(QStringLiteral("já usada para outra amostra")));

    client_.requestKey = "chave com espaço";
    const Answer bad = client_.amostra("ConfirmaAmostra", args);
    EXPECT_EQ(bad.status, 400);
    EXPECT_TRUE(bad.message.contains("Idempotency-Key")) << bad.body;
    EXPECT_EQ(samples(), samplesBefore + 2);
}

// The screen's packets need not list their fields in the server's order or letter case.
TEST_P(Confirm, PacketFieldsAreFoundByNameInAnyOrderAndLetterCase) {
    const auto reversed = [](const QJsonValue& value) {
        QJsonObject packet = value.toObject();
        QJsonArray fields;
        for (const QJsonValue& field : packet.value("fields").toArray()) {
            QJsonObject f = field.toObject();
            f["name"] = f.value("name").toString().toLower();
            fields.prepend(f);
        }
        QJsonArray changes;
        for (const QJsonValue& change : packet.value("changes").toArray()) {
            QJsonObject c = change.toObject();
            QJsonArray row;
            for (const QJsonValue& v : c.value("new").toArray())
                row.prepend(v);
            c["new"] = row;
            changes.append(c);
        }
        packet["fields"] = fields;
        packet["changes"] = changes;
        return packet;
    };
    const QJsonArray args =
        confirmArgs(stockSample(10), {{case_.item1, 6.5, "S"}, {case_.item2, 3.5, "N"}});
    const Answer answer =
        client_.amostra("ConfirmaAmostra", {reversed(args.at(0)), reversed(args.at(1))});
    expectNoErrors(answer);
    const QString number = answer.result.toArray().at(1).toString();
    expectListedAsStockSample(number, 10);
    const QJsonArray stored = itemsOf(number);
    ASSERT_EQ(stored.size(), 2);
    QMap<QString, QPair<double, QString>> byProduct;
    for (const QJsonValue& item : stored)
        byProduct[item[kItemProduct].toString()] = {item[kItemQt].toDouble(),
                                                    item[kItemPrincipal].toString()};
    EXPECT_EQ(byProduct.value(case_.item1), qMakePair(6.5, QStringLiteral("S")));
    EXPECT_EQ(byProduct.value(case_.item2), qMakePair(3.5, QStringLiteral("N")));
}

TEST_P(Confirm, AModificationIsCheckedAgainstItsBeforeImage) {
    const QString number =
        confirmNew(stockSample(10), {{case_.item1, 10, "S"}}).result.toArray().at(1).toString();
    const QJsonArray fields = sampleFieldDefs();
    const QJsonArray original = listed(number);

    // Description changed by one user...
    Answer answer = client_.amostra(
        "ConfirmaAmostra",
        {QJsonValue(),
         packet(fields, {modify(original, with(original, kDs, "Classificação do lote"))})});
    expectNoErrors(answer);
    EXPECT_EQ(answer.result.toArray().at(1).toString(), number);
    // ...then by another who still holds the old image: refused, nothing of it stored.
    answer = client_.amostra(
        "ConfirmaAmostra",
        {QJsonValue(), packet(fields, {modify(original, with(original, kDs, "Outra descrição"))})});
    EXPECT_EQ(answer.status, 409) << answer.body;
    EXPECT_EQ(listed(number)[kDs].toString(), "Classificação do lote");

    // A change of another field with a current image of that field passes: only the
    // fields a modification changes are compared.
    const QJsonArray current = listed(number);
    const QJsonArray item = itemsOf(number).at(0).toArray();
    answer = client_.amostra("ConfirmaAmostra",
                             {packet(itemFieldDefs(), {modify(item, with(item, kItemQt, 8.25))}),
                              packet(fields, {modify(original, with(original, kQt, 8.25))})});
    expectNoErrors(answer);
    EXPECT_DOUBLE_EQ(listed(number)[kQt].toDouble(), 8.25);
    EXPECT_DOUBLE_EQ(itemsOf(number).at(0)[kItemQt].toDouble(), 8.25);
    EXPECT_EQ(current[kDs], listed(number)[kDs]);
}

TEST_P(Confirm, ItemsAreAddedChangedAndDeletedWithTheirSample) {
    const QString number =
        confirmNew(stockSample(10), {{case_.item1, 10, "S"}}).result.toArray().at(1).toString();
    const QJsonArray sample = listed(number);
    const QJsonArray first = itemsOf(number).at(0).toArray();

    // Split the quantity over a second item: modify the first, insert the second.
    QJsonArray second = itemRow({{"NRAMOSTRA", number},
                                 {"CDPRODUTO", case_.item2},
                                 {"QTPRODGERADO", 4.0},
                                 {"IDPRODPRINC", "N"}});
    Answer answer = client_.amostra(
        "ConfirmaAmostra",
        {packet(itemFieldDefs(), {modify(first, with(first, kItemQt, 6.0)), insert(second)}),
         QJsonValue()});
    expectNoErrors(answer);
    EXPECT_EQ(answer.result.toArray().at(1).toString(), number);
    ASSERT_EQ(itemsOf(number).size(), 2);

    // A stale item image (quantity 10 instead of 6) is a conflict.
    answer = client_.amostra(
        "ConfirmaAmostra",
        {packet(itemFieldDefs(), {modify(first, with(first, kItemQt, 7.0))}), QJsonValue()});
    EXPECT_EQ(answer.status, 409) << answer.body;

    // Deleting the second item alone would break the total: refused, nothing changed.
    answer = client_.amostra("ConfirmaAmostra",
                             {packet(itemFieldDefs(), {remove(second)}), QJsonValue()});
    EXPECT_EQ(answer.status, 422) << answer.body;
    EXPECT_TRUE(answer.message.startsWith("Somatório das quantidades dos itens gerados difere"))
        << answer.body;
    EXPECT_EQ(itemsOf(number).size(), 2);

    // Deleting it together with the sample's new quantity passes.
    const QJsonArray sixItem = with(first, kItemQt, 6.0);
    answer = client_.amostra("ConfirmaAmostra",
                             {packet(itemFieldDefs(), {remove(second)}),
                              packet(sampleFieldDefs(), {modify(sample, with(sample, kQt, 6.0))})});
    expectNoErrors(answer);
    ASSERT_EQ(itemsOf(number).size(), 1);
    EXPECT_EQ(itemsOf(number).at(0)[kItemProduct], sixItem[kItemProduct]);

    // The history, newest first: each stored change field by field, nothing of the refused
    // ones; the server's own token acts as "servidor".
    const QStringList lines = history(number);
    EXPECT_EQ(lines.size(), 11) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.mid(0, 5),
              (QStringList{"servidor|Exclusão|" + case_.item2 + "|||",
                           "servidor|Alteração||QTPRODPROC|10,000|6,000",
                           "servidor|Inclusão|" + case_.item2 + "|IDPRODPRINC||N",
                           "servidor|Inclusão|" + case_.item2 + "|QTPRODGERADO||4,000",
                           "servidor|Alteração|" + case_.item1 + "|QTPRODGERADO|10,000|6,000"}));
    EXPECT_EQ(lines.last(), "servidor|Inclusão||DSAMOSTRA||Teste de rendimento");
}

// A wrong name or password alike is refused and five failures lock the name for a minute; a
// session lasts its shift and ends at logout; a disabled account stops at its next request; a
// consulta account reads but never stores; a password is kept only as its Argon2id hash.
TEST_P(Confirm, AccountsSignInForAShiftAndOnlyTheirRoleMayStore) {
    server::addAccount(db(), "Ana", "senha-da-ana", server::kRoleEstoque);
    server::addAccount(db(), "beto", "senha-do-beto", server::kRoleConsulta);
    const auto signIn = [&](const char* user, const char* password) {
        const QJsonObject body{{"usuario", user}, {"senha", password}};
        return client_.raw("/auth/login", QJsonDocument(body).toJson().toStdString(), {}, false);
    };
    const auto tokenOf = [](const Answer& answer) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object();
    };
    const Answer unknown = signIn("carla", "senha-da-ana");
    const Answer wrong = signIn("ana", "senha-do-beto");
    EXPECT_EQ(unknown.status, 401);
    EXPECT_EQ(wrong.status, 401);
    EXPECT_EQ(unknown.message, "Usuário ou senha inválidos.");
    EXPECT_EQ(wrong.message, unknown.message);

    const Answer ana = signIn("ANA", "senha-da-ana");
    ASSERT_EQ(ana.status, 200) << ana.body;
    const QDateTime expires = QDateTime::fromString(tokenOf(ana)["expira"].toString(), Qt::ISODate);
    EXPECT_NEAR(QDateTime::currentDateTimeUtc().secsTo(expires), 12 * 3600, 60);
    RpcClient asAna(server_.port(), tokenOf(ana)["token"].toString());
    const QJsonArray newSample = confirmArgs(stockSample(5), {{case_.item1, 5, "S"}});
    const Answer stored = asAna.amostra("ConfirmaAmostra", newSample);
    expectNoErrors(stored);
    const QString number = stored.result.toArray().at(1).toString();
    EXPECT_TRUE(history(number, &asAna).last().startsWith("ana|Inclusão||"))
        << history(number).last().toStdString();

    const Answer beto = signIn("beto", "senha-do-beto");
    RpcClient asBeto(server_.port(), tokenOf(beto)["token"].toString());
    EXPECT_EQ(asBeto.amostra("GetItemAmostra", {number, "3"}).status, 200);
    const int historyRows = count("SELECT COUNT(*) FROM AUDITORIA"), before = samples();
    const Answer refusedToStore = asBeto.amostra("ConfirmaAmostra", newSample);
    EXPECT_EQ(refusedToStore.status, 403);
    EXPECT_EQ(refusedToStore.message, "Usuário sem permissão para gravar amostras.");
    EXPECT_EQ(samples(), before);
    EXPECT_EQ(count("SELECT COUNT(*) FROM AUDITORIA"), historyRows);
    EXPECT_EQ(asBeto.raw("/auth/logout", "{}").status, 200);
    EXPECT_EQ(asBeto.amostra("GetItemAmostra", {number, "3"}).status, 401);

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(signIn("beto", "errada").status, 401);
    EXPECT_EQ(signIn("beto", "senha-do-beto").status, 429);
    secondsAhead = 61;
    EXPECT_EQ(signIn("beto", "senha-do-beto").status, 200);

    secondsAhead = 12 * 3600 + 1;
    const Answer late = asAna.amostra("GetItemAmostra", {number, "3"});
    EXPECT_EQ(late.status, 401);
    EXPECT_EQ(late.errorCode, "session_expired");

    RpcClient again(server_.port(), tokenOf(signIn("ana", "senha-da-ana"))["token"].toString());
    EXPECT_EQ(again.amostra("GetItemAmostra", {number, "3"}).status, 200);
    server::setAccountActive(db(), "ana", false);
    EXPECT_EQ(again.amostra("GetItemAmostra", {number, "3"}).status, 403);
    EXPECT_EQ(signIn("ana", "senha-da-ana").status, 403);

    for (const char* name : {"ana", "beto"}) {
        const QString hash =
            scalar(db(), "SELECT DSSENHA FROM USUARIO WHERE NMUSUARIO = :N", {{"N", name}})
                .toString();
        EXPECT_TRUE(hash.startsWith("$argon2id$")) << hash.toStdString();
        EXPECT_FALSE(hash.contains("senha"));
    }
}

TEST_P(Confirm, DeletionRemovesTheSampleUnlessItWasProcessed) {
    const QString number =
        confirmNew(stockSample(3), {{case_.item1, 3, "S"}}).result.toArray().at(1).toString();
    const QJsonArray row = listed(number);
    const QJsonObject deletion = packet(sampleFieldDefs(), {remove(row)});

    // A stale image refuses the deletion.
    Answer answer = client_.amostra(
        "ConfirmaAmostra",
        {QJsonValue(), packet(sampleFieldDefs(), {remove(with(row, kDs, "antiga"))})});
    EXPECT_EQ(answer.status, 409) << answer.body;

    answer = client_.amostra("ConfirmaAmostra", {QJsonValue(), deletion});
    expectNoErrors(answer);
    EXPECT_EQ(history(number).first(), "servidor|Exclusão||||");
    EXPECT_EQ(count("SELECT COUNT(*) FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}}),
              0);
    // The same deletion again (still in the screen's change log) changes nothing and is no error.
    const int before = samples();
    expectNoErrors(client_.amostra("ConfirmaAmostra", {QJsonValue(), deletion}));
    EXPECT_EQ(samples(), before);

    // A processed sample: error row EST25000_4 naming the sample, nothing deleted.
    const QString processed =
        scalar(db(), "SELECT MIN(NRAMOSTRA) FROM AMOSTRAPROC WHERE IDPROCESSADO = 'S'").toString();
    ASSERT_FALSE(processed.isEmpty());
    answer = client_.amostra(
        "ConfirmaAmostra", {QJsonValue(), packet(sampleFieldDefs(), {remove(listed(processed))})});
    ASSERT_EQ(answer.status, 200) << answer.body;
    const QJsonArray errors = rowsOf(answer.result.toArray().at(0));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.at(0)[0].toString(), processed);
    EXPECT_EQ(errors.at(0)[1].toString(), "EST25000_4");
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", processed}}),
        itemsOf(processed).size());
    EXPECT_EQ(itemsOf(processed).isEmpty(), false);
    EXPECT_TRUE(history(processed).isEmpty());

    // Its quantity or items may not change any more (422); its description may.
    const QJsonArray stored = listed(processed), item = itemsOf(processed).at(0).toArray();
    const auto confirma = [&](const QJsonValue& items, const QJsonArray& sample) {
        return client_.amostra("ConfirmaAmostra",
                               {items, packet(sampleFieldDefs(), {modify(stored, sample)})});
    };
    for (const Answer& a :
         {confirma(QJsonValue(), with(stored, kQt, 1.0)),
          confirma(packet(itemFieldDefs(), {modify(item, with(item, kItemQt, 1.0))}), stored)})
        EXPECT_EQ(QString::number(a.status) + a.message,
                  "422Amostra já processada: só a descrição pode ser alterada.");
    expectNoErrors(confirma(QJsonValue(), with(stored, kDs, "Revisada")));
    EXPECT_EQ(listed(processed), with(stored, kDs, "Revisada"));
    EXPECT_EQ(itemsOf(processed).at(0).toArray(), item);
}

TEST_P(Confirm, ItemsRefusedForTheBranchComeBackAsErrorRowsAndNothingIsStored) {
    const QString inactive = scalar(db(),
                                    "SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL F ON"
                                    " F.CDPRODUTO = P.CDPRODUTO WHERE F.CDFILIAL = '0001'"
                                    " AND F.IDATIVO = 'N' AND P.SGUNIDADE = :U",
                                    {{"U", case_.unit}})
                                 .toString();
    const QString noStock =
        scalar(db(),
               "SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL F ON"
               " F.CDPRODUTO = P.CDPRODUTO WHERE F.CDFILIAL = '0001'"
               " AND F.IDATIVO = 'S' AND F.IDCONTROLAESTOQUE = 'N' AND P.SGUNIDADE = :U",
               {{"U", case_.unit}})
            .toString();
    ASSERT_FALSE(inactive.isEmpty());
    ASSERT_FALSE(noStock.isEmpty());
    const int samplesBefore = samples(), itemsBefore = items();
    const QVariant numerator = scalar(db(), "SELECT NRULTIMO FROM NUMERADOR");

    const Answer answer = confirmNew(
        stockSample(9),
        {{case_.item1, 2, "S"}, {inactive, 2, "N"}, {noStock, 2, "N"}, {case_.item1, 3, "N"}});
    ASSERT_EQ(answer.status, 200) << answer.body;
    QMap<QString, QString> codes;
    for (const QJsonValue& row : rowsOf(answer.result.toArray().at(0)))
        codes.insert(row[1].toString(), row[0].toString());
    EXPECT_EQ(codes.value("EST25000_1"), inactive);
    EXPECT_EQ(codes.value("EST25000_2"), noStock);
    EXPECT_EQ(codes.value("EST25000_3"), case_.item1);
    EXPECT_EQ(samples(), samplesBefore);
    EXPECT_EQ(items(), itemsBefore);
    EXPECT_EQ(scalar(db(), "SELECT NRULTIMO FROM NUMERADOR"), numerator);
}

TEST_P(Confirm, BrokenInvariantsAreRefusedWith422AndNothingIsStored) {
    const QString otherUnit =
        scalar(db(), "SELECT CDPRODUTO FROM PRODUTO WHERE CDNVPRODUTO = 3 AND SGUNIDADE <> :U",
               {{"U", case_.unit}})
            .toString();
    struct Case {
        const char* what;
        QJsonObject sample;
        QList<NewItem> items;
        const char* message;
    };
    auto sample = [&](const char* field, const QJsonValue& value) {
        QJsonObject s = stockSample(5);
        s.insert(field, value);
        return s;
    };
    const QList<NewItem> good{{case_.item1, 5, "S"}};
    const QList<Case> cases{
        {"no description", sample("DSAMOSTRA", "   "), good, "Descrição deve ser informada."},
        {"description too long", sample("DSAMOSTRA", QString(51, 'x')), good,
         "O campo DSAMOSTRA excede 50 caracteres."},
        {"unknown product", sample("CDPRODUTO", "nenhum"), good, "Produto não cadastrado."},
        {"zero quantity",
         sample("QTPRODPROC", 0),
         {{case_.item1, 0.001, "S"}},
         "Quantidade deve ser maior que zero."},
        {"negative quantity",
         sample("QTPRODPROC", -5),
         {{case_.item1, -5, "S"}},
         "Quantidade deve ser maior que zero."},
        {"unknown branch", sample("CDFILIAL", "9999"), good, "Filial da amostra não cadastrada."},
        {"above the stock",
         stockSample(case_.stock + 0.001),
         {{case_.item1, case_.stock + 0.001, "S"}},
         "Quantidade não pode ser maior que a quantidade em estoque"},
        {"no items", stockSample(5), {}, "Produto deve ser informado."},
        {"items short of the quantity",
         stockSample(5),
         {{case_.item1, 4.9, "S"}},
         "Somatório das quantidades dos itens gerados difere da quantidade do produto in natura. "
         "(Diferença: 0,100)"},
        {"item is the in-natura product",
         stockSample(5),
         {{case_.product, 5, "S"}},
         "Item informado deve ser diferente do produto in natura."},
        {"item of another unit",
         stockSample(5),
         {{otherUnit, 5, "S"}},
         "Unidade do item deve ser igual a unidade do produto in natura."},
        {"item quantity zero",
         stockSample(5),
         {{case_.item1, 5, "S"}, {case_.item2, 0, "N"}},
         "Quantidade deve ser maior que zero."},
        {"bad principal flag",
         stockSample(5),
         {{case_.item1, 5, "X"}},
         "Indicador de produto principal inválido."},
        {"invoice without supplier", sample("NRNOTAFISC", "000000001"), good,
         "Fornecedor deve ser informado."},
        {"invoice not registered",
         [&] {
             QJsonObject s = sample("NRNOTAFISC", "999999999");
             s.insert("CDFORNECED", "000001");
             s.insert("CDSERIEENTR", "1");
             s.insert("NRLANCTONF", "0000000001");
             return s;
         }(),
         good, "Nota fiscal não cadastrada."},
    };
    const int samplesBefore = samples(), itemsBefore = items();
    for (const Case& c : cases) {
        const Answer answer = confirmNew(c.sample, c.items);
        EXPECT_EQ(answer.status, 422) << c.what << ": " << answer.body;
        EXPECT_TRUE(answer.message.startsWith(QString::fromUtf8(c.message)))
            << c.what << ": " << answer.body;
    }
    EXPECT_EQ(samples(), samplesBefore);
    EXPECT_EQ(items(), itemsBefore);

    // The total is compared after rounding to three decimals.
    expectNoErrors(
        confirmNew(stockSample(1), {{case_.item1, 0.4996, "S"}, {case_.item2, 0.5, "N"}}));
}

TEST_P(Confirm, AnInvoiceLineIsNeverTakenBeyondItsQuantity) {
    // A line of an invoice whose product has two other products of its unit usable in the
    // invoice's branch.
    QSqlQuery& q = db().run(
        "SELECT N.CDFILIAL, N.NRLANCTONF, N.CDFORNECED, N.CDSERIEENTR, N.NRNOTAFISC, I.CDPRODUTO,"
        " I.QTITEMNF, P.SGUNIDADE,"
        " (SELECT COALESCE(SUM(A.QTPRODPROC), 0) FROM AMOSTRAPROC A WHERE A.CDFILIAL = I.CDFILIAL"
        "  AND A.NRLANCTONF = I.NRLANCTONF AND A.CDPRODUTO = I.CDPRODUTO)"
        " FROM ITEMNOTAFISCENTR I JOIN NOTAFISCENTR N ON N.CDFILIAL = I.CDFILIAL AND N.NRLANCTONF "
        "= I.NRLANCTONF"
        " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO ORDER BY I.NRLANCTONF, I.CDPRODUTO");
    struct Line {
        QString branch, launch, supplier, series, invoice, product, unit;
        double quantity, taken;
    };
    QList<Line> lines;
    while (q.next())
        lines.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                      q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                      q.value(7).toString(), q.value(6).toDouble(), q.value(8).toDouble()});
    q.finish();
    for (const Line& line : lines) {
        QSqlQuery& o = db().run(
            "SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL F ON F.CDPRODUTO = P.CDPRODUTO"
            " WHERE F.CDFILIAL = :B AND F.IDATIVO = 'S' AND F.IDCONTROLAESTOQUE = 'S'"
            " AND P.SGUNIDADE = :U AND P.CDPRODUTO <> :P",
            {{"B", line.branch}, {"U", line.unit}, {"P", line.product}});
        const QString output = o.next() ? o.value(0).toString() : QString();
        o.finish();
        if (output.isEmpty())
            continue;
        auto sampleOf = [&](double quantity) {
            return QJsonObject{{"NRAMOSTRA", ""},
                               {"DSAMOSTRA", "Amostra da nota"},
                               {"CDPRODUTO", line.product},
                               {"QTPRODPROC", quantity},
                               {"CDFILIAL", line.branch},
                               {"NRLANCTONF", line.launch},
                               {"CDSERIEENTR", line.series},
                               {"NRNOTAFISC", line.invoice},
                               {"CDFORNECED", line.supplier}};
        };
        const double left = std::round((line.quantity - line.taken) * 1000) / 1000;
        ASSERT_GT(left, 1);
        // Exactly what is left passes; anything more, by one thousandth, does not.
        const Answer full = confirmNew(sampleOf(left - 1), {{output, left - 1, "S"}});
        expectNoErrors(full);
        Answer more = confirmNew(sampleOf(1.001), {{output, 1.001, "S"}});
        EXPECT_EQ(more.status, 422) << more.body;
        EXPECT_TRUE(
            more.message.startsWith("Quantidade não pode ser maior que o saldo da nota :  1,000"))
            << more.body;
        expectNoErrors(confirmNew(sampleOf(1), {{output, 1, "S"}}));

        // Raising a stored sample's quantity is checked the same way.
        const QString number = full.result.toArray().at(1).toString();
        const QJsonArray row = listed(number);
        const QJsonArray item = itemsOf(number).at(0).toArray();
        more = client_.amostra(
            "ConfirmaAmostra",
            {packet(itemFieldDefs(), {modify(item, with(item, kItemQt, left - 0.5))}),
             packet(sampleFieldDefs(), {modify(row, with(row, kQt, left - 0.5))})});
        EXPECT_EQ(more.status, 422) << more.body;
        EXPECT_NEAR(
            scalar(db(),
                   "SELECT SUM(QTPRODPROC) FROM AMOSTRAPROC WHERE CDFILIAL = :B AND NRLANCTONF = :L"
                   " AND CDPRODUTO = :P",
                   {{"B", line.branch}, {"L", line.launch}, {"P", line.product}})
                .toDouble(),
            line.quantity, 0.0005);
        return;
    }
    FAIL() << "no invoice line usable for the test";
}

// The list's changes since its mark: whatever wrote them (a confirmation, plain SQL on the
// sample, on its product), the list read then brought up to date with them is the list read
// now; a narrower filter gets only its own rows; a mark the pruned log no longer reaches is
// told to reload everything.
TEST_P(Confirm, TheListsChangesSinceItsMarkBringItUpToDateUntilTheLogIsPruned) {
    const QJsonArray all{"T", " ", " ", "T", " ", "T", " ", " "};
    const auto list = [&](const QJsonArray& filter) {
        const Answer answer = client_.amostra("GetAmostraProc", filter);
        EXPECT_EQ(answer.status, 200) << answer.body;
        return answer.result.toObject();
    };
    const auto changes = [&](QJsonArray filter, const QString& mark) {
        filter.append(mark);
        const Answer answer = client_.amostra("GetAmostraProcAlteradas", filter);
        EXPECT_EQ(answer.status, 200) << answer.body;
        return answer.result.toObject();
    };
    const QJsonObject before = list(all);
    const QString mark = before.value("marca").toString();
    ASSERT_FALSE(mark.isEmpty());
    const QJsonArray rows = rowsOf(before.value("data").toArray().at(0));
    const QString changed = rows.at(0)[0].toString(), renamed = rows.at(1)[0].toString();
    const QString gone =
        scalar(db(), "SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC WHERE IDPROCESSADO = 'N'").toString();
    expectNoErrors(confirmNew(stockSample(5), {{case_.item1, 5, "S"}}));
    db().run("UPDATE AMOSTRAPROC SET DSAMOSTRA = 'Mudada por fora' WHERE NRAMOSTRA = :N",
             {{"N", changed}});
    db().run("UPDATE PRODUTO SET NMPRODUTO = 'Renomeado' WHERE CDPRODUTO ="
             " (SELECT CDPRODUTO FROM AMOSTRAPROC WHERE NRAMOSTRA = :N)",
             {{"N", renamed}});
    db().run("DELETE FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", gone}});
    db().run("DELETE FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", gone}});

    const QJsonObject delta = changes(all, mark);
    QMap<QString, QJsonArray> merged;
    for (const QJsonValue& row : rows)
        merged.insert(row[0].toString(), row.toArray());
    for (const QJsonValue& row : rowsOf(delta.value("data").toArray().at(0)))
        merged.insert(row[0].toString(), row.toArray());
    for (const QJsonValue& number : delta.value("removidas").toArray())
        merged.remove(number.toString());
    EXPECT_TRUE(delta.value("removidas").toArray().contains(gone));
    const QJsonArray now = rowsOf(list(all).value("data").toArray().at(0));
    ASSERT_EQ(merged.size(), now.size());
    qsizetype i = 0;
    for (const QJsonArray& row : std::as_const(merged))
        EXPECT_EQ(row, now.at(i++).toArray());
    EXPECT_EQ(merged.value(changed)[kDs].toString(), "Mudada por fora");
    EXPECT_EQ(merged.value(renamed)[6].toString(), "Renomeado");

    // Only the changed samples the narrower filter lists come as rows; the others as removed.
    const QJsonObject narrow = changes({" ", changed, changed, "T", " ", "T", " ", " "}, mark);
    const QJsonArray narrowRows = rowsOf(narrow.value("data").toArray().at(0));
    ASSERT_EQ(narrowRows.size(), 1);
    EXPECT_EQ(narrowRows.at(0)[0].toString(), changed);
    EXPECT_TRUE(narrow.value("removidas").toArray().contains(renamed));
    EXPECT_FALSE(narrow.value("removidas").toArray().contains(changed));

    // Pruned past the last mark: reload everything.
    const QString next = delta.value("marca").toString();
    db().run("UPDATE AMOSTRAPROC SET DSAMOSTRA = 'Depois' WHERE NRAMOSTRA = :N", {{"N", changed}});
    db().run("UPDATE AMOSTRAPROC_ALTERACAO SET DTALTERACAO = 0");
    server::pruneSampleChanges(db(), QDateTime::currentSecsSinceEpoch() - 86400);
    EXPECT_EQ(count("SELECT COUNT(*) FROM AMOSTRAPROC_ALTERACAO"), 0);
    EXPECT_EQ(changes(all, next), QJsonObject({{"recarregar", true}}));
    EXPECT_EQ(client_.amostra("GetAmostraProcAlteradas", QJsonArray(all) << "x").status, 400);
}

INSTANTIATE_TEST_SUITE_P(Backends, Confirm, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

// The statements whose text depends on a count (the products' lookup, the multi-row insert of
// the items) are kept per connection only up to a bound. Samples of every item count from 1 to
// 70, twice, go through one worker's connection: it never holds more than the bound, and the
// statements pushed out and prepared again still store exactly the items sent.
class StatementCache : public ::testing::TestWithParam<Backend> {};

TEST_P(StatementCache, SamplesOfManyItemCountsKeepItBoundedAndStoreTheirItems) {
    TestServer server(GetParam(), 1, QStringLiteral("segredo"),
                      [](server::ServerOptions& options) { options.threads = 1; });
    RpcClient client = server.client();
    server::Session& db = server.database().session();

    // An in-natura product with stock and the usable products of its unit.
    const QString unit =
        scalar(db, "SELECT P.SGUNIDADE FROM PRODUTO P JOIN PRODFILIAL PF"
                   " ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001' AND PF.IDATIVO = 'S'"
                   " AND PF.IDCONTROLAESTOQUE = 'S' GROUP BY P.SGUNIDADE"
                   " ORDER BY COUNT(*) DESC, P.SGUNIDADE")
            .toString();
    const QString natura =
        scalar(db,
               "SELECT P.CDPRODUTO FROM PRODUTO P JOIN FILIAL F ON F.CDFILIAL = '0001'"
               " JOIN POSICAOESTOQUE E ON E.CDPRODUTO = P.CDPRODUTO AND E.CDFILIAL = '0001'"
               " AND E.DTPOSICAO = F.DTPROCESSAMENTO"
               " WHERE P.SGUNIDADE = :U AND E.QTESTOQDIA >= 100 ORDER BY P.CDPRODUTO",
               {{"U", unit}})
            .toString();
    ASSERT_FALSE(natura.isEmpty()) << "no product of unit " << unit.toStdString() << " in stock";
    QStringList products;
    QSqlQuery& query =
        db.run("SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO"
               " AND PF.CDFILIAL = '0001' AND PF.IDATIVO = 'S' AND PF.IDCONTROLAESTOQUE = 'S'"
               " WHERE P.SGUNIDADE = :U AND P.CDPRODUTO <> :P ORDER BY P.CDPRODUTO",
               {{"U", unit}, {"P", natura}});
    while (query.next())
        products << query.value(0).toString();
    query.finish();
    constexpr int kCounts = 70; // two count-dependent statements each: beyond the bound
    ASSERT_GE(products.size(), kCounts);

    QHash<QString, int> stored; // sample number -> its item count
    for (int pass = 0; pass < 2; ++pass) {
        for (int n = 1; n <= kCounts; ++n) {
            QList<NewItem> items;
            for (int i = 0; i < n; ++i)
                items.append({products.at(i), 0.5, i == 0 ? "S" : "N"});
            const Answer answer = client.amostra(
                "ConfirmaAmostra", confirmArgs({{"NRAMOSTRA", ""},
                                                {"DSAMOSTRA", QStringLiteral("Itens: %1").arg(n)},
                                                {"CDPRODUTO", natura},
                                                {"QTPRODPROC", 0.5 * n},
                                                {"SGUNIDADE", unit},
                                                {"CDFILIAL", "0001"}},
                                               items));
            ASSERT_EQ(answer.status, 200) << n << " items: " << answer.body;
            ASSERT_TRUE(rowsOf(answer.result.toArray().at(0)).isEmpty()) << answer.body;
            stored.insert(answer.result.toArray().at(1).toString(), n);
            ASSERT_LE(server.server().mostStatementsHeld(), server::Session::kMaxStatements)
                << "after a sample of " << n << " items";
        }
    }
    // The bound was reached, so statements were pushed out and prepared again.
    EXPECT_EQ(server.server().mostStatementsHeld(), server::Session::kMaxStatements);

    ASSERT_EQ(stored.size(), 2 * kCounts);
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const QJsonArray rows = rowsOf(client.amostra("GetItemAmostra", {it.key(), "3"}).result);
        ASSERT_EQ(rows.size(), it.value()) << "sample " << it.key().toStdString();
        QStringList got;
        for (const QJsonValue& row : rows) {
            EXPECT_DOUBLE_EQ(row[kItemQt].toDouble(), 0.5);
            got << row[kItemProduct].toString();
        }
        got.sort();
        EXPECT_EQ(got, products.mid(0, it.value())) << "sample " << it.key().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, StatementCache,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
