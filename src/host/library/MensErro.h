#pragma once
// MensErro: the host's error report. Shows the text as an error through the dialogs seam and
// abandons the operation in progress by raising a silent abort.

#include <QString>

namespace Consiste {

// The flag asks for the report to be shown (false only raises the abort with the text).
[[noreturn]] void MensErro(const QString& text, bool show = true);

} // namespace Consiste
