#pragma once
// The history of a sample (table AUDITORIA): what a confirmation stored, field by field, with
// the moment and the user; read back newest first.

#include <dataset/DataPacket.h>
#include <server/Database.h>
#include <server/SampleRecord.h>

#include <QVariantList>

namespace server {

// The rows one stored sample leaves, in the value order of confirmation_sql::insertHistory:
// an insertion gives its filled fields, a change the fields that changed (old and new), a
// deletion one row; the items likewise, named by product. `moment`: "yyyy-MM-dd hh:mm:ss".
void appendHistory(const Sample& sample, const QString& moment, const QString& user,
                   QVariantList& rows);

// The current time as the history records it.
QString historyMoment();

// The rows of one sample, newest first: DTMOMENTO (dd/mm/yyyy hh:mm:ss), NMUSUARIO,
// DSOPERACAO (Inclusão, Alteração, Exclusão), CDPRODUTO (the item, empty for the sample),
// NMCAMPO, DSANTERIOR, DSNOVO.
dataset::DataPacket sampleHistory(Session& session, const QString& number);

} // namespace server
