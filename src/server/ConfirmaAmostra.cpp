// ConfirmaAmostra: stores the change packets of one sample and its items in one
// transaction, or refuses them. Refusals the screen shows item by item come back as error
// rows (EST25000_1..4, nothing stored); a stale before-image is a 409; any broken invariant
// a 422.
#include "Packets.h"
#include "Rpc.h"
#include "RpcError.h"

#include <QJsonArray>
#include <QLocale>
#include <QMap>
#include <QSet>
#include <QSqlQuery>

#include <cmath>
#include <optional>

namespace server {
namespace {

using dataset::Change;
using dataset::ChangeKind;
using dataset::ChangePacket;
using dataset::Row;

const QStringList kSampleColumns{"NRAMOSTRA",   "DSAMOSTRA",  "CDPRODUTO",
                                 "QTPRODPROC",  "CDFILIAL",   "NRLANCTONF",
                                 "CDSERIEENTR", "NRNOTAFISC", "CDFORNECED"};
const QStringList kItemColumns{"NRAMOSTRA", "CDPRODUTO", "QTPRODGERADO", "IDPRODPRINC"};
const QHash<QString, int> kTextSizes{{"NRAMOSTRA", 10},  {"DSAMOSTRA", 50},  {"CDPRODUTO", 10},
                                     {"CDFILIAL", 4},    {"NRLANCTONF", 10}, {"CDSERIEENTR", 5},
                                     {"NRNOTAFISC", 20}, {"CDFORNECED", 21}, {"IDPRODPRINC", 1}};
const QSet<QString> kQuantityColumns{"CDPRODUTO",   "QTPRODPROC", "CDFILIAL",  "NRLANCTONF",
                                     "CDSERIEENTR", "NRNOTAFISC", "CDFORNECED"};

double round3(double value) {
    return std::round(value * 1000.0) / 1000.0;
}

QString formatQuantity(double value) {
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil.toString(value, 'f', 3);
}

bool isBlank(const QVariant& value) {
    return value.isNull() || value.toString().trimmed().isEmpty();
}

// Values as compared with a before-image: blank text equals null, numbers to 1e-7.
bool sameValue(const QVariant& a, const QVariant& b) {
    if (isBlank(a) || isBlank(b))
        return isBlank(a) && isBlank(b);
    const bool numeric = a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double;
    if (numeric)
        return std::fabs(a.toDouble() - b.toDouble()) < 1e-7;
    return a.toString() == b.toString();
}

// A record by column name: a stored row or a row of a change packet.
using Record = QHash<QString, QVariant>;

Record recordOf(const ChangePacket& packet, const Row& row, const QStringList& columns) {
    Record record;
    for (const QString& column : columns) {
        const int index = packet.indexOf(column);
        if (index >= 0)
            record.insert(column, row.at(index));
    }
    return record;
}

QString textOf(const Record& record, const QString& column) {
    return record.value(column).toString().trimmed();
}

// The columns that a modification changes: those whose old and new values differ.
QStringList changedColumns(const Record& before, const Record& after) {
    QStringList changed;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!sameValue(before.value(it.key()), it.value()))
            changed << it.key();
    return changed;
}

// Refused with 409 when the stored record no longer holds the before-image of a column.
void checkBeforeImage(const Record& stored, const Record& before, const QStringList& columns,
                      const QString& what) {
    for (const QString& column : columns)
        if (before.contains(column) && !sameValue(stored.value(column), before.value(column)))
            throw conflict(QStringLiteral("%1 foi alterado(a) por outro usuário. "
                                          "Recarregue os dados e repita a operação.")
                               .arg(what));
}

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
};

struct ErrorRow {
    QString object;
    QString code;
    QString text;
};

class Confirmation {
public:
    explicit Confirmation(Session& session) : session_(session) {}

    QJsonValue run(const ChangePacket& items, const ChangePacket& samples) {
        Transaction transaction(session_);
        for (const Change& change : samples.changes)
            applySampleChange(samples, change);
        for (const Change& change : items.changes)
            applyItemChange(items, change);
        if (errors_.isEmpty())
            for (const QString& key : order_)
                if (!samples_[key].deleted)
                    validate(samples_[key]);
        if (!errors_.isEmpty())
            return answer(); // the transaction rolls back: nothing stored
        for (const QString& key : order_)
            store(samples_[key]);
        transaction.commit();
        return answer();
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
    }

    void applySampleChange(const ChangePacket& packet, const Change& change) {
        if (change.kind == ChangeKind::Insert) {
            if (samples_.contains(QString()))
                throw badRequest(
                    QStringLiteral("Uma confirmação inclui no máximo uma amostra nova."));
            Sample& s = samples_[QString()];
            s.isNew = true;
            s.quantityTouched = true;
            s.itemsLoaded = true;
            s.values = recordOf(packet, change.newRow, kSampleColumns);
            order_ << QString();
            return;
        }
        const Record before = recordOf(packet, change.oldRow, kSampleColumns);
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
                             QStringLiteral("A amostra %1").arg(number));
            s->deleted = true;
            return;
        }
        if (!s || s->deleted)
            throw conflict(
                QStringLiteral("A amostra %1 foi excluída por outro usuário.").arg(number));
        const Record after = recordOf(packet, change.newRow, kSampleColumns);
        const QStringList changed = changedColumns(before, after);
        if (changed.contains(QStringLiteral("NRAMOSTRA")))
            throw refused(QStringLiteral("O número da amostra não pode ser alterado."));
        checkBeforeImage(s->values, before, changed, QStringLiteral("A amostra %1").arg(number));
        for (const QString& column : changed) {
            s->values.insert(column, after.value(column));
            if (kQuantityColumns.contains(column))
                s->quantityTouched = true;
        }
    }

    void applyItemChange(const ChangePacket& packet, const Change& change) {
        const Row& row = change.kind == ChangeKind::Insert ? change.newRow : change.oldRow;
        const Record image = recordOf(packet, row, kItemColumns);
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
            checkBeforeImage(s->items.at(at).values, image, kItemColumns, what);
            s->items.removeAt(at);
            return;
        }
        if (at < 0)
            throw conflict(what + QStringLiteral(" foi excluído por outro usuário."));
        const Record after = recordOf(packet, change.newRow, kItemColumns);
        const QStringList changed = changedColumns(image, after);
        checkBeforeImage(s->items.at(at).values, image, changed, what);
        Item& item = s->items[at];
        for (const QString& column : changed)
            item.values.insert(column, after.value(column));
        if (changed.contains(QStringLiteral("CDPRODUTO")))
            item.touched = true;
    }

    struct Product {
        QString unit;
        QString tree;
    };

    std::optional<Product> product(const QString& code) {
        QSqlQuery& query = session_.run(
            QStringLiteral("SELECT SGUNIDADE, CDARVPROD FROM PRODUTO WHERE CDPRODUTO = :CDPRODUTO"),
            {{QStringLiteral("CDPRODUTO"), code}});
        std::optional<Product> found;
        if (query.next())
            found = Product{query.value(0).toString(), query.value(1).toString()};
        query.finish();
        return found;
    }

    bool exists(const QString& sql, const QVariantHash& values) {
        QSqlQuery& query = session_.run(sql, values);
        const bool found = query.next();
        query.finish();
        return found;
    }

    void checkTexts(const Record& record) {
        for (auto it = record.begin(); it != record.end(); ++it) {
            const int size = kTextSizes.value(it.key());
            if (size > 0 && it.value().toString().size() > size)
                throw refused(
                    QStringLiteral("O campo %1 excede %2 caracteres.").arg(it.key()).arg(size));
        }
    }

    void validate(Sample& s) {
        Record& v = s.values;
        checkTexts(v);
        if (textOf(v, QStringLiteral("DSAMOSTRA")).isEmpty())
            throw refused(QStringLiteral("Descrição deve ser informada."));
        const QString productCode = textOf(v, QStringLiteral("CDPRODUTO"));
        if (productCode.isEmpty())
            throw refused(QStringLiteral("Produto deve ser informado."));
        const std::optional<Product> inNatura = product(productCode);
        if (!inNatura)
            throw refused(QStringLiteral("Produto não cadastrado."));
        bool ok = false;
        const double quantity = v.value(QStringLiteral("QTPRODPROC")).toDouble(&ok);
        if (!ok || isBlank(v.value(QStringLiteral("QTPRODPROC"))))
            throw refused(QStringLiteral("Quantidade deve ser informada."));
        if (!(quantity > 0))
            throw refused(QStringLiteral("Quantidade deve ser maior que zero."));
        const QString branch = textOf(v, QStringLiteral("CDFILIAL"));
        if (!exists(QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = :CDFILIAL"),
                    {{QStringLiteral("CDFILIAL"), branch}}))
            throw refused(QStringLiteral("Filial da amostra não cadastrada."));
        const bool hasInvoice = !isBlank(v.value(QStringLiteral("NRLANCTONF"))) ||
                                !isBlank(v.value(QStringLiteral("NRNOTAFISC"))) ||
                                !isBlank(v.value(QStringLiteral("CDFORNECED"))) ||
                                !isBlank(v.value(QStringLiteral("CDSERIEENTR")));
        if (hasInvoice)
            checkInvoice(s, quantity);
        else if (s.quantityTouched)
            checkStock(s, quantity);
        loadItems(s);
        checkItems(s, *inNatura, quantity);
    }

    void checkInvoice(Sample& s, double quantity) {
        const Record& v = s.values;
        if (textOf(v, QStringLiteral("CDFORNECED")).isEmpty())
            throw refused(QStringLiteral("Fornecedor deve ser informado."));
        if (textOf(v, QStringLiteral("CDSERIEENTR")).isEmpty())
            throw refused(QStringLiteral("Série NF deve ser informada."));
        if (textOf(v, QStringLiteral("NRNOTAFISC")).isEmpty())
            throw refused(QStringLiteral("Nota fiscal deve ser informada."));
        const QVariantHash key{
            {QStringLiteral("CDFILIAL"), textOf(v, QStringLiteral("CDFILIAL"))},
            {QStringLiteral("NRLANCTONF"), textOf(v, QStringLiteral("NRLANCTONF"))},
            {QStringLiteral("CDFORNECED"), textOf(v, QStringLiteral("CDFORNECED"))},
            {QStringLiteral("CDSERIEENTR"), textOf(v, QStringLiteral("CDSERIEENTR"))},
            {QStringLiteral("NRNOTAFISC"), textOf(v, QStringLiteral("NRNOTAFISC"))}};
        if (!exists(QStringLiteral("SELECT 1 FROM NOTAFISCENTR WHERE CDFILIAL = :CDFILIAL"
                                   " AND NRLANCTONF = :NRLANCTONF AND CDFORNECED = :CDFORNECED"
                                   " AND CDSERIEENTR = :CDSERIEENTR AND NRNOTAFISC = :NRNOTAFISC"),
                    key))
            throw refused(QStringLiteral("Nota fiscal não cadastrada."));
        if (!s.quantityTouched)
            return;
        // Locks the invoice line first, so two confirmations taking from it run one after
        // the other and the second sees what the first stored.
        const QVariantHash line{
            {QStringLiteral("CDFILIAL"), key.value(QStringLiteral("CDFILIAL"))},
            {QStringLiteral("NRLANCTONF"), key.value(QStringLiteral("NRLANCTONF"))},
            {QStringLiteral("CDPRODUTO"), textOf(v, QStringLiteral("CDPRODUTO"))}};
        QSqlQuery& lock = session_.run(
            QStringLiteral(
                "UPDATE ITEMNOTAFISCENTR SET QTITEMNF = QTITEMNF WHERE CDFILIAL = :CDFILIAL"
                " AND NRLANCTONF = :NRLANCTONF AND CDPRODUTO = :CDPRODUTO"),
            line);
        const int locked = lock.numRowsAffected();
        lock.finish();
        if (locked == 0)
            throw refused(QStringLiteral("Produto não consta na nota fiscal."));
        QVariantHash others = line;
        // Never a null: "<> NULL" would match no sample and count nothing as taken.
        others.insert(QStringLiteral("NRAMOSTRA"),
                      s.number.isEmpty() ? QStringLiteral("") : s.number);
        QSqlQuery& query = session_.run(
            QStringLiteral(
                "SELECT I.QTITEMNF, (SELECT COALESCE(SUM(A.QTPRODPROC), 0) FROM AMOSTRAPROC A"
                "  WHERE A.CDFILIAL = I.CDFILIAL AND A.NRLANCTONF = I.NRLANCTONF"
                "  AND A.CDPRODUTO = I.CDPRODUTO AND A.NRAMOSTRA <> :NRAMOSTRA)"
                " FROM ITEMNOTAFISCENTR I WHERE I.CDFILIAL = :CDFILIAL"
                " AND I.NRLANCTONF = :NRLANCTONF AND I.CDPRODUTO = :CDPRODUTO"),
            others);
        query.next();
        const double onInvoice = query.value(0).toDouble();
        const double taken = query.value(1).toDouble();
        query.finish();
        if (round3(taken + quantity) > round3(onInvoice))
            throw refused(
                QStringLiteral("Quantidade não pode ser maior que o saldo da nota :  %1 .")
                    .arg(formatQuantity(std::max(0.0, onInvoice - taken))));
    }

    void checkStock(Sample& s, double quantity) {
        QSqlQuery& query = session_.run(
            QStringLiteral(
                "SELECT E.QTESTOQDIA FROM POSICAOESTOQUE E JOIN FILIAL F ON F.CDFILIAL = E.CDFILIAL"
                " WHERE E.CDFILIAL = :CDFILIAL AND E.CDPRODUTO = :CDPRODUTO"
                " AND E.DTPOSICAO <= F.DTPROCESSAMENTO ORDER BY E.DTPOSICAO DESC"),
            {{QStringLiteral("CDFILIAL"), textOf(s.values, QStringLiteral("CDFILIAL"))},
             {QStringLiteral("CDPRODUTO"), textOf(s.values, QStringLiteral("CDPRODUTO"))}});
        const double stock = query.next() ? query.value(0).toDouble() : 0.0;
        query.finish();
        if (quantity > stock)
            throw refused(
                QStringLiteral("Quantidade não pode ser maior que a quantidade em estoque  :  %1 .")
                    .arg(formatQuantity(stock)));
    }

    void checkItems(Sample& s, const Product& inNatura, double quantity) {
        if (s.items.isEmpty())
            throw refused(QStringLiteral("Produto deve ser informado."));
        const QString branch = textOf(s.values, QStringLiteral("CDFILIAL"));
        const QString sampleProduct = textOf(s.values, QStringLiteral("CDPRODUTO"));
        double total = 0;
        QSet<QString> seen;
        for (const Item& item : s.items) {
            checkTexts(item.values);
            const QString code = textOf(item.values, QStringLiteral("CDPRODUTO"));
            if (code.isEmpty())
                throw refused(QStringLiteral("Produto deve ser informado."));
            const std::optional<Product> found = product(code);
            if (!found)
                throw refused(QStringLiteral("Produto não cadastrado."));
            if (code == sampleProduct)
                throw refused(
                    QStringLiteral("Item informado deve ser diferente do produto in natura."));
            if (found->unit != inNatura.unit)
                throw refused(QStringLiteral(
                    "Unidade do item deve ser igual a unidade do produto in natura."));
            bool ok = false;
            const QVariant raw = item.values.value(QStringLiteral("QTPRODGERADO"));
            const double generated = raw.toDouble(&ok);
            if (!ok || isBlank(raw))
                throw refused(QStringLiteral("Quantidade deve ser informada."));
            if (!(generated > 0))
                throw refused(QStringLiteral("Quantidade deve ser maior que zero."));
            const QString principal = textOf(item.values, QStringLiteral("IDPRODPRINC"));
            if (!principal.isEmpty() && principal != QLatin1String("S") &&
                principal != QLatin1String("N"))
                throw refused(QStringLiteral("Indicador de produto principal inválido."));
            total += generated;
            if (seen.contains(code))
                errors_.append(
                    {code, QStringLiteral("EST25000_3"), QStringLiteral("Produto já cadastrado.")});
            seen.insert(code);
            if (item.touched || s.isNew)
                checkProductInBranch(branch, code);
        }
        if (round3(total) != round3(quantity))
            throw refused(QStringLiteral("Somatório das quantidades dos itens gerados difere da "
                                         "quantidade do produto in natura. (Diferença: %1)")
                              .arg(formatQuantity(round3(quantity) - round3(total))));
    }

    void checkProductInBranch(const QString& branch, const QString& code) {
        QSqlQuery& query = session_.run(
            QStringLiteral("SELECT IDATIVO, IDCONTROLAESTOQUE FROM PRODFILIAL"
                           " WHERE CDFILIAL = :CDFILIAL AND CDPRODUTO = :CDPRODUTO"),
            {{QStringLiteral("CDFILIAL"), branch}, {QStringLiteral("CDPRODUTO"), code}});
        const bool found = query.next();
        const bool active = found && query.value(0).toString() == QLatin1String("S");
        const bool controls = found && query.value(1).toString() == QLatin1String("S");
        query.finish();
        if (!active)
            errors_.append({code, QStringLiteral("EST25000_1"),
                            QStringLiteral("O produto encontra-se inativo para a filial.")});
        else if (!controls)
            errors_.append({code, QStringLiteral("EST25000_2"),
                            QStringLiteral("Produto não controla estoque.")});
    }

    QString nextNumber() {
        session_
            .run(QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + 1"
                                " WHERE CDNUMERADOR = 'AMOSTRAPROC'"))
            .finish();
        QSqlQuery& query = session_.run(
            QStringLiteral("SELECT NRULTIMO FROM NUMERADOR WHERE CDNUMERADOR = 'AMOSTRAPROC'"));
        if (!query.next())
            throw DbError("sample numerator missing");
        const qint64 number = query.value(0).toLongLong();
        query.finish();
        return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
    }

    QVariantHash sampleValues(const Sample& s) {
        QVariantHash values;
        for (const QString& column : kSampleColumns) {
            const QVariant value = s.values.value(column);
            values.insert(column, isBlank(value) ? QVariant(QMetaType::fromType<QString>())
                                                 : QVariant(value.toString().trimmed()));
        }
        values.insert(QStringLiteral("QTPRODPROC"),
                      s.values.value(QStringLiteral("QTPRODPROC")).toDouble());
        values.insert(QStringLiteral("NRAMOSTRA"), s.number);
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
            s.number = nextNumber();
            session_
                .run(QStringLiteral(
                         "INSERT INTO AMOSTRAPROC (NRAMOSTRA, DSAMOSTRA, CDPRODUTO, QTPRODPROC,"
                         " CDFILIAL, NRLANCTONF, CDSERIEENTR, NRNOTAFISC, CDFORNECED, IDPROCESSADO)"
                         " VALUES (:NRAMOSTRA, :DSAMOSTRA, :CDPRODUTO, :QTPRODPROC, :CDFILIAL,"
                         " :NRLANCTONF, :CDSERIEENTR, :NRNOTAFISC, :CDFORNECED, 'N')"),
                     sampleValues(s))
                .finish();
        } else {
            session_
                .run(
                    QStringLiteral(
                        "UPDATE AMOSTRAPROC SET DSAMOSTRA = :DSAMOSTRA, CDPRODUTO = :CDPRODUTO,"
                        " QTPRODPROC = :QTPRODPROC, CDFILIAL = :CDFILIAL, NRLANCTONF = :NRLANCTONF,"
                        " CDSERIEENTR = :CDSERIEENTR, NRNOTAFISC = :NRNOTAFISC,"
                        " CDFORNECED = :CDFORNECED WHERE NRAMOSTRA = :NRAMOSTRA"),
                    sampleValues(s))
                .finish();
        }
        lastNumber_ = s.number;
        if (!s.itemsChanged)
            return;
        if (!s.isNew)
            session_
                .run(QStringLiteral("DELETE FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :NRAMOSTRA"),
                     {{QStringLiteral("NRAMOSTRA"), s.number}})
                .finish();
        for (const Item& item : s.items) {
            const QString principal = textOf(item.values, QStringLiteral("IDPRODPRINC"));
            session_
                .run(QStringLiteral(
                         "INSERT INTO ITEMAMOSTRAPROC (NRAMOSTRA, CDPRODUTO, QTPRODGERADO,"
                         " IDPRODPRINC) VALUES (:NRAMOSTRA, :CDPRODUTO, :QTPRODGERADO, "
                         ":IDPRODPRINC)"),
                     {{QStringLiteral("NRAMOSTRA"), s.number},
                      {QStringLiteral("CDPRODUTO"),
                       textOf(item.values, QStringLiteral("CDPRODUTO"))},
                      {QStringLiteral("QTPRODGERADO"),
                       item.values.value(QStringLiteral("QTPRODGERADO")).toDouble()},
                      {QStringLiteral("IDPRODPRINC"), principal.isEmpty()
                                                          ? QVariant(QMetaType::fromType<QString>())
                                                          : QVariant(principal)}})
                .finish();
        }
    }

    QJsonValue answer() const {
        dataset::DataPacket errors;
        errors.fields = {text("CDOBJETO", 20), text("CDERRO", 20), text("DSERRO", 100)};
        for (const ErrorRow& row : errors_)
            errors.rows.append({row.object, row.code, row.text});
        QString number = lastNumber_;
        if (number.isEmpty())
            for (const QString& key : order_)
                if (!key.isEmpty())
                    number = key;
        return QJsonArray{dataset::dataPacketToJson(errors), number};
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
    return Confirmation(session).run(items, samples);
}

} // namespace server
