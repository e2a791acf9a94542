#include <dataset/DataSource.h>

namespace dataset {

DataSource::DataSource(QObject* parent) : QObject(parent) {}

DataSource::DataSource(ClientDataSet* dataSet, QObject* parent) : QObject(parent) {
    setDataSet(dataSet);
}

DataSource::~DataSource() {
    if (dataSet_)
        dataSet_->detach(this);
}

void DataSource::setDataSet(ClientDataSet* dataSet) {
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->detach(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->attach(this);
    deliver(ClientDataSet::Layout | ClientDataSet::State | ClientDataSet::Data, nullptr);
}

DataSetState DataSource::state() const {
    return dataSet_ ? dataSet_->state() : DataSetState::Inactive;
}

bool DataSource::edit() {
    if (!dataSet_)
        return false;
    if (autoEdit_ && dataSet_->state() == DataSetState::Browse)
        dataSet_->edit();
    const DataSetState s = dataSet_->state();
    return s == DataSetState::Edit || s == DataSetState::Insert;
}

void DataSource::addEditor(QObject* control, std::function<void()> writePendingText) {
    removeEditor(control);
    editors_.push_back(Editor{control, std::move(writePendingText)});
}

void DataSource::removeEditor(QObject* control) {
    std::erase_if(editors_,
                  [control](const Editor& e) { return !e.control || e.control == control; });
}

void DataSource::writePendingText() {
    const std::vector<Editor> editors = editors_;
    for (const Editor& e : editors)
        if (e.control && e.write)
            e.write();
}

void DataSource::deliver(unsigned what, Field* field) {
    if (what & ClientDataSet::Layout)
        emit layoutChanged(field);
    if (what & ClientDataSet::State) {
        if (onStateChange)
            onStateChange(*this);
        emit stateChanged();
    }
    if (what & ClientDataSet::Data) {
        if (onDataChange)
            onDataChange(*this, nullptr);
        emit dataChanged();
    } else if (what & ClientDataSet::Scroll) {
        if (onDataChange)
            onDataChange(*this, nullptr);
        emit scrolled();
    }
    if (what & ClientDataSet::FieldChange) {
        if (onDataChange)
            onDataChange(*this, field);
        emit recordChanged(field);
    }
}

} // namespace dataset
