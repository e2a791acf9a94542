#include <est25000/ErrosServidor.h>

#include <dataset/ClientDataSet.h>

namespace Cli_est25000 {

bool retornouErro(dataset::ClientDataSet& erros) {
    if (!erros.active() || erros.isEmpty())
        return false; // no answer yet, or one without rows: nothing refused
    for (const char* codigo : {"EST25000_1", "EST25000_2", "EST25000_3"}) {
        if (erros.locate(QStringLiteral("CDERRO"), QString::fromLatin1(codigo), true))
            return true;
    }
    erros.first();
    return true;
}

bool resultErroItem(dataset::ClientDataSet& erros, const QString& cdObjeto) {
    if (!erros.active() || erros.isEmpty())
        return false;
    return erros.locate(QStringLiteral("CDOBJETO"), cdObjeto, true);
}

} // namespace Cli_est25000
