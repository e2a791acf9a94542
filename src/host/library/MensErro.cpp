#include <host/library/MensErro.h>

#include <host/core/Exceptions.h>
#include <host/forms/Dialogs.h>

namespace Consiste {

void MensErro(const QString& text, bool show) {
    if (show)
        host::MessageDlg(text, host::TMsgDlgType::mtError, host::mbOK);
    throw host::EAbort(text);
}

} // namespace Consiste
