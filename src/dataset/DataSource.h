#pragma once
// Presents one client dataset to data-aware controls: reports its state changes, data
// changes and record changes, and keeps the controls that may hold typed text not yet
// written to their field, so that a post (or a cursor move) first asks each of them to
// write it.

#include <dataset/ClientDataSet.h>

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

namespace dataset {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    explicit DataSource(ClientDataSet* dataSet, QObject* parent = nullptr);
    ~DataSource() override;

    ClientDataSet* dataSet() const { return dataSet_; }
    void setDataSet(ClientDataSet* dataSet);
    DataSetState state() const; // Inactive without a dataset

    // Whether typing in a control may put the dataset into edit state.
    bool autoEdit() const { return autoEdit_; }
    void setAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    // Puts the dataset into edit state when it browses and autoEdit is on; used by controls
    // when the user starts typing. Returns whether the dataset now edits or inserts.
    bool edit();

    // A control registers the function that writes its pending text into its field; the
    // function may raise (the post or the move is then aborted). Registration ends with
    // removeEditor or when the control is destroyed.
    void addEditor(QObject* control, std::function<void()> writePendingText);
    void removeEditor(QObject* control);

    // Handlers called before the signals of the same name; exceptions propagate to the code
    // that changed the dataset.
    std::function<void(DataSource& sender)> onStateChange;
    std::function<void(DataSource& sender, Field* field)> onDataChange;

signals:
    void stateChanged();
    // Rows were loaded, added, removed or rewritten: show everything again.
    void dataChanged();
    // The current record moved; the rows themselves did not change.
    void scrolled();
    // A field of the current record changed (calculated fields may have changed with it), or
    // with nullptr the current record as a whole (entering edit state, a calculation).
    void recordChanged(dataset::Field* field);
    // Fields were replaced or a field's presentation (label, width, visibility, display
    // format, edit mask) changed; with a field, only that field's edit mask changed.
    void layoutChanged(dataset::Field* field);

private:
    friend class ClientDataSet;
    void writePendingText();
    void deliver(unsigned what, Field* field);

    QPointer<ClientDataSet> dataSet_;
    bool autoEdit_ = true;
    struct Editor {
        QPointer<QObject> control;
        std::function<void()> write;
    };
    std::vector<Editor> editors_;
};

} // namespace dataset
