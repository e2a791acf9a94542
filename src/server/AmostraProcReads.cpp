// The read methods of Est25000.rdmAmostraProc: sample list, items, candidate products,
// invoice quantity, stock position and invoices.
#include <server/Codes.h>
#include <server/ConfirmationSql.h>
#include <server/DirectRead.h>
#include <server/Packets.h>
#include <server/Rpc.h>
#include <server/RpcError.h>
#include <server/SampleChanges.h>
#include <server/SampleHistory.h>
#include <server/SampleList.h>

#include <QLocale>
#include <QStringList>

namespace server {
namespace {

const QString kObject = QStringLiteral("Est25000.rdmAmostraProc");

// The filter's eight arguments (SampleList.h), and the mark of the samples' change log read
// before the list (SampleChanges.h), for GetAmostraProcAlteradas.
SampleListQuery sampleList(Session& session, const QJsonArray& values, qint64& mark) {
    const Args args(values, QStringLiteral("GetAmostraProc"), 8);
    mark = sampleChangeMark(session);
    return sampleListQuery(args);
}

QJsonValue getAmostraProc(Session& session, const QJsonArray& values) {
    qint64 mark = 0;
    const SampleListQuery query = sampleList(session, values, mark);
    QJsonObject answer =
        checkedResult(packetFromQuery(session.run(query.sql, query.bind), sampleListFields()));
    answer.insert(QStringLiteral("marca"), QString::number(mark));
    return answer;
}

// The list can be long: its rows go from the database's own client library straight to the
// answer's text (its keys in the order the JSON document writes them).
QByteArray getAmostraProcText(Session& session, const QJsonArray& values) {
    qint64 mark = 0;
    const SampleListQuery query = sampleList(session, values, mark);
    return "{\"data\":[" + packetTextFromSql(session, query.sql, query.bind, sampleListFields()) +
           "],\"marca\":\"" + QByteArray::number(mark) + "\",\"messages\":[]}";
}

// Sample number and the picture's number of levels (decimal text, accepted and checked:
// the tree codes come back as stored).
QJsonValue getItemAmostra(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetItemAmostra"), 2);
    bool ok = false;
    const int levels = args.trimmed(1).toInt(&ok);
    if (!ok || levels < 1 || levels > 20)
        throw badRequest(QStringLiteral("GetItemAmostra: número de níveis inválido."));
    static const QList<FieldDef> fields{
        text("NRAMOSTRA", 10), text("CDARVPROD", 20),  text("CDPRODUTO", 10), text("NMPRODUTO", 50),
        text("SGUNIDADE", 10), number("QTPRODGERADO"), text("IDPRODPRINC", 1)};
    QSqlQuery& query = session.run(
        QStringLiteral("SELECT I.NRAMOSTRA, P.CDARVPROD, I.CDPRODUTO, P.NMPRODUTO, P.SGUNIDADE,"
                       " I.QTPRODGERADO, I.IDPRODPRINC"
                       " FROM ITEMAMOSTRAPROC I JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
                       " WHERE I.NRAMOSTRA = :NRAMOSTRA ORDER BY P.CDARVPROD"),
        {{QStringLiteral("NRAMOSTRA"), args.trimmed(0)}});
    return dataset::dataPacketToJson(packetFromQuery(query, fields));
}

// Branch, invoice launch number, tree code, all flag. With a launch number the candidates
// are the products of that invoice entry; without, the products that the branch keeps in
// stock.
QJsonValue getProdAmostra(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetProdAmostra"), 4);
    static const QList<FieldDef> fields{text("CDFILIRECE", 4), text("CDARVPROD", 20),
                                        text("CDPRODUTO", 10), text("NMPRODUTO", 50),
                                        text("SGUNIDADE", 10)};
    const bool all = args.trimmed(3).toUpper() == QLatin1String("T");
    QVariantHash bind{{QStringLiteral("CDFILIAL"), args.trimmed(0)}};
    QString sql;
    if (!args.trimmed(1).isEmpty()) {
        sql = QStringLiteral(
            "SELECT N.CDFILIRECE, P.CDARVPROD, P.CDPRODUTO, P.NMPRODUTO, P.SGUNIDADE"
            " FROM ITEMNOTAFISCENTR I"
            " JOIN NOTAFISCENTR N ON N.CDFILIAL = I.CDFILIAL AND N.NRLANCTONF = I.NRLANCTONF"
            " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
            " WHERE I.CDFILIAL = :CDFILIAL AND I.NRLANCTONF = :NRLANCTONF");
        bind.insert(QStringLiteral("NRLANCTONF"), args.trimmed(1));
    } else {
        sql = QStringLiteral(
            "SELECT PF.CDFILIAL, P.CDARVPROD, P.CDPRODUTO, P.NMPRODUTO, P.SGUNIDADE"
            " FROM PRODFILIAL PF JOIN PRODUTO P ON P.CDPRODUTO = PF.CDPRODUTO"
            " WHERE PF.CDFILIAL = :CDFILIAL AND PF.IDATIVO = 'S' AND PF.IDCONTROLAESTOQUE = 'S'");
    }
    if (!all) {
        sql += QStringLiteral(" AND P.CDARVPROD = :CDARVPROD");
        bind.insert(QStringLiteral("CDARVPROD"), bareCode(args.trimmed(2)));
    }
    sql += QStringLiteral(" ORDER BY P.CDARVPROD");
    return dataset::dataPacketToJson(packetFromQuery(session.run(sql, bind), fields));
}

// Launch number, invoice branch, receiving branch, internal product code: the product's
// quantity on that invoice entry. An empty receiving branch does not restrict.
QJsonValue getValidQuant(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetValidQuant"), 4);
    QString sql = QStringLiteral(
        "SELECT I.QTITEMNF FROM ITEMNOTAFISCENTR I"
        " JOIN NOTAFISCENTR N ON N.CDFILIAL = I.CDFILIAL AND N.NRLANCTONF = I.NRLANCTONF"
        " WHERE I.NRLANCTONF = :NRLANCTONF AND I.CDFILIAL = :CDFILIAL"
        " AND I.CDPRODUTO = :CDPRODUTO");
    QVariantHash bind{{QStringLiteral("NRLANCTONF"), args.trimmed(0)},
                      {QStringLiteral("CDFILIAL"), args.trimmed(1)},
                      {QStringLiteral("CDPRODUTO"), args.trimmed(3)}};
    if (!args.trimmed(2).isEmpty()) {
        sql += QStringLiteral(" AND N.CDFILIRECE = :CDFILIRECE");
        bind.insert(QStringLiteral("CDFILIRECE"), args.trimmed(2));
    }
    static const QList<FieldDef> fields{number("QTITEMPROD")};
    return checkedResult(packetFromQuery(session.run(sql, bind), fields));
}

// Branch, date, first and last tree code: each product of the range with its latest stock
// position on or before the date.
QJsonValue getPosicao(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetPosicao"), 4);
    static const QList<FieldDef> fields{text("CDARVPROD", 20),   text("CDPRODUTO", 10),
                                        text("NMPRODUTO", 50),   text("CDPRODESTO", 10),
                                        text("NMPRODNIVEL", 50), number("QTESTOQDIA")};
    QSqlQuery& query = session.run(
        QStringLiteral(
            "SELECT P.CDARVPROD, P.CDPRODUTO, P.NMPRODUTO, P.CDPRODUTO, P.NMPRODUTO, E.QTESTOQDIA"
            " FROM POSICAOESTOQUE E JOIN PRODUTO P ON P.CDPRODUTO = E.CDPRODUTO"
            " WHERE E.CDFILIAL = :CDFILIAL AND P.CDARVPROD >= :INI AND P.CDARVPROD <= :FIM"
            " AND E.DTPOSICAO = (SELECT MAX(E2.DTPOSICAO) FROM POSICAOESTOQUE E2"
            "  WHERE E2.CDFILIAL = E.CDFILIAL AND E2.CDPRODUTO = E.CDPRODUTO"
            "  AND E2.DTPOSICAO <= :DTPOSICAO)"
            " ORDER BY P.CDARVPROD"),
        {{QStringLiteral("CDFILIAL"), args.trimmed(0)},
         {QStringLiteral("DTPOSICAO"), args.date(1).toString(Qt::ISODate)},
         {QStringLiteral("INI"), bareCode(args.text(2))},
         {QStringLiteral("FIM"), bareCode(args.text(3))}});
    return checkedResult(packetFromQuery(query, fields));
}

// Supplier code, series, invoice number, all flag: the supplier's invoices of that series,
// or the one numbered. The value travels as text formatted for the user.
QJsonValue getNotaFiscal(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetNotaFiscal"), 4);
    QString sql = QStringLiteral(
        "SELECT NRNOTAFISC, CDFILIAL, NRLANCTONF, CDFORNECED, VRNOTAFISC FROM NOTAFISCENTR"
        " WHERE CDFORNECED = :CDFORNECED AND CDSERIEENTR = :CDSERIEENTR");
    QVariantHash bind{{QStringLiteral("CDFORNECED"), args.trimmed(0)},
                      {QStringLiteral("CDSERIEENTR"), args.trimmed(1).toUpper()}};
    if (args.trimmed(3).toUpper() != QLatin1String("T")) {
        sql += QStringLiteral(" AND NRNOTAFISC = :NRNOTAFISC");
        bind.insert(QStringLiteral("NRNOTAFISC"), args.trimmed(2));
    }
    sql += QStringLiteral(" ORDER BY NRNOTAFISC, CDFILIAL, NRLANCTONF");
    QSqlQuery& query = session.run(sql, bind);
    dataset::DataPacket packet;
    packet.fields = {text("NRNOTAFISC", 20), text("CDFILIAL", 4), text("NRLANCTONF", 10),
                     text("CDFORNECED", 21), text("VRNOTAFISC", 40)};
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    while (query.next())
        packet.rows.append({query.value(0).toString(), query.value(1).toString(),
                            query.value(2).toString(), query.value(3).toString(),
                            brazil.toString(query.value(4).toDouble(), 'f', 2)});
    query.finish();
    return dataset::dataPacketToJson(packet);
}

// The number of the sample a confirmation stored under this idempotency key, empty when none
// was: the desktop asks it before offering to recover a sample from its journal.
QJsonValue getConfirmacao(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetConfirmacao"), 1);
    const QString key = args.trimmed(0);
    if (key.isEmpty() || key.size() > 64)
        throw badRequest(QStringLiteral("GetConfirmacao: chave de confirmação inválida."));
    const auto stored = confirmation_sql::storedConfirmation(session, key);
    return stored ? stored->number : QString();
}

} // namespace

QJsonValue confirmaAmostra(Session& session, const QJsonArray& values);
QByteArray confirmaAmostraText(Session& session, const QList<dataset::ChangePacket>& packets);

void registerAmostraProc(Registry& registry) {
    registry.add(kObject, QStringLiteral("GetAmostraProc"), getAmostraProc);
    registry.addText(kObject, QStringLiteral("GetAmostraProc"), getAmostraProcText);
    registry.add(kObject, QStringLiteral("GetAmostraProcAlteradas"), getAmostraProcAlteradas);
    registry.add(kObject, QStringLiteral("GetItemAmostra"), getItemAmostra);
    registry.add(kObject, QStringLiteral("GetProdAmostra"), getProdAmostra);
    registry.add(kObject, QStringLiteral("GetValidQuant"), getValidQuant);
    registry.add(kObject, QStringLiteral("GetPosicao"), getPosicao);
    registry.add(kObject, QStringLiteral("GetNotaFiscal"), getNotaFiscal);
    registry.add(kObject, QStringLiteral("GetConfirmacao"), getConfirmacao);
    registry.add(kObject, QStringLiteral("ConfirmaAmostra"), confirmaAmostra);
    registry.addChanges(kObject, QStringLiteral("ConfirmaAmostra"), 2, confirmaAmostraText);
    registry.markWrites(kObject, QStringLiteral("ConfirmaAmostra"));
    registry.add(kObject, QStringLiteral("GetHistoricoAmostra"),
                 [](Session& session, const QJsonArray& values) -> QJsonValue {
                     const Args args(values, QStringLiteral("GetHistoricoAmostra"), 1);
                     return dataset::dataPacketToJson(sampleHistory(session, args.trimmed(0)));
                 });
}

} // namespace server
