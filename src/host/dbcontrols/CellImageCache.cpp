#include <host/dbcontrols/CellImageCache.h>

#include <host/forms/ControlImageCache.h>

#include <QCoreApplication>
#include <QEvent>
#include <QHashFunctions>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <cmath>

namespace host {

namespace {

// A widget never shown, rendered into a cell's image: painted through a widget, the text's
// glyphs are smoothed as on the grid itself (on images the raster engine smooths them in grey
// only). It also hears of the application's font, palette and style changing, which make the
// kept cells useless.
class CellCanvas : public QWidget {
public:
    std::function<void(QPainter*)> paint;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paint(&painter);
    }
    void changeEvent(QEvent* event) override {
        switch (event->type()) {
        case QEvent::ApplicationFontChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::StyleChange:
            CellImageCache::instance().clear();
            break;
        default:
            break;
        }
        QWidget::changeEvent(event);
    }
};

QPointer<CellCanvas>& canvasSlot() {
    static QPointer<CellCanvas> canvas;
    return canvas;
}

CellCanvas* canvas() {
    QPointer<CellCanvas>& slot = canvasSlot();
    if (!slot) {
        slot = new CellCanvas;
        slot->setAttribute(Qt::WA_DontShowOnScreen);
        // Gone with the application; the cells painted on its look go with it.
        qAddPostRoutine([] {
            delete canvasSlot().data();
            CellImageCache::instance().clear();
        });
    }
    return slot;
}

} // namespace

size_t qHash(const CellImageKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.text, key.font, key.size.width(), key.size.height(), key.flags,
                      key.margin, key.ground, key.pen, key.hints, static_cast<int>(key.format));
}

CellImageCache& CellImageCache::instance() {
    static CellImageCache cache;
    return cache;
}

QImage::Format CellImageCache::copyFormat(const QPainter* painter) {
    return imageCopyFormat(painter);
}

const QImage& CellImageCache::get(const CellImageKey& key,
                                  const std::function<void(QPainter*)>& paint) {
    if (const QImage* known = cache_.object(key))
        return *known;
    const qsizetype cost =
        qMax<qsizetype>(1, qsizetype(key.size.width()) * key.size.height() *
                               QImage::toPixelFormat(key.format).bitsPerPixel() / 8192);
    // A cell too big to keep is painted in the spare image, kept until the next one.
    const bool keep = cost <= cache_.maxCost() / 8;
    QImage* image = keep ? new QImage(key.size, key.format) : &spare_;
    if (!keep)
        spare_ = QImage(key.size, key.format);
    CellCanvas* on = canvas();
    on->resize(key.size);
    on->paint = [&](QPainter* painter) {
        painter->setRenderHints(painter->renderHints(), false);
        painter->setRenderHints(QPainter::RenderHints(key.hints));
        paint(painter);
    };
    ++paintings_;
    on->render(image, QPoint(), QRegion(), QWidget::RenderFlags());
    on->paint = nullptr;
    if (keep)
        cache_.insert(key, image, cost);
    return *image;
}

} // namespace host
