#include <host/search/Procurar.h>

#include <host/search/SearchWindow.h>

namespace Procurar {

void Procura(dataset::ClientDataSet* dataSet) {
    if (!dataSet || !dataSet->active())
        return;
    host::RunSearchWindow(dataSet, QStringLiteral("Procurar"));
}

} // namespace Procurar
