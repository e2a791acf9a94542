#pragma once
// A table view's grid lines drawn where Qt's table view draws them, pixel for pixel, as fills
// of one pixel's width: Qt strokes each line pixel by pixel, which costs more than the cells.

#include <QColor>
#include <QRegion>

class QPainter;
class QTableView;

namespace host {

// The lines of the rows and columns in the dirty region, on the viewport of a view laid out
// left to right and without spans.
void paintGridLines(QPainter& painter, const QTableView& view, const QRegion& region,
                    const QColor& color, bool leftTopWhenHidden);

} // namespace host
