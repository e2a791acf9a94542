#pragma once
// The finished pixels of grid cells, kept: a cell painted again with the same look is copied
// in one go instead of having its ground filled and its glyphs blended again. A grid paints
// the same cells over and over (every repaint of a row, every reload that shows the same
// rows), and blending the glyphs of a text is most of what painting it costs.

#include <QCache>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

namespace host {

// Everything the cell's pixels depend on.
struct CellImageKey {
    QString text;
    QFont font;
    QSize size;
    int flags = 0;  // alignment, wrapping, direction, eliding
    int margin = 0; // the text's margin at each side
    QRgb ground = 0;
    QRgb pen = 0;
    int hints = 0; // the painter's render hints
    QImage::Format format = QImage::Format_Invalid;
    bool operator==(const CellImageKey& other) const {
        return size == other.size && flags == other.flags && margin == other.margin &&
               ground == other.ground && pen == other.pen && hints == other.hints &&
               format == other.format && text == other.text && font == other.font;
    }
};

size_t qHash(const CellImageKey& key, size_t seed = 0) noexcept;

class CellImageCache {
public:
    // Painting happens in the GUI thread only: one cache for all grids.
    static CellImageCache& instance();

    // The format of the image a cell is copied from onto what the painter paints on, or
    // Format_Invalid when a copy would not give the same pixels as painting: a device that is
    // not an image in memory, a transformation other than a move by whole pixels (a scale, a
    // device pixel ratio other than 1), a transparency or a composition other than over.
    static QImage::Format copyFormat(const QPainter* painter);

    // The cell's pixels for the key; paint fills a new image of the key's size and format, the
    // cell's top-left at the origin. It paints as a widget does (texts are smoothed as they are
    // on screen, which is not always as they are on images).
    const QImage& get(const CellImageKey& key, const std::function<void(QPainter*)>& paint);
    void clear() { cache_.clear(); }
    int size() const { return static_cast<int>(cache_.size()); }
    // How many cells were painted rather than copied.
    int paintings() const { return paintings_; }

private:
    // Cost in kilobytes: a few megabytes, a few thousand cells; the least used go first past it.
    QCache<CellImageKey, QImage> cache_{4096};
    QImage spare_;
    int paintings_ = 0;
};

} // namespace host
