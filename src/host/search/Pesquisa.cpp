#include <host/search/Pesquisa.h>

#include <dataset/DataSource.h>
#include <host/forms/Dialogs.h>
#include <host/search/SearchWindow.h>

namespace Pesquisa {

bool Pesquisar_Plus(dataset::DataSource* source, const QString& description, bool,
                    bool reportEmpty) {
    dataset::ClientDataSet* ds = source ? source->dataSet() : nullptr;
    const QStringList parts = description.split(QLatin1Char('|'));
    const QString title = parts.value(0);
    const QString emptyText = parts.value(1);
    const QString note = parts.mid(2).join(QLatin1Char(' ')).trimmed();
    if (!ds || !ds->active() || ds->isEmpty()) {
        if (reportEmpty && !emptyText.isEmpty())
            host::MessageDlg(emptyText, host::TMsgDlgType::mtInformation, host::mbOK);
        return false;
    }
    return host::RunSearchWindow(ds, title, note);
}

} // namespace Pesquisa
