#include <host/controls/Graphics.h>

#include <host/controls/TextLayoutCache.h>

#include <QFontMetrics>

namespace host {

void TCanvas::TextOut(int x, int y, const QString& text) {
    painter_->save();
    painter_->setPen(FontColor);
    paintTextAt(painter_, QPoint(x, y + painter_->fontMetrics().ascent()), text);
    painter_->restore();
}

void TCanvas::TextRect(const QRect& rect, int x, int y, const QString& text) {
    painter_->save();
    painter_->setClipRect(rect);
    painter_->setPen(FontColor);
    painter_->drawText(QPoint(x, y + painter_->fontMetrics().ascent()), text);
    painter_->restore();
}

int TCanvas::TextWidth(const QString& text) const {
    return textAdvance(painter_, text);
}

int TCanvas::TextHeight(const QString& text) const {
    return painter_->fontMetrics().boundingRect(text).height();
}

} // namespace host
