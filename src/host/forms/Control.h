#pragma once
// TControl: what every control and container of a form has besides its Qt widget: absolute
// bounds, tab order, tab stop, enter and exit handlers, colour, hint, and focus through the
// form's focus manager. Each concrete control derives from a Qt widget and from TControl.

#include <host/core/HostTypes.h>

#include <QPointer>
#include <QString>
#include <QWidget>

namespace host {

class TForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Lays out the aligned children of a container (top and bottom first, then left and right,
// then the client area), as the classic forms do when their parent changes size.
void RealignChildren(QWidget* parent);
void SetAlign(QWidget* control, TAlign align);
TAlign AlignOf(const QWidget* control);

class TControl {
public:
    explicit TControl(QWidget* self);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    QWidget* Widget() const { return self_; }
    QString Name() const;

    void SetBounds(int left, int top, int width, int height);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;

    // Position among the focusable controls of the same container (lower first).
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on) { tabStop_ = on; }

    // Containers (panels, group boxes, pages, scroll boxes) hold other controls and take no
    // focus of their own; the tab order walks into them.
    virtual bool IsContainer() const { return false; }

    // Visible and enabled up to its form, and a control that takes the focus.
    bool CanFocus() const;
    bool Focused() const;
    // Moves the focus here through the form's focus manager. An exit handler that raises
    // undoes the move and the exception reaches the caller.
    void SetFocus();

    TForm* ParentForm() const;
    // The nearest enclosing control (container) or nullptr at the form's level.
    TControl* ParentControl() const;

    void SetColor(const QColor& color);
    QColor Color() const;
    void SetHint(const QString& hint);
    QString Hint() const;
    // Whether the hint shows when the mouse rests on the control (on by default).
    void SetShowHint(bool on);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Run by the focus manager. A data-aware control writes its pending text in DoExit
    // before the exit handler runs.
    virtual void DoEnter();
    virtual void DoExit();

    // The control a widget belongs to (the widget itself, or an ancestor for the inner
    // widgets of a composite control such as a grid's cell editor).
    static TControl* Of(QWidget* widget);

protected:
    // Widgets whose palette colour roles carry the control's colour.
    virtual void ApplyColor(const QColor& color);

private:
    QWidget* self_;
    int tabOrder_;
    bool tabStop_ = true;
    bool showHint_ = true;
    QString hint_;
    QColor color_;
};

} // namespace host
