#pragma once
// A tool button and a scroll bar that paint their look from host::ControlImageCache: the
// command buttons of the tool bars change between enabled and disabled at every post and
// Confirm, and a grid's scroll bar moves at every reload. Under the mouse, pressed, or with a
// text to show, they paint as Qt paints them.

#include <QScrollBar>
#include <QToolButton>

namespace host {

class CachedToolButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CachedScrollBar : public QScrollBar {
    Q_OBJECT
public:
    CachedScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace host
