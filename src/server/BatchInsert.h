#pragma once
// Inserts rows in multi-row statements with bound values: one round trip per batch on
// PostgreSQL and few statement steps on SQLite.

#include <server/Database.h>

#include <QStringList>
#include <QVariantList>

namespace server {

class BatchInsert {
public:
    BatchInsert(Session& session, QString table, QStringList columns, int rowsPerBatch = 100);
    // Rows of this table refer to rows of parent: its pending rows are written first.
    void dependsOn(BatchInsert& parent) { parent_ = &parent; }
    void add(const QVariantList& row);
    // Writes what is pending; call it once more after the last row.
    void flush();

private:
    QString statement(int rows) const;
    Session& session_;
    QString table_;
    QStringList columns_;
    int rowsPerBatch_;
    QVariantList pending_;
    BatchInsert* parent_ = nullptr;
};

} // namespace server
