#pragma once
// One column of a client dataset. A field reads and writes the dataset's current record (the
// edit buffer while the dataset is in edit or insert state) and knows how to show its value:
// display text (display format, edit mask, get-text handler) and edit text.

#include <dataset/DataPacket.h>
#include <dataset/EditMask.h>

#include <QDate>
#include <QString>
#include <QVariant>

#include <functional>

namespace dataset {

class ClientDataSet;

enum class FieldKind { Data, Calculated };

class Field {
public:
    Field(ClientDataSet* dataSet, const QString& name, FieldType type, int size, FieldKind kind);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    ClientDataSet* dataSet() const { return dataSet_; }
    const QString& fieldName() const { return name_; }
    FieldType dataType() const { return type_; }
    FieldKind fieldKind() const { return kind_; }
    bool isCalculated() const { return kind_ == FieldKind::Calculated; }
    int size() const { return size_; }   // characters, for strings
    int index() const { return index_; } // position among the dataset's fields

    // The value in the current record; a null QVariant is null. Setting it needs the dataset
    // in edit or insert state (or a calculated field inside the calculate-fields event);
    // the value is converted to the field's type and text is cut at the field's size.
    QVariant value() const;
    void setValue(const QVariant& value);
    bool isNull() const; // an empty text counts as null
    void clear() { setValue(QVariant()); }

    QString asString() const;
    void setAsString(const QString& text); // numbers and dates read with the user's separators
    double asFloat() const;
    void setAsFloat(double value);
    qlonglong asInteger() const;
    void setAsInteger(qlonglong value);
    QDate asDate() const;
    void setAsDate(const QDate& value);
    bool asBoolean() const;
    void setAsBoolean(bool value);

    // Text shown when the value is not being edited: the get-text handler if any, else the
    // display format (numbers, dates), the edit mask (text) or the plain value.
    QString displayText() const;
    // Text offered for editing: the get-text handler if any, else the value without display
    // format (numbers keep the user's decimal separator, no thousands separator).
    QString editText() const;
    // Stores typed text: through the set-text handler when there is one.
    void setEditText(const QString& text);

    QString displayLabel() const; // the field name when no label was given
    void setDisplayLabel(const QString& label);
    int displayWidth() const; // characters; defaults by type
    void setDisplayWidth(int width);
    const QString& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QString& format);
    const QString& editFormat() const { return editFormat_; }
    void setEditFormat(const QString& format);
    const QString& editMask() const { return editMask_; }
    void setEditMask(const QString& mask);
    // The value a text typed under the edit mask stands for (the text itself without a mask),
    // through the mask parsed once when it was set.
    QString valueFromEditText(const QString& text) const { return parsedMask_.valueFromText(text); }
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    bool required() const { return required_; }
    void setRequired(bool required) { required_ = required; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    Qt::Alignment alignment() const; // numbers to the right unless set
    void setAlignment(Qt::Alignment alignment);

    // Handlers, as the classic toolkit has them. onGetText receives an empty text to fill
    // and whether the display text (true) or the edit text (false) is wanted.
    std::function<void(Field& sender, QString& text, bool displayText)> onGetText;
    std::function<void(Field& sender, const QString& text)> onSetText;
    std::function<void(Field& sender)> onChange;

    // The value converted to this field's type (text cut at the size); throws DataSetError
    // when it cannot be converted.
    QVariant coerce(const QVariant& value) const;
    // Display and edit text of a given value, without handlers.
    QString formatValue(const QVariant& value, bool displayText) const;

private:
    friend class ClientDataSet;

    ClientDataSet* dataSet_;
    QString name_;
    FieldType type_;
    int size_;
    FieldKind kind_;
    int index_ = -1;
    bool persistent_ = false; // defined from code, survives loading a packet

    QString displayLabel_;
    int displayWidth_ = -1;
    QString displayFormat_;
    QString editFormat_;
    QString editMask_;
    EditMask parsedMask_; // editMask_ read once: every row shown goes through it
    bool visible_ = true;
    bool required_ = false;
    bool readOnly_ = false;
    int tag_ = 0;
    Qt::Alignment alignment_;
    bool alignmentSet_ = false;
};

// Cuts a text at a number of characters (code points; a surrogate pair is one character).
QString cutToSize(const QString& text, int size);

} // namespace dataset
