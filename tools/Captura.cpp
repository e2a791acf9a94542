#include "Captura.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>

namespace capturas {

void espera(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

bool salva(QRect area, const QString& arquivo) {
    espera(400);
    const QPixmap imagem = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    const bool ok = imagem.save(arquivo);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(arquivo));
    return ok;
}

} // namespace capturas
