#include <dataset/Field.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSetError.h>
#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>

#include <cmath>

namespace dataset {
namespace {

bool isNullValue(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

// The user's date format first; then day-first forms and ISO, which a packet or a paste may
// bring.
QDate parseDate(const QString& text) {
    const QString t = text.trimmed();
    const QDate user = QDate::fromString(t, FormatSettings::dateFormat());
    if (user.isValid())
        return user;
    for (const char* format : {"dd/MM/yyyy", "d/M/yyyy", "yyyy-MM-dd"}) {
        const QDate d = QDate::fromString(t, QLatin1String(format));
        if (d.isValid())
            return d;
    }
    return {};
}

[[noreturn]] void invalid(const QString& what, const QString& text) {
    throw DataSetError(what.arg(text));
}

// Text of a boolean by a "true;false" display format; Portuguese words by default.
QString booleanText(bool value, const QString& format) {
    const qsizetype sep = format.indexOf(QLatin1Char(';'));
    if (sep < 0)
        return value ? QStringLiteral("Verdadeiro") : QStringLiteral("Falso");
    return value ? format.left(sep) : format.mid(sep + 1);
}

} // namespace

QString cutToSize(const QString& text, int size) {
    if (size <= 0 || text.size() <= size)
        return text;
    // Count code points; composed form first, so an accented letter is one character.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    qsizetype units = 0;
    for (int chars = 0; units < composed.size() && chars < size; ++chars)
        units += composed.at(units).isHighSurrogate() && units + 1 < composed.size() ? 2 : 1;
    return composed.left(units);
}

namespace {

QVariant convertTo(const QVariant& value, FieldType type, int size, const QString& booleanFormat) {
    if (isNullValue(value))
        return {};
    const bool isText = value.typeId() == QMetaType::QString;
    switch (type) {
    case FieldType::String:
        if (value.typeId() == QMetaType::Double)
            return cutToSize(floatToText(value.toDouble()), size);
        if (value.typeId() == QMetaType::QDate)
            return cutToSize(value.toDate().toString(FormatSettings::dateFormat()), size);
        return cutToSize(value.toString(), size);
    case FieldType::Float: {
        if (isText) {
            if (value.toString().trimmed().isEmpty())
                return {};
            const auto d = parseFloat(value.toString());
            if (!d)
                invalid(QStringLiteral("'%1' não é um valor numérico válido."), value.toString());
            return *d;
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok)
            invalid(QStringLiteral("'%1' não é um valor numérico válido."), value.toString());
        return d;
    }
    case FieldType::Integer: {
        double d = 0;
        if (isText) {
            if (value.toString().trimmed().isEmpty())
                return {};
            const auto parsed = parseFloat(value.toString());
            if (!parsed || *parsed != std::floor(*parsed))
                invalid(QStringLiteral("'%1' não é um valor inteiro válido."), value.toString());
            d = *parsed;
        } else {
            bool ok = false;
            d = value.toDouble(&ok);
            if (!ok)
                invalid(QStringLiteral("'%1' não é um valor inteiro válido."), value.toString());
        }
        if (std::fabs(d) > 9.0e15)
            invalid(QStringLiteral("'%1' não é um valor inteiro válido."), value.toString());
        return QVariant::fromValue<qlonglong>(std::llround(d));
    }
    case FieldType::Date: {
        if (value.typeId() == QMetaType::QDate)
            return value;
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date();
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return {};
        const QDate d = parseDate(text);
        if (!d.isValid())
            invalid(QStringLiteral("'%1' não é uma data válida."), text);
        return d;
    }
    case FieldType::Boolean: {
        if (!isText)
            return value.toBool();
        const QString t = value.toString().trimmed();
        if (t.isEmpty())
            return {};
        for (const QString& yes :
             {QStringLiteral("S"), QStringLiteral("Sim"), QStringLiteral("True"),
              QStringLiteral("Verdadeiro"), QStringLiteral("T"), QStringLiteral("1"),
              booleanText(true, booleanFormat)})
            if (t.compare(yes, Qt::CaseInsensitive) == 0)
                return true;
        for (const QString& no :
             {QStringLiteral("N"), QStringLiteral("Não"), QStringLiteral("False"),
              QStringLiteral("Falso"), QStringLiteral("F"), QStringLiteral("0"),
              booleanText(false, booleanFormat)})
            if (t.compare(no, Qt::CaseInsensitive) == 0)
                return false;
        invalid(QStringLiteral("'%1' não é um valor lógico válido."), t);
    }
    }
    return {};
}

} // namespace

QVariant Field::coerce(const QVariant& value) const {
    return convertTo(value, type_, size_, displayFormat_);
}

Field::Field(ClientDataSet* dataSet, const QString& name, FieldType type, int size, FieldKind kind)
    : dataSet_(dataSet), name_(name), type_(type), size_(type == FieldType::String ? size : 0),
      kind_(kind) {}

QVariant Field::value() const {
    return dataSet_->bufferValue(index_);
}

void Field::setValue(const QVariant& value) {
    dataSet_->writeValue(*this, value);
}

bool Field::isNull() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (isNullValue(v))
        return true;
    return type_ == FieldType::String && v.toString().isEmpty();
}

QString Field::formatValue(const QVariant& v, bool displayText) const {
    if (isNullValue(v))
        return QString();
    switch (type_) {
    case FieldType::String: {
        const QString s = v.toString();
        if (displayText && !editMask_.isEmpty() && !s.isEmpty())
            return parsedMask_.format(s);
        return s;
    }
    case FieldType::Float: {
        const QString& format = displayText ? displayFormat_ : editFormat_;
        return format.isEmpty() ? floatToText(v.toDouble()) : formatFloat(format, v.toDouble());
    }
    case FieldType::Integer: {
        const QString& format = displayText ? displayFormat_ : editFormat_;
        return format.isEmpty() ? QString::number(v.toLongLong())
                                : formatFloat(format, static_cast<double>(v.toLongLong()));
    }
    case FieldType::Date:
        return v.toDate().toString(displayText && !displayFormat_.isEmpty()
                                       ? displayFormat_
                                       : FormatSettings::dateFormat());
    case FieldType::Boolean:
        return booleanText(v.toBool(), displayFormat_);
    }
    return QString();
}

QString Field::asString() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (type_ == FieldType::String)
        return v.toString();
    return formatValue(v, false);
}

void Field::setAsString(const QString& text) {
    setValue(text);
}

double Field::asFloat() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (isNullValue(v))
        return 0.0;
    if (type_ == FieldType::String) {
        if (v.toString().trimmed().isEmpty())
            return 0.0;
        const auto d = parseFloat(v.toString());
        if (!d)
            invalid(QStringLiteral("'%1' não é um valor numérico válido."), v.toString());
        return *d;
    }
    return v.toDouble();
}

void Field::setAsFloat(double value) {
    setValue(value);
}

qlonglong Field::asInteger() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (isNullValue(v))
        return 0;
    if (type_ == FieldType::String || type_ == FieldType::Float)
        return convertTo(v, FieldType::Integer, 0, QString()).toLongLong();
    return v.toLongLong();
}

void Field::setAsInteger(qlonglong value) {
    setValue(value);
}

QDate Field::asDate() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (isNullValue(v))
        return {};
    if (type_ == FieldType::String) {
        const QDate d = parseDate(v.toString());
        if (!d.isValid() && !v.toString().trimmed().isEmpty())
            invalid(QStringLiteral("'%1' não é uma data válida."), v.toString());
        return d;
    }
    return v.toDate();
}

void Field::setAsDate(const QDate& value) {
    setValue(value.isValid() ? QVariant(value) : QVariant());
}

bool Field::asBoolean() const {
    const QVariant& v = dataSet_->bufferValue(index_);
    if (isNullValue(v))
        return false;
    if (type_ == FieldType::Boolean)
        return v.toBool();
    const QString t = v.toString().trimmed();
    return t.compare(QLatin1String("S"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1");
}

void Field::setAsBoolean(bool value) {
    setValue(value);
}

QString Field::displayText() const {
    if (onGetText) {
        QString text;
        onGetText(const_cast<Field&>(*this), text, true);
        return text;
    }
    return formatValue(dataSet_->bufferValue(index_), true);
}

QString Field::editText() const {
    if (onGetText) {
        QString text;
        onGetText(const_cast<Field&>(*this), text, false);
        return text;
    }
    return formatValue(dataSet_->bufferValue(index_), false);
}

void Field::setEditText(const QString& text) {
    if (onSetText)
        onSetText(*this, text);
    else
        setAsString(text);
}

QString Field::displayLabel() const {
    return displayLabel_.isEmpty() ? name_ : displayLabel_;
}

void Field::setDisplayLabel(const QString& label) {
    displayLabel_ = label;
    dataSet_->notify(ClientDataSet::Layout);
}

int Field::displayWidth() const {
    if (displayWidth_ >= 0)
        return displayWidth_;
    switch (type_) {
    case FieldType::String:
        return size_;
    case FieldType::Boolean:
        return 5;
    default:
        return 10;
    }
}

void Field::setDisplayWidth(int width) {
    displayWidth_ = width;
    dataSet_->notify(ClientDataSet::Layout);
}

void Field::setDisplayFormat(const QString& format) {
    displayFormat_ = format;
    dataSet_->notify(ClientDataSet::Layout);
}

void Field::setEditFormat(const QString& format) {
    editFormat_ = format;
    dataSet_->notify(ClientDataSet::FieldChange, this);
}

void Field::setEditMask(const QString& mask) {
    if (mask == editMask_)
        return;
    editMask_ = mask;
    parsedMask_ = EditMask(mask);
    dataSet_->notify(ClientDataSet::Layout | ClientDataSet::FieldChange, this);
}

void Field::setVisible(bool visible) {
    visible_ = visible;
    dataSet_->notify(ClientDataSet::Layout);
}

Qt::Alignment Field::alignment() const {
    if (alignmentSet_)
        return alignment_;
    return type_ == FieldType::Float || type_ == FieldType::Integer ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
}

void Field::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    alignmentSet_ = true;
    dataSet_->notify(ClientDataSet::Layout);
}

} // namespace dataset
