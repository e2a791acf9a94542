#include <server/SampleHistory.h>

#include <server/Packets.h>

#include <QDateTime>
#include <QSqlQuery>

namespace server {
namespace {

// What a stored value reads as in the history: quantities as the screen shows them.
QString shown(const QString& column, const QVariant& value) {
    if (isBlank(value))
        return {};
    if (column.startsWith(QLatin1String("QT")))
        return formatQuantity(value.toDouble());
    return value.toString().trimmed().left(60);
}

QVariant nullable(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

struct Writer {
    const Sample& sample;
    const QString& moment;
    const QString& user;
    QVariantList& rows;

    void row(const char* operation, const QString& product, const QString& field,
             const QString& before, const QString& after) {
        rows << moment << user << QString::fromLatin1(operation) << sample.number
             << nullable(product) << nullable(field) << nullable(before) << nullable(after);
    }

    // Every filled column of a new record; `skip` columns are its key.
    void inserted(const Record& record, const QStringList& columns, int skip,
                  const QString& product) {
        for (const QString& column : columns.mid(skip))
            if (const QString value = shown(column, record.value(column)); !value.isEmpty())
                row("I", product, column, {}, value);
    }

    void changed(const Record& before, const Record& after, const QStringList& columns, int skip,
                 const QString& product) {
        for (const QString& column : columns.mid(skip))
            if (!sameValue(before.value(column), after.value(column)))
                row("A", product, column, shown(column, before.value(column)),
                    shown(column, after.value(column)));
    }

    void items() {
        const auto productOf = [](const Item& item) {
            return textOf(item.values, QStringLiteral("CDPRODUTO"));
        };
        for (const Item& old : sample.storedItems) {
            const QString product = productOf(old);
            const auto now = std::find_if(sample.items.begin(), sample.items.end(),
                                          [&](const Item& i) { return productOf(i) == product; });
            if (now == sample.items.end())
                row("E", product, {}, {}, {});
            else
                changed(old.values, now->values, kItemColumns, 2, product);
        }
        for (const Item& item : sample.items) {
            const QString product = productOf(item);
            if (std::none_of(sample.storedItems.begin(), sample.storedItems.end(),
                             [&](const Item& i) { return productOf(i) == product; }))
                inserted(item.values, kItemColumns, 2, product);
        }
    }
};

QString operationName(const QString& code) {
    if (code == QLatin1String("I"))
        return QStringLiteral("Inclusão");
    if (code == QLatin1String("A"))
        return QStringLiteral("Alteração");
    return QStringLiteral("Exclusão");
}

} // namespace

void appendHistory(const Sample& sample, const QString& moment, const QString& user,
                   QVariantList& rows) {
    Writer writer{sample, moment, user, rows};
    if (sample.deleted) {
        writer.row("E", {}, {}, {}, {});
        return;
    }
    if (sample.isNew)
        writer.inserted(sample.values, kSampleColumns, 1, {});
    else
        writer.changed(sample.stored, sample.values, kSampleColumns, 1, {});
    if (sample.itemsChanged)
        writer.items();
}

QString historyMoment() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

dataset::DataPacket sampleHistory(Session& session, const QString& number) {
    QSqlQuery& query = session.run(
        QStringLiteral("SELECT DTMOMENTO, NMUSUARIO, IDOPERACAO, CDPRODUTO, NMCAMPO, DSANTERIOR,"
                       " DSNOVO FROM AUDITORIA WHERE NRAMOSTRA = :NRAMOSTRA"
                       " ORDER BY NRSEQUENCIA DESC"),
        {{QStringLiteral("NRAMOSTRA"), number.trimmed()}});
    dataset::DataPacket packet;
    packet.fields = {text("DTMOMENTO", 19), text("NMUSUARIO", 40), text("DSOPERACAO", 10),
                     text("CDPRODUTO", 10), text("NMCAMPO", 30),   text("DSANTERIOR", 60),
                     text("DSNOVO", 60)};
    while (query.next()) {
        const QDateTime moment =
            QDateTime::fromString(query.value(0).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        packet.rows.append({moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                            query.value(1).toString(), operationName(query.value(2).toString()),
                            query.value(3).toString(), query.value(4).toString(),
                            query.value(5).toString(), query.value(6).toString()});
    }
    query.finish();
    return packet;
}

} // namespace server
