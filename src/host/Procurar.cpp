#include "Procurar.h"

#include "SearchWindow.h"

namespace Procurar {

void Procura(dataset::ClientDataSet* dataSet) {
    if (!dataSet || !dataSet->active())
        return;
    host::RunSearchWindow(dataSet, QStringLiteral("Procurar"));
}

} // namespace Procurar
