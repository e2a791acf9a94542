#pragma once
// The named values of a statement's text (":NAME"), and the statement with those values written
// into it as literals by the connection's own driver, for a database where a statement sent
// alone is one round trip and a bound one several.

#include <QList>
#include <QString>
#include <QVariantHash>

class QSqlDriver;

namespace host {

struct NamedParameter {
    qsizetype position = 0; // of the ':'
    qsizetype length = 0;   // the ':' included
    QString name;
};

// Each ":NAME" outside quoted text and comments, in order; "::" (a type cast) is none, nor is
// a ':' followed by a digit.
QList<NamedParameter> NamedParameters(const QString& sql);

// The statement with each ":NAME" replaced by its value (looked up by name, letter case
// ignored; a name without value is null) as the driver formats it: texts quoted and escaped by
// the driver, numbers and dates as literals. The values' own text is never read as SQL.
QString WithValuesWritten(const QString& sql, const QVariantHash& values, const QSqlDriver& driver);

} // namespace host
