#include <host/controls/TextLayoutCache.h>

#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPainter>
#include <QStyle>

namespace host {

size_t qHash(const TextLayoutKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.kind, key.text, key.font, key.box.width(), key.box.height(),
                      key.flags, key.dpi);
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

int TextLayoutCache::width(const TextLayoutKey& key, const std::function<int()>& measure) {
    if (const int* known = widths_.object(key))
        return *known;
    const int measured = measure();
    widths_.insert(key, new int(measured));
    return measured;
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

namespace {

constexpr int kRectText = 2;  // the cache's kind for texts written in a rectangle
constexpr int kPointText = 3; // for texts written from a point
constexpr int kAdvance = 4;   // for widths of texts

int dpiOf(const QPainter* painter) {
    return painter->device() ? painter->device()->logicalDpiY() : 0;
}

bool plainLine(const QString& text, const QFont& font, bool mnemonics = true) {
    if (font.underline() || font.strikeOut() || font.overline())
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((mnemonics && u == u'&') || u == u'\t' || u == u'\r' || u == u'\n' || u == 0x9c ||
            u == QChar::LineSeparator || c.direction() == QChar::DirR ||
            c.direction() == QChar::DirAL)
            return false;
    }
    return true;
}

// The text laid out on one line as drawText lays it, and its place in a box of the size.
void layRectText(LaidOutText& out, const QString& text, const QFont& font, QSize box, int flags) {
    out.layout.setText(text);
    out.layout.setFont(font);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment((flags & Qt::AlignJustify) ? Qt::AlignJustify : Qt::AlignLeft);
    out.layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    qreal width = 0;
    out.layout.beginLayout();
    for (;;) {
        QTextLine line = out.layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(0x01000000);
        height += leading;
        line.setPosition(QPointF(0, height));
        height += line.height();
        width = qMax(width, line.naturalTextWidth());
        if (height >= box.height())
            break;
    }
    out.layout.endLayout();
    qreal y = 0;
    if (flags & Qt::AlignBottom)
        y = box.height() - height;
    else if (flags & Qt::AlignVCenter)
        y = -qRound(-(box.height() - height) / 2);
    qreal boundsX = 0;
    if (flags & Qt::AlignRight)
        boundsX = box.width() - width;
    else if (flags & Qt::AlignHCenter)
        boundsX = qRound((box.width() - width) / 2);
    out.clip = !QRectF(QPointF(0, 0), QSizeF(box)).contains(QRectF(boundsX, y, width, height));
    const qreal advance = out.layout.lineCount() ? out.layout.lineAt(0).horizontalAdvance() : 0;
    qreal x = 0;
    if (flags & Qt::AlignRight)
        x = box.width() - advance;
    else if (flags & Qt::AlignHCenter)
        x = (box.width() - advance) / 2;
    out.offset = QPointF(x, y);
}

} // namespace

void paintText(QPainter* painter, const QRect& rect, int flags, const QString& text) {
    if (text.isEmpty() || painter->pen().style() == Qt::NoPen)
        return;
    const QFont& font = painter->font();
    const QTransform::TransformationType transform = painter->transform().type();
    if ((flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere | Qt::TextDontClip |
                  Qt::TextJustificationForced | Qt::TextForceRightToLeft | Qt::AlignJustify)) ||
        transform > QTransform::TxTranslate || !plainLine(text, font)) {
        painter->drawText(rect, flags, text);
        return;
    }
    const int alignment =
        static_cast<int>(QStyle::visualAlignment(Qt::LeftToRight, Qt::Alignment::fromInt(flags)) &
                         (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask));
    const TextLayoutKey key{kRectText, text, font, rect.size(), alignment, dpiOf(painter)};
    const LaidOutText& laid = TextLayoutCache::instance().get(
        key, [&](LaidOutText& out) { layRectText(out, text, font, rect.size(), key.flags); });
    if (laid.clip) {
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
    }
    laid.layout.draw(painter, QPointF(rect.topLeft()) + laid.offset);
    if (laid.clip)
        painter->restore();
}

void paintTextAt(QPainter* painter, const QPointF& baseline, const QString& text) {
    if (text.isEmpty() || painter->pen().style() == Qt::NoPen)
        return;
    const QFont& font = painter->font();
    if (painter->layoutDirection() == Qt::RightToLeft ||
        painter->transform().type() > QTransform::TxTranslate || !plainLine(text, font, false)) {
        painter->drawText(baseline, text);
        return;
    }
    const TextLayoutKey key{kPointText, text, font, QSize(), 0, dpiOf(painter)};
    const LaidOutText& laid = TextLayoutCache::instance().get(key, [&](LaidOutText& out) {
        out.layout.setText(text);
        out.layout.setFont(font);
        QTextOption option;
        option.setTextDirection(painter->layoutDirection());
        out.layout.setTextOption(option);
        out.layout.beginLayout();
        QTextLine line = out.layout.createLine();
        line.setLineWidth(0x01000000);
        line.setPosition(QPointF(0, 0));
        out.layout.endLayout();
        // The layout's origin is the line's top: the baseline is its ascent below.
        out.offset = QPointF(0, -line.ascent());
    });
    laid.layout.draw(painter, baseline + laid.offset);
}

int textAdvance(QPainter* painter, const QString& text) {
    const TextLayoutKey key{kAdvance, text, painter->font(), QSize(), 0, dpiOf(painter)};
    return TextLayoutCache::instance().width(
        key, [&] { return painter->fontMetrics().horizontalAdvance(text); });
}

} // namespace host
