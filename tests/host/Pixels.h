#pragma once
// The comparison of a painting with Qt's own the painting tests share.

#include <QImage>

// The pixels where two paintings differ; -1 when their sizes do.
inline int differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}
