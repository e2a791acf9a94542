#pragma once
// The finished pixels of what the style draws without text or icon (a scroll bar, the frame of
// a line edit, a group box or a page control), kept by everything their look depends on: a
// look drawn before is copied in one go instead of the style drawing its gradients, paths and
// border images again. (An icon is not kept: the style picks its pixmap by the device it
// paints on, so a look drawn on an image is not always the one drawn on the window.) A look is kept with the
// one-colour ground its parent painted under it, drawn over that ground and copied whole: the
// pixels that drawing it there gives. Over a ground of more than one colour it is drawn.

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QRect>

#include <functional>
#include <type_traits>

class QPainter;
class QStyleOption;
class QWidget;

namespace host {

// The format of the image a painter paints on, when a copy onto it gives the pixels painting
// gives; Format_Invalid otherwise: a device that is not an image in memory, a transformation
// other than a move by whole pixels (a scale, a device pixel ratio other than 1), a
// transparency or a composition other than over.
QImage::Format imageCopyFormat(const QPainter* painter);

class ControlImageCache {
public:
    // Painting happens in the GUI thread only: one cache for all controls.
    static ControlImageCache& instance();

    // The start of a key: what every look of the widget depends on (its size, style and
    // palette); the caller appends what its own look depends on.
    static QByteArray keyOf(const QWidget& widget, const QStyleOption& option);
    // Appends a plain value's bytes to a key (a stream would cost more than the copy saves).
    template <typename T> static void append(QByteArray& key, const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        key.append(reinterpret_cast<const char*>(&value), sizeof value);
    }

    // Paints the look `key` of what `draw` draws in `rect`, drawn once over the ground found
    // where it is painted. False, painting nothing, when a copy would not give the pixels
    // drawing gives (imageCopyFormat, or a ground of more than one colour): the caller then
    // draws as usual.
    bool paint(QPainter& painter, QByteArray key, const QRect& rect,
               const std::function<void(QPainter*)>& draw);
    void clear() { cache_.clear(); }
    // How many looks were drawn rather than copied.
    int drawings() const { return drawings_; }

private:
    QCache<QByteArray, QImage> cache_{4096}; // kilobytes; the least used go first past it
    int drawings_ = 0;
};

} // namespace host
