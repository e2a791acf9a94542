#include "MensErro.h"

#include "Dialogs.h"
#include "Exceptions.h"

namespace Consiste {

void MensErro(const QString& text, bool show) {
    if (show)
        host::MessageDlg(text, host::TMsgDlgType::mtError, host::mbOK);
    throw host::EAbort(text);
}

} // namespace Consiste
