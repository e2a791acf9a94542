#pragma once
// Data-aware controls bound to a field of a data source: the edit (display text without the
// focus, edit text with it, the field's edit mask while editing; typing starts editing the
// record; its pending text is written before its exit handler runs and before any post),
// the read-only text, and the navigator.

#include <host/controls/StdControls.h>

#include <QPointer>
#include <QToolButton>

#include <dataset/DataSource.h>

namespace host {

// What a data-aware control shares: its data source and field name, and the connection to
// the data source's signals.
class TDataLinkBase {
public:
    virtual ~TDataLinkBase();
    dataset::DataSource* DataSource() const { return source_; }
    QString DataField() const { return fieldName_; }
    // The bound field, or nullptr (no data source, inactive dataset or unknown name).
    dataset::Field* Field() const;

protected:
    void bind(QObject* self, dataset::DataSource* source, const QString& fieldName);
    virtual void dataChanged() = 0;
    virtual void fieldChanged(dataset::Field* field);
    virtual void stateChanged() {}

private:
    QObject* self_ = nullptr;
    QPointer<dataset::DataSource> source_;
    QString fieldName_;
    QList<QMetaObject::Connection> connections_;
    // The field last found by name, kept while the dataset's fields stay the same: every
    // record, state and layout change asks for it.
    mutable QPointer<dataset::ClientDataSet> foundIn_;
    mutable quint64 foundVersion_ = 0;
    mutable dataset::Field* found_ = nullptr;
};

class TDBEdit : public TEdit, public TDataLinkBase {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent);
    ~TDBEdit() override;

    void SetDataSource(dataset::DataSource* source);
    void SetDataField(const QString& fieldName);

    bool Modified() const { return modified_; }
    // The edit's own read-only property: read-only also while its field is (or there is none).
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    // Writes the typed text to the field (through the field's set-text handling); errors of
    // the conversion or of the field's handlers reach the caller.
    void UpdateRecord();
    // Shows the field's value again, dropping typed text.
    void Reset();

    void DoExit() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dataChanged() override;
    void fieldChanged(dataset::Field* field) override;
    void paintEvent(QPaintEvent* event) override;
    void showPendingText() override;
    // While the edit text is shown: the field's size for a text field, or the length set on
    // the edit when it is shorter.
    int lengthLimit() const override;

private:
    void showField(bool editing, bool fireChange);
    // The line edit refuses typing: the edit's property, or its field's.
    bool lineReadOnly() const;
    // Leaves the new value to the open display batch when nothing can tell the difference:
    // the edit has no focus and no handlers. True when left.
    bool deferDisplay();
    bool startEditing();

    bool readOnly_ = false;
    bool editing_ = false; // showing the edit text
    bool modified_ = false;
    bool displayPending_ = false; // a value left to the display batch is not shown yet
    // What showField last put in the line edit, to skip the ones that change nothing.
    bool shownValid_ = false;
    QString shownText_;
    QString shownMask_;
    QString shownLineText_;
};

class TDBText : public TLabel, public TDataLinkBase {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent);
    void SetDataSource(dataset::DataSource* source);
    void SetDataField(const QString& fieldName);

protected:
    void dataChanged() override;
};

enum TNavigateBtn {
    nbFirst = 1,
    nbPrior = 2,
    nbNext = 4,
    nbLast = 8,
    nbInsert = 16,
    nbDelete = 32,
    nbEdit = 64,
    nbPost = 128,
    nbCancel = 256,
    nbRefresh = 512
};
using TNavButtonSet = int;

class TDBNavigator : public QWidget, public TControl, public TDataLinkBase {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent);
    void SetDataSource(dataset::DataSource* source);
    void SetVisibleButtons(TNavButtonSet buttons);
    // Runs a button's action (as a click does); errors reach the caller.
    void BtnClick(TNavigateBtn button);
    QToolButton* Button(TNavigateBtn button) const;
    // Runs after a button's action.
    std::function<void(QObject* Sender, TNavigateBtn Button)> OnClick;

protected:
    void dataChanged() override;
    void stateChanged() override { dataChanged(); }
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutButtons();
    QList<QPair<TNavigateBtn, QToolButton*>> buttons_;
    TNavButtonSet visible_ = nbFirst | nbPrior | nbNext | nbLast;
};

} // namespace host
