// TMaskEdit: the edit mask in the system's syntax, shown through Qt's input mask.
#include "StdControls.h"

#include "EditMask.h"

namespace host {

TMaskEdit::TMaskEdit(QWidget* parent) : TEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& mask) {
    const QString value = Text();
    editMask_ = mask;
    setQtInputMask(mask.isEmpty() ? QString() : dataset::toQtInputMask(mask));
    SetText(value);
}

QString TMaskEdit::Text() const {
    if (editMask_.isEmpty())
        return text();
    return dataset::EditMask(editMask_).valueFromText(text());
}

void TMaskEdit::SetText(const QString& value) {
    if (editMask_.isEmpty()) {
        setText(value);
        return;
    }
    setText(dataset::EditMask(editMask_).format(value));
    // Qt leaves the cursor after the blanks, where nothing can be typed: a field cleared
    // from code (Undo) takes digits again at once.
    keepCursorInTypedText();
}

} // namespace host
