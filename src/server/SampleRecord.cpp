#include <server/SampleRecord.h>

#include <QLocale>

#include <cmath>

namespace server {

const QStringList kSampleColumns{"NRAMOSTRA",   "DSAMOSTRA",  "CDPRODUTO",
                                 "QTPRODPROC",  "CDFILIAL",   "NRLANCTONF",
                                 "CDSERIEENTR", "NRNOTAFISC", "CDFORNECED"};
const QStringList kItemColumns{"NRAMOSTRA", "CDPRODUTO", "QTPRODGERADO", "IDPRODPRINC"};
const QHash<QString, int> kTextSizes{{"NRAMOSTRA", 10},  {"DSAMOSTRA", 50},  {"CDPRODUTO", 10},
                                     {"CDFILIAL", 4},    {"NRLANCTONF", 10}, {"CDSERIEENTR", 5},
                                     {"NRNOTAFISC", 20}, {"CDFORNECED", 21}, {"IDPRODPRINC", 1}};
const QSet<QString> kQuantityColumns{"CDPRODUTO",   "QTPRODPROC", "CDFILIAL",  "NRLANCTONF",
                                     "CDSERIEENTR", "NRNOTAFISC", "CDFORNECED"};

QString tooManyItemsMessage() {
    return QStringLiteral("A amostra pode ter no máximo %1 itens.").arg(kMaxItemsPerSample);
}

QList<int> columnPositions(const dataset::ChangePacket& packet, const QStringList& columns) {
    QList<int> positions;
    positions.reserve(columns.size());
    for (const QString& column : columns)
        positions.append(packet.indexOf(column));
    return positions;
}

Record recordOf(const dataset::Row& row, const QStringList& columns, const QList<int>& positions) {
    Record record;
    record.reserve(columns.size());
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (positions.at(i) >= 0)
            record.insert(columns.at(i), row.at(positions.at(i)));
    return record;
}

QString textOf(const Record& record, const QString& column) {
    return record.value(column).toString().trimmed();
}

bool isBlank(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return false; // a number is never blank, and writing it out as text costs
    default:
        return value.isNull() || value.toString().trimmed().isEmpty();
    }
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (isBlank(a) || isBlank(b))
        return isBlank(a) && isBlank(b);
    const bool numeric = a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double;
    if (numeric)
        return std::fabs(a.toDouble() - b.toDouble()) < 1e-7;
    return a.toString() == b.toString();
}

double round3(double value) {
    return std::round(value * 1000.0) / 1000.0;
}

QString formatQuantity(double value) {
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil.toString(value, 'f', 3);
}

} // namespace server
