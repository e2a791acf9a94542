#pragma once
// TButtonFlat: the flat tool button of the suite's tool bars (one or two glyphs, hint,
// enabled state, click). It takes no focus, so the control being edited keeps it.
// TButton: an ordinary push button that takes the focus and may close a modal form.

#include <host/forms/Control.h>

#include <QIcon>
#include <QPushButton>
#include <QToolButton>

namespace host {

class TButtonFlat : public QToolButton, public TControl {
    Q_OBJECT
public:
    explicit TButtonFlat(QWidget* parent, const QString& name = QString());

    void SetGlyph(const QIcon& glyph) { setIcon(glyph); }
    void SetCaption(const QString& caption) { setText(caption); }
    QString Caption() const { return text(); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }
    void SetFlat(bool on) { setAutoRaise(on); }
    bool Visible() const { return isVisibleTo(parentWidget()); }
    void SetVisible(bool on) { setVisible(on); }

    // Runs the click handler exactly as a mouse click does, shown or not; errors reach the
    // caller (a click by the user shows them).
    void Click();
    TNotifyEvent OnClick;
};

using TSpeedButton = TButtonFlat;

class TButton : public QPushButton, public TControl {
    Q_OBJECT
public:
    explicit TButton(QWidget* parent, const QString& caption = QString());
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // A non-zero result closes the modal form the button is on, after OnClick.
    void SetModalResult(int result) { modalResult_ = result; }
    void Click();
    TNotifyEvent OnClick;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int modalResult_ = mrNone;
};

} // namespace host
