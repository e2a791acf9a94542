#pragma once
// The host's search window: a modal list of a dataset's rows showing its visible fields under
// their display labels, with incremental search on the chosen column (click a title to
// choose it), or a tree of the rows by level for tree searches. Picking a row positions the
// dataset on it. Shown through the dialogs seam, so tests pick rows from code.

#include "Form.h"

#include "ClientDataSet.h"

class QLineEdit;
class QTableWidget;
class QTreeWidget;
class QLabel;

namespace host {

struct TreeFields {
    QString level; // a row's level in the tree (1 = top)
    QString code;
    QString name;
};

class TfrmSearchWindow : public TForm {
    Q_OBJECT
public:
    // A flat list of the dataset's rows, or a tree when tree fields are given.
    TfrmSearchWindow(dataset::ClientDataSet* dataSet, const QString& title,
                     const QString& note = QString(), const TreeFields* tree = nullptr);

    int RowCount() const;
    // Types into the incremental search: the first row whose column starts with the text
    // (letter case ignored) becomes the selected one. Returns false when none matches.
    bool Search(const QString& text);
    // The column the incremental search looks at (a click on a title chooses it).
    void SetSearchColumn(int column) { searchColumn_ = column; }
    void SelectRow(int row);
    int SelectedRow() const;
    // Picks the selected row and closes the window with mrOk.
    void Pick();
    QStringList Titles() const;
    QString CellText(int row, int column) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    dataset::ClientDataSet* dataSet_;
    QList<int> fieldIndexes_;
    QLineEdit* search_ = nullptr;
    QTableWidget* table_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    int searchColumn_ = 0;
};

// Runs the window over a dataset; true when the user picked a row (the dataset is then on it).
bool RunSearchWindow(dataset::ClientDataSet* dataSet, const QString& title,
                     const QString& note = QString(), const TreeFields* tree = nullptr);

} // namespace host
