#pragma once
// TDBGrid: the data-aware grid. Columns with field, width, title, alignment, read-only, pick
// list and ellipsis button; in-place editing (typing starts editing the record; the text
// still being typed is readable); column enter and exit handlers, an exit that raises refuses
// the move; key-down handler before the grid's own keys; cell painting after the default
// painting; Down on the last row appends, Insert inserts, Ctrl+Delete deletes with no question
// of its own; titles and lines; Tab moves between cells (in a grid that edits, between the cells
// that can be edited); F4 or Ctrl+Enter presses a cell's button; no row indicator; fixed column
// widths.

#include <host/controls/Graphics.h>
#include <host/core/HostTypes.h>
#include <host/forms/Control.h>

#include <QPointer>
#include <QTableView>

#include <memory>
#include <vector>

#include <dataset/DataSource.h>

namespace host {

class TDBGrid;
class DBGridModel;
class DBGridDelegate;

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

class TColumn {
public:
    explicit TColumn(TDBGrid* grid) : grid_(grid) {}

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    dataset::Field* Field() const;
    int Index() const;
    int Width() const { return width_; }
    void SetWidth(int width);
    QString TitleCaption() const;
    void SetTitleCaption(const QString& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AlignmentSet() const { return alignmentSet_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    QStringList PickList() const { return pickList_; }
    void SetPickList(const QStringList& items) { pickList_ = items; }
    TColumnButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyle style);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);

private:
    friend class TDBGrid;
    TDBGrid* grid_;
    QString fieldName_;
    int width_ = 64;
    QString title_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool alignmentSet_ = false;
    bool readOnly_ = false;
    QStringList pickList_;
    TColumnButtonStyle buttonStyle_ = TColumnButtonStyle::cbsAuto;
    bool visible_ = true;
};

enum TDBGridOption {
    dgEditing = 1,
    dgAlwaysShowEditor = 2,
    dgTitles = 4,
    dgIndicator = 8,
    dgColumnResize = 16,
    dgColLines = 32,
    dgRowLines = 64,
    dgTabs = 128,
    dgRowSelect = 256,
    dgAlwaysShowSelection = 512,
    dgConfirmDelete = 1024,
    dgCancelOnExit = 2048,
};
using TDBGridOptions = int;

enum TGridDrawStateFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = int;

using TDrawColumnCellEvent = std::function<void(QObject* Sender, const QRect& Rect, int DataCol,
                                                TColumn* Column, TGridDrawState State)>;

class TDBGrid : public QTableView, public TControl {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent);
    ~TDBGrid() override;

    void SetDataSource(dataset::DataSource* source);
    dataset::DataSource* DataSource() const;

    // Columns, in display order. Without any, the grid shows every visible field.
    TColumn* AddColumn(const QString& fieldName, int width, const QString& title);
    int ColumnCount() const;
    TColumn* Columns(int index) const;

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool ReadOnly() const { return readOnly_; }
    // While off, the user's keys and clicks leave the dataset's cursor on its row (no move,
    // no row added or removed); moves made by code are followed as always.
    void SetRowMovesEnabled(bool on) { rowMoves_ = on; }
    bool RowMovesEnabled() const { return rowMoves_; }

    // The selected column (its index among the columns) and its field.
    int SelectedIndex() const;
    // Selects a column from code (no column enter or exit handlers run).
    void SetSelectedIndex(int index);
    dataset::Field* SelectedField() const;
    TColumn* SelectedColumn() const;

    // Whether the cell editor is open. Opening it changes nothing: the first change typed or
    // picked in it starts editing the record.
    bool EditorMode() const;
    void SetEditorMode(bool on);
    // The text of the open cell editor (the value still being typed); empty when closed.
    QString EditorText() const;
    int EditorColumn() const;

    // Canvas of the cell being painted and its row in the dataset (valid inside
    // OnDrawColumnCell; the dataset's cursor stays where it is).
    TCanvas* Canvas() const { return canvas_; }
    int DrawingRow() const { return drawingRow_; }

    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TNotifyEvent OnEditButtonClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnCellClick;
    TKeyEvent OnKeyDown;
    TDrawColumnCellEvent OnDrawColumnCell;
    // The note of a marked row of the dataset (empty: not marked). A marked row is painted on
    // a light red ground and carries the note as its tip and accessible description.
    std::function<QString(int row)> OnRowMark;
    QString RowMark(int row) const;
    // The marks were changed: the rows are painted again.
    void RefreshMarks();

    // Used by the grid's model and delegate.
    void columnsChanged();
    TColumn* columnAt(int viewColumn) const;
    bool runKeyDown(QKeyEvent* event); // true: consumed by the handler
    void editButtonClicked();
    void setCanvas(TCanvas* canvas, int row) {
        canvas_ = canvas;
        drawingRow_ = row;
    }
    void buttonStyleChanged(TColumn* column);
    void editorOpened(QWidget* editor);
    bool canEditColumn(int column) const;
    bool editorKeySeen = false;     // the key-down handler already ran for the key in the editor
    QKeyEvent* keyInGrid = nullptr; // the grid's own key, forwarded to a new cell editor

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

public:
    void DoExit() override;
    // Writes the text of the open cell editor to its field (the editor stays open).
    void WritePendingText();
    // Writes and closes the cell editor.
    void CommitEditor();

private:
    void syncToDataSet();
    void applyOptions();
    void setCurrentQuietly(int row, int column);
    bool moveToRow(int row);
    bool startEditing();
    bool canStartEditing() const;
    void editorChanged(QWidget* editor);
    bool startEditingFrom(QWidget* editor);

    DBGridModel* model_;
    DBGridDelegate* delegate_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    std::vector<std::unique_ptr<TColumn>> defaultColumns_;
    TDBGridOptions options_ =
        dgEditing | dgTitles | dgColLines | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
    bool readOnly_ = false;
    bool rowMoves_ = true;
    int selectedColumn_ = 0;
    bool quiet_ = false;
    bool syncPending_ = false; // hidden while the cursor moved: follow it when shown
    // The columns as the view last laid them out.
    struct ColumnShape {
        QString field;
        int width = 0;
        bool visible = true;
        QString title;
        bool sameLayout(const ColumnShape& other) const {
            return field == other.field && width == other.width && visible == other.visible;
        }
    };
    std::vector<ColumnShape> laidOut_;
    TCanvas* canvas_ = nullptr;
    int drawingRow_ = -1;
    QPointer<QWidget> editor_;

    friend class DBGridModel;
};

} // namespace host
