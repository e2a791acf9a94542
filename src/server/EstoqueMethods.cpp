// The stock object Est00000.rdmEstoque: branch stock parameters and the product's default
// warehouse and stock location in a branch.
#include <server/Packets.h>
#include <server/Rpc.h>
#include <server/RpcError.h>

namespace server {
namespace {

const QString kObject = QStringLiteral("Est00000.rdmEstoque");

// Branch, parameter group ("E": stock) and its number ("10"); the screen reads the
// branch's stock flags from the answer whatever the group.
QJsonValue getParamEstoque(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetParamEstoque"), 3);
    static const QList<FieldDef> fields{text("IDBLPRCOMEST", 1), number("NRTAMNUMNFUT")};
    QSqlQuery& query = session.run(
        QStringLiteral(
            "SELECT IDBLPRCOMEST, NRTAMNUMNFUT FROM PARAMFILIAL WHERE CDFILIAL = :CDFILIAL"),
        {{QStringLiteral("CDFILIAL"), args.trimmed(0)}});
    return dataset::dataPacketToJson(packetFromQuery(query, fields));
}

// Branch and internal product code; the product must be registered in the branch.
QString productDefault(Session& session, const QJsonArray& values, const QString& method,
                       const QString& column) {
    const Args args(values, method, 2);
    QSqlQuery& query = session.run(
        QStringLiteral(
            "SELECT %1 FROM PRODFILIAL WHERE CDFILIAL = :CDFILIAL AND CDPRODUTO = :CDPRODUTO")
            .arg(column),
        {{QStringLiteral("CDFILIAL"), args.trimmed(0)},
         {QStringLiteral("CDPRODUTO"), args.trimmed(1)}});
    if (!query.next()) {
        query.finish();
        throw refused(QStringLiteral("Produto %1 não cadastrado na filial %2.")
                          .arg(args.trimmed(1), args.trimmed(0)));
    }
    const QString value = query.value(0).toString();
    query.finish();
    return value;
}

} // namespace

void registerEstoque(Registry& registry) {
    registry.add(kObject, QStringLiteral("GetParamEstoque"), getParamEstoque);
    registry.add(kObject, QStringLiteral("GetAlmoxarifadoPadrao"),
                 [](Session& session, const QJsonArray& values) -> QJsonValue {
                     return productDefault(session, values, QStringLiteral("GetAlmoxarifadoPadrao"),
                                           QStringLiteral("CDALMOXARIFADO"));
                 });
    registry.add(kObject, QStringLiteral("GetLocalEstoquePadrao"),
                 [](Session& session, const QJsonArray& values) -> QJsonValue {
                     return productDefault(session, values, QStringLiteral("GetLocalEstoquePadrao"),
                                           QStringLiteral("CDLOCALESTOQUE"));
                 });
}

} // namespace server
