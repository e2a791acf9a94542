#include <host/library/Lib00210.h>

#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>

#include <QSqlQuery>

namespace Lib00210 {

void Validacao_Produto(const QString& branch, const QString& treeCode,
                       const QString& idBlPrComEst) {
    QSqlQuery query = dtmDBGeral::Exec(
        QStringLiteral(
            "SELECT PR.CDPRODUTO, PF.IDATIVO, PF.IDBLOQUEADO FROM PRODUTO PR"
            " LEFT JOIN PRODFILIAL PF ON PF.CDPRODUTO = PR.CDPRODUTO AND PF.CDFILIAL = :CDFILIAL"
            " WHERE PR.CDARVPROD = :CDARVPROD"),
        {{QStringLiteral("CDFILIAL"), branch}, {QStringLiteral("CDARVPROD"), treeCode}});
    if (!query.next())
        throw host::EHostError(QStringLiteral("Produto %1 não cadastrado.").arg(treeCode));
    if (query.value(1).isNull())
        throw host::EHostError(
            QStringLiteral("Produto %1 não cadastrado para a filial %2.").arg(treeCode, branch));
    if (query.value(1).toString() != QLatin1String("S"))
        throw host::EHostError(
            QStringLiteral("Produto %1 inativo para a filial %2.").arg(treeCode, branch));
    if (idBlPrComEst == QLatin1String("S") && query.value(2).toString() == QLatin1String("S"))
        throw host::EHostError(
            QStringLiteral("Produto %1 bloqueado para a filial %2.").arg(treeCode, branch));
}

QString SQL_Pesquisa_Produto(const QString& branch, const QString& idBlPrComEst, TADOIBQuery* query,
                             bool activeOnly) {
    query->Close();
    QStringList sql{QStringLiteral("SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD"),
                    QStringLiteral("FROM PRODUTO PR")};
    if (!activeOnly) {
        sql << QStringLiteral("WHERE (PR.CDNVPRODUTO = :P_CDNVPRODUTO)")
            << QStringLiteral("ORDER BY PR.CDARVPROD");
        query->SQL = sql;
        return QStringLiteral("Todos os produtos");
    }
    sql << QStringLiteral("JOIN PRODFILIAL PF ON (PF.CDPRODUTO = PR.CDPRODUTO)")
        << QStringLiteral("WHERE (PR.CDNVPRODUTO = :P_CDNVPRODUTO)")
        << QStringLiteral("  AND (PF.CDFILIAL = :P_CDFILIAL) AND (PF.IDATIVO = 'S')");
    const bool blocking = idBlPrComEst == QLatin1String("S");
    if (blocking)
        sql << QStringLiteral("  AND (PF.IDBLOQUEADO <> 'S')");
    sql << QStringLiteral("ORDER BY PR.CDARVPROD");
    query->SQL = sql;
    return blocking ? QStringLiteral("Produtos ativos e desbloqueados da filial %1").arg(branch)
                    : QStringLiteral("Produtos ativos da filial %1").arg(branch);
}

} // namespace Lib00210
