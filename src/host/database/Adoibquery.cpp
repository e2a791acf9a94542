#include <host/database/Adoibquery.h>

#include <host/core/Exceptions.h>
#include <host/core/NamedParameters.h>
#include <host/database/DbGeral.h>

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The parameters' names in order of first appearance, letter case ignored.
QStringList parameterNames(const QString& sql) {
    QStringList names;
    for (const host::NamedParameter& parameter : host::NamedParameters(sql))
        if (!names.contains(parameter.name, Qt::CaseInsensitive))
            names << parameter.name;
    return names;
}

} // namespace

TParam* TParams::FindParam(const QString& name) const {
    for (const auto& param : items_)
        if (param->Name().compare(name, Qt::CaseInsensitive) == 0)
            return param.get();
    return nullptr;
}

TADOIBQuery::TADOIBQuery(QObject* parent)
    : QObject(parent), query_(new dataset::ClientDataSet(this)) {}

TADOIBQuery::~TADOIBQuery() = default;

void TADOIBQuery::syncParams() {
    const QString text = SQLText();
    if (parsed_ && text == parsedText_)
        return;
    // Values of parameters that the new statement keeps survive the change of text.
    std::vector<std::unique_ptr<TParam>> fresh;
    for (const QString& name : parameterNames(text)) {
        auto param = std::make_unique<TParam>(name);
        if (const TParam* old = params_.FindParam(name))
            param->SetValue(old->Value());
        fresh.push_back(std::move(param));
    }
    params_.items_ = std::move(fresh);
    parsedText_ = text;
    parsed_ = true;
}

TParam* TADOIBQuery::ParamByName(const QString& name) {
    syncParams();
    if (TParam* param = params_.FindParam(name))
        return param;
    throw host::EHostError(
        QStringLiteral("Parâmetro %1 não encontrado na consulta %2.").arg(name, objectName()));
}

TParams& TADOIBQuery::GetIBParams() {
    syncParams();
    return params_;
}

void TADOIBQuery::Open() {
    syncParams();
    if (BeforeOpen)
        BeforeOpen(*this);
    QVariantHash values;
    for (const auto& param : params_.items_)
        values.insert(param->Name(),
                      param->IsNull() ? QVariant(QMetaType::fromType<QString>()) : param->Value());
    QSqlQuery query = dtmDBGeral::Exec(SQLText(), values);
    const QSqlRecord record = query.record();
    dataset::DataPacket packet;
    for (int i = 0; i < record.count(); ++i) {
        // A stable size per column, so reopening keeps the same fields.
        const int length = record.field(i).length();
        packet.fields.append({record.fieldName(i).toUpper(), dataset::FieldType::String,
                              length > 0 && length < 4096 ? length : 255});
    }
    while (query.next()) {
        dataset::Row row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i) {
            const QVariant value = query.value(i);
            row.append(value.isNull() ? QVariant() : QVariant(value.toString()));
        }
        packet.rows.append(std::move(row));
    }
    query_->setData(std::move(packet));
}

void TADOIBQuery::Close() {
    if (query_->active())
        query_->close();
}

bool TADOIBQuery::Active() const {
    return query_->active();
}

bool TADOIBQuery::IsEmpty() const {
    return !query_->active() || query_->isEmpty();
}

dataset::Field* TADOIBQuery::FieldByName(const QString& name) const {
    return query_->fieldByName(name);
}
