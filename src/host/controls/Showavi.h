#pragma once
// The progress window: a small window over a form with a busy animation and one line of
// text, up while the caller waits for the server. Only one exists at a time.

#include <QString>

class QWidget;

namespace host {
class TForm;
}

namespace Showavi {

// The kinds of animation (the module passes the second, aviCopiaArquivo).
enum TShowAvi { aviProcura, aviCopiaArquivo, aviApagaArquivo, aviProcessa };

// Shows the window over the form and returns at once (the window is painted before).
void ActiveShowAvi(QWidget* form, TShowAvi kind, const QString& text);
// Removes the window; harmless when none is shown.
void DeactiveShowAvi();
// The text shown, or an empty text when no window is up.
QString ShowAviText();

} // namespace Showavi
