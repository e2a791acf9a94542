#pragma once
// Demo data: a believable Brazilian company (three branches, a product tree following the
// picture 9.99.999, suppliers with valid CPF and CNPJ, invoices, stock positions, samples
// with items, some processed). Scale 1 is small; the volume grows linearly with the scale
// (scale 200: about 20,000 products, 2,000 suppliers and 100,000 samples).

#include <server/Database.h>

namespace server {

struct DemoCounts {
    int products = 0; // leaf products
    int suppliers = 0;
    int invoices = 0;
    int samples = 0;
};

DemoCounts demoCounts(int scale);

// Fills an empty database in one transaction; the deterministic generator gives the same
// data for the same scale.
void fillDemoData(Session& session, int scale);

} // namespace server
