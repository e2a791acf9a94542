#include <est25000/Consultas.h>

namespace est25000::sql {

const QStringList& serieNF() {
    static const QStringList lines{
        QStringLiteral("SELECT CDSERIEENTR, DSSERIEENTR"),
        QStringLiteral("FROM SERIEENTR"),
        QStringLiteral("WHERE ((CDSERIEENTR = :P_CDSERIEENTR) OR (:P_TCDSERIEENTR = 'T'))"),
        QStringLiteral("ORDER BY CDSERIEENTR"),
    };
    return lines;
}

const QStringList& fornecedor() {
    static const QStringList lines{
        QStringLiteral("SELECT CDFORNECED, IDTPIJURFORN, NRINSJURFORN,"),
        QStringLiteral("       NMRAZSOCFORN"),
        QStringLiteral("FROM FORNECEDOR"),
        QStringLiteral("WHERE ((NRINSJURFORN = :P_NRINSJURFORN) OR (:P_TNRINSJURFORN = 'T'))"),
        QStringLiteral("ORDER BY NMRAZSOCFORN"),
    };
    return lines;
}

const QStringList& validProdItem() {
    static const QStringList lines{
        QStringLiteral("SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD"),
        QStringLiteral("FROM PRODUTO PR"),
        QStringLiteral("WHERE (PR.CDARVPROD  = :P_CDPRODUTO)"),
        QStringLiteral("ORDER BY PR.CDARVPROD"),
    };
    return lines;
}

const QStringList& prodItem() {
    static const QStringList lines{
        QStringLiteral("SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD"),
        QStringLiteral("FROM PRODUTO PR"),
        QStringLiteral("WHERE (PR.CDNVPRODUTO = :P_CDNVPRODUTO)"),
        QStringLiteral("ORDER BY PR.CDARVPROD"),
    };
    return lines;
}

const QStringList& filtroFornecedor() {
    static const QStringList lines{
        QStringLiteral("SELECT CDFORNECED, IDTPIJURFORN, NRINSJURFORN, NMRAZSOCFORN, IDSITUCADA"),
        QStringLiteral("FROM FORNECEDOR"),
        QStringLiteral("ORDER BY NMRAZSOCFORN"),
    };
    return lines;
}

const QStringList& filtroValidForn() {
    static const QStringList lines{
        QStringLiteral("SELECT IDTPIJURFORN, NRINSJURFORN, NMRAZSOCFORN"),
        QStringLiteral("FROM FORNECEDOR"),
        QStringLiteral("WHERE NRINSJURFORN = :P_NRINSJURFORN"),
    };
    return lines;
}

const QStringList& filtroProduto() {
    static const QStringList lines{
        QStringLiteral("SELECT CDARVPROD, CDPRODUTO, NMPRODUTO, CDNVPRODUTO"),
        QStringLiteral("FROM PRODUTO"),
        QStringLiteral("ORDER BY CDARVPROD"),
    };
    return lines;
}

const QStringList& filtroValidProd() {
    static const QStringList lines{
        QStringLiteral("SELECT CDARVPROD, CDPRODUTO, NMPRODUTO, CDNVPRODUTO"),
        QStringLiteral("FROM PRODUTO"),
        QStringLiteral("WHERE CDARVPROD = :P_CDPRODUTO"),
    };
    return lines;
}

} // namespace est25000::sql
