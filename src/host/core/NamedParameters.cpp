#include <host/core/NamedParameters.h>

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlField>
#include <QTime>

namespace host {

namespace {

// Where the text quoted by `quote` from `start` (just after the opening quote) ends: after its
// closing quote, or at the end. A doubled quote stays inside; so does a quote after a backslash
// in a PostgreSQL escape string (E'...').
qsizetype afterQuoted(const QString& sql, qsizetype start, QChar quote, bool backslashEscapes) {
    for (qsizetype i = start; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (backslashEscapes && c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        if (c != quote)
            continue;
        if (i + 1 < sql.size() && sql.at(i + 1) == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return sql.size();
}

// A value the database must read as null: as Qt's own binding decides it.
bool isNullValue(const QVariant& value) {
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDate:
        return value.toDate().isNull();
    case QMetaType::QTime:
        return value.toTime().isNull();
    case QMetaType::QDateTime:
        return value.toDateTime().isNull();
    default:
        return false;
    }
}

} // namespace

QList<NamedParameter> NamedParameters(const QString& sql) {
    QList<NamedParameter> found;
    const auto isNameChar = [&](qsizetype i) {
        return i >= 0 && i < sql.size() &&
               (sql.at(i).isLetterOrNumber() || sql.at(i) == QLatin1Char('_'));
    };
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const bool escapes = c == QLatin1Char('\'') && i > 0 &&
                                 sql.at(i - 1).toUpper() == QLatin1Char('E') && !isNameChar(i - 2);
            i = afterQuoted(sql, i + 1, c, escapes);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? sql.size() : end + 1;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 2;
        } else if (c == QLatin1Char(':') && next == QLatin1Char(':')) {
            i += 2;
        } else if (c == QLatin1Char(':') && isNameChar(i + 1) && !next.isDigit()) {
            qsizetype end = i + 1;
            while (isNameChar(end))
                ++end;
            found.append({i, end - i, sql.mid(i + 1, end - i - 1)});
            i = end;
        } else {
            ++i;
        }
    }
    return found;
}

QString WithValuesWritten(const QString& sql, const QVariantHash& values,
                          const QSqlDriver& driver) {
    QHash<QString, QVariant> byName;
    for (auto it = values.begin(); it != values.end(); ++it)
        byName.insert(it.key().toUpper(), it.value());
    QString written;
    written.reserve(sql.size() + 16 * values.size());
    qsizetype copied = 0;
    for (const NamedParameter& parameter : NamedParameters(sql)) {
        written += QStringView(sql).mid(copied, parameter.position - copied);
        const QVariant value = byName.value(parameter.name.toUpper());
        QSqlField field(QString(), value.metaType());
        field.setValue(isNullValue(value) ? QVariant() : value);
        written += driver.formatValue(field);
        copied = parameter.position + parameter.length;
    }
    written += QStringView(sql).mid(copied);
    return written;
}

} // namespace host
