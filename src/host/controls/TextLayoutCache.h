#pragma once
// Texts laid out once and painted many times. Shaping a text (finding its glyphs and their
// places) is the dearest part of painting it, and a screen paints the same texts again and
// again: a grid's cells, the labels, the texts a painting handler writes. The cache keeps the
// laid-out text with where it goes in its box, keyed by everything the layout depends on.

#include <QCache>
#include <QFont>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QTextLayout>

#include <functional>

class QPainter;

namespace host {

// A text laid out for painting, and where its layout's origin goes from its box's top-left.
struct LaidOutText {
    QTextLayout layout;
    QPointF offset;
    bool clip = false; // the text passes its box: painted clipped to it
};

struct TextLayoutKey {
    int kind = 0; // who lays it out (one way of laying out text per kind)
    QString text;
    QFont font;
    QSize box;
    int flags = 0; // the kind's own options: alignment, wrapping, eliding
    int dpi = 0;   // of the device painted on, when the font is not the screen's
    bool operator==(const TextLayoutKey& other) const {
        return kind == other.kind && flags == other.flags && box == other.box && dpi == other.dpi &&
               text == other.text && font == other.font;
    }
};

size_t qHash(const TextLayoutKey& key, size_t seed = 0) noexcept;

class TextLayoutCache {
public:
    // Painting happens in the GUI thread only: one cache for all widgets.
    static TextLayoutCache& instance();

    // The laid-out text for the key; lay fills a new one, whose layout keeps its glyphs.
    const LaidOutText& get(const TextLayoutKey& key, const std::function<void(LaidOutText&)>& lay);
    // A width measured once for the key; measure gives it the first time.
    int width(const TextLayoutKey& key, const std::function<int()>& measure);
    void clear() {
        cache_.clear();
        widths_.clear();
    }
    int size() const { return static_cast<int>(cache_.size()); }

private:
    // Enough for every cell of a few thousand rows; the least used go first past it.
    QCache<TextLayoutKey, LaidOutText> cache_{4096};
    QCache<TextLayoutKey, int> widths_{4096};
};

// Lays out the text's lines at the width as the item views do: each line the full width,
// the next below it. Returns the widest line's natural width and the lines' height. With a
// height, stops at the last line whose next would not fit, telling which one it was.
QSizeF layOutLines(QTextLayout& layout, int width, int maxHeight = -1, int* lastVisible = nullptr);

// Writes a text on one line from the point on its baseline, as QPainter::drawText(point, text)
// does, its layout kept for the next painting (texts with tabs, line breaks or right-to-left
// parts, and decorated fonts, go to drawText itself).
void paintTextAt(QPainter* painter, const QPointF& baseline, const QString& text);
// QFontMetrics::horizontalAdvance of the text in the painter's font, kept for the next time.
int textAdvance(QPainter* painter, const QString& text);

// Writes a text in a rectangle as QPainter::drawText(rect, flags, text) does, with the painter's
// font and pen, its layout kept for the next painting. Texts drawText treats specially
// (mnemonics, tabs, several lines, right-to-left, word wrapping) and decorated fonts go to
// drawText itself.
void paintText(QPainter* painter, const QRect& rect, int flags, const QString& text);

} // namespace host
