#include <host/dbcontrols/GridLines.h>

#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace host {

// The same walk as the table view's painting: for each rectangle of the region, the bottom line
// of each row shown in it, across it, then the right line of each column, down it.
void paintGridLines(QPainter& painter, const QTableView& view, const QRegion& region,
                    const QColor& color, bool leftTopWhenHidden) {
    const QHeaderView* horizontal = view.horizontalHeader();
    const QHeaderView* vertical = view.verticalHeader();
    if (horizontal->count() == 0 || vertical->count() == 0)
        return;
    const int lastX = horizontal->length() - horizontal->offset() - 1;
    const int lastY = vertical->length() - vertical->offset() - 1;
    for (QRect dirty : region) {
        dirty.setBottom(qMin(dirty.bottom(), lastY));
        dirty.setRight(qMin(dirty.right(), lastX));
        if (!dirty.isValid())
            continue;
        int left = horizontal->visualIndexAt(dirty.left());
        int right = horizontal->visualIndexAt(dirty.right());
        if (left == -1)
            left = 0;
        if (right == -1)
            right = horizontal->count() - 1;
        int bottom = vertical->visualIndexAt(dirty.bottom());
        if (bottom == -1)
            bottom = vertical->count() - 1;
        const int top = vertical->visualIndexAt(dirty.top());
        if (top == -1 || top > bottom)
            continue;
        while (vertical->isSectionHidden(vertical->logicalIndex(bottom)))
            --bottom;
        for (int visual = top; visual <= bottom; ++visual) {
            const int row = vertical->logicalIndex(visual);
            if (vertical->isSectionHidden(row))
                continue;
            const int y = view.rowViewportPosition(row) + view.rowHeight(row) - 1;
            painter.fillRect(QRect(dirty.left(), y, dirty.width(), 1), color);
        }
        for (int visual = left; visual <= right; ++visual) {
            const int col = horizontal->logicalIndex(visual);
            if (horizontal->isSectionHidden(col))
                continue;
            const int x = view.columnViewportPosition(col) + view.columnWidth(col) - 1;
            painter.fillRect(QRect(x, dirty.top(), 1, dirty.height()), color);
        }
        if (leftTopWhenHidden && horizontal->isHidden()) {
            const int row = vertical->logicalIndex(top);
            if (!vertical->isSectionHidden(row) && view.rowViewportPosition(row) == dirty.top())
                painter.fillRect(QRect(dirty.left(), dirty.top(), dirty.width(), 1), color);
        }
        if (leftTopWhenHidden && vertical->isHidden()) {
            const int col = horizontal->logicalIndex(left);
            if (!horizontal->isSectionHidden(col) &&
                view.columnViewportPosition(col) == dirty.left())
                painter.fillRect(QRect(dirty.left(), dirty.top(), 1, dirty.height()), color);
        }
    }
}

} // namespace host
