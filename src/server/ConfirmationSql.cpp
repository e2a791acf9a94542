#include <server/ConfirmationSql.h>

#include <server/SampleRecord.h>

namespace server::confirmation_sql {

namespace {

// "?,?,?" for n values.
QString marks(qsizetype n) {
    QString text;
    text.reserve(2 * n);
    for (qsizetype i = 0; i < n; ++i)
        text += i == 0 ? QLatin1String("?") : QLatin1String(",?");
    return text;
}

// The statement's text for that many values, built once per thread (for a bounded number of
// counts: the cache starts afresh when full).
template <class Build> const QString& textFor(qsizetype count, Build&& build) {
    thread_local QHash<qsizetype, QString> texts;
    auto it = texts.constFind(count);
    if (it == texts.constEnd() && texts.size() >= 64) {
        texts.clear();
        it = texts.constEnd();
    }
    if (it == texts.constEnd())
        it = texts.insert(count, build(count));
    return *it;
}

} // namespace

QSqlQuery& readProducts(Session& session, const QString& branch, const QStringList& codes) {
    // Lookups by key in subqueries: a plan that never scans the branch settings, whatever the
    // statistics say. Both flags are NOT NULL, so their pair is null only when the branch has no
    // settings for the product.
    static const QString head =
        QStringLiteral("SELECT P.CDPRODUTO, P.SGUNIDADE,"
                       " (SELECT PF.IDATIVO || PF.IDCONTROLAESTOQUE FROM PRODFILIAL PF"
                       "  WHERE PF.CDFILIAL = ? AND PF.CDPRODUTO = P.CDPRODUTO),"
                       " CASE WHEN P.CDPRODUTO = ? THEN"
                       "  (SELECT COUNT(*) FROM FILIAL F WHERE F.CDFILIAL = ?) END,"
                       " CASE WHEN P.CDPRODUTO = ? THEN"
                       "  (SELECT E.QTESTOQDIA FROM POSICAOESTOQUE E WHERE E.CDFILIAL = ?"
                       "   AND E.CDPRODUTO = P.CDPRODUTO AND E.DTPOSICAO <="
                       "   (SELECT F.DTPROCESSAMENTO FROM FILIAL F WHERE F.CDFILIAL = ?)"
                       "   ORDER BY E.DTPOSICAO DESC LIMIT 1) END"
                       " FROM PRODUTO P WHERE P.CDPRODUTO IN (");
    const QString& sql =
        textFor(codes.size(), [](qsizetype n) { return head + marks(n) + QLatin1Char(')'); });
    const QString& first = codes.value(0);
    QVariantList values;
    values.reserve(6 + codes.size());
    values << branch << first << branch << first << branch << branch;
    for (const QString& code : codes)
        values << code;
    return session.runPositional(sql, values);
}

// One statement on both databases.
QString takeSampleNumber(Session& session) {
    QSqlQuery& query =
        session.run(QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + 1"
                                   " WHERE CDNUMERADOR = 'AMOSTRAPROC' RETURNING NRULTIMO"));
    if (!query.next())
        throw DbError("numerador de amostras ausente");
    const qint64 number = query.value(0).toLongLong();
    query.finish();
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}

void insertSample(Session& session, const QVariantList& values) {
    static const QString sql =
        QStringLiteral("INSERT INTO AMOSTRAPROC (%1, IDPROCESSADO) VALUES (%2, 'N')")
            .arg(kSampleColumns.join(QLatin1String(", ")), marks(kSampleColumns.size()));
    session.runPositional(sql, values).finish();
}

void updateSample(Session& session, const QVariantList& values) {
    static const QString sql = [] {
        QStringList sets;
        for (const QString& column : kSampleColumns.mid(1))
            sets << column + QLatin1String(" = ?");
        return QStringLiteral("UPDATE AMOSTRAPROC SET %1 WHERE %2 = ?")
            .arg(sets.join(QLatin1String(", ")), kSampleColumns.first());
    }();
    session.runPositional(sql, values.mid(1) << values.value(0)).finish();
}

void insertItems(Session& session, const QString& number, const QVariantList& items) {
    const qsizetype count = items.size() / 3;
    const QString& sql = textFor(count, [](qsizetype n) {
        QString text = QStringLiteral("INSERT INTO ITEMAMOSTRAPROC (NRAMOSTRA, CDPRODUTO, "
                                      "QTPRODGERADO, IDPRODPRINC) VALUES ");
        for (qsizetype i = 0; i < n; ++i)
            text += i == 0 ? QLatin1String("(?,?,?,?)") : QLatin1String(",(?,?,?,?)");
        return text;
    });
    QVariantList values;
    values.reserve(4 * count);
    for (qsizetype i = 0; i < count; ++i)
        values << number << items.at(3 * i) << items.at(3 * i + 1) << items.at(3 * i + 2);
    session.runPositional(sql, values).finish();
}

void insertHistory(Session& session, const QVariantList& rows) {
    constexpr qsizetype kWidth = 8;
    constexpr qsizetype kRowsPerStatement = 200; // well within both databases' bound on values
    for (qsizetype first = 0; first < rows.size(); first += kWidth * kRowsPerStatement) {
        const QVariantList chunk = rows.mid(first, kWidth * kRowsPerStatement);
        const QString& sql = textFor(chunk.size() / kWidth, [](qsizetype n) {
            QString text = QStringLiteral("INSERT INTO AUDITORIA (DTMOMENTO, NMUSUARIO, IDOPERACAO,"
                                          " NRAMOSTRA, CDPRODUTO, NMCAMPO, DSANTERIOR, DSNOVO)"
                                          " VALUES ");
            for (qsizetype i = 0; i < n; ++i)
                text += QLatin1String(i == 0 ? "(" : ",(") + marks(kWidth) + QLatin1Char(')');
            return text;
        });
        session.runPositional(sql, chunk).finish();
    }
}

std::optional<StoredConfirmation> storedConfirmation(Session& session, const QString& key) {
    QSqlQuery& query = session.run(
        QStringLiteral("SELECT NRAMOSTRA, CDRESUMO FROM CONFIRMACAO WHERE CHAVE = :CHAVE"),
        {{QStringLiteral("CHAVE"), key}});
    std::optional<StoredConfirmation> stored;
    if (query.next())
        stored = StoredConfirmation{query.value(0).toString(), query.value(1).toString()};
    query.finish();
    return stored;
}

void recordConfirmation(Session& session, const QString& key, const QString& digest,
                        const QString& number) {
    session
        .run(QStringLiteral("INSERT INTO CONFIRMACAO (CHAVE, NRAMOSTRA, CDRESUMO)"
                            " VALUES (:CHAVE, :NRAMOSTRA, :CDRESUMO)"),
             {{QStringLiteral("CHAVE"), key},
              {QStringLiteral("NRAMOSTRA"), number},
              {QStringLiteral("CDRESUMO"),
               digest.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(digest)}})
        .finish();
}

bool serverProcessAlive(Session& session, int pid) {
    QSqlQuery& query =
        session.run(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE pid = :PID"),
                    {{QStringLiteral("PID"), pid}});
    const bool alive = query.next() && query.value(0).toInt() > 0;
    query.finish();
    return alive;
}

} // namespace server::confirmation_sql
