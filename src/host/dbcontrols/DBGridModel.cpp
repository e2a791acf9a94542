#include <host/dbcontrols/DBGridModel.h>

#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/core/EventBoundary.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/dbcontrols/PlainCellPainter.h>

#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QToolButton>

namespace host {

using dataset::DataSetState;

namespace {
// The ground of a marked row.
const QColor kMarkColor(0xFF, 0xD8, 0xD8);
} // namespace

// --- DBGridModel

DBGridModel::DBGridModel(TDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

void DBGridModel::setSource(dataset::DataSource* source) {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    if (source) {
        using DS = dataset::DataSource;
        connections_ << connect(source, &DS::dataChanged, this, [this] {
            refreshRows();
        }) << connect(source, &DS::layoutChanged, this, [this] {
            grid_->columnsChanged();
        }) << connect(source, &DS::scrolled, this, [this] {
            if (dataSetRows() != rows_)
                refreshRows();
            else
                emit synced();
        }) << connect(source, &DS::stateChanged, this, [this] {
            // A new row or a dropped one changes the row count.
            if (dataSetRows() != rows_)
                refreshRows();
            else
                currentRecordChanged();
        }) << connect(source, &DS::recordChanged, this, [this](dataset::Field*) {
            currentRecordChanged();
        });
    }
    reset();
}

void DBGridModel::reset() {
    beginResetModel();
    rows_ = dataSetRows();
    endResetModel();
    emit synced();
}

void DBGridModel::refreshRows() {
    // New rows under the same columns: the rows gained or lost are inserted or removed and the
    // others repainted, so the view keeps its layout (a reset would lay it all out again).
    const int rows = dataSetRows();
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    if (rows_ > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    emit synced();
}

void DBGridModel::refreshTexts(bool titles) {
    const int columns = columnCount();
    if (columns == 0)
        return;
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columns - 1));
    if (titles)
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
}

int DBGridModel::dataSetRows() const {
    if (!source_ || !source_->dataSet() || !source_->dataSet()->active())
        return 0;
    return source_->dataSet()->rowCount();
}

void DBGridModel::currentRecordChanged() {
    if (!source_ || !source_->dataSet())
        return;
    const int row = source_->dataSet()->currentRow();
    if (row >= 0 && row < rowCount() && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

dataset::Field* DBGridModel::fieldOf(int column) const {
    TColumn* c = grid_->Columns(column);
    return c ? c->Field() : nullptr;
}

int DBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_->ColumnCount();
}

dataset::Field* DBGridModel::cellField(const QModelIndex& index) const {
    if (!index.isValid() || !source_ || !source_->dataSet())
        return nullptr;
    dataset::Field* f = fieldOf(index.column());
    return f && index.row() < dataSetRows() ? f : nullptr;
}

QVariant DBGridModel::data(const QModelIndex& index, int role) const {
    dataset::Field* f = cellField(index);
    return f ? roleData(index, f, role) : QVariant();
}

void DBGridModel::multiData(const QModelIndex& index, QModelRoleDataSpan roles) const {
    dataset::Field* f = cellField(index);
    for (QModelRoleData& data : roles)
        data.setData(f ? roleData(index, f, data.role()) : QVariant());
}

QVariant DBGridModel::roleData(const QModelIndex& index, dataset::Field* f, int role) const {
    dataset::ClientDataSet* ds = source_->dataSet();
    switch (role) {
    case Qt::DisplayRole:
        return ds->displayTextAt(index.row(), f->index());
    case Qt::EditRole:
        return index.row() == ds->currentRow() ? f->editText()
                                               : ds->displayTextAt(index.row(), f->index());
    case Qt::TextAlignmentRole: {
        TColumn* c = grid_->Columns(index.column());
        if (c && c->AlignmentSet()) {
            switch (c->Alignment()) {
            case TAlignment::taRightJustify:
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            case TAlignment::taCenter:
                return QVariant::fromValue(Qt::AlignCenter);
            case TAlignment::taLeftJustify:
                return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
            }
        }
        return QVariant::fromValue((f->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    }
    case Qt::BackgroundRole:
        return grid_->RowMark(index.row()).isEmpty() ? QVariant() : QVariant(kMarkColor);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        const QString note = grid_->RowMark(index.row());
        return note.isEmpty() ? QVariant() : QVariant(note);
    }
    default:
        return {};
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        TColumn* c = grid_->Columns(section);
        return c ? c->TitleCaption() : QVariant();
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_->canEditColumn(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

// --- EllipsisEdit

EllipsisEdit::EllipsisEdit(QWidget* parent) : QLineEdit(parent) {
    auto* button = new QToolButton(this);
    button->setText(QStringLiteral("..."));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    button->setObjectName(QStringLiteral("EditButton"));
    connect(button, &QToolButton::clicked, this, &EllipsisEdit::buttonClicked);
    button_ = button;
}

void EllipsisEdit::setButtonVisible(bool on) {
    button_->setVisible(on);
    placeButton();
}

bool EllipsisEdit::buttonVisible() const {
    return button_->isVisibleTo(this);
}

void EllipsisEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    placeButton();
}

void EllipsisEdit::placeButton() {
    const int w = qMin(height(), 18);
    button_->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, button_->isVisibleTo(this) ? w : 0, 0);
}

// --- DBGridDelegate

DBGridDelegate::DBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* DBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex& index) const {
    TColumn* column = grid_->Columns(index.column());
    dataset::Field* field = column ? column->Field() : nullptr;
    QWidget* editor = nullptr;
    if (column && !column->PickList().isEmpty()) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->addItems(column->PickList());
        // What is typed stays as typed (no completion to a pick-list entry of another case).
        combo->setCompleter(nullptr);
        editor = combo;
    } else {
        auto* line = new EllipsisEdit(parent);
        line->setButtonVisible(column && column->ButtonStyle() == TColumnButtonStyle::cbsEllipsis);
        connect(line, &EllipsisEdit::buttonClicked, grid_, [this] { grid_->editButtonClicked(); });
        if (field && !field->editMask().isEmpty())
            line->setInputMask(dataset::toQtInputMask(field->editMask()));
        if (field && field->dataType() == dataset::FieldType::String && field->size() > 0 &&
            field->editMask().isEmpty())
            line->setMaxLength(field->size());
        line->setFrame(false);
        editor = line;
    }
    grid_->editorOpened(editor);
    return editor;
}

QString DBGridDelegate::editorText(const QWidget* editor) {
    if (auto* combo = qobject_cast<const QComboBox*>(editor))
        return combo->currentText();
    if (auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    return QString();
}

void DBGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentText() != text) {
            combo->setCurrentText(text);
            // As in a plain cell, the key that opened the editor replaces the text.
            if (combo->lineEdit())
                combo->lineEdit()->selectAll();
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (line->text() != text)
            line->setText(text);
    }
}

void DBGridDelegate::writeEditor(QWidget* editor, int column) const {
    dataset::Field* field = grid_->Columns(column) ? grid_->Columns(column)->Field() : nullptr;
    if (!field || !editor)
        return;
    const QString text = field->valueFromEditText(editorText(editor));
    const DataSetState state = field->dataSet()->state();
    const QString current = field->valueFromEditText(field->editText());
    if (text == current)
        return;
    if (state != DataSetState::Edit && state != DataSetState::Insert)
        field->dataSet()->edit();
    field->setEditText(text);
}

void DBGridDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                  const QModelIndex& index) const {
    // Called by Qt's item view: what the field refuses is shown here.
    Guard([&] { writeEditor(editor, index.column()); });
}

void DBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    if (!paintPlainCell(painter, option, index))
        QStyledItemDelegate::paint(painter, option, index);
    if (!grid_->OnDrawColumnCell)
        return;
    TCanvas canvas(painter);
    const bool selected = option.state & QStyle::State_Selected;
    canvas.BrushColor = selected ? option.palette.color(QPalette::Highlight)
                        : grid_->RowMark(index.row()).isEmpty()
                            ? option.palette.color(QPalette::Base)
                            : kMarkColor;
    canvas.FontColor = selected ? option.palette.color(QPalette::HighlightedText)
                                : option.palette.color(QPalette::Text);
    TGridDrawState state = 0;
    if (selected)
        state |= gdSelected;
    if (option.state & QStyle::State_HasFocus)
        state |= gdFocused;
    painter->save();
    painter->setFont(option.font);
    grid_->setCanvas(&canvas, index.row());
    Guard([&] {
        grid_->OnDrawColumnCell(grid_, option.rect, index.column(), grid_->Columns(index.column()),
                                state);
    });
    grid_->setCanvas(nullptr, -1);
    painter->restore();
}

bool DBGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        grid_->editorKeySeen = false;
        if (key != grid_->keyInGrid && grid_->runKeyDown(key))
            return true;
        // The key may go on to the grid itself (keys the editor ignores): it has been seen.
        grid_->editorKeySeen = true;
        // Keys that leave the cell write its text first; a text the field refuses keeps the
        // editor open on it.
        switch (key->key()) {
        case Qt::Key_F4:
            // F4 presses the cell's button, as beside an edit.
            if (auto* edit = qobject_cast<EllipsisEdit*>(object);
                edit && edit->buttonVisible() &&
                (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                grid_->editButtonClicked();
                return true;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Ctrl+Enter presses the cell's button, as a click does; the editor stays open.
            if (auto* edit = qobject_cast<EllipsisEdit*>(object);
                edit && edit->buttonVisible() &&
                (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
                grid_->editButtonClicked();
                return true;
            }
            [[fallthrough]];
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (auto* editor = qobject_cast<QWidget*>(object);
                editor && !Guard([&] { writeEditor(editor, grid_->currentIndex().column()); }))
                return true;
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // A pick list moves between rows like the grid, not between its entries (Alt+Down
            // opens it).
            if (qobject_cast<QComboBox*>(object) && !(key->modifiers() & Qt::AltModifier)) {
                QCoreApplication::sendEvent(grid_, key);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace host
