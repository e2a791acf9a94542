#pragma once
// What the screenshot programs share: letting the window settle, and saving a part of the
// screen as it is shown on the X display.

#include <QRect>
#include <QString>

namespace capturas {

// Runs the event loop for about ms milliseconds, so that what was asked is painted.
void espera(int ms);
// Saves the area of the screen to the file after the window settled; says which on stdout.
bool salva(QRect area, const QString& arquivo);

} // namespace capturas
