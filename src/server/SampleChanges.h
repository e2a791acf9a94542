#pragma once
// The samples' change log (AMOSTRAPROC_ALTERACAO): triggers record the number of every sample
// inserted, changed or deleted, and of every sample whose product or supplier changed a column
// the list shows, whoever writes. A list read with a mark can then be brought up to date with
// only what changed since (GetAmostraProcAlteradas, docs/protocol.md).
//
// The mark, as an integer: on SQLite the last sequence number given to the log (writers are
// serialised, so sequence order is commit order); on PostgreSQL the oldest transaction still
// running when it was read (every transaction a later read could not see has an id at least
// that). Read before the list, it can only make a change be sent twice, never be missed.

#include <server/Database.h>

#include <QJsonArray>
#include <QJsonValue>

namespace server {

// The schema step: the log, its triggers and its horizon.
void createSampleChangeLog(Session& session);

qint64 sampleChangeMark(Session& session);

// Drops the log's rows written before `beforeEpochSeconds` and raises the horizon past them:
// a mark older than the horizon is answered "reload everything".
void pruneSampleChanges(Session& session, qint64 beforeEpochSeconds);
// The same for rows older than a day, at most once an hour in this process; inside a write
// transaction.
void pruneSampleChangesWhenDue(Session& session);

// GetAmostraProcAlteradas: the filter's eight arguments and a mark.
QJsonValue getAmostraProcAlteradas(Session& session, const QJsonArray& values);

} // namespace server
