#pragma once
// Procura: the host's record search over a dataset; leaves the dataset on the record found
// (unchanged when the user cancels).

namespace dataset {
class ClientDataSet;
}

namespace Procurar {

void Procura(dataset::ClientDataSet* dataSet);

} // namespace Procurar
