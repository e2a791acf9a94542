#pragma once
// TCanvas: drawing on a control while it paints (a grid's cell painting handler draws
// through it after the default painting).

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace host {

class TCanvas {
public:
    explicit TCanvas(QPainter* painter) : painter_(painter) {}

    QPainter* Painter() const { return painter_; }
    QColor BrushColor; // what FillRect paints with
    QColor FontColor{Qt::black};

    void FillRect(const QRect& rect) { painter_->fillRect(rect, BrushColor); }
    // Writes text with its top-left corner at (x, y).
    void TextOut(int x, int y, const QString& text);
    // Writes text clipped to the rectangle, top-left at (x, y).
    void TextRect(const QRect& rect, int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

private:
    QPainter* painter_;
};

} // namespace host
