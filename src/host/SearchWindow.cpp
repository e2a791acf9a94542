#include "SearchWindow.h"

#include "Field.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

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

bool TfrmSearchWindow::Search(const QString& text) {
    if (text.isEmpty())
        return true;
    if (table_) {
        for (int r = 0; r < table_->rowCount(); ++r) {
            QTableWidgetItem* item = table_->item(r, searchColumn_);
            if (item && item->text().startsWith(text, Qt::CaseInsensitive)) {
                SelectRow(r);
                return true;
            }
        }
        return false;
    }
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->text(0).startsWith(text, Qt::CaseInsensitive) ||
            (*it)->text(1).startsWith(text, Qt::CaseInsensitive)) {
            tree_->setCurrentItem(*it);
            return true;
        }
    return false;
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
