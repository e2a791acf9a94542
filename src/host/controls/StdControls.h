#pragma once
// The plain controls of the forms: labels, edits, masked edits, list boxes, and the
// containers (panels, group boxes, scroll boxes) whose exit runs when the focus leaves them.
// Every control is placed at absolute positions inside its parent, or aligned to an edge.

#include <host/forms/Control.h>

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace host {

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TLabel : public QLabel, public TControl {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent, const QString& caption = QString());
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    void SetAutoSize(bool on);
    void SetAlignment(TAlignment alignment);
    // The control that gets the focus through the label's accelerator.
    void SetFocusControl(QWidget* control) { setBuddy(control); }
    void SetBold(bool on);
    // The width of the caption as shown (without the accelerator's mark), measured once for
    // each caption and font.
    int CaptionWidth() const;

protected:
    // A caption wider than its room (up to the next label on its line) is elided.
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int roomForText() const;
    // Whether the caption is painted here as QLabel paints it: one plain line, nothing QLabel
    // treats apart (accelerators, rich text, selection, indent, margins, a frame).
    bool plainCaption(const QString& caption) const;

    bool autoSize_ = true;
    // What was measured of the caption, for the font it was measured in.
    struct Measure {
        QString text;
        QFont font;
        int width = 0;
        int room = -1;  // the room the elided text was made for
        QString elided; // the caption elided to that room
    };
    mutable Measure measure_;
    const Measure& measured() const;
};

class TEdit : public QLineEdit, public TControl {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent);

    QString Text() const {
        const_cast<TEdit*>(this)->showPendingText();
        return text();
    }
    void SetText(const QString& text) { setText(text); }
    int MaxLength() const { return maxLength(); }
    // The longest text the edit takes; 0: no limit. It stays through edit masks set and
    // cleared (a mask limits the text by itself while it is set).
    void SetMaxLength(int length);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase) { charCase_ = charCase; }
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }
    // Selects the whole text as QLineEdit::selectAll does, without laying the text out again
    // (Qt's select-all moves the cursor by marking, which redoes the layout each time).
    void SelectAll() { setSelection(0, static_cast<int>(text().size())); }

    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A text not yet shown (a data-aware edit's) is put in before Text() reads it.
    virtual void showPendingText() {}
    // While set, text changes do not raise OnChange (a data-aware edit switching between
    // display and edit text).
    bool quietChange_ = false;
    // Changes the typed character's case as CharCase says.
    QString applyCase(const QString& text) const;
    // Sets Qt's input mask; clearing it brings back the edit's own maximum length, which Qt
    // would otherwise forget.
    void setQtInputMask(const QString& qtMask);
    // The maximum length to apply when no mask is set; 0: none.
    virtual int lengthLimit() const { return declaredMaxLength_; }
    void applyMaxLength();
    // With an input mask, a cursor past the typed text goes back to the first blank after it.
    void keepCursorInTypedText();

private:
    // With an input mask: the first blank after the last typed character (0 when nothing is
    // typed). Qt refuses typing past the blanks at the end, so a click there lands here.
    int typedEnd() const;

    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    int declaredMaxLength_ = 0;
};

// An edit with an edit mask in the system's syntax (mask;save-literals;blank).
class TListBox : public QListWidget, public TControl {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent);
    QStringList Items() const;
    void SetItems(const QStringList& items);
    void Clear() { clear(); }
    void Add(const QString& item) { addItem(item); }
    int Count() const { return count(); }
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int index) { setCurrentRow(index); }
    // Height of every line in pixels; 0 lets each line take the height its font asks.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

private:
    int itemHeight_ = 0;
};

// A container with an optional caption and bevel.
class TPanel : public QFrame, public TControl {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent);
    bool IsContainer() const override { return true; }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    void SetBevelOuter(TBevelCut cut);
    void SetAlign(TAlign align) { host::SetAlign(this, align); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

class TGroupBox : public QGroupBox, public TControl {
    Q_OBJECT
public:
    explicit TGroupBox(QWidget* parent, const QString& caption = QString());
    bool IsContainer() const override { return true; }
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
    void SetAlign(TAlign align) { host::SetAlign(this, align); }

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The forms are laid out at a fixed size, so a scroll box is a borderless container.
class TScrollBox : public TPanel {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent);
};

// A picture or glyph on a form.
class TImage : public QLabel, public TControl {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);
    void SetPicture(const QPixmap& picture) { setPixmap(picture); }
    bool IsContainer() const override { return false; }
};

// Focus policy of a control that never takes the focus.
inline void NoFocus(QWidget* w) {
    w->setFocusPolicy(Qt::NoFocus);
}

} // namespace host
