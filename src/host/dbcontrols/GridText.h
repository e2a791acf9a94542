#pragma once
// Reading a data grid the way the module's checks do.

#include <QString>

namespace host {
class TDBGrid;
}

namespace Consiste {

// The text the grid holds for the field in its current row, including a value still being
// typed in the cell; with displayText false the field's edit text, else its display text.
QString GridText(host::TDBGrid* grid, const QString& fieldName, bool displayText);
// The index of the grid column bound to the field (-1 when none).
int IndiceCol(host::TDBGrid* grid, const QString& fieldName);

} // namespace Consiste
