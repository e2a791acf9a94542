#pragma once
// Read-only query on the host's shared database connection (dtmDBGeral), with named
// parameters written ":NAME" in the statement. Its rows are presented as a client dataset
// (Query()) whose fields are all text, so data sources, lookups and search windows show
// them like any other dataset.

#include <dataset/ClientDataSet.h>

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TParam {
public:
    explicit TParam(QString name) : name_(std::move(name)) {}
    const QString& Name() const { return name_; }
    QString AsString() const { return value_.toString(); }
    void SetAsString(const QString& text) { value_ = text; }
    const QVariant& Value() const { return value_; }
    void SetValue(const QVariant& value) { value_ = value; }
    bool IsNull() const { return value_.isNull(); }
    void Clear() { value_ = QVariant(); }

private:
    QString name_;
    QVariant value_;
};

// The parameters of the current statement, in order of first appearance.
class TParams {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TParam* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    TParam* FindParam(const QString& name) const; // nullptr when absent; case ignored

private:
    friend class TADOIBQuery;
    std::vector<std::unique_ptr<TParam>> items_;
};

class TADOIBQuery : public QObject {
    Q_OBJECT
public:
    explicit TADOIBQuery(QObject* parent = nullptr);
    ~TADOIBQuery() override;

    QStringList SQL; // the statement, one line per entry, joined with line breaks
    void SetSQLText(const QString& text) { SQL = text.split(QLatin1Char('\n')); }
    QString SQLText() const { return SQL.join(QLatin1Char('\n')); }

    // Runs before each opening, after the parameters of the statement are known.
    std::function<void(TADOIBQuery& sender)> BeforeOpen;

    // Runs the statement with the parameters' values (unset ones as null) and loads the rows
    // into Query(). A lost connection is opened again and the statement run once more; a
    // failure raises host::EHostError (the database's own text goes to the log).
    void Open();
    void Close();
    bool Active() const;
    bool IsEmpty() const; // true when closed or when no row came back

    // The parameter of that name; raises host::EHostError when the statement has none.
    TParam* ParamByName(const QString& name);
    TParams& GetIBParams();
    // A field of the current row (Query()); raises when there is no such field.
    dataset::Field* FieldByName(const QString& name) const;
    dataset::ClientDataSet* Query() const { return query_; }

private:
    void syncParams();

    dataset::ClientDataSet* query_;
    TParams params_;
    QString parsedText_;
    bool parsed_ = false;
};
