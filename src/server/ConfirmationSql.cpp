#include "ConfirmationSql.h"

#include "SampleRecord.h"

namespace server::confirmation_sql {

QSqlQuery& readProducts(Session& session, const QString& branch, const QStringList& codes) {
    QStringList marks;
    QVariantHash values{{QStringLiteral("CDFILIAL"), branch}};
    for (int i = 0; i < codes.size(); ++i) {
        marks << QStringLiteral(":P%1").arg(i);
        values.insert(QStringLiteral("P%1").arg(i), codes.at(i));
    }
    return session.run(
        // Lookups by key in subqueries: a plan that never scans the branch settings, whatever
        // the statistics say. Both flags are NOT NULL, so their pair is null only when the
        // branch has no settings for the product.
        QStringLiteral("SELECT P.CDPRODUTO, P.SGUNIDADE,"
                       " (SELECT PF.IDATIVO || PF.IDCONTROLAESTOQUE FROM PRODFILIAL PF"
                       "  WHERE PF.CDFILIAL = :CDFILIAL AND PF.CDPRODUTO = P.CDPRODUTO),"
                       " CASE WHEN P.CDPRODUTO = :P0 THEN"
                       "  (SELECT COUNT(*) FROM FILIAL F WHERE F.CDFILIAL = :CDFILIAL) END,"
                       " CASE WHEN P.CDPRODUTO = :P0 THEN"
                       "  (SELECT E.QTESTOQDIA FROM POSICAOESTOQUE E WHERE E.CDFILIAL = :CDFILIAL"
                       "   AND E.CDPRODUTO = P.CDPRODUTO AND E.DTPOSICAO <="
                       "   (SELECT F.DTPROCESSAMENTO FROM FILIAL F WHERE F.CDFILIAL = :CDFILIAL)"
                       "   ORDER BY E.DTPOSICAO DESC LIMIT 1) END"
                       " FROM PRODUTO P WHERE P.CDPRODUTO IN (%1)")
            .arg(marks.join(QLatin1Char(','))),
        values);
}

// One statement on both databases.
QString takeSampleNumber(Session& session) {
    QSqlQuery& query =
        session.run(QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + 1"
                                   " WHERE CDNUMERADOR = 'AMOSTRAPROC' RETURNING NRULTIMO"));
    if (!query.next())
        throw DbError("sample numerator missing");
    const qint64 number = query.value(0).toLongLong();
    query.finish();
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}

void insertSample(Session& session, const QVariantList& values) {
    QVariantHash named;
    for (int i = 0; i < kSampleColumns.size(); ++i)
        named.insert(kSampleColumns.at(i), values.value(i));
    session
        .run(QStringLiteral(
                 "INSERT INTO AMOSTRAPROC (NRAMOSTRA, DSAMOSTRA, CDPRODUTO, QTPRODPROC,"
                 " CDFILIAL, NRLANCTONF, CDSERIEENTR, NRNOTAFISC, CDFORNECED, IDPROCESSADO)"
                 " VALUES (:NRAMOSTRA, :DSAMOSTRA, :CDPRODUTO, :QTPRODPROC, :CDFILIAL,"
                 " :NRLANCTONF, :CDSERIEENTR, :NRNOTAFISC, :CDFORNECED, 'N')"),
             named)
        .finish();
}

void insertItems(Session& session, const QString& number, const QVariantList& items) {
    QStringList tuples;
    QVariantHash values{{QStringLiteral("NRAMOSTRA"), number}};
    for (int i = 0; i + 2 < items.size(); i += 3) {
        const int n = i / 3;
        tuples << QStringLiteral("(:NRAMOSTRA, :P%1, :Q%1, :I%1)").arg(n);
        values.insert(QStringLiteral("P%1").arg(n), items.at(i));
        values.insert(QStringLiteral("Q%1").arg(n), items.at(i + 1));
        values.insert(QStringLiteral("I%1").arg(n), items.at(i + 2));
    }
    session
        .run(QStringLiteral("INSERT INTO ITEMAMOSTRAPROC (NRAMOSTRA, CDPRODUTO, QTPRODGERADO,"
                            " IDPRODPRINC) VALUES %1")
                 .arg(tuples.join(QLatin1Char(','))),
             values)
        .finish();
}

} // namespace server::confirmation_sql
