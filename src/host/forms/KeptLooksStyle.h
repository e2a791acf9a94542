#pragma once
// The application's style, with the frames it draws at every paint of a line edit, a group box
// and a page control kept as finished pixels (host::ControlImageCache): the style draws them
// with antialiased paths, gradients and border images, over and over for looks that do not
// change. Everything else, and these too where a copy would not give the same pixels, is drawn
// by the style it wraps.

#include <QProxyStyle>

namespace host {

class KeptLooksStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // Makes it the application's style, wrapping the one in use (once).
    static void Install();
};

} // namespace host
