#pragma once
// The progress window: a small window over a form with a busy animation and one line of
// text, up while the caller waits for the server. Only one exists at a time. It comes up, with
// the wait cursor, as soon as a server call made while it is active has lasted long enough for
// a user to notice the wait (host::LongWait): a quick call shows no window, and the screen is
// painted once, after it, instead of under a window that goes before anyone can see it.

#include <QString>

class QWidget;

namespace host {
class TForm;
}

namespace Showavi {

// The kinds of animation (the module passes the second, aviCopiaArquivo).
enum TShowAvi { aviProcura, aviCopiaArquivo, aviApagaArquivo, aviProcessa };

// Activates the window over the form and returns at once; a wait that lasts shows it (painted
// before the wait goes on).
void ActiveShowAvi(QWidget* form, TShowAvi kind, const QString& text);
// Removes the window; harmless when none is shown.
void DeactiveShowAvi();
// The text of the active window, or an empty text when none is active.
QString ShowAviText();
// The window on screen, or null while none is shown (not yet, or not active).
QWidget* ShownWindow();

} // namespace Showavi
