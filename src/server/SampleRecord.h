#pragma once
// A sample and its items as one confirmation sees them: stored values with the packet's
// changes applied, and the value rules shared by the confirmation and its checks.

#include <dataset/DataPacket.h>

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace server {

// The stored columns.
extern const QStringList kSampleColumns;
extern const QStringList kItemColumns;
// A sample holds at most this many items; a request beyond it is refused before any work.
constexpr qsizetype kMaxItemsPerSample = 500;
QString tooManyItemsMessage();
// Text columns and their lengths in characters.
extern const QHash<QString, int> kTextSizes;
// Columns whose change puts the sample's quantity checks to work again.
extern const QSet<QString> kQuantityColumns;

// A record by column name: a stored row or a row of a change packet.
using Record = QHash<QString, QVariant>;

// Where each of `columns` sits in the packet's rows (-1 when the packet lacks it): looked up
// once per packet rather than once per row.
QList<int> columnPositions(const dataset::ChangePacket& packet, const QStringList& columns);
// A row of that packet by column name, the columns it lacks left out.
Record recordOf(const dataset::Row& row, const QStringList& columns, const QList<int>& positions);
QString textOf(const Record& record, const QString& column);
bool isBlank(const QVariant& value);
// Values as compared with a before-image: blank text equals null, numbers to 1e-7.
bool sameValue(const QVariant& a, const QVariant& b);
double round3(double value);
QString formatQuantity(double value); // "1.234,500"

struct Item {
    Record values;
    bool touched = false; // inserted or changed by this packet
};

struct Sample {
    QString number; // empty for the new sample until it is numbered
    bool isNew = false;
    bool deleted = false;
    bool quantityTouched = false;
    bool itemsLoaded = false;
    bool itemsChanged = false;
    Record values;
    QList<Item> items;
    // As stored before this confirmation, for its history.
    Record stored;
    QList<Item> storedItems;
};

struct ErrorRow {
    QString object;
    QString code;
    QString text;
};

} // namespace server
