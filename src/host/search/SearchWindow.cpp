#include <host/search/SearchWindow.h>

#include <dataset/Field.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace host {

TfrmSearchWindow::TfrmSearchWindow(dataset::ClientDataSet* dataSet, const QString& title,
                                   const QString& note, const TreeFields* tree)
    : dataSet_(dataSet) {
    setObjectName(QStringLiteral("frmPesquisa"));
    SetCaption(title.isEmpty() ? QStringLiteral("Pesquisa") : title);
    resize(520, 360);
    auto* layout = new QVBoxLayout(this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("edtPesquisa"));
    search_->setPlaceholderText(QStringLiteral("Digite para localizar"));
    layout->addWidget(search_);

    const int rows = dataSet->active() ? dataSet->rowCount() : 0;
    if (tree) {
        tree_ = new QTreeWidget(this);
        tree_->setColumnCount(2);
        const dataset::Field* code = dataSet->fieldByName(tree->code);
        const dataset::Field* name = dataSet->fieldByName(tree->name);
        const dataset::Field* level = dataSet->fieldByName(tree->level);
        tree_->setHeaderLabels({code->displayLabel(), name->displayLabel()});
        fieldIndexes_ = {code->index(), name->index()};
        QList<QTreeWidgetItem*> parents; // the last item of each level
        for (int r = 0; r < rows; ++r) {
            const int lv = qMax(1, dataSet->valueAt(r, level->index()).toString().toInt());
            while (parents.size() >= lv)
                parents.removeLast();
            auto* item = parents.isEmpty() ? new QTreeWidgetItem(tree_)
                                           : new QTreeWidgetItem(parents.last());
            item->setText(0, dataSet->displayTextAt(r, code->index()));
            item->setText(1, dataSet->displayTextAt(r, name->index()));
            item->setData(0, Qt::UserRole, r);
            while (parents.size() < lv - 1)
                parents.append(item); // a gap in the levels: hang the row where it fits
            parents.append(item);
        }
        tree_->expandAll();
        tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { Pick(); });
        layout->addWidget(tree_);
    } else {
        for (const dataset::Field* f : dataSet->fields())
            if (f->visible())
                fieldIndexes_.append(f->index());
        for (int c = 0; c < fieldIndexes_.size(); ++c) {
            const QString name = dataSet->field(fieldIndexes_[c])->fieldName().toUpper();
            if (nameColumn_ < 0 &&
                (name.startsWith(QLatin1String("NM")) || name.startsWith(QLatin1String("DS"))))
                nameColumn_ = c;
        }
        for (int c = fieldIndexes_.size() - 1; c >= 0; --c) {
            const QString name = dataSet->field(fieldIndexes_[c])->fieldName().toUpper();
            if (name.startsWith(QLatin1String("CD")) || name.startsWith(QLatin1String("NR")))
                codeColumn_ = c;
        }
        table_ = new QTableWidget(rows, static_cast<int>(fieldIndexes_.size()), this);
        QStringList titles;
        for (int fi : fieldIndexes_)
            titles.append(dataSet->field(fi)->displayLabel());
        table_->setHorizontalHeaderLabels(titles);
        table_->verticalHeader()->hide();
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        table_->setSelectionMode(QAbstractItemView::SingleSelection);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < fieldIndexes_.size(); ++c)
                table_->setItem(r, c,
                                new QTableWidgetItem(dataSet->displayTextAt(r, fieldIndexes_[c])));
        table_->resizeColumnsToContents();
        table_->horizontalHeader()->setStretchLastSection(true);
        connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
            searchColumn_ = column;
            Search(search_->text());
        });
        connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { Pick(); });
        if (rows > 0)
            table_->selectRow(qMax(0, dataSet->currentRow()));
        layout->addWidget(table_);
    }
    if (!note.isEmpty()) {
        auto* label = new QLabel(note, this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { Pick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) { Search(text); });
    search_->setFocus();
}

int TfrmSearchWindow::RowCount() const {
    return table_ ? table_->rowCount() : dataSet_->rowCount();
}

QStringList TfrmSearchWindow::Titles() const {
    QStringList out;
    if (table_)
        for (int c = 0; c < table_->columnCount(); ++c)
            out.append(table_->horizontalHeaderItem(c)->text());
    else if (tree_)
        for (int c = 0; c < tree_->columnCount(); ++c)
            out.append(tree_->headerItem()->text(c));
    return out;
}

QString TfrmSearchWindow::CellText(int row, int column) const {
    if (row < 0 || column < 0 || column >= fieldIndexes_.size())
        return QString();
    return dataSet_->displayTextAt(row, fieldIndexes_[column]);
}

namespace {

bool hasLetter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// Letters and digits only: a code shown with its picture ("12.345.678/0001-95", "1.01.001")
// is found by what the user types of it.
QString bare(const QString& text) {
    QString out;
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

// 2: the cell starts with the text; 1: holds it; 0: neither.
int matchOf(const QString& cell, const QString& text, bool code) {
    if (cell.startsWith(text, Qt::CaseInsensitive))
        return 2;
    if (code) {
        const QString typed = bare(text);
        if (!typed.isEmpty() && bare(cell).startsWith(typed, Qt::CaseInsensitive))
            return 2;
    }
    return cell.contains(text, Qt::CaseInsensitive) ? 1 : 0;
}

} // namespace

QList<int> TfrmSearchWindow::columnsFor(const QString& text) const {
    if (searchColumn_ >= 0)
        return {searchColumn_};
    QList<int> columns;
    // A name is letters; a code or a number is digits, though an alphanumeric CNPJ has
    // letters too: such text looks in the names first, then in the codes.
    if (hasLetter(text) && nameColumn_ >= 0)
        columns << nameColumn_;
    columns << codeColumn_;
    if (!columns.contains(nameColumn_) && nameColumn_ >= 0)
        columns << nameColumn_;
    return columns;
}

int TfrmSearchWindow::findRow(int column, const QString& text) const {
    const bool code = column == codeColumn_;
    int contained = -1;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const QTableWidgetItem* item = table_->item(r, column);
        const int match = item ? matchOf(item->text(), text, code) : 0;
        if (match == 2)
            return r;
        if (match == 1 && contained < 0)
            contained = r;
    }
    return contained;
}

bool TfrmSearchWindow::Search(const QString& text) {
    if (text.isEmpty())
        return true;
    if (table_) {
        for (int column : columnsFor(text)) {
            const int row = findRow(column, text);
            if (row >= 0) {
                SelectRow(row);
                return true;
            }
        }
        table_->clearSelection();
        table_->setCurrentCell(-1, -1);
        return false;
    }
    QTreeWidgetItem* contained = nullptr;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const int match =
            std::max(matchOf((*it)->text(0), text, true), matchOf((*it)->text(1), text, false));
        if (match == 2) {
            tree_->setCurrentItem(*it);
            return true;
        }
        if (match == 1 && !contained)
            contained = *it;
    }
    tree_->setCurrentItem(contained);
    return contained != nullptr;
}

void TfrmSearchWindow::SelectRow(int row) {
    if (table_) {
        table_->selectRow(row);
        table_->scrollToItem(table_->item(row, 0));
        return;
    }
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == row) {
            tree_->setCurrentItem(*it);
            return;
        }
}

int TfrmSearchWindow::SelectedRow() const {
    if (table_)
        return table_->currentRow();
    QTreeWidgetItem* item = tree_->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TfrmSearchWindow::Pick() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const int delta = row - dataSet_->currentRow();
    if (delta != 0)
        dataSet_->moveBy(delta);
    SetModalResult(mrOk);
}

void TfrmSearchWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Pick();
        return;
    case Qt::Key_Escape:
        SetModalResult(mrCancel);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int row = SelectedRow() + (event->key() == Qt::Key_Down ? 1 : -1);
        if (row >= 0 && row < RowCount())
            SelectRow(row);
        return;
    }
    default:
        TForm::keyPressEvent(event);
    }
}

bool RunSearchWindow(dataset::ClientDataSet* dataSet, const QString& title, const QString& note,
                     const TreeFields* tree) {
    TfrmSearchWindow window(dataSet, title, note, tree);
    return window.ShowModal() == mrOk;
}

} // namespace host
