#include <server/SampleChanges.h>

#include <server/Packets.h>
#include <server/RpcError.h>
#include <server/SampleList.h>

#include <QDateTime>
#include <QJsonObject>
#include <QSet>

#include <atomic>

namespace server {
namespace {

bool onPostgres(const Session& session) {
    return session.dialect().kind == DbKind::Postgres;
}

// The column a mark is compared with, and how: rows after the mark.
QString afterMark(const Session& session) {
    return onPostgres(session) ? QStringLiteral("NRTRANSACAO >= :MARCA")
                               : QStringLiteral("NRSEQUENCIA > :MARCA");
}

const char* const kSqliteLog[] = {
    R"(CREATE TABLE AMOSTRAPROC_ALTERACAO (
    NRSEQUENCIA INTEGER PRIMARY KEY AUTOINCREMENT,
    NRAMOSTRA VARCHAR(10) NOT NULL,
    NRTRANSACAO INTEGER,
    DTALTERACAO INTEGER NOT NULL))",
    R"(CREATE TRIGGER TR_AMOSTRAPROC_INCLUSAO AFTER INSERT ON AMOSTRAPROC BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    VALUES (NEW.NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER)); END)",
    R"(CREATE TRIGGER TR_AMOSTRAPROC_ALTERACAO AFTER UPDATE ON AMOSTRAPROC BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    VALUES (OLD.NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER));
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    SELECT NEW.NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER)
    WHERE NEW.NRAMOSTRA <> OLD.NRAMOSTRA; END)",
    R"(CREATE TRIGGER TR_AMOSTRAPROC_EXCLUSAO AFTER DELETE ON AMOSTRAPROC BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    VALUES (OLD.NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER)); END)",
    R"(CREATE TRIGGER TR_PRODUTO_AMOSTRAS AFTER UPDATE OF CDARVPROD, NMPRODUTO, SGUNIDADE
    ON PRODUTO BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    SELECT NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER) FROM AMOSTRAPROC
    WHERE CDPRODUTO = NEW.CDPRODUTO; END)",
    R"(CREATE TRIGGER TR_FORNECEDOR_AMOSTRAS AFTER UPDATE OF NRINSJURFORN, IDTPIJURFORN,
    NMRAZSOCFORN ON FORNECEDOR BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA, DTALTERACAO)
    SELECT NRAMOSTRA, CAST(strftime('%s', 'now') AS INTEGER) FROM AMOSTRAPROC
    WHERE CDFORNECED = NEW.CDFORNECED; END)",
};

// NRTRANSACAO: the writing transaction's id (the top-level one, as snapshots know it).
const char* const kPostgresLog[] = {
    R"(CREATE TABLE AMOSTRAPROC_ALTERACAO (
    NRSEQUENCIA BIGSERIAL PRIMARY KEY,
    NRAMOSTRA VARCHAR(10) NOT NULL,
    NRTRANSACAO BIGINT NOT NULL DEFAULT CAST(CAST(pg_current_xact_id() AS TEXT) AS BIGINT),
    DTALTERACAO BIGINT NOT NULL DEFAULT CAST(EXTRACT(EPOCH FROM now()) AS BIGINT)))",
    "CREATE INDEX IX_AMOSTRAPROC_ALTERACAO_TRANSACAO ON AMOSTRAPROC_ALTERACAO (NRTRANSACAO)",
    R"(CREATE FUNCTION EST_AMOSTRA_ALTERADA() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA) VALUES (NEW.NRAMOSTRA);
    ELSE
        INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA) VALUES (OLD.NRAMOSTRA);
        IF TG_OP = 'UPDATE' AND NEW.NRAMOSTRA <> OLD.NRAMOSTRA THEN
            INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA) VALUES (NEW.NRAMOSTRA);
        END IF;
    END IF;
    RETURN NULL;
END $$)",
    R"(CREATE TRIGGER TR_AMOSTRAPROC_ALTERACAO AFTER INSERT OR UPDATE OR DELETE ON AMOSTRAPROC
    FOR EACH ROW EXECUTE FUNCTION EST_AMOSTRA_ALTERADA())",
    R"(CREATE FUNCTION EST_PRODUTO_ALTERADO() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA)
    SELECT NRAMOSTRA FROM AMOSTRAPROC WHERE CDPRODUTO = NEW.CDPRODUTO;
    RETURN NULL;
END $$)",
    R"(CREATE TRIGGER TR_PRODUTO_AMOSTRAS AFTER UPDATE OF CDARVPROD, NMPRODUTO, SGUNIDADE
    ON PRODUTO FOR EACH ROW EXECUTE FUNCTION EST_PRODUTO_ALTERADO())",
    R"(CREATE FUNCTION EST_FORNECEDOR_ALTERADO() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO AMOSTRAPROC_ALTERACAO (NRAMOSTRA)
    SELECT NRAMOSTRA FROM AMOSTRAPROC WHERE CDFORNECED = NEW.CDFORNECED;
    RETURN NULL;
END $$)",
    R"(CREATE TRIGGER TR_FORNECEDOR_AMOSTRAS AFTER UPDATE OF NRINSJURFORN, IDTPIJURFORN,
    NMRAZSOCFORN ON FORNECEDOR FOR EACH ROW EXECUTE FUNCTION EST_FORNECEDOR_ALTERADO())",
};

qint64 single(QSqlQuery& query) {
    const qint64 value = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    return value;
}

} // namespace

void createSampleChangeLog(Session& session) {
    if (onPostgres(session))
        for (const char* statement : kPostgresLog)
            session.execDirect(QString::fromUtf8(statement));
    else
        for (const char* statement : kSqliteLog)
            session.execDirect(QString::fromUtf8(statement));
    session.execDirect(session.dialect().ddl(
        QStringLiteral("CREATE TABLE AMOSTRAPROC_HORIZONTE (NRHORIZONTE ${BIGINT} NOT NULL)")));
    session.execDirect(
        QStringLiteral("INSERT INTO AMOSTRAPROC_HORIZONTE (NRHORIZONTE) VALUES (0)"));
}

qint64 sampleChangeMark(Session& session) {
    return single(session.run(
        onPostgres(session)
            ? QStringLiteral(
                  "SELECT CAST(CAST(pg_snapshot_xmin(pg_current_snapshot()) AS TEXT) AS BIGINT)")
            : QStringLiteral("SELECT COALESCE(MAX(seq), 0) FROM sqlite_sequence"
                             " WHERE name = 'AMOSTRAPROC_ALTERACAO'")));
}

void pruneSampleChanges(Session& session, qint64 beforeEpochSeconds) {
    const QString column =
        onPostgres(session) ? QStringLiteral("NRTRANSACAO") : QStringLiteral("NRSEQUENCIA");
    const QVariantHash before{{QStringLiteral("ANTES"), beforeEpochSeconds}};
    QSqlQuery& last = session.run(
        QStringLiteral("SELECT MAX(%1) FROM AMOSTRAPROC_ALTERACAO WHERE DTALTERACAO < :ANTES")
            .arg(column),
        before);
    const bool any = last.next() && !last.value(0).isNull();
    const qint64 pruned = any ? last.value(0).toLongLong() : 0;
    last.finish();
    if (!any)
        return;
    session.run(
        QStringLiteral("DELETE FROM AMOSTRAPROC_ALTERACAO WHERE DTALTERACAO < :ANTES"
                       " AND %1 <= :ULTIMO")
            .arg(column),
        {{QStringLiteral("ANTES"), beforeEpochSeconds}, {QStringLiteral("ULTIMO"), pruned}});
    // A mark answers while nothing after it is gone: on SQLite after the last sequence pruned,
    // on PostgreSQL above the last transaction pruned.
    const qint64 horizon = onPostgres(session) ? pruned + 1 : pruned;
    session.run(QStringLiteral("UPDATE AMOSTRAPROC_HORIZONTE SET NRHORIZONTE = :H"
                               " WHERE NRHORIZONTE < :H"),
                {{QStringLiteral("H"), horizon}});
}

void pruneSampleChangesWhenDue(Session& session) {
    static std::atomic<qint64> due{0};
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    qint64 expected = due.load();
    if (now < expected || !due.compare_exchange_strong(expected, now + 3600))
        return;
    pruneSampleChanges(session, now - 86400);
}

// Answer: the rows of the samples changed since the mark that the filter lists (current, in
// number order), the numbers of the others ("removidas": gone, or no longer listed) and the
// mark to ask with next time; {"recarregar": true} when the log no longer reaches the mark.
QJsonValue getAmostraProcAlteradas(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("GetAmostraProcAlteradas"), 9);
    bool ok = false;
    const qint64 mark = args.trimmed(8).toLongLong(&ok);
    if (!ok || mark < 0)
        throw badRequest(QStringLiteral("GetAmostraProcAlteradas: marca inválida."));
    const QVariantHash atMark{{QStringLiteral("MARCA"), mark}};
    const qint64 next = sampleChangeMark(session);
    QSet<QString> changed;
    QSqlQuery& keys =
        session.run(QStringLiteral("SELECT DISTINCT NRAMOSTRA FROM AMOSTRAPROC_ALTERACAO WHERE ") +
                        afterMark(session),
                    atMark);
    while (keys.next())
        changed.insert(keys.value(0).toString());
    keys.finish();
    // Read after the log: a pruning that took rows past the mark shows here.
    QSqlQuery& horizon =
        session.run(QStringLiteral("SELECT MAX(NRHORIZONTE) FROM AMOSTRAPROC_HORIZONTE"));
    if (mark < single(horizon))
        return QJsonObject{{QStringLiteral("recarregar"), true}};

    SampleListQuery query = sampleListQuery(
        args, QStringLiteral("A.NRAMOSTRA IN (SELECT NRAMOSTRA FROM AMOSTRAPROC_ALTERACAO"
                             " WHERE ") +
                  afterMark(session) + QLatin1Char(')'));
    query.bind.insert(atMark);
    const dataset::DataPacket rows =
        packetFromQuery(session.run(query.sql, query.bind), sampleListFields());
    for (const dataset::Row& row : rows.rows)
        changed.remove(row.at(0).toString());
    QStringList removed(changed.cbegin(), changed.cend());
    removed.sort();
    QJsonObject answer = checkedResult(rows);
    answer.insert(QStringLiteral("removidas"), QJsonArray::fromStringList(removed));
    answer.insert(QStringLiteral("marca"), QString::number(next));
    return answer;
}

} // namespace server
