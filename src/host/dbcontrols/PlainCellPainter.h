#pragma once
// Painting a grid's plain text cell as the style paints an item view's item (the ground, the
// text aligned and elided in its margins, the focus frame), with the text laid out once and
// kept: the style lays the text out twice on every painting of every cell.

#include <QModelIndex>
#include <QStyleOptionViewItem>

class QPainter;

namespace host {

// Paints the cell and returns true; false, painting nothing, for a cell that is not plain text
// (an icon, a check box, a font or colour of its own, an open editor) or a style whose item
// painting is not the common one (a style sheet, a proxy), left to the style itself.
bool paintPlainCell(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index);

} // namespace host
