#pragma once
// The Qt item model and delegate behind TDBGrid: rows of the grid's dataset by position,
// the columns' fields, titles and alignment, and the cell editors (plain, pick list, with an
// ellipsis button, with the field's edit mask).

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

#include <dataset/DataSource.h>

namespace host {

class TDBGrid;

class DBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DBGridModel(TDBGrid* grid);
    void setSource(dataset::DataSource* source);
    dataset::DataSource* source() const { return source_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The cell's field and row are found once for all the roles asked: a painted cell asks seven.
    void multiData(const QModelIndex& index, QModelRoleDataSpan roles) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void reset();
    // The dataset's rows were replaced or changed in number; the columns are the same.
    void refreshRows();
    // Same rows and columns, their texts (and the titles, when asked) to show again.
    void refreshTexts(bool titles);
    int dataSetRows() const;
    void currentRecordChanged();
    dataset::Field* fieldOf(int column) const;

signals:
    void synced();

private:
    // The field of the cell's column, or null when the cell shows nothing.
    dataset::Field* cellField(const QModelIndex& index) const;
    QVariant roleData(const QModelIndex& index, dataset::Field* field, int role) const;

    TDBGrid* grid_;
    QPointer<dataset::DataSource> source_;
    QList<QMetaObject::Connection> connections_;
    int rows_ = 0; // the rows the view knows of
};

// The cell editor of a text column, with an ellipsis button shown while the column asks for
// one: the button takes no focus.
class EllipsisEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit EllipsisEdit(QWidget* parent);
    void setButtonVisible(bool on);
    bool buttonVisible() const;

signals:
    void buttonClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButton();
    QWidget* button_;
};

class DBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DBGridDelegate(TDBGrid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    static QString editorText(const QWidget* editor);
    // Writes the editor's text to the field when it differs from the field's edit text.
    void writeEditor(QWidget* editor, int column) const;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    // The field of the cell's column, or null when the cell shows nothing.
    dataset::Field* cellField(const QModelIndex& index) const;
    QVariant roleData(const QModelIndex& index, dataset::Field* field, int role) const;

    TDBGrid* grid_;
};

} // namespace host
