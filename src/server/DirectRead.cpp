#include <server/DirectRead.h>

#include <server/Database.h>
#include <server/PgHandle.h>

#include <dataset/DataPacketTextWriter.h>

#include <QSqlDriver>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <charconv>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace server {
namespace {

using dataset::FieldType;

// The text of a bound value as QtSql would bind it; null for a null value.
QByteArray boundText(const QVariant& value) {
    return value.isNull() ? QByteArray() : value.toString().toUtf8();
}

// ---------------------------------------------------------------- SQLite

sqlite3* sqliteOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void failSqlite(Session& session, sqlite3* db, int code, const QString& sql) {
    session.raise(
        QSqlError(
            QStringLiteral("falha na leitura"), QString::fromUtf8(sqlite3_errmsg(db)),
            QSqlError::StatementError,
            QString::number(sqlite3_extended_errcode(db) ? sqlite3_extended_errcode(db) : code)),
        sql);
}

QByteArray readSqlite(Session& session, sqlite3* db, const QString& sql, const QVariantHash& values,
                      const QList<dataset::FieldDef>& fields) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw,
                                                                               &sqlite3_finalize);
    if (rc != SQLITE_OK)
        failSqlite(session, db, rc, sql);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int at = sqlite3_bind_parameter_index(raw, (':' + it.key()).toUtf8().constData());
        if (at == 0)
            continue;
        const QByteArray bound = boundText(it.value());
        rc = bound.isNull() ? sqlite3_bind_null(raw, at)
                            : sqlite3_bind_text(raw, at, bound.constData(),
                                                static_cast<int>(bound.size()), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK)
            failSqlite(session, db, rc, sql);
    }
    dataset::DataPacketTextWriter out(fields);
    const int columns = static_cast<int>(fields.size());
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        out.beginRow();
        for (int i = 0; i < columns; ++i) {
            const int stored = sqlite3_column_type(raw, i);
            if (stored == SQLITE_NULL) {
                out.null();
            } else if (fields.at(i).type == FieldType::Integer) {
                out.number(static_cast<double>(sqlite3_column_int64(raw, i)));
            } else if (fields.at(i).type == FieldType::Float) {
                out.number(sqlite3_column_double(raw, i));
            } else if (stored == SQLITE_FLOAT) {
                // QtSql reads a real as a double, which becomes the text Qt writes for it.
                out.text(QString::number(sqlite3_column_double(raw, i), 'g',
                                         QLocale::FloatingPointShortest));
            } else {
                const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
                out.text(QByteArrayView(chars, sqlite3_column_bytes(raw, i)));
            }
        }
        out.endRow();
    }
    if (rc != SQLITE_DONE)
        failSqlite(session, db, rc, sql);
    session.ranDirectly();
    return out.finish();
}

// ---------------------------------------------------------------- PostgreSQL

// The statement with its ":NAME" marks numbered for libpq ($1, $2...), and the names in
// that order. Quoted text and identifiers are left as they are.
QByteArray numberedMarks(const QString& sql, QStringList& names) {
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(':') && i + 1 < sql.size() &&
                   (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_')) &&
                   (i == 0 || sql.at(i - 1) != QLatin1Char(':'))) {
            qsizetype end = i + 1;
            while (end < sql.size() &&
                   (sql.at(end).isLetterOrNumber() || sql.at(end) == QLatin1Char('_')))
                ++end;
            const QString name = sql.mid(i + 1, end - i - 1);
            qsizetype number = names.indexOf(name);
            if (number < 0) {
                number = names.size();
                names.append(name);
            }
            out += QLatin1Char('$') + QString::number(number + 1);
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

// libpq's text of a number (for a double also "Infinity", "NaN").
template <class Number> Number parsed(const char* text, int length) {
    Number value{};
    std::from_chars(text, text + length, value);
    return value;
}

QByteArray readPostgres(Session& session, PGconn* conn, const QString& sql,
                        const QVariantHash& values, const QList<dataset::FieldDef>& fields) {
    QStringList names;
    const QByteArray text = numberedMarks(sql, names);
    std::vector<QByteArray> bound;
    std::vector<const char*> params;
    for (const QString& name : std::as_const(names)) {
        bound.push_back(boundText(values.value(name)));
        params.push_back(bound.back().isNull() ? nullptr : bound.back().constData());
    }
    // QtSql may still hold the rest of an earlier result; libpq runs one command at a time.
    session.releaseResults();
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(conn, text.constData(), static_cast<int>(params.size()), nullptr,
                     params.data(), nullptr, nullptr, 0),
        &PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        session.raise(QSqlError(QStringLiteral("falha na leitura"),
                                QString::fromUtf8(PQerrorMessage(conn)).trimmed(),
                                QSqlError::StatementError, QString::fromLatin1(state)),
                      sql);
    }
    PGresult* rows = result.get();
    const int count = PQntuples(rows);
    const int columns = static_cast<int>(fields.size());
    dataset::DataPacketTextWriter out(fields, count, 12 * columns);
    for (int r = 0; r < count; ++r) {
        out.beginRow();
        for (int i = 0; i < columns; ++i) {
            if (PQgetisnull(rows, r, i)) {
                out.null();
                continue;
            }
            const char* value = PQgetvalue(rows, r, i);
            const int length = PQgetlength(rows, r, i);
            if (fields.at(i).type == FieldType::Integer)
                out.number(static_cast<double>(parsed<qlonglong>(value, length)));
            else if (fields.at(i).type == FieldType::Float)
                out.number(parsed<double>(value, length));
            else
                out.text(QByteArrayView(value, length));
        }
        out.endRow();
    }
    session.ranDirectly();
    return out.finish();
}

} // namespace

QByteArray packetTextFromSql(Session& session, const QString& sql, const QVariantHash& values,
                             const QList<dataset::FieldDef>& fields) {
    for (const dataset::FieldDef& field : fields)
        if (field.type != FieldType::String && field.type != FieldType::Float &&
            field.type != FieldType::Integer)
            throw std::logic_error("packetTextFromSql: only text and number fields");
    if (sqlite3* db = sqliteOf(session.db()))
        return readSqlite(session, db, sql, values, fields);
    if (PGconn* conn = pg::connectionOf(session.db()))
        return readPostgres(session, conn, sql, values, fields);
    throw DbError("a conexão com o banco não está aberta", DbFailure::Unavailable);
}

} // namespace server
