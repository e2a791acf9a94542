#include <host/forms/ControlImageCache.h>

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
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

// The one colour (as stored) of the parts of the image in the region, if it is one.
std::optional<quint32> groundOf(const QImage& image, const QRegion& region) {
    if (image.depth() != 32 || region.isEmpty() || !image.rect().contains(region.boundingRect()))
        return std::nullopt;
    std::optional<quint32> ground;
    for (const QRect& part : region) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            if (!ground)
                ground = line[part.left()];
            for (int x = part.left(); x <= part.right(); ++x)
                if (line[x] != *ground)
                    return std::nullopt;
        }
    }
    return ground;
}

} // namespace

bool ControlImageCache::paint(QPainter& painter, QByteArray key, const QRect& rect,
                              const std::function<void(QPainter*)>& draw) {
    const QImage::Format format = imageCopyFormat(&painter);
    if (format == QImage::Format_Invalid || rect.isEmpty())
        return false;
    // The look is drawn over the ground left under it where it is painted now (inside the
    // clip): the blended pixels of its edges depend on that ground to the last bit, so it must
    // be one colour there, and is kept with it.
    const QPaintEngine* engine = painter.paintEngine();
    const auto& target = *static_cast<const QImage*>(engine->paintDevice());
    const QTransform& toDevice = painter.deviceTransform();
    QRegion painted(toDevice.mapRect(rect));
    if (!engine->systemClip().isEmpty())
        painted &= engine->systemClip();
    if (painter.hasClipping())
        painted &= toDevice.map(painter.clipRegion());
    const std::optional<quint32> ground = groundOf(target, painted);
    if (!ground)
        return false;
    append(key, *ground);
    append(key, int(format));
    QImage* image = cache_.object(key);
    if (!image) {
        image = new QImage(rect.size(), format);
        image->fill(*ground);
        QPainter on(image);
        on.translate(-rect.topLeft());
        on.setRenderHints(painter.renderHints());
        on.setFont(painter.font());
        on.setPen(painter.pen());
        on.setBrush(painter.brush());
        draw(&on);
        on.end();
        ++drawings_;
        const qsizetype cost =
            qMax<qsizetype>(1, qsizetype(rect.width()) * rect.height() * 4 / 1024);
        if (!cache_.insert(key, image, cost))
            return false; // too big to keep (and deleted): drawn as usual
        image = cache_.object(key);
    }
    painter.drawImage(rect.topLeft(), *image);
    return true;
}

} // namespace host
