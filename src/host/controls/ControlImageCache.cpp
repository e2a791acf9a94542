#include <host/controls/ControlImageCache.h>

#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <cmath>
#include <optional>

namespace host {

QImage::Format imageCopyFormat(const QPainter* painter) {
    const QPaintEngine* engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
        engine->paintDevice()->devType() != QInternal::Image)
        return QImage::Format_Invalid;
    const QTransform& transform = painter->deviceTransform();
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy()) || painter->opacity() != 1.0 ||
        painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return QImage::Format_Invalid;
    return static_cast<const QImage*>(engine->paintDevice())->format();
}

ControlImageCache& ControlImageCache::instance() {
    static ControlImageCache cache;
    return cache;
}

QByteArray ControlImageCache::keyOf(const QWidget& widget, const QStyleOption& option) {
    QByteArray key;
    key.reserve(96);
    // The style by its address: another made at the same address would be the application's
    // style changing, which it does not do while running.
    append(key, quintptr(widget.style()));
    append(key, option.rect.size());
    append(key, int(option.state));
    append(key, int(option.direction));
    append(key, option.palette.cacheKey());
    append(key, option.palette.resolveMask());
    append(key, widget.devicePixelRatio());
    return key;
}

namespace {

// The one colour (as stored) of the area of the image, if it is one.
std::optional<quint32> groundOf(const QImage& image, const QRect& area) {
    if (image.depth() != 32 || !image.rect().contains(area))
        return std::nullopt;
    const auto* first = reinterpret_cast<const quint32*>(image.constScanLine(area.top()));
    const quint32 ground = first[area.left()];
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            if (line[x] != ground)
                return std::nullopt;
    }
    return ground;
}

} // namespace

bool ControlImageCache::paint(QPainter& painter, QByteArray key, QSize size,
                              const std::function<void(QPainter*)>& draw) {
    const QImage::Format format = imageCopyFormat(&painter);
    if (format == QImage::Format_Invalid || size.isEmpty())
        return false;
    // The look is drawn over the ground its parent left under it: the blended pixels of its
    // edges depend on that ground to the last bit, so it must be one colour, and is kept with it.
    const auto& target = *static_cast<const QImage*>(painter.paintEngine()->paintDevice());
    const QPoint at = painter.deviceTransform().map(QPoint(0, 0));
    const std::optional<quint32> ground = groundOf(target, QRect(at, size));
    if (!ground)
        return false;
    append(key, *ground);
    append(key, int(format));
    QImage* image = cache_.object(key);
    if (!image) {
        image = new QImage(size, format);
        image->fill(*ground);
        QPainter on(image);
        on.setRenderHints(painter.renderHints());
        on.setFont(painter.font());
        on.setPen(painter.pen());
        on.setBrush(painter.brush());
        draw(&on);
        on.end();
        ++drawings_;
        const qsizetype cost = qMax<qsizetype>(1, qsizetype(size.width()) * size.height() / 256);
        if (!cache_.insert(key, image, cost))
            return false; // too big to keep (and deleted): drawn as usual
        image = cache_.object(key);
    }
    painter.drawImage(0, 0, *image);
    return true;
}

} // namespace host
