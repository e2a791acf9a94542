#include "GridText.h"

#include "DBGrid.h"

namespace Consiste {

int IndiceCol(host::TDBGrid* grid, const QString& fieldName) {
    for (int i = 0; i < grid->ColumnCount(); ++i)
        if (grid->Columns(i)->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString GridText(host::TDBGrid* grid, const QString& fieldName, bool displayText) {
    const int column = IndiceCol(grid, fieldName);
    if (column >= 0 && grid->EditorMode() && grid->EditorColumn() == column)
        return grid->EditorText();
    dataset::DataSource* source = grid->DataSource();
    dataset::Field* field =
        source && source->dataSet() ? source->dataSet()->findField(fieldName) : nullptr;
    if (!field)
        return QString();
    return displayText ? field->displayText() : field->editText();
}

} // namespace Consiste
