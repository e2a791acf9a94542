#include <host/controls/MaskEdit.h>

namespace host {

TMaskEdit::TMaskEdit(QWidget* parent) : TEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& mask) {
    const QString value = Text();
    editMask_ = mask;
    parsedMask_ = dataset::EditMask(mask);
    setQtInputMask(mask.isEmpty() ? QString() : dataset::toQtInputMask(mask));
    SetText(value);
}

QString TMaskEdit::Text() const {
    return parsedMask_.valueFromText(text());
}

void TMaskEdit::SetText(const QString& value) {
    if (editMask_.isEmpty()) {
        setText(value);
        return;
    }
    setText(parsedMask_.format(value));
    // Qt leaves the cursor after the blanks, where nothing can be typed: a field cleared
    // from code (Undo) takes digits again at once.
    keepCursorInTypedText();
}

} // namespace host
