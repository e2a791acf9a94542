#include <host/controls/CachedScrollBar.h>

#include <host/forms/ControlImageCache.h>

#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionSlider>

namespace host {

CachedScrollBar::CachedScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

void CachedScrollBar::paintEvent(QPaintEvent* event) {
    // Under the mouse or pressed, the part lit is known to Qt alone.
    if (underMouse() || isSliderDown() || QGuiApplication::mouseButtons() != Qt::NoButton) {
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    // Kept by where the slider is drawn, not by the value: in a long list many values put it
    // on the same pixels.
    const QRect slider =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    QByteArray key = ControlImageCache::keyOf(*this, option);
    ControlImageCache::append(key, slider);
    for (bool part : {option.orientation == Qt::Horizontal, option.upsideDown,
                      option.sliderValue == option.minimum, option.sliderValue == option.maximum,
                      option.minimum == option.maximum})
        ControlImageCache::append(key, part);
    QPainter painter(this);
    if (!ControlImageCache::instance().paint(painter, key, rect(), [&](QPainter* on) {
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, on, this);
        }))
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

} // namespace host
