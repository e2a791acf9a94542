#pragma once
// In-memory client dataset: typed fields, a cursor, edit and insert states, the before- and
// after-events of the classic toolkit, and a change log taken as a change packet.
//
// Rules the screens rely on:
// - An exception from a before-event aborts the operation and leaves the state as it was.
// - Moving the cursor first ends a pending edit: a modified row is posted (its before-post
//   may abort the move), an untouched row is cancelled (a new one is dropped).
// - Loading a data packet replaces content and structure, clears the change log and settles
//   on the first record (after-scroll runs).
// - The change log holds inserts, modifications (with the row as loaded) and deletions since
//   the last load or merge; delta() is empty when nothing changed.

#include <dataset/DataPacket.h>
#include <dataset/DataSetError.h>
#include <dataset/Field.h>

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace dataset {

class DataSource;

enum class DataSetState { Inactive, Browse, Edit, Insert };

class ClientDataSet : public QObject {
    Q_OBJECT
public:
    explicit ClientDataSet(QObject* parent = nullptr);
    ~ClientDataSet() override;

    // --- structure ---
    // Fields defined from code keep their properties across loads: a packet must carry every
    // data field defined this way (matched by name, letter case ignored). A dataset without
    // such fields takes its fields from each packet. Field pointers stay valid for the life
    // of the dataset (fields a packet no longer has are retired, not freed).
    Field* addField(const QString& name, FieldType type, int size = 0,
                    FieldKind kind = FieldKind::Data);
    // Opens the dataset empty, with the fields defined from code.
    void createDataSet();
    const QList<Field*>& fields() const { return fields_; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field* field(int index) const { return fields_.value(index); }
    Field* findField(const QString& name) const;   // nullptr when absent
    Field* fieldByName(const QString& name) const; // throws DataSetError when absent

    // --- life ---
    void open();
    void close();
    bool active() const { return state_ != DataSetState::Inactive; }
    void setActive(bool active) { active ? open() : close(); }
    DataSetState state() const { return state_; }

    // --- data and change log ---
    void setData(const DataPacket& packet);
    void setData(DataPacket&& packet);
    // Decodes and loads in one go; a malformed packet throws PacketError and changes nothing.
    void setDataJson(const QJsonValue& json);
    // Reads the packet from its JSON text in one pass (the fast way for large packets).
    void setDataJsonText(QByteArrayView json);
    DataPacket data() const; // posted rows, data fields only
    ChangePacket delta() const;
    int changeCount() const;
    void cancelUpdates(); // back to the data as loaded; settles on the first record
    // Undoes the logged change of the current record: a new record disappears (the cursor
    // moves on, after-scroll runs), a modified one gets back its values as loaded. A pending
    // edit is cancelled first. Nothing happens to a record without a logged change.
    void revertRecord();
    void mergeChangeLog(); // the current data becomes the loaded data
    // What is not stored yet, as JSON (for a journal that outlives the program): the change
    // log, the state, the record the cursor is on and the record being edited or inserted.
    QJsonObject pendingWork() const;
    // Applies pendingWork() to the data as loaded now: a modified or deleted row is found by
    // its values as loaded (and taken back when the load no longer has it), inserted rows
    // come back, the cursor returns to its record, then an edit or insert resumes with the
    // values it had. Throws PacketError on a malformed journal.
    void restorePendingWork(const QJsonObject& work);
    void emptyDataSet(); // no rows, no change log, same fields
    // Brings the loaded rows up to date without loading them all again, the rows being in
    // ascending order of `keyField` (compared as text), as a load gives them: each row of
    // `rows` (a packet with every data field) replaces the row of its key or joins in key order;
    // the rows whose key is in `removed` go, and so does any row without a key (inserted here,
    // never loaded). Like a load it clears the change log; the cursor lands on the row of key
    // `landOn`, else on the first, and after-scroll runs once. Answers whether `landOn` was
    // found. Browse state only (else DataSetError); a packet that does not fit changes nothing.
    bool mergeRows(const QString& keyField, const DataPacket& rows, const QStringList& removed,
                   const QString& landOn);

    // --- editing ---
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    void remove(); // delete the current record
    // Asks every control of every data source to write its pending text to its field.
    void updateRecord();
    // In edit or insert state: posts when modified, cancels otherwise.
    void checkBrowseMode();
    bool modified() const { return modified_; }

    // --- navigation ---
    void first();
    void last();
    void next() { moveBy(1); }
    void prior() { moveBy(-1); }
    int moveBy(int distance); // returns the number of records actually moved
    // fieldNames may list several fields separated by ';' with a QVariantList of values.
    bool locate(const QString& fieldNames, const QVariant& values, bool caseInsensitive = false);
    int recordCount() const;               // posted rows; an unposted new row does not count
    int recNo() const { return cur_ + 1; } // 1-based; 0 when there is no record
    void setRecNo(int number) { moveBy(number - recNo()); }
    bool isEmpty() const;
    // Changes whenever the fields are replaced or added: a pointer to a field found by name
    // stays the one to use while this is unchanged.
    quint64 fieldsVersion() const { return fieldsVersion_; }
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }

    // --- display suspension (a counter) ---
    void disableControls() { ++disableCount_; }
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    // --- rows by position, for grids: an unposted new row is shown where it will be ---
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int currentRow() const { return cur_; }
    QVariant valueAt(int row, int fieldIndex) const;
    QString displayTextAt(int row, int fieldIndex) const;

    // --- events ---
    using Event = std::function<void(ClientDataSet& dataSet)>;
    Event beforeOpen, afterOpen, beforeClose, afterClose;
    Event beforeInsert, afterInsert, beforeEdit, afterEdit;
    Event beforePost, afterPost, beforeCancel, afterCancel;
    Event beforeDelete, afterDelete, beforeScroll, afterScroll;
    Event onCalcFields, onNewRecord;

private:
    friend class Field;
    friend class DataSource;

    struct Record {
        Row values; // one slot per field, calculated ones included
        quint64 id = 0;
        bool calcDone = false;
    };
    struct LogEntry {
        ChangeKind kind = ChangeKind::Insert;
        quint64 id = 0;
        Row oldRow;
        Row newRow;
        bool dead = false;
    };
    enum Notify : unsigned { State = 1, Data = 2, Scroll = 4, Layout = 8, FieldChange = 16 };

    // field access from Field
    const QVariant& bufferValue(int index) const;
    void writeValue(Field& field, const QVariant& value);

    void checkActive() const;
    void fire(const Event& event);
    void rebuildFieldIndex();
    void dropCurrentRow();
    Row emptyRow() const { return Row(fields_.size()); }
    void loadRows(DataPacket&& packet);
    void settleOnFirst();
    void takeSnapshot();
    void logPost(bool inserted, const Row& before, const Row& after, quint64 id);
    void logDelete(const Record& record);
    void clearChangeLog();
    Row dataPart(const Row& row) const;
    // A row of data fields listed by `fields` widened to this dataset's fields.
    Row fullRow(const Row& data, const QList<FieldDef>& fields) const;
    int findRow(const Row& values) const; // -1 when no row holds these data values
    bool sameData(const Row& a, const Row& b) const;
    void calculate(Row& row) const;
    void calculateCurrent();
    void startInsert(bool atEnd);

    void notify(unsigned what, Field* field = nullptr);
    void attach(DataSource* source);
    void detach(DataSource* source);

    std::vector<std::unique_ptr<Field>> ownedFields_;
    QList<Field*> fields_;
    QHash<QString, Field*> byName_;
    quint64 fieldsVersion_ = 0;
    std::vector<int> dataFieldIndexes_;
    bool hasCalculated_ = false;

    DataSetState state_ = DataSetState::Inactive;
    std::vector<Record> rows_;
    int cur_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    quint64 nextId_ = 1;

    Row editBuffer_;
    bool modified_ = false;
    int cursorBeforeInsert_ = -1;
    mutable const Row* readOverride_ = nullptr; // reading another row (grids, calculation)
    mutable Row* calcTarget_ = nullptr;         // inside onCalcFields

    std::vector<Record> original_; // rows as loaded, taken before the first change
    bool hasSnapshot_ = false;
    std::vector<LogEntry> log_;
    std::unordered_map<quint64, size_t> logIndex_;

    int disableCount_ = 0;
    unsigned pendingNotify_ = 0;
    QList<QPointer<DataSource>> sources_;
};

} // namespace dataset
