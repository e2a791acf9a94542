#pragma once
// A scroll bar that paints its look from host::ControlImageCache: a grid's scroll bar moves at
// every reload and at every move in a long list, and the style draws it with gradients. Under
// the mouse or pressed it paints as Qt paints it.

#include <QScrollBar>

namespace host {

class CachedScrollBar : public QScrollBar {
    Q_OBJECT
public:
    CachedScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace host
