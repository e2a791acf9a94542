#pragma once
// The host's search window: a modal list of a dataset's rows showing its visible fields under
// their display labels, with incremental search, or a tree of the rows by level for tree
// searches. Typed letters look in the name column (a field named NM... or DS...), typed
// digits in the code or number column (CD..., NR...; punctuation of the shown code ignored);
// a click on a title makes that column the one searched. Text that matches nothing leaves no
// row selected, so Enter picks nothing. Picking a row positions the dataset on it. Shown
// through the dialogs seam, so tests pick rows from code.

#include <host/forms/Form.h>

#include <dataset/ClientDataSet.h>

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
    // (letter case ignored), else the first that holds it, becomes the selected one. Returns
    // false, with no row selected, when none matches.
    bool Search(const QString& text);
    // The column the incremental search looks at, whatever is typed (a click on a title
    // chooses it); -1 goes back to choosing by what is typed.
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
    // The columns searched for the text, in order.
    QList<int> columnsFor(const QString& text) const;
    int findRow(int column, const QString& text) const;

    int searchColumn_ = -1; // -1: by what is typed
    int nameColumn_ = -1;
    int codeColumn_ = 0;
};

// Runs the window over a dataset; true when the user picked a row (the dataset is then on it).
bool RunSearchWindow(dataset::ClientDataSet* dataSet, const QString& title,
                     const QString& note = QString(), const TreeFields* tree = nullptr);

} // namespace host
