// ConfirmaAmostra: stores the change packets of one sample and its items in one
// transaction, or refuses them. Refusals the screen shows item by item come back as error
// rows (EST25000_1..4, nothing stored); a stale before-image is a 409; any broken invariant
// a 422.
#include <server/ConfirmationAnswer.h>
#include <server/ConfirmationSql.h>
#include <server/Packets.h>
#include <server/Rpc.h>
#include <server/RpcError.h>
#include <server/SampleChanges.h>
#include <server/SampleHistory.h>
#include <server/SampleRecord.h>
#include <server/SampleRules.h>

#include <QJsonArray>
#include <QMap>
#include <QSqlQuery>

namespace server {
namespace {

using dataset::Change;
using dataset::ChangeKind;
using dataset::ChangePacket;
using dataset::Row;

// The columns that a modification changes: those whose old and new values differ.
QStringList changedColumns(const Record& before, const Record& after) {
    QStringList changed;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!sameValue(before.value(it.key()), it.value()))
            changed << it.key();
    return changed;
}

// A modification or deletion carries the whole stored row as it was read, so that the conflict
// check sees every column another user may have changed.
void requireWholeImage(const QList<int>& positions, const QStringList& columns,
                       const QString& what) {
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (positions.at(i) < 0)
            throw badRequest(QStringLiteral("Alteração de %1 sem a imagem anterior completa "
                                            "(falta o campo %2).")
                                 .arg(what, columns.at(i)));
}

// Refused with 409 when the stored record no longer holds the before-image of a column.
// `changed`: "A amostra N foi alterada" or "O item P da amostra N foi alterado".
void checkBeforeImage(const Record& stored, const Record& before, const QStringList& columns,
                      const QString& changed) {
    for (const QString& column : columns)
        if (before.contains(column) && !sameValue(stored.value(column), before.value(column)))
            throw conflict(changed + QStringLiteral(" por outro usuário. Nada foi "
                                                    "gravado. Recarregue os dados e repita a "
                                                    "operação."));
}

// The confirmation stored under the request's key answers again; the same key sent with
// another request is another sample's, refused. A confirmation stored before digests were
// kept has none and answers again.
QString replayed(Session& session, const confirmation_sql::StoredConfirmation& stored) {
    if (!stored.digest.isEmpty() && !session.requestDigest().isEmpty() &&
        stored.digest != session.requestDigest())
        throw RpcError(422, QStringLiteral("chave_reutilizada"),
                       QStringLiteral("Chave de confirmação já usada para outra amostra: nada "
                                      "foi gravado. Confirme de novo para gravar esta amostra."));
    return stored.number;
}

// A processed sample has moved its stock: of what it holds only the description may change.
bool processed(const Sample& s) {
    return !s.isNew &&
           s.values.value(QStringLiteral("IDPROCESSADO")).toString() == QLatin1String("S");
}

void refuseIfProcessed(const Sample& s) {
    if (processed(s))
        throw refused(QStringLiteral("Amostra já processada: só a descrição pode ser alterada."));
}

class Confirmation {
public:
    explicit Confirmation(Session& session) : session_(session) {}

    // Stores the changes or refuses them; the error rows and the number the screen is told.
    std::pair<QList<ErrorRow>, QString> run(const ChangePacket& items,
                                            const ChangePacket& samples) {
        // Limits first: nothing about an oversized request is worth a transaction.
        if (items.changes.size() > kMaxItemsPerSample)
            throw refused(tooManyItemsMessage());
        Transaction transaction(session_);
        pruneSampleChangesWhenDue(session_);
        // Stored before under the same key (its answer was lost): the same answer, nothing
        // stored again.
        const QString key = session_.requestKey();
        if (!key.isEmpty())
            if (const auto stored = confirmation_sql::storedConfirmation(session_, key))
                return {{}, replayed(session_, *stored)};
        const QList<int> samplePositions = columnPositions(samples, kSampleColumns);
        for (const Change& change : samples.changes)
            applySampleChange(samplePositions, change);
        const QList<int> itemPositions = columnPositions(items, kItemColumns);
        for (const Change& change : items.changes)
            applyItemChange(itemPositions, change);
        if (errors_.isEmpty()) {
            SampleRules rules(session_);
            for (const QString& number : order_) {
                Sample& s = samples_[number];
                if (s.deleted)
                    continue;
                loadItems(s);
                rules.check(s, errors_);
            }
        }
        if (!errors_.isEmpty())
            return answer(); // the transaction rolls back: nothing stored
        QVariantList history;
        const QString moment = historyMoment();
        // A call from within the server (a benchmark, a tool) acts as the server itself.
        const QString user =
            session_.user().isEmpty() ? QStringLiteral("servidor") : session_.user();
        for (const QString& number : order_) {
            Sample& s = samples_[number];
            store(s);
            appendHistory(s, moment, user, history);
        }
        confirmation_sql::insertHistory(session_, history);
        const auto stored = answer();
        if (!key.isEmpty()) {
            try {
                confirmation_sql::recordConfirmation(session_, key, session_.requestDigest(),
                                                     stored.second);
            } catch (const DbError&) {
                // The same key committed meanwhile by another worker (the client repeated a
                // call still under way): that one stored it; this one stores nothing.
                session_.rollback();
                if (const auto other = confirmation_sql::storedConfirmation(session_, key))
                    return {{}, replayed(session_, *other)};
                throw;
            }
        }
        transaction.commit();
        return stored;
    }

private:
    Record loadSample(const QString& number) {
        QSqlQuery& query = session_.run(
            QStringLiteral(
                "SELECT NRAMOSTRA, DSAMOSTRA, CDPRODUTO, QTPRODPROC, CDFILIAL, NRLANCTONF,"
                " CDSERIEENTR, NRNOTAFISC, CDFORNECED, IDPROCESSADO FROM AMOSTRAPROC"
                " WHERE NRAMOSTRA = :NRAMOSTRA") +
                session_.dialect().forUpdate(),
            {{QStringLiteral("NRAMOSTRA"), number}});
        Record record;
        if (query.next()) {
            for (int i = 0; i < kSampleColumns.size(); ++i)
                record.insert(kSampleColumns.at(i), query.value(i));
            record.insert(QStringLiteral("IDPROCESSADO"), query.value(9));
        }
        query.finish();
        return record;
    }

    // The sample of that number as this confirmation sees it; nullptr when it is not stored.
    Sample* sample(const QString& number) {
        if (samples_.contains(number))
            return &samples_[number];
        Record stored = loadSample(number);
        if (stored.isEmpty())
            return nullptr;
        Sample& s = samples_[number];
        s.number = number;
        s.values = stored;
        s.stored = stored;
        order_ << number;
        return &s;
    }

    void loadItems(Sample& s) {
        if (s.itemsLoaded)
            return;
        s.itemsLoaded = true;
        if (s.isNew)
            return;
        QSqlQuery& query = session_.run(
            QStringLiteral("SELECT NRAMOSTRA, CDPRODUTO, QTPRODGERADO, IDPRODPRINC"
                           " FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :NRAMOSTRA ORDER BY CDPRODUTO"),
            {{QStringLiteral("NRAMOSTRA"), s.number}});
        while (query.next()) {
            Item item;
            for (int i = 0; i < kItemColumns.size(); ++i)
                item.values.insert(kItemColumns.at(i), query.value(i));
            s.items.append(item);
        }
        query.finish();
        s.storedItems = s.items;
    }

    // `positions`: where the sample columns sit in the packet's rows.
    void applySampleChange(const QList<int>& positions, const Change& change) {
        if (change.kind == ChangeKind::Insert) {
            if (samples_.contains(QString()))
                throw badRequest(
                    QStringLiteral("Uma confirmação inclui no máximo uma amostra nova."));
            Sample& s = samples_[QString()];
            s.isNew = true;
            s.quantityTouched = true;
            s.itemsLoaded = true;
            s.values = recordOf(change.newRow, kSampleColumns, positions);
            order_ << QString();
            return;
        }
        requireWholeImage(positions, kSampleColumns, QStringLiteral("amostra"));
        const Record before = recordOf(change.oldRow, kSampleColumns, positions);
        const QString number = textOf(before, QStringLiteral("NRAMOSTRA"));
        if (number.isEmpty())
            throw badRequest(QStringLiteral("Alteração de amostra sem o número da amostra."));
        Sample* s = sample(number);
        if (change.kind == ChangeKind::Delete) {
            if (!s || s->deleted)
                return; // already gone: nothing to do
            if (s->values.value(QStringLiteral("IDPROCESSADO")).toString() == QLatin1String("S")) {
                errors_.append(
                    {number, QStringLiteral("EST25000_4"),
                     QStringLiteral("Exclusão bloqueada!Processamento da amostra já realizado.")});
                return;
            }
            checkBeforeImage(s->values, before, kSampleColumns,
                             QStringLiteral("A amostra %1 foi alterada").arg(number));
            s->deleted = true;
            return;
        }
        if (!s || s->deleted)
            throw conflict(
                QStringLiteral("A amostra %1 foi excluída por outro usuário.").arg(number));
        const Record after = recordOf(change.newRow, kSampleColumns, positions);
        const QStringList changed = changedColumns(before, after);
        if (changed.contains(QStringLiteral("NRAMOSTRA")))
            throw refused(QStringLiteral("O número da amostra não pode ser alterado."));
        if (!changed.isEmpty() && changed != QStringList{QStringLiteral("DSAMOSTRA")})
            refuseIfProcessed(*s);
        checkBeforeImage(s->values, before, changed,
                         QStringLiteral("A amostra %1 foi alterada").arg(number));
        for (const QString& column : changed) {
            s->values.insert(column, after.value(column));
            if (kQuantityColumns.contains(column))
                s->quantityTouched = true;
        }
    }

    // `positions`: where the item columns sit in the packet's rows.
    void applyItemChange(const QList<int>& positions, const Change& change) {
        if (change.kind != ChangeKind::Insert)
            requireWholeImage(positions, kItemColumns, QStringLiteral("item"));
        const Row& row = change.kind == ChangeKind::Insert ? change.newRow : change.oldRow;
        const Record image = recordOf(row, kItemColumns, positions);
        const QString number = textOf(image, QStringLiteral("NRAMOSTRA"));
        Sample* s = nullptr;
        if (number.isEmpty()) {
            if (!samples_.contains(QString()))
                throw refused(QStringLiteral("Item sem o número da amostra."));
            s = &samples_[QString()];
        } else {
            s = sample(number);
        }
        if (!s || s->deleted) {
            if (change.kind == ChangeKind::Delete)
                return; // its sample is gone, and the item with it
            throw conflict(
                QStringLiteral("A amostra %1 foi excluída por outro usuário.").arg(number));
        }
        if (change.kind != ChangeKind::Modify)
            refuseIfProcessed(*s);
        loadItems(*s);
        s->itemsChanged = true;
        if (change.kind == ChangeKind::Insert) {
            s->items.append({image, true});
            return;
        }
        const QString product = textOf(image, QStringLiteral("CDPRODUTO"));
        qsizetype at = -1;
        for (qsizetype i = 0; i < s->items.size(); ++i)
            if (textOf(s->items.at(i).values, QStringLiteral("CDPRODUTO")) == product) {
                at = i;
                break;
            }
        const QString what = QStringLiteral("O item %1 da amostra %2").arg(product, number);
        if (change.kind == ChangeKind::Delete) {
            if (at < 0)
                return; // already deleted
            checkBeforeImage(s->items.at(at).values, image, kItemColumns,
                             what + QStringLiteral(" foi alterado"));
            s->items.removeAt(at);
            return;
        }
        if (at < 0)
            throw conflict(what + QStringLiteral(" foi excluído por outro usuário."));
        const Record after = recordOf(change.newRow, kItemColumns, positions);
        const QStringList changed = changedColumns(image, after);
        if (!changed.isEmpty())
            refuseIfProcessed(*s);
        checkBeforeImage(s->items.at(at).values, image, changed,
                         what + QStringLiteral(" foi alterado"));
        Item& item = s->items[at];
        for (const QString& column : changed)
            item.values.insert(column, after.value(column));
        if (changed.contains(QStringLiteral("CDPRODUTO")))
            item.touched = true;
    }

    // In the order of kSampleColumns, blank text as null.
    static QVariantList sampleValues(const Sample& s) {
        QVariantList values;
        values.reserve(kSampleColumns.size());
        for (const QString& column : kSampleColumns) {
            const QVariant value = s.values.value(column);
            values.append(isBlank(value) ? QVariant(QMetaType::fromType<QString>())
                                         : QVariant(value.toString().trimmed()));
        }
        values[kSampleColumns.indexOf(QStringLiteral("QTPRODPROC"))] =
            s.values.value(QStringLiteral("QTPRODPROC")).toDouble();
        values[0] = s.number;
        return values;
    }

    void store(Sample& s) {
        if (s.deleted) {
            const QVariantHash key{{QStringLiteral("NRAMOSTRA"), s.number}};
            session_
                .run(QStringLiteral("DELETE FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :NRAMOSTRA"),
                     key)
                .finish();
            session_
                .run(QStringLiteral("DELETE FROM AMOSTRAPROC WHERE NRAMOSTRA = :NRAMOSTRA"), key)
                .finish();
            lastNumber_ = s.number;
            return;
        }
        if (s.isNew) {
            // Taken last, so the numerator's lock is held only for the inserts below.
            s.number = confirmation_sql::takeSampleNumber(session_);
            confirmation_sql::insertSample(session_, sampleValues(s));
        } else {
            confirmation_sql::updateSample(session_, sampleValues(s));
        }
        lastNumber_ = s.number;
        if (!s.itemsChanged)
            return;
        if (!s.isNew)
            session_
                .run(QStringLiteral("DELETE FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :NRAMOSTRA"),
                     {{QStringLiteral("NRAMOSTRA"), s.number}})
                .finish();
        insertItems(s);
    }

    void insertItems(const Sample& s) {
        QVariantList values;
        values.reserve(s.items.size() * 3);
        for (const Item& item : s.items) {
            const QString principal = textOf(item.values, QStringLiteral("IDPRODPRINC"));
            values << textOf(item.values, QStringLiteral("CDPRODUTO"))
                   << item.values.value(QStringLiteral("QTPRODGERADO")).toDouble()
                   << (principal.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                           : QVariant(principal));
        }
        confirmation_sql::insertItems(session_, s.number, values);
    }

    std::pair<QList<ErrorRow>, QString> answer() const {
        QString number = lastNumber_;
        if (number.isEmpty())
            for (const QString& key : order_)
                if (!key.isEmpty())
                    number = key;
        return {errors_, number};
    }

    Session& session_;
    QMap<QString, Sample> samples_; // by number; the new sample under ""
    QStringList order_;             // the samples in the order first met
    QList<ErrorRow> errors_;
    QString lastNumber_;
};

} // namespace

// Items change packet first, sample change packet second (either may be null).
QJsonValue confirmaAmostra(Session& session, const QJsonArray& values) {
    const Args args(values, QStringLiteral("ConfirmaAmostra"), 2);
    const ChangePacket items = args.changes(0);
    const ChangePacket samples = args.changes(1);
    const auto [errors, number] = Confirmation(session).run(items, samples);
    return confirmationAnswer(errors, number);
}

// The same with the packets read from the request's text.
QByteArray confirmaAmostraText(Session& session, const QList<ChangePacket>& packets) {
    const auto [errors, number] = Confirmation(session).run(packets.at(0), packets.at(1));
    return confirmationAnswerText(errors, number);
}

} // namespace server
