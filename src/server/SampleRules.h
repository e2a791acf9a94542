#pragma once
// The rules a sample must keep to be stored, checked again on the server whatever the
// client did: a broken invariant is refused with 422, a product the branch may not use
// becomes an error row for the screen to show item by item.

#include <server/Database.h>
#include <server/SampleRecord.h>

namespace server {

class SampleRules {
public:
    explicit SampleRules(Session& session) : session_(session) {}
    // The sample's items must be loaded. Throws RpcError (422); appends error rows.
    void check(const Sample& sample, QList<ErrorRow>& errors);

private:
    struct Product {
        QString unit;
        bool registered = false; // has settings in the sample's branch
        bool active = false;
        bool controlsStock = false;
        // Only for the in-natura product (the first code asked for).
        bool branchExists = false;
        double stock = 0; // of the processing day
    };
    QHash<QString, Product> products(const QString& branch, const QStringList& codes);
    void checkInvoice(const Sample& sample, double quantity);
    static void checkStock(const Product& product, double quantity);
    void checkItems(const Sample& sample, const QHash<QString, Product>& known, double quantity,
                    QList<ErrorRow>& errors);

    Session& session_;
};

} // namespace server
