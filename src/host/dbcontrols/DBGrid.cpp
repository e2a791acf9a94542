#include <host/dbcontrols/DBGrid.h>
#include <host/dbcontrols/GridLines.h>

#include <dataset/DataSource.h>
#include <host/controls/CachedScrollBar.h>
#include <host/core/EventBoundary.h>
#include <host/core/VirtualKeys.h>
#include <host/dbcontrols/DBGridModel.h>
#include <host/forms/Form.h>

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace host {

using dataset::DataSetState;

// --- TColumn

void TColumn::SetFieldName(const QString& name) {
    fieldName_ = name;
    grid_->columnsChanged();
}

dataset::Field* TColumn::Field() const {
    dataset::DataSource* source = grid_->DataSource();
    if (!source || !source->dataSet())
        return nullptr;
    return source->dataSet()->findField(fieldName_);
}

int TColumn::Index() const {
    for (int i = 0; i < grid_->ColumnCount(); ++i)
        if (grid_->Columns(i) == this)
            return i;
    return -1;
}

void TColumn::SetWidth(int width) {
    width_ = width;
    grid_->columnsChanged();
}

QString TColumn::TitleCaption() const {
    if (!title_.isEmpty())
        return title_;
    dataset::Field* f = Field();
    return f ? f->displayLabel() : fieldName_;
}

void TColumn::SetTitleCaption(const QString& caption) {
    title_ = caption;
    grid_->columnsChanged();
}

void TColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    alignmentSet_ = true;
    grid_->columnsChanged();
}

void TColumn::SetButtonStyle(TColumnButtonStyle style) {
    if (style == buttonStyle_)
        return;
    buttonStyle_ = style;
    grid_->buttonStyleChanged(this);
}

void TColumn::SetVisible(bool on) {
    visible_ = on;
    grid_->columnsChanged();
}

// --- TDBGrid

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), TControl(this), model_(new DBGridModel(this)),
      delegate_(new DBGridDelegate(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setVerticalScrollBar(new CachedScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new CachedScrollBar(Qt::Horizontal, this));
    setFocusPolicy(Qt::StrongFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked);
    setTabKeyNavigation(true);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setGridStyle(Qt::NoPen); // the grid draws its lines itself (paintEvent)
    connect(model_, &DBGridModel::synced, this, [this] { syncToDataSet(); });
    connect(this, &QTableView::clicked, this, [this] {
        if (OnCellClick)
            Guard([this] { OnCellClick(this); });
    });
    applyOptions();
}

// Qt's table view strokes its grid lines pixel by pixel; the grid fills them instead, at the
// same pixels, having asked Qt for lines of no pen. Right to left, Qt draws them (no spans are
// ever set on the grid, the other case its lines would not know).
void TDBGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!showGrid() || gridStyle() != Qt::NoPen)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor color = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const bool leftTop =
        style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this);
    QPainter painter(viewport());
    paintGridLines(painter, *this, event->region(), color, leftTop);
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        setGridStyle(isLeftToRight() ? Qt::NoPen : Qt::SolidLine);
}

TDBGrid::~TDBGrid() {
    if (DataSource())
        DataSource()->removeEditor(this);
}

void TDBGrid::SetDataSource(dataset::DataSource* source) {
    if (DataSource())
        DataSource()->removeEditor(this);
    model_->setSource(source);
    if (source)
        source->addEditor(this, [this] { WritePendingText(); });
    columnsChanged();
}

dataset::DataSource* TDBGrid::DataSource() const {
    return model_->source();
}

TColumn* TDBGrid::AddColumn(const QString& fieldName, int width, const QString& title) {
    columns_.push_back(std::make_unique<TColumn>(this));
    TColumn* c = columns_.back().get();
    quiet_ = true;
    c->SetFieldName(fieldName);
    c->SetWidth(width);
    if (!title.isEmpty())
        c->SetTitleCaption(title);
    quiet_ = false;
    columnsChanged();
    return c;
}

int TDBGrid::ColumnCount() const {
    return static_cast<int>(columns_.empty() ? defaultColumns_.size() : columns_.size());
}

TColumn* TDBGrid::Columns(int index) const {
    const auto& list = columns_.empty() ? defaultColumns_ : columns_;
    if (index < 0 || index >= static_cast<int>(list.size()))
        return nullptr;
    return list[static_cast<size_t>(index)].get();
}

TColumn* TDBGrid::columnAt(int viewColumn) const {
    return Columns(viewColumn);
}

void TDBGrid::columnsChanged() {
    if (quiet_)
        return;
    if (columns_.empty()) {
        // Without columns of its own the grid shows every visible field.
        defaultColumns_.clear();
        dataset::DataSource* source = DataSource();
        if (source && source->dataSet())
            for (dataset::Field* f : source->dataSet()->fields())
                if (f->visible()) {
                    defaultColumns_.push_back(std::make_unique<TColumn>(this));
                    TColumn* c = defaultColumns_.back().get();
                    c->fieldName_ = f->fieldName();
                    c->width_ = qMax(40, f->displayWidth() * fontMetrics().averageCharWidth() + 6);
                }
    }
    std::vector<ColumnShape> shape;
    shape.reserve(static_cast<size_t>(ColumnCount()));
    for (int i = 0; i < ColumnCount(); ++i) {
        const TColumn* c = Columns(i);
        shape.push_back({c->FieldName(), c->Width(), c->Visible(), c->TitleCaption()});
    }
    const bool sameColumns =
        std::equal(shape.cbegin(), shape.cend(), laidOut_.cbegin(), laidOut_.cend(),
                   [](const ColumnShape& a, const ColumnShape& b) { return a.sameLayout(b); });
    if (sameColumns && !editor_ && model_->rowCount() == model_->dataSetRows()) {
        // The same columns over the same rows (a field's mask, format or caption changed):
        // the texts are shown again; a reset would lay the whole view out anew.
        const bool sameTitles = std::equal(
            shape.cbegin(), shape.cend(), laidOut_.cbegin(),
            [](const ColumnShape& a, const ColumnShape& b) { return a.title == b.title; });
        model_->refreshTexts(!sameTitles);
    } else {
        model_->reset();
        for (int i = 0; i < ColumnCount(); ++i) {
            setColumnWidth(i, Columns(i)->Width());
            setColumnHidden(i, !Columns(i)->Visible());
        }
    }
    laidOut_ = std::move(shape);
    syncToDataSet();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    options_ = options;
    applyOptions();
}

void TDBGrid::applyOptions() {
    horizontalHeader()->setVisible(options_ & dgTitles);
    verticalHeader()->setVisible(options_ & dgIndicator);
    horizontalHeader()->setSectionResizeMode((options_ & dgColumnResize) ? QHeaderView::Interactive
                                                                         : QHeaderView::Fixed);
    setShowGrid(options_ & (dgColLines | dgRowLines));
    setSelectionBehavior((options_ & dgRowSelect) ? QAbstractItemView::SelectRows
                                                  : QAbstractItemView::SelectItems);
}

int TDBGrid::SelectedIndex() const {
    return selectedColumn_;
}

void TDBGrid::SetSelectedIndex(int index) {
    if (index < 0 || index >= ColumnCount())
        return;
    selectedColumn_ = index;
    dataset::DataSource* source = DataSource();
    const int row = source && source->dataSet() ? source->dataSet()->currentRow() : -1;
    setCurrentQuietly(row, index);
}

dataset::Field* TDBGrid::SelectedField() const {
    TColumn* c = SelectedColumn();
    return c ? c->Field() : nullptr;
}

TColumn* TDBGrid::SelectedColumn() const {
    return Columns(selectedColumn_);
}

bool TDBGrid::EditorMode() const {
    return editor_ != nullptr;
}

void TDBGrid::SetEditorMode(bool on) {
    if (on == EditorMode())
        return;
    if (on) // opening the editor edits nothing yet: typing in it does
        edit(currentIndex(), QAbstractItemView::AllEditTriggers, nullptr);
    else
        CommitEditor();
}

QString TDBGrid::EditorText() const {
    return editor_ ? DBGridDelegate::editorText(editor_) : QString();
}

int TDBGrid::EditorColumn() const {
    return editor_ ? currentIndex().column() : -1;
}

// An editor open in the column shows or hides its button at once.
void TDBGrid::buttonStyleChanged(TColumn* column) {
    if (auto* edit = qobject_cast<EllipsisEdit*>(editor_.data());
        edit && EditorColumn() == column->Index())
        edit->setButtonVisible(column->ButtonStyle() == TColumnButtonStyle::cbsEllipsis);
}

bool TDBGrid::canEditColumn(int column) const {
    if (!(options_ & dgEditing) || readOnly_)
        return false;
    TColumn* c = Columns(column);
    dataset::Field* f = c ? c->Field() : nullptr;
    return f && !c->ReadOnly() && !f->readOnly() && !f->isCalculated();
}

void TDBGrid::WritePendingText() {
    if (editor_)
        delegate_->writeEditor(editor_, currentIndex().column());
}

void TDBGrid::CommitEditor() {
    if (!editor_)
        return;
    QPointer<QWidget> editor = editor_;
    WritePendingText();
    if (editor)
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    editor_ = nullptr;
    editorKeySeen = false;
}

void TDBGrid::setCurrentQuietly(int row, int column) {
    const bool was = quiet_;
    quiet_ = true;
    if (row >= 0 && row < model_->rowCount() && column >= 0 && column < ColumnCount())
        setCurrentIndex(model_->index(row, column));
    quiet_ = was;
}

void TDBGrid::syncToDataSet() {
    dataset::DataSource* source = DataSource();
    if (!source || !source->dataSet())
        return;
    // A grid hidden in its window (a page not shown) follows the cursor when it is shown
    // again: moving its current cell would lay out a view nobody sees, on every move.
    if (!isVisibleTo(window()) && !hasFocus()) {
        syncPending_ = true;
        return;
    }
    syncPending_ = false;
    if (selectedColumn_ >= ColumnCount())
        selectedColumn_ = 0;
    const int row = source->dataSet()->currentRow();
    if (row >= 0 && (currentIndex().row() != row || currentIndex().column() != selectedColumn_))
        setCurrentQuietly(row, selectedColumn_);
}

bool TDBGrid::moveToRow(int row) {
    dataset::DataSource* source = DataSource();
    if (!source || !source->dataSet())
        return false;
    const int delta = row - source->dataSet()->currentRow();
    return delta == 0 || Guard([&] { source->dataSet()->moveBy(delta); });
}

bool TDBGrid::startEditing() {
    dataset::DataSource* source = DataSource();
    if (!source || !source->dataSet())
        return false;
    const DataSetState state = source->dataSet()->state();
    if (state == DataSetState::Edit || state == DataSetState::Insert)
        return true;
    bool ok = false;
    Guard([&] { ok = source->edit(); });
    return ok;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    dataset::DataSource* source = DataSource();
    if (!quiet_ && editor_ && previous.isValid() && source && source->dataSet() &&
        !Guard([this] { WritePendingText(); })) {
        // The field refused the text typed (not a number, say): the editor stays open on its
        // cell with that text, and the move does not happen.
        setCurrentQuietly(previous.row(), previous.column());
        return;
    }
    QTableView::currentChanged(current, previous);
    if (quiet_ || !current.isValid())
        return;
    if (!source || !source->dataSet())
        return;
    if (current.row() != source->dataSet()->currentRow() &&
        (!rowMoves_ || !moveToRow(current.row()))) {
        setCurrentQuietly(source->dataSet()->currentRow(), selectedColumn_);
        return;
    }
    if (current.column() != selectedColumn_) {
        // The column being left may refuse the move.
        const bool left = Guard([this] {
            if (OnColExit)
                OnColExit(this);
        });
        if (!left) {
            setCurrentQuietly(source->dataSet()->currentRow(), selectedColumn_);
            return;
        }
        selectedColumn_ = current.column();
        syncToDataSet(); // a post on the way may have reloaded the rows
        Guard([this] {
            if (OnColEnter)
                OnColEnter(this);
        });
    }
}

QString TDBGrid::RowMark(int row) const {
    QString note;
    if (OnRowMark)
        Guard([&] { note = OnRowMark(row); });
    return note;
}

void TDBGrid::RefreshMarks() {
    model_->refreshTexts(false);
}

// Whether the record could be put into edit by a change typed in a cell.
bool TDBGrid::canStartEditing() const {
    dataset::DataSource* source = DataSource();
    if (!source || !source->dataSet() || !source->dataSet()->active())
        return false;
    const DataSetState state = source->dataSet()->state();
    return state == DataSetState::Edit || state == DataSetState::Insert ||
           (state == DataSetState::Browse && source->autoEdit());
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool user =
        trigger & (QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                   QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    if (user) {
        if (!index.isValid() || !canEditColumn(index.column()) || !canStartEditing())
            return false;
    }
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::editorOpened(QWidget* editor) {
    editor_ = editor;
    const auto changed = [this, editor] { editorChanged(editor); };
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        connect(combo, &QComboBox::activated, this, changed);
        if (combo->lineEdit())
            connect(combo->lineEdit(), &QLineEdit::textEdited, this, changed);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        connect(line, &QLineEdit::textEdited, this, changed);
    }
}

// The first change in an open cell editor puts the record into edit; a record that refuses
// gets its text back in the editor. The edit repaints the row, which would show the field's
// text in the editor again: what was typed is put back.
void TDBGrid::editorChanged(QWidget* editor) {
    if (editor != editor_ || startEditingFrom(editor))
        return;
    delegate_->setEditorData(editor, currentIndex());
}

bool TDBGrid::startEditingFrom(QWidget* editor) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        line = combo->lineEdit();
    if (!line)
        return startEditing();
    const QString typed = line->text();
    const int cursor = line->cursorPosition();
    const bool started = startEditing();
    if (started && editor_ == editor && line->text() != typed) {
        line->setText(typed);
        line->setCursorPosition(cursor);
    }
    return started;
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    editor_ = nullptr;
    editorKeySeen = false;
    if (hint == QAbstractItemDelegate::EditNextItem)
        focusNextPrevChild(true);
    else if (hint == QAbstractItemDelegate::EditPreviousItem)
        focusNextPrevChild(false);
}

bool TDBGrid::runKeyDown(QKeyEvent* event) {
    if (!OnKeyDown)
        return false;
    int key = virtualKeyOf(*event);
    if (key == 0)
        return false;
    Guard([&] { OnKeyDown(this, key, event->modifiers()); });
    if (key == 0) {
        event->accept();
        return true;
    }
    return false;
}

void TDBGrid::editButtonClicked() {
    Guard([this] {
        if (OnEditButtonClick)
            OnEditButtonClick(this);
    });
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    const bool seen = editorKeySeen && editor_;
    editorKeySeen = false;
    if (!seen && runKeyDown(event))
        return;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        // Leaving the cell writes its text first; a text the field refuses keeps it there.
        if (editor_ && !Guard([this] { WritePendingText(); })) {
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    dataset::DataSource* source = DataSource();
    dataset::ClientDataSet* ds = source ? source->dataSet() : nullptr;
    const bool editable = (options_ & dgEditing) && !readOnly_ && rowMoves_ && ds && ds->active();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Down:
        if (editable && mods == Qt::NoModifier && ds->currentRow() >= ds->rowCount() - 1) {
            // Down on the last row appends, unless that row is a new one still untouched.
            if (!(ds->state() == DataSetState::Insert && !ds->modified())) {
                CommitEditor();
                Guard([&] { ds->append(); });
            }
            event->accept();
            return;
        }
        break;
    case Qt::Key_Insert:
        if (editable && mods == Qt::NoModifier) {
            CommitEditor();
            Guard([&] { ds->insert(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (editable && mods == Qt::ControlModifier && !ds->isEmpty()) {
            CommitEditor();
            Guard([&] { ds->remove(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        // Only a grid that edits the record may drop its edit: a list that shows the record
        // being typed elsewhere leaves it alone.
        if (!editor_ && editable &&
            (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert)) {
            Guard([&] { ds->cancel(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Ctrl+Enter on a cell whose column has a button presses it, as in the editor.
        if (!editor_ && mods == Qt::ControlModifier && canEditColumn(currentIndex().column())) {
            if (TColumn* c = Columns(currentIndex().column());
                c && c->ButtonStyle() == TColumnButtonStyle::cbsEllipsis) {
                editButtonClicked();
                event->accept();
                return;
            }
        }
        // As F2: Enter on a cell opens its editor (in the editor it writes and closes it).
        if (!editor_ && mods == Qt::NoModifier && canEditColumn(currentIndex().column())) {
            SetEditorMode(true);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
        event->accept();
        return;
    case Qt::Key_F4:
        // F4 presses the cell's button, as beside an edit.
        if (!editor_ && mods == Qt::NoModifier && canEditColumn(currentIndex().column())) {
            if (TColumn* c = Columns(currentIndex().column());
                c && c->ButtonStyle() == TColumnButtonStyle::cbsEllipsis) {
                editButtonClicked();
                event->accept();
                return;
            }
        }
        break;
    default:
        break;
    }
    // A key that opens the cell editor is handed on to it: its key-down has run already.
    QKeyEvent* const outer = keyInGrid;
    keyInGrid = event;
    QTableView::keyPressEvent(event);
    keyInGrid = outer;
}

bool TDBGrid::focusNextPrevChild(bool next) {
    const int rows = model_->rowCount();
    const int cols = ColumnCount();
    TForm* form = ParentForm();
    if ((options_ & dgTabs) && rows > 0 && cols > 0) {
        // In a grid that edits, Tab goes from one cell that can be edited to the next.
        bool onlyEditable = false;
        for (int c = 0; c < cols && !onlyEditable; ++c)
            onlyEditable = !isColumnHidden(c) && canEditColumn(c);
        QModelIndex cur = currentIndex();
        int row = cur.isValid() ? cur.row() : 0;
        int col = cur.isValid() ? cur.column() : selectedColumn_;
        for (int step = 0; step < cols * 2; ++step) {
            col += next ? 1 : -1;
            if (col >= cols) {
                col = 0;
                ++row;
            } else if (col < 0) {
                col = cols - 1;
                --row;
            }
            if (row < 0 || row >= rows)
                break; // past the first or the last cell: the focus leaves the grid
            if (!isColumnHidden(col) && (!onlyEditable || canEditColumn(col))) {
                setCurrentIndex(model_->index(row, col));
                return true;
            }
        }
    }
    if (form)
        Guard([&] { form->SelectNext(this, next, true); });
    return true;
}

void TDBGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (syncPending_)
        syncToDataSet();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (OnDblClick)
        Guard([this] { OnDblClick(this); });
}

void TDBGrid::DoExit() {
    // Typed text reaches the field before the exit handler runs.
    CommitEditor();
    dataset::DataSource* source = DataSource();
    dataset::ClientDataSet* ds = source ? source->dataSet() : nullptr;
    if ((options_ & dgCancelOnExit) && ds && ds->state() == DataSetState::Insert && !ds->modified())
        ds->cancel();
    TControl::DoExit();
}

} // namespace host
