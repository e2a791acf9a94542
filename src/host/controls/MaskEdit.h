#pragma once
// TMaskEdit: an edit under an edit mask in the system's syntax, shown through Qt's input mask.

#include <host/controls/StdControls.h>

#include <dataset/EditMask.h>

namespace host {

class TMaskEdit : public TEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent);
    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask);
    // The text as stored: without the literals when the mask says they are not saved.
    QString Text() const;
    void SetText(const QString& value);
    // The text as shown, literals included.
    QString EditText() const { return text(); }

private:
    QString editMask_;
    dataset::EditMask parsedMask_; // editMask_ read once
};

} // namespace host
