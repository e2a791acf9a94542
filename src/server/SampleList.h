#pragma once
// The sample list of the screen (GetAmostraProc): its fields and its query from the filter's
// eight arguments. The list's changes (GetAmostraProcAlteradas) read the same rows.

#include <server/Packets.h>
#include <server/Rpc.h>

#include <QVariantHash>

namespace server {

const QList<FieldDef>& sampleListFields();

struct SampleListQuery {
    QString sql;
    QVariantHash bind;
};

// The filter's arguments are args 0..7; `condition` (SQL on A = AMOSTRAPROC, its values bound
// by the caller) narrows it further when not empty. Rows in sample-number order.
SampleListQuery sampleListQuery(const Args& args, const QString& condition = QString());

} // namespace server
