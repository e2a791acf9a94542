#include <host/controls/CachedControls.h>

#include <host/controls/ControlImageCache.h>

#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QStyleOptionToolButton>

namespace host {

void CachedToolButton::paintEvent(QPaintEvent*) {
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // A text is smoothed otherwise on an image than on the screen: only an icon's look is kept
    // (the style draws the text when the icon is missing).
    const bool iconOnly =
        option.text.isEmpty() ||
        (option.toolButtonStyle == Qt::ToolButtonIconOnly && !option.icon.isNull());
    QPainter painter(this);
    if (iconOnly) {
        QByteArray key = ControlImageCache::keyOf(*this, option);
        for (int part : {int(option.toolButtonStyle), int(option.arrowType), int(option.features),
                         int(option.subControls), int(option.activeSubControls)})
            ControlImageCache::append(key, part);
        ControlImageCache::append(key, option.icon.cacheKey());
        ControlImageCache::append(key, option.iconSize);
        key.append(reinterpret_cast<const char*>(option.text.utf16()), option.text.size() * 2);
        if (ControlImageCache::instance().paint(painter, key, size(), [&](QPainter* on) {
                style()->drawComplexControl(QStyle::CC_ToolButton, &option, on, this);
            }))
            return;
    }
    style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);
}

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
    if (!ControlImageCache::instance().paint(painter, key, size(), [&](QPainter* on) {
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, on, this);
        }))
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

} // namespace host
