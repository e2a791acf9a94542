#include <dataset/ClientDataSet.h>

#include <dataset/DataSource.h>

#include <algorithm>

namespace dataset {
namespace {

bool isNullValue(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

bool sameValue(const QVariant& a, const QVariant& b, FieldType type) {
    // An empty text and a null text are the same "nothing entered".
    const bool aNull = isNullValue(a) || (type == FieldType::String && a.toString().isEmpty());
    const bool bNull = isNullValue(b) || (type == FieldType::String && b.toString().isEmpty());
    if (aNull || bNull)
        return aNull == bNull;
    return a == b;
}

// Restores a pointer member when leaving a scope, exceptions included.
template <typename T> class Restore {
public:
    Restore(T& target, T value) : target_(target), saved_(target) { target_ = value; }
    ~Restore() { target_ = saved_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& target_;
    T saved_;
};

// Converts a value of one packet type to the type of the field that receives it.
QVariant fromPacketValue(const QVariant& v, const FieldDef& from, const Field& to) {
    if (isNullValue(v) || from.type == to.dataType())
        return v;
    bool ok = true;
    QVariant out;
    switch (to.dataType()) {
    case FieldType::String:
        out = from.type == FieldType::Float  ? QString::number(v.toDouble(), 'g', 15)
              : from.type == FieldType::Date ? v.toDate().toString(Qt::ISODate)
                                             : v.toString();
        break;
    case FieldType::Float:
        out = v.toDouble(&ok);
        break;
    case FieldType::Integer: {
        const double d = v.toDouble(&ok);
        ok = ok && d == std::floor(d);
        out = QVariant::fromValue<qlonglong>(static_cast<qlonglong>(d));
        break;
    }
    case FieldType::Date:
        out = QDate::fromString(v.toString(), Qt::ISODate);
        ok = out.toDate().isValid();
        break;
    case FieldType::Boolean:
        ok = from.type == FieldType::Integer;
        out = v.toLongLong() != 0;
        break;
    }
    if (!ok)
        throw PacketError(
            QStringLiteral("valor inválido para o campo %1").arg(to.fieldName()).toStdString());
    return out;
}

} // namespace

ClientDataSet::ClientDataSet(QObject* parent) : QObject(parent) {}

ClientDataSet::~ClientDataSet() {
    for (const QPointer<DataSource>& source : std::as_const(sources_))
        if (source)
            source->dataSet_ = nullptr;
}

// ---------------------------------------------------------------- structure

Field* ClientDataSet::addField(const QString& name, FieldType type, int size, FieldKind kind) {
    if (active())
        throw DataSetError(
            QStringLiteral("%1: não é possível definir campos com o conjunto de dados aberto.")
                .arg(objectName()));
    // Fields taken from a packet give way to the ones defined from code.
    fields_.removeIf([](Field* f) { return !f->persistent_; });
    if (findField(name))
        throw DataSetError(QStringLiteral("%1: campo '%2' já definido.").arg(objectName(), name));
    if (type == FieldType::String && size <= 0)
        size = 20;
    auto field = std::make_unique<Field>(this, name, type, size, kind);
    field->persistent_ = true;
    fields_.append(field.get());
    ownedFields_.push_back(std::move(field));
    rebuildFieldIndex();
    return fields_.last();
}

void ClientDataSet::createDataSet() {
    close();
    open();
}

// The current row leaves the rows; the cursor goes to the one that took its place, or to the
// new last one.
void ClientDataSet::dropCurrentRow() {
    rows_.erase(rows_.begin() + cur_);
    if (rows_.empty()) {
        cur_ = -1;
        bof_ = eof_ = true;
    } else {
        cur_ = std::min(cur_, static_cast<int>(rows_.size()) - 1);
        bof_ = eof_ = false;
    }
}

void ClientDataSet::rebuildFieldIndex() {
    ++fieldsVersion_;
    byName_.clear();
    dataFieldIndexes_.clear();
    hasCalculated_ = false;
    for (const auto& owned : ownedFields_)
        owned->index_ = -1; // retired fields read null and refuse values
    for (qsizetype i = 0; i < fields_.size(); ++i) {
        Field* f = fields_.at(i);
        f->index_ = static_cast<int>(i);
        byName_.insert(f->fieldName(), f);
        if (f->isCalculated())
            hasCalculated_ = true;
        else
            dataFieldIndexes_.push_back(static_cast<int>(i));
    }
}

Field* ClientDataSet::findField(const QString& name) const {
    if (Field* f = byName_.value(name))
        return f;
    for (Field* f : fields_)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Field* ClientDataSet::fieldByName(const QString& name) const {
    if (Field* f = findField(name))
        return f;
    throw DataSetError(QStringLiteral("%1: campo '%2' não encontrado.").arg(objectName(), name));
}

// ---------------------------------------------------------------- life

void ClientDataSet::checkActive() const {
    if (!active())
        throw DataSetError(QStringLiteral("%1: operação não permitida em um conjunto de dados "
                                          "fechado.")
                               .arg(objectName()));
}

void ClientDataSet::fire(const Event& event) {
    if (event)
        event(*this);
}

void ClientDataSet::open() {
    if (active())
        return;
    if (fields_.isEmpty())
        throw DataSetError(QStringLiteral("%1: conjunto de dados sem campos.").arg(objectName()));
    fire(beforeOpen);
    rows_.clear();
    clearChangeLog();
    state_ = DataSetState::Browse;
    cur_ = -1;
    bof_ = eof_ = true;
    notify(State | Data | Layout);
    fire(afterOpen);
    fire(afterScroll);
}

void ClientDataSet::close() {
    if (!active())
        return;
    fire(beforeClose);
    rows_.clear();
    editBuffer_.clear();
    modified_ = false;
    clearChangeLog();
    cur_ = -1;
    bof_ = eof_ = true;
    state_ = DataSetState::Inactive;
    notify(State | Data);
    fire(afterClose);
}

// ---------------------------------------------------------------- loading

void ClientDataSet::setData(const DataPacket& packet) {
    setData(DataPacket(packet));
}

void ClientDataSet::setDataJson(const QJsonValue& json) {
    setData(dataPacketFromJson(json, fieldCount()));
}

void ClientDataSet::setDataJsonText(QByteArrayView json) {
    setData(dataPacketFromJsonText(json, fieldCount()));
}

void ClientDataSet::setData(DataPacket&& packet) {
    // Everything is worked out aside first: a packet that does not fit changes nothing.
    const bool defined =
        std::any_of(fields_.cbegin(), fields_.cend(), [](Field* f) { return f->persistent_; });
    QList<Field*> layout;
    std::vector<std::unique_ptr<Field>> created;
    std::vector<int> source; // packet column of each layout field, -1 for none
    if (defined) {
        for (Field* f : std::as_const(fields_)) {
            if (!f->persistent_)
                continue;
            int column = -1;
            if (!f->isCalculated()) {
                column = packet.indexOf(f->fieldName());
                if (column < 0)
                    throw PacketError(QStringLiteral("%1: o pacote não traz o campo %2")
                                          .arg(objectName(), f->fieldName())
                                          .toStdString());
            }
            layout.append(f);
            source.push_back(column);
        }
    } else {
        for (qsizetype i = 0; i < packet.fields.size(); ++i) {
            const FieldDef& def = packet.fields.at(i);
            Field* reuse = nullptr;
            for (const auto& owned : ownedFields_)
                if (owned->fieldName().compare(def.name, Qt::CaseInsensitive) == 0 &&
                    owned->dataType() == def.type && owned->size() == def.size &&
                    !layout.contains(owned.get()))
                    reuse = owned.get();
            if (!reuse) {
                created.push_back(
                    std::make_unique<Field>(this, def.name, def.type, def.size, FieldKind::Data));
                reuse = created.back().get();
            }
            layout.append(reuse);
            source.push_back(static_cast<int>(i));
        }
    }
    // Most often the packet's columns are the layout's first fields, in order and of the same
    // types, with only calculated fields after them: the packet's rows are then taken as they
    // are, widened for the calculated slots.
    bool sameOrder = layout.size() >= packet.fields.size();
    for (qsizetype i = 0; sameOrder && i < layout.size(); ++i)
        sameOrder = i < packet.fields.size()
                        ? source[static_cast<size_t>(i)] == i &&
                              layout.at(i)->dataType() == packet.fields.at(i).type
                        : source[static_cast<size_t>(i)] < 0;

    std::vector<Record> rows;
    rows.reserve(static_cast<size_t>(packet.rows.size()));
    quint64 id = nextId_;
    const qsizetype columns = packet.fields.size();
    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        Row& in = packet.rows[r];
        if (in.size() != columns)
            throw PacketError(QStringLiteral("linha %1 tem %2 valores para %3 campos")
                                  .arg(r + 1)
                                  .arg(in.size())
                                  .arg(columns)
                                  .toStdString());
        Row values;
        if (sameOrder) {
            values = std::move(in);
            if (values.size() < layout.size())
                values.resize(layout.size());
        } else {
            values = Row(layout.size());
            for (qsizetype i = 0; i < layout.size(); ++i) {
                const int column = source[static_cast<size_t>(i)];
                if (column < 0)
                    continue;
                if (packet.fields.at(column).type == layout.at(i)->dataType())
                    values[i] = std::move(in[column]);
                else
                    values[i] =
                        fromPacketValue(in.at(column), packet.fields.at(column), *layout.at(i));
            }
        }
        for (qsizetype i = 0; i < layout.size(); ++i) {
            const Field* f = layout.at(i);
            if (f->dataType() != FieldType::String || f->size() <= 0)
                continue;
            const QVariant& v = values.at(i);
            if (v.typeId() == QMetaType::QString &&
                static_cast<const QString*>(v.constData())->size() > f->size())
                values[i] = cutToSize(v.toString(), f->size());
        }
        rows.push_back(Record{std::move(values), id++, false});
    }

    fire(beforeOpen);

    const DataSetState oldState = state_;
    const bool newLayout = layout != fields_;
    nextId_ = id;
    editBuffer_.clear();
    modified_ = false;
    if (newLayout) {
        for (auto& f : created)
            ownedFields_.push_back(std::move(f));
        fields_ = layout;
        rebuildFieldIndex();
    }
    rows_ = std::move(rows);
    clearChangeLog();
    state_ = DataSetState::Browse;
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    calculateCurrent();
    notify(Data | (oldState != state_ ? State : 0u) | (newLayout ? Layout : 0u));
    fire(afterOpen);
    fire(afterScroll);
}

bool ClientDataSet::mergeRows(const QString& keyField, const DataPacket& packet,
                              const QStringList& removed, const QString& landOn) {
    checkActive();
    if (state_ != DataSetState::Browse)
        throw DataSetError(
            QStringLiteral("%1: linhas atualizadas fora da navegação.").arg(objectName()));
    const int key = fieldByName(keyField)->index();
    std::vector<int> source; // packet column of each field, -1 for a calculated one
    for (const Field* f : std::as_const(fields_)) {
        const int column = f->isCalculated() ? -1 : packet.indexOf(f->fieldName());
        if (column < 0 && !f->isCalculated())
            throw PacketError(QStringLiteral("%1: o pacote não traz o campo %2")
                                  .arg(objectName(), f->fieldName())
                                  .toStdString());
        source.push_back(column);
    }
    std::vector<Record> incoming;
    for (const Row& in : packet.rows) {
        if (in.size() != packet.fields.size())
            throw PacketError("linha com número de valores diferente do de campos");
        Row values = emptyRow();
        for (qsizetype i = 0; i < fields_.size(); ++i) {
            const int column = source[static_cast<size_t>(i)];
            if (column < 0)
                continue;
            const Field* f = fields_.at(i);
            const FieldDef& def = packet.fields.at(column);
            values[i] =
                def.type == f->dataType() ? in.at(column) : fromPacketValue(in.at(column), def, *f);
            if (f->dataType() == FieldType::String && f->size() > 0 &&
                values[i].toString().size() > f->size())
                values[i] = cutToSize(values[i].toString(), f->size());
        }
        incoming.push_back(Record{std::move(values), 0, false});
    }

    const auto keyOf = [key](const Record& r) { return r.values.at(key).toString(); };
    // Every row is looked at: a text key is read in place, not copied out of its variant.
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [key](const Record& r) {
                                   const QVariant& v = r.values.at(key);
                                   if (v.metaType() == QMetaType::fromType<QString>())
                                       return static_cast<const QString*>(v.constData())->isEmpty();
                                   return isNullValue(v) || v.toString().isEmpty();
                               }),
                rows_.end());
    const auto at = [&](const QString& k) {
        return std::lower_bound(rows_.begin(), rows_.end(), k,
                                [&](const Record& r, const QString& v) { return keyOf(r) < v; });
    };
    for (const QString& k : removed)
        if (const auto it = at(k); it != rows_.end() && keyOf(*it) == k)
            rows_.erase(it);
    for (Record& record : incoming) {
        record.id = nextId_++;
        const QString k = keyOf(record);
        if (const auto it = at(k); it != rows_.end() && keyOf(*it) == k)
            *it = std::move(record);
        else
            rows_.insert(it, std::move(record));
    }

    clearChangeLog();
    editBuffer_.clear();
    modified_ = false;
    const auto it = at(landOn);
    const bool found = !landOn.isEmpty() && it != rows_.end() && keyOf(*it) == landOn;
    cur_ = found ? static_cast<int>(it - rows_.begin()) : (rows_.empty() ? -1 : 0);
    bof_ = !found;
    eof_ = rows_.empty();
    calculateCurrent();
    notify(Data);
    fire(afterScroll);
    return found;
}

// ---------------------------------------------------------------- data and change log

Row ClientDataSet::dataPart(const Row& row) const {
    if (!hasCalculated_)
        return row;
    Row out;
    out.reserve(static_cast<qsizetype>(dataFieldIndexes_.size()));
    for (int i : dataFieldIndexes_)
        out.append(i < row.size() ? row.at(i) : QVariant());
    return out;
}

bool ClientDataSet::sameData(const Row& a, const Row& b) const {
    for (int i : dataFieldIndexes_)
        if (!sameValue(a.value(i), b.value(i), fields_.at(i)->dataType()))
            return false;
    return true;
}

DataPacket ClientDataSet::data() const {
    DataPacket packet;
    for (int i : dataFieldIndexes_) {
        const Field* f = fields_.at(i);
        packet.fields.append(FieldDef{f->fieldName(), f->dataType(), f->size()});
    }
    packet.rows.reserve(static_cast<qsizetype>(rows_.size()));
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (state_ == DataSetState::Insert && static_cast<int>(r) == cur_)
            continue; // not posted yet
        packet.rows.append(dataPart(rows_[r].values));
    }
    return packet;
}

ChangePacket ClientDataSet::delta() const {
    ChangePacket packet;
    for (const LogEntry& entry : log_) {
        if (entry.dead)
            continue;
        packet.changes.append(Change{entry.kind, dataPart(entry.oldRow), dataPart(entry.newRow)});
    }
    if (!packet.changes.isEmpty())
        for (int i : dataFieldIndexes_) {
            const Field* f = fields_.at(i);
            packet.fields.append(FieldDef{f->fieldName(), f->dataType(), f->size()});
        }
    return packet;
}

int ClientDataSet::changeCount() const {
    return static_cast<int>(
        std::count_if(log_.cbegin(), log_.cend(), [](const LogEntry& e) { return !e.dead; }));
}

void ClientDataSet::takeSnapshot() {
    if (!hasSnapshot_) {
        original_ = rows_;
        hasSnapshot_ = true;
    }
}

void ClientDataSet::clearChangeLog() {
    log_.clear();
    logIndex_.clear();
    original_.clear();
    hasSnapshot_ = false;
}

void ClientDataSet::logPost(bool inserted, const Row& before, const Row& after, quint64 id) {
    const auto it = logIndex_.find(id);
    if (it != logIndex_.end()) {
        LogEntry& entry = log_[it->second];
        entry.newRow = after;
        if (entry.kind == ChangeKind::Modify && sameData(entry.oldRow, after)) {
            entry.dead = true; // back to the row as loaded
            logIndex_.erase(it);
        }
        return;
    }
    if (!inserted && sameData(before, after))
        return;
    log_.push_back(LogEntry{inserted ? ChangeKind::Insert : ChangeKind::Modify, id,
                            inserted ? Row() : before, after, false});
    logIndex_.emplace(id, log_.size() - 1);
}

void ClientDataSet::logDelete(const Record& record) {
    Row before = record.values;
    const auto it = logIndex_.find(record.id);
    if (it != logIndex_.end()) {
        LogEntry& entry = log_[it->second];
        entry.dead = true;
        logIndex_.erase(it);
        if (entry.kind == ChangeKind::Insert)
            return; // inserted and deleted since the load: nothing to tell
        before = entry.oldRow;
    }
    log_.push_back(LogEntry{ChangeKind::Delete, record.id, before, Row(), false});
}

void ClientDataSet::cancelUpdates() {
    checkActive();
    cancel();
    if (hasSnapshot_)
        rows_ = std::move(original_);
    clearChangeLog();
    for (Record& r : rows_)
        r.calcDone = false;
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    calculateCurrent();
    notify(Data);
    fire(afterScroll);
}

void ClientDataSet::revertRecord() {
    checkActive();
    cancel();
    if (cur_ < 0)
        return;
    Record& record = rows_[static_cast<size_t>(cur_)];
    const auto it = logIndex_.find(record.id);
    if (it == logIndex_.end())
        return;
    LogEntry& entry = log_[it->second];
    entry.dead = true;
    logIndex_.erase(it);
    if (entry.kind == ChangeKind::Modify) {
        record.values = entry.oldRow;
        record.calcDone = false;
        calculateCurrent();
        notify(Data);
        return;
    }
    fire(beforeScroll);
    dropCurrentRow();
    calculateCurrent();
    notify(Data);
    fire(afterScroll);
}

void ClientDataSet::mergeChangeLog() {
    clearChangeLog();
}

// ---------------------------------------------------------------- pending work

namespace {

const QString kChanges = QStringLiteral("changes");
const QString kState = QStringLiteral("state");
const QString kCurrent = QStringLiteral("current");
const QString kBuffer = QStringLiteral("buffer");

QString stateName(DataSetState state) {
    switch (state) {
    case DataSetState::Edit:
        return QStringLiteral("edit");
    case DataSetState::Insert:
        return QStringLiteral("insert");
    default:
        return QStringLiteral("browse");
    }
}

} // namespace

QJsonObject ClientDataSet::pendingWork() const {
    DataPacket current, buffer;
    for (int i : dataFieldIndexes_) {
        const Field* f = fields_.at(i);
        current.fields.append(FieldDef{f->fieldName(), f->dataType(), f->size()});
    }
    buffer.fields = current.fields;
    const bool editing = state_ == DataSetState::Edit || state_ == DataSetState::Insert;
    if (cur_ >= 0 && state_ != DataSetState::Insert)
        current.rows.append(dataPart(rows_[static_cast<size_t>(cur_)].values));
    if (editing)
        buffer.rows.append(dataPart(editBuffer_));
    return QJsonObject{{kChanges, changePacketToJson(delta())},
                       {kState, stateName(state_)},
                       {kCurrent, dataPacketToJson(current)},
                       {kBuffer, dataPacketToJson(buffer)}};
}

Row ClientDataSet::fullRow(const Row& data, const QList<FieldDef>& fields) const {
    Row row = emptyRow();
    for (qsizetype j = 0; j < fields.size() && j < data.size(); ++j)
        if (const Field* f = findField(fields.at(j).name); f && !f->isCalculated())
            row[f->index()] = data.at(j);
    return row;
}

int ClientDataSet::findRow(const Row& values) const {
    for (size_t r = 0; r < rows_.size(); ++r)
        if (sameData(rows_[r].values, values))
            return static_cast<int>(r);
    return -1;
}

void ClientDataSet::restorePendingWork(const QJsonObject& work) {
    checkActive();
    const ChangePacket changes = changePacketFromJson(work.value(kChanges));
    const DataPacket current = dataPacketFromJson(work.value(kCurrent));
    const DataPacket buffer = dataPacketFromJson(work.value(kBuffer));
    const QString state = work.value(kState).toString();
    cancel();
    takeSnapshot();
    for (const Change& change : changes.changes) {
        const Row before = fullRow(change.oldRow, changes.fields);
        const Row after = fullRow(change.newRow, changes.fields);
        int r = change.kind == ChangeKind::Insert ? -1 : findRow(before);
        if (change.kind != ChangeKind::Insert && r < 0) {
            // A row the load no longer holds (another filter): taken back as it was loaded.
            const Record loaded{before, nextId_++, false};
            original_.push_back(loaded);
            rows_.push_back(loaded);
            r = static_cast<int>(rows_.size()) - 1;
        }
        switch (change.kind) {
        case ChangeKind::Insert:
            rows_.push_back(Record{after, nextId_++, false});
            logPost(true, Row(), after, rows_.back().id);
            break;
        case ChangeKind::Modify:
            rows_[static_cast<size_t>(r)].values = after;
            rows_[static_cast<size_t>(r)].calcDone = false;
            logPost(false, before, after, rows_[static_cast<size_t>(r)].id);
            break;
        case ChangeKind::Delete:
            logDelete(rows_[static_cast<size_t>(r)]);
            rows_.erase(rows_.begin() + r);
            break;
        }
    }
    fire(beforeScroll);
    const int found =
        current.rows.isEmpty() ? -1 : findRow(fullRow(current.rows.at(0), current.fields));
    cur_ = found >= 0 ? found : (rows_.empty() ? -1 : 0);
    bof_ = cur_ <= 0;
    eof_ = rows_.empty();
    calculateCurrent();
    notify(Data | Scroll);
    fire(afterScroll);
    if (buffer.rows.isEmpty() ||
        (state != QLatin1String("edit") && state != QLatin1String("insert")))
        return;
    if (state == QLatin1String("insert"))
        append();
    else
        edit();
    const Row values = fullRow(buffer.rows.at(0), buffer.fields);
    for (int i : dataFieldIndexes_)
        editBuffer_[i] = values.at(i);
    modified_ = true;
    calculate(editBuffer_);
    notify(Data | FieldChange);
}

void ClientDataSet::emptyDataSet() {
    checkActive();
    checkBrowseMode();
    rows_.clear();
    clearChangeLog();
    cur_ = -1;
    bof_ = eof_ = true;
    notify(Data);
}

// ---------------------------------------------------------------- editing

void ClientDataSet::updateRecord() {
    const QList<QPointer<DataSource>> sources = sources_;
    for (const QPointer<DataSource>& source : sources)
        if (source)
            source->writePendingText();
}

void ClientDataSet::checkBrowseMode() {
    checkActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    updateRecord();
    if (modified_)
        post();
    else
        cancel();
}

void ClientDataSet::append() {
    startInsert(true);
}

void ClientDataSet::insert() {
    startInsert(false);
}

void ClientDataSet::startInsert(bool atEnd) {
    checkActive();
    checkBrowseMode();
    fire(beforeInsert);
    fire(beforeScroll);
    takeSnapshot();
    const int previous = cur_;
    const int pos = atEnd || rows_.empty() ? static_cast<int>(rows_.size()) : std::max(cur_, 0);
    rows_.insert(rows_.begin() + pos, Record{emptyRow(), nextId_++, true});
    cur_ = pos;
    editBuffer_ = emptyRow();
    state_ = DataSetState::Insert;
    bof_ = eof_ = false;
    try {
        fire(onNewRecord);
        calculate(editBuffer_);
    } catch (...) {
        rows_.erase(rows_.begin() + pos);
        cur_ = previous;
        editBuffer_.clear();
        state_ = DataSetState::Browse;
        modified_ = false;
        bof_ = eof_ = rows_.empty();
        throw;
    }
    modified_ = false; // defaults alone do not make the row touched
    notify(State | Data);
    fire(afterInsert);
    fire(afterScroll);
}

void ClientDataSet::edit() {
    checkActive();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return;
    if (rows_.empty()) {
        insert();
        return;
    }
    fire(beforeEdit);
    takeSnapshot();
    editBuffer_ = rows_[static_cast<size_t>(cur_)].values;
    modified_ = false;
    state_ = DataSetState::Edit;
    notify(State | FieldChange);
    fire(afterEdit);
}

void ClientDataSet::post() {
    checkActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    updateRecord();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    fire(beforePost);
    for (int i : dataFieldIndexes_) {
        const Field* f = fields_.at(i);
        if (f->required() && sameValue(editBuffer_.at(i), QVariant(), f->dataType()))
            throw DataSetError(
                QStringLiteral("O campo \"%1\" deve ser informado.").arg(f->displayLabel()));
    }
    Record& record = rows_[static_cast<size_t>(cur_)];
    const bool inserted = state_ == DataSetState::Insert;
    const Row before = record.values;
    record.values = std::move(editBuffer_);
    editBuffer_ = Row();
    logPost(inserted, before, record.values, record.id);
    state_ = DataSetState::Browse;
    modified_ = false;
    calculateCurrent();
    notify(State | Data);
    fire(afterPost);
}

void ClientDataSet::cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    fire(beforeCancel);
    if (state_ == DataSetState::Insert) {
        // An inserted row gives its place back to the record that was current; an appended
        // one leaves the cursor on the last record.
        dropCurrentRow();
    }
    editBuffer_ = Row();
    modified_ = false;
    state_ = DataSetState::Browse;
    calculateCurrent();
    notify(State | Data);
    fire(afterCancel);
}

void ClientDataSet::remove() {
    checkActive();
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (rows_.empty())
        throw DataSetError(QStringLiteral("%1: operação não permitida em um conjunto de dados "
                                          "vazio.")
                               .arg(objectName()));
    fire(beforeDelete);
    fire(beforeScroll);
    takeSnapshot();
    const DataSetState oldState = state_;
    logDelete(rows_[static_cast<size_t>(cur_)]);
    dropCurrentRow();
    editBuffer_ = Row();
    modified_ = false;
    state_ = DataSetState::Browse;
    calculateCurrent();
    notify(Data | (oldState != state_ ? State : 0u));
    fire(afterDelete);
    fire(afterScroll);
}

// ---------------------------------------------------------------- navigation

void ClientDataSet::first() {
    checkActive();
    checkBrowseMode();
    fire(beforeScroll);
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    calculateCurrent();
    notify(Scroll);
    fire(afterScroll);
}

void ClientDataSet::last() {
    checkActive();
    checkBrowseMode();
    fire(beforeScroll);
    cur_ = static_cast<int>(rows_.size()) - 1;
    eof_ = true;
    bof_ = rows_.empty();
    calculateCurrent();
    notify(Scroll);
    fire(afterScroll);
}

int ClientDataSet::moveBy(int distance) {
    checkActive();
    checkBrowseMode();
    if (distance == 0 || rows_.empty() || (distance > 0 && eof_) || (distance < 0 && bof_))
        return 0;
    fire(beforeScroll);
    bof_ = eof_ = false;
    const int lastRow = static_cast<int>(rows_.size()) - 1;
    int target = cur_ + distance;
    if (target > lastRow) {
        target = lastRow;
        eof_ = true;
    } else if (target < 0) {
        target = 0;
        bof_ = true;
    }
    const int moved = target - cur_;
    cur_ = target;
    calculateCurrent();
    notify(Scroll);
    fire(afterScroll);
    return moved;
}

bool ClientDataSet::locate(const QString& fieldNames, const QVariant& values,
                           bool caseInsensitive) {
    checkActive();
    checkBrowseMode();
    QList<Field*> keys;
    for (const QString& name : fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        keys.append(fieldByName(name.trimmed()));
    const QVariantList wanted = keys.size() == 1 ? QVariantList{values} : values.toList();
    if (keys.isEmpty() || wanted.size() != keys.size())
        throw DataSetError(QStringLiteral("%1: busca com %2 campos e %3 valores.")
                               .arg(objectName())
                               .arg(keys.size())
                               .arg(wanted.size()));
    QVariantList converted;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        try {
            converted.append(keys.at(k)->coerce(wanted.at(k)));
        } catch (const DataSetError&) {
            return false; // a value the field cannot hold matches no record
        }
    }
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t r = 0; r < rows_.size(); ++r) {
        bool match = true;
        for (qsizetype k = 0; match && k < keys.size(); ++k) {
            const Field* f = keys.at(k);
            const QVariant& have = rows_[r].values.at(f->index());
            if (f->dataType() == FieldType::String && !isNullValue(converted.at(k)) &&
                !isNullValue(have))
                match = have.toString().compare(converted.at(k).toString(), cs) == 0;
            else
                match = sameValue(have, converted.at(k), f->dataType());
        }
        if (!match)
            continue;
        fire(beforeScroll);
        cur_ = static_cast<int>(r);
        bof_ = eof_ = false;
        calculateCurrent();
        notify(Scroll);
        fire(afterScroll);
        return true;
    }
    return false;
}

int ClientDataSet::recordCount() const {
    return static_cast<int>(rows_.size()) - (state_ == DataSetState::Insert ? 1 : 0);
}

bool ClientDataSet::isEmpty() const {
    return recordCount() == 0 && state_ != DataSetState::Insert;
}

// ---------------------------------------------------------------- field access

const QVariant& ClientDataSet::bufferValue(int index) const {
    static const QVariant null;
    const Row* row = readOverride_;
    if (!row) {
        if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
            row = &editBuffer_;
        else if (cur_ >= 0)
            row = &rows_[static_cast<size_t>(cur_)].values;
    }
    if (!row || index < 0 || index >= row->size())
        return null;
    return row->at(index);
}

void ClientDataSet::writeValue(Field& field, const QVariant& value) {
    const int i = field.index();
    if (i < 0)
        throw DataSetError(QStringLiteral("%1: o campo '%2' não existe mais no conjunto de dados.")
                               .arg(objectName(), field.fieldName()));
    if (calcTarget_) {
        if (!field.isCalculated())
            throw DataSetError(QStringLiteral("%1: o campo '%2' não pode ser alterado no "
                                              "cálculo dos campos calculados.")
                                   .arg(objectName(), field.fieldName()));
        (*calcTarget_)[i] = field.coerce(value);
        return;
    }
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw DataSetError(QStringLiteral("%1: o conjunto de dados não está em edição ou "
                                          "inclusão.")
                               .arg(objectName()));
    if (field.readOnly())
        throw DataSetError(
            QStringLiteral("O campo \"%1\" não pode ser modificado.").arg(field.displayLabel()));
    editBuffer_[i] = field.coerce(value);
    if (!field.isCalculated()) {
        modified_ = true;
        calculate(editBuffer_);
    }
    if (field.onChange)
        field.onChange(field);
    notify(FieldChange, &field);
}

void ClientDataSet::calculate(Row& row) const {
    if (!hasCalculated_)
        return;
    for (const Field* f : fields_)
        if (f->isCalculated())
            row[f->index()] = QVariant();
    if (!onCalcFields)
        return;
    Restore<const Row*> reading(readOverride_, &row);
    Restore<Row*> writing(calcTarget_, &row);
    onCalcFields(const_cast<ClientDataSet&>(*this));
}

void ClientDataSet::calculateCurrent() {
    if (!hasCalculated_)
        return;
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) {
        calculate(editBuffer_);
    } else if (cur_ >= 0) {
        Record& record = rows_[static_cast<size_t>(cur_)];
        calculate(record.values);
        record.calcDone = true;
    }
}

QVariant ClientDataSet::valueAt(int row, int fieldIndex) const {
    if (row < 0 || row >= rowCount() || fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if (row == cur_ && (state_ == DataSetState::Edit || state_ == DataSetState::Insert))
        return editBuffer_.at(fieldIndex);
    const Record& record = rows_[static_cast<size_t>(row)];
    if (!record.calcDone && fields_.at(fieldIndex)->isCalculated()) {
        auto& self = const_cast<ClientDataSet&>(*this);
        Record& writable = self.rows_[static_cast<size_t>(row)];
        writable.calcDone = true;
        calculate(writable.values);
    }
    return record.values.at(fieldIndex);
}

QString ClientDataSet::displayTextAt(int row, int fieldIndex) const {
    if (row < 0 || row >= rowCount() || fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if (row == cur_ && (state_ == DataSetState::Edit || state_ == DataSetState::Insert))
        return fields_.at(fieldIndex)->displayText();
    valueAt(row, fieldIndex); // calculates the row when needed
    Restore<const Row*> reading(readOverride_, &rows_[static_cast<size_t>(row)].values);
    return fields_.at(fieldIndex)->displayText();
}

// ---------------------------------------------------------------- data sources

void ClientDataSet::enableControls() {
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    const unsigned pending = pendingNotify_;
    pendingNotify_ = 0;
    notify(Data | (pending & (State | Layout)));
}

void ClientDataSet::notify(unsigned what, Field* field) {
    if (disableCount_ > 0) {
        pendingNotify_ |= what;
        return;
    }
    const QList<QPointer<DataSource>> sources = sources_;
    for (const QPointer<DataSource>& source : sources)
        if (source)
            source->deliver(what, field);
}

void ClientDataSet::attach(DataSource* source) {
    if (!sources_.contains(source))
        sources_.append(source);
}

void ClientDataSet::detach(DataSource* source) {
    sources_.removeIf([source](const QPointer<DataSource>& s) { return !s || s == source; });
}

} // namespace dataset
