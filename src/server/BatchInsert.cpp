#include <server/BatchInsert.h>

#include <QSqlQuery>

namespace server {

BatchInsert::BatchInsert(Session& session, QString table, QStringList columns, int rowsPerBatch)
    : session_(session), table_(std::move(table)), columns_(std::move(columns)),
      rowsPerBatch_(rowsPerBatch) {}

QString BatchInsert::statement(int rows) const {
    QStringList marks;
    for (int i = 0; i < columns_.size(); ++i)
        marks << QStringLiteral("?");
    const QString one = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList tuples;
    for (int i = 0; i < rows; ++i)
        tuples << one;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table_, columns_.join(QLatin1Char(',')), tuples.join(QLatin1Char(',')));
}

void BatchInsert::add(const QVariantList& row) {
    Q_ASSERT(row.size() == columns_.size());
    pending_ += row;
    if (pending_.size() >= rowsPerBatch_ * columns_.size())
        flush();
}

void BatchInsert::flush() {
    if (pending_.isEmpty())
        return;
    if (parent_)
        parent_->flush();
    const int rows = static_cast<int>(pending_.size() / columns_.size());
    QSqlQuery& query = session_.prepared(statement(rows));
    for (int i = 0; i < pending_.size(); ++i)
        query.bindValue(i, pending_.at(i));
    pending_.clear();
    session_.exec(query);
}

} // namespace server
