#include <server/SampleList.h>

#include <server/Codes.h>

#include <QStringList>

namespace server {

const QList<FieldDef>& sampleListFields() {
    static const QList<FieldDef> fields{
        text("NRAMOSTRA", 10),    text("DSAMOSTRA", 50),  text("CDARVPROD", 20),
        text("CDPRODUTO", 10),    number("QTPRODPROC"),   text("SGUNIDADE", 10),
        text("NMPRODUTO", 50),    text("CDFILIAL", 4),    text("NRLANCTONF", 10),
        text("CDSERIEENTR", 5),   text("NRINSJURNF", 20), text("IDTPIJURNF", 1),
        text("NMRAZSOCFORN", 40), text("CDFORNECED", 21), text("NRNOTAFISC", 20),
        text("IDPROCESSADO", 1)};
    return fields;
}

// Eight texts: sample range flag, first, last; supplier flag, tax id; product range flag,
// first, last. "T" lifts a criterion; an empty bound leaves that side of a range open.
SampleListQuery sampleListQuery(const Args& args, const QString& condition) {
    QStringList where;
    QVariantHash bind;
    if (args.trimmed(0).toUpper() != QLatin1String("T")) {
        if (!args.trimmed(1).isEmpty()) {
            where << QStringLiteral("A.NRAMOSTRA >= :NRINI");
            bind.insert(QStringLiteral("NRINI"), args.trimmed(1));
        }
        if (!args.trimmed(2).isEmpty()) {
            where << QStringLiteral("A.NRAMOSTRA <= :NRFIM");
            bind.insert(QStringLiteral("NRFIM"), args.trimmed(2));
        }
    }
    if (args.trimmed(3).toUpper() != QLatin1String("T")) {
        where << QStringLiteral("F.NRINSJURFORN = :NRINSJURFORN");
        bind.insert(QStringLiteral("NRINSJURFORN"), bareCode(args.trimmed(4)).toUpper());
    }
    if (args.trimmed(5).toUpper() != QLatin1String("T")) {
        if (!args.trimmed(6).isEmpty()) {
            where << QStringLiteral("P.CDARVPROD >= :PRINI");
            bind.insert(QStringLiteral("PRINI"), bareCode(args.trimmed(6)));
        }
        if (!args.trimmed(7).isEmpty()) {
            where << QStringLiteral("P.CDARVPROD <= :PRFIM");
            bind.insert(QStringLiteral("PRFIM"), bareCode(args.trimmed(7)));
        }
    }
    if (!condition.isEmpty())
        where << condition;
    // Only fixed conditions are chosen here; every value is bound.
    const QString sql =
        QStringLiteral(
            "SELECT A.NRAMOSTRA, A.DSAMOSTRA, P.CDARVPROD, A.CDPRODUTO, A.QTPRODPROC,"
            " P.SGUNIDADE, P.NMPRODUTO, A.CDFILIAL, A.NRLANCTONF, A.CDSERIEENTR,"
            " F.NRINSJURFORN, F.IDTPIJURFORN, F.NMRAZSOCFORN, A.CDFORNECED, A.NRNOTAFISC,"
            " A.IDPROCESSADO"
            " FROM AMOSTRAPROC A"
            " JOIN PRODUTO P ON P.CDPRODUTO = A.CDPRODUTO"
            " LEFT JOIN FORNECEDOR F ON F.CDFORNECED = A.CDFORNECED") +
        (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(" AND ")) +
        QStringLiteral(" ORDER BY A.NRAMOSTRA");
    return {sql, bind};
}

} // namespace server
