#pragma once
// Writes a data packet's JSON text value by value, byte for byte what a JSON document of
// dataPacketToJson gives once written compact, for writers whose values come from elsewhere
// than a DataPacket (the server reads them straight from the database). Texts are escaped as
// the JSON document escapes them; a number is written as it writes a double.

#include <dataset/DataPacket.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstring>

namespace dataset {

class DataPacketTextWriter {
public:
    // rowBytes: the expected bytes of a row, to reserve the text at once for `rows` rows.
    explicit DataPacketTextWriter(const QList<FieldDef>& fields, qsizetype rows = 0,
                                  qsizetype rowBytes = 64);
    // Starts with nothing written: the caller writes the packet's frame with raw().
    struct Unframed {};
    DataPacketTextWriter(Unframed, qsizetype bytes);

    // Bytes written as they are: the frame of an object around the rows.
    void raw(QByteArrayView bytes) { append(bytes); }
    // A field list: [{"name":..,"size":..,"type":..},..].
    void fieldList(const QList<FieldDef>& fields);
    // A whole row, "[v,..]", its values as the packet's fields type them.
    void row(const Row& values, const QList<FieldDef>& fields);

    void beginRow();
    void endRow();
    // The row's values in field order; each writes its separator.
    void null();
    // UTF-8 text; a byte sequence that is not UTF-8 is written as Qt reads it (U+FFFD).
    void text(QByteArrayView utf8);
    void text(QStringView text);
    void number(double value); // not finite: null, as the JSON document writes it
    void boolean(bool value);

    // The packet's whole text; the writer is spent.
    QByteArray finish();
    // What was written, as it stands (an unframed writer); the writer is spent.
    QByteArray take();

private:
    // At least `bytes` free after the end; returns the end.
    char* room(qsizetype bytes) {
        if (out_.size() - used_ < bytes)
            grow(bytes);
        return out_.data() + used_;
    }
    void grow(qsizetype bytes);
    void append(QByteArrayView bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), static_cast<size_t>(bytes.size()));
        used_ += bytes.size();
    }
    void separator() {
        if (!firstInRow_) {
            *room(1) = ',';
            ++used_;
        }
        firstInRow_ = false;
    }
    void escaped(QStringView text);

    QByteArray out_;
    qsizetype used_ = 0;
    bool firstRow_ = true;
    bool firstInRow_ = true;
};

} // namespace dataset
