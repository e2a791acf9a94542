#include <host/dbcontrols/GridText.h>

#include <host/dbcontrols/DBGrid.h>

namespace Consiste {

int IndiceCol(host::TDBGrid* grid, const QString& fieldName) {
    for (int i = 0; i < grid->ColumnCount(); ++i)
        if (grid->Columns(i)->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString GridText(host::TDBGrid* grid, const QString& fieldName, bool displayText) {
    const int column = IndiceCol(grid, fieldName);
    dataset::DataSource* source = grid->DataSource();
    // The open editor holds the text of its own row only: code may have moved the cursor
    // while the grid does not follow it (display suspended).
    if (column >= 0 && grid->EditorMode() && grid->EditorColumn() == column && source &&
        source->dataSet() && grid->currentIndex().row() == source->dataSet()->currentRow())
        return grid->EditorText();
    dataset::Field* field =
        source && source->dataSet() ? source->dataSet()->findField(fieldName) : nullptr;
    if (!field)
        return QString();
    return displayText ? field->displayText() : field->editText();
}

} // namespace Consiste
