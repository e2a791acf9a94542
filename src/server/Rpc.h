#pragma once
// The remote methods by object and name, and the checked reading of their positional
// arguments.

#include <dataset/DataPacket.h>
#include <server/Database.h>

#include <QDate>
#include <QHash>
#include <QJsonArray>
#include <QJsonValue>
#include <QSet>

#include <functional>

namespace server {

// The positional arguments of one call; every read checks the JSON type and answers 400.
class Args {
public:
    Args(const QJsonArray& values, const QString& method, int expected);
    // Text; JSON null reads as empty text.
    QString text(int index) const;
    // Text trimmed of blanks: the client sends " " for an empty criterion.
    QString trimmed(int index) const { return text(index).trimmed(); }
    QDate date(int index) const;                    // "YYYY-MM-DD"
    dataset::ChangePacket changes(int index) const; // null -> no change

private:
    QString where(int index) const;
    const QJsonArray& values_;
    QString method_;
};

using Method = std::function<QJsonValue(Session&, const QJsonArray& args)>;

// The same call for a method whose arguments are all change packets, read straight from the
// request's text in one pass; it answers the JSON text of its result.
using ChangesCall = std::function<QByteArray(Session&, const QList<dataset::ChangePacket>&)>;
// The same call answering the JSON text of its result, for a method whose answer can be long.
using TextCall = std::function<QByteArray(Session&, const QJsonArray& args)>;

struct ChangesMethod {
    qsizetype arguments = 0;
    ChangesCall call;
};

class Registry {
public:
    void add(const QString& object, const QString& method, Method handler);
    // A second way into a method already added, taken when the request's text reads as that
    // many change packets; any other text goes the general way, with its messages.
    void addChanges(const QString& object, const QString& method, qsizetype arguments,
                    ChangesCall call);
    // A second way into a method already added, which writes its answer as text.
    void addText(const QString& object, const QString& method, TextCall call);

    // nullptr when the object or the method is unknown.
    const Method* find(const QString& object, const QString& method) const;
    const ChangesMethod* findChanges(const QString& object, const QString& method) const;
    const TextCall* findText(const QString& object, const QString& method) const;
    bool hasObject(const QString& object) const;
    // Methods that store: a read-only account (consulta) is refused them.
    void markWrites(const QString& object, const QString& method);
    bool writes(const QString& object, const QString& method) const;

private:
    QHash<QString, QHash<QString, Method>> objects_;
    QHash<QString, ChangesMethod> changes_; // by "object.method"
    QSet<QString> writes_;                  // by "object.method"
    QHash<QString, TextCall> texts_;        // by "object.method"
};

// Registers the methods of Est25000.rdmAmostraProc and Est00000.rdmEstoque.
void registerAmostraProc(Registry& registry);
void registerEstoque(Registry& registry);

} // namespace server
