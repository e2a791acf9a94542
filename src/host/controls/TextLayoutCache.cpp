#include <host/controls/TextLayoutCache.h>

#include <QHashFunctions>

namespace host {

size_t qHash(const TextLayoutKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.kind, key.text, key.font, key.box.width(), key.box.height(),
                      key.flags);
}

TextLayoutCache& TextLayoutCache::instance() {
    static TextLayoutCache cache;
    return cache;
}

const LaidOutText& TextLayoutCache::get(const TextLayoutKey& key,
                                        const std::function<void(LaidOutText&)>& lay) {
    if (const LaidOutText* known = cache_.object(key))
        return *known;
    auto* laid = new LaidOutText;
    // Without it the layout drops its glyphs after each painting and shapes again.
    laid->layout.setCacheEnabled(true);
    lay(*laid);
    cache_.insert(key, laid);
    return *laid;
}

QSizeF layOutLines(QTextLayout& layout, int width, int maxHeight, int* lastVisible) {
    if (lastVisible)
        *lastVisible = -1;
    qreal height = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (int i = 0;; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = qMax(widest, line.naturalTextWidth());
        // The next line is taken to be as tall as this one.
        if (maxHeight > 0 && lastVisible && height + line.height() > maxHeight) {
            *lastVisible = layout.createLine().isValid() ? i : -1;
            break;
        }
    }
    layout.endLayout();
    return {widest, height};
}

} // namespace host
