#include <host/forms/KeptLooksStyle.h>

#include <host/forms/ControlImageCache.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QStyleOption>
#include <QWidget>

#include <optional>

namespace host {

namespace {

// The key of a kept frame's look: the option's common part and what the frame's own look
// depends on; nothing for what is not kept.
std::optional<QByteArray> keptLook(QStyle::PrimitiveElement element, const QStyleOption& option,
                                   const QWidget& widget) {
    const auto keyed = [&] {
        QByteArray key = ControlImageCache::keyOf(widget, option);
        ControlImageCache::append(key, int(element));
        return key;
    };
    switch (element) {
    case QStyle::PE_PanelLineEdit:
    case QStyle::PE_FrameGroupBox: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(&option);
        // A line edit inside a combo or spin box is drawn with its owner.
        if (!frame || qobject_cast<const QComboBox*>(widget.parentWidget()) ||
            qobject_cast<const QAbstractSpinBox*>(widget.parentWidget()))
            return std::nullopt;
        QByteArray key = keyed();
        for (int part :
             {frame->lineWidth, frame->midLineWidth, int(frame->features), int(frame->frameShape)})
            ControlImageCache::append(key, part);
        return key;
    }
    case QStyle::PE_FrameTabWidget: {
        const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(&option);
        if (!frame)
            return std::nullopt;
        QByteArray key = keyed();
        for (int part : {frame->lineWidth, frame->midLineWidth, int(frame->shape)})
            ControlImageCache::append(key, part);
        for (const QSize& size :
             {frame->tabBarSize, frame->rightCornerWidgetSize, frame->leftCornerWidgetSize})
            ControlImageCache::append(key, size);
        ControlImageCache::append(key, frame->tabBarRect.translated(-frame->rect.topLeft()));
        ControlImageCache::append(key, frame->selectedTabRect.translated(-frame->rect.topLeft()));
        return key;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

void KeptLooksStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    if (option && painter && widget) {
        const std::optional<QByteArray> key = keptLook(element, *option, *widget);
        if (key &&
            ControlImageCache::instance().paint(*painter, *key, option->rect, [&](QPainter* on) {
                QProxyStyle::drawPrimitive(element, option, on, widget);
            }))
            return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void KeptLooksStyle::Install() {
    if (!qobject_cast<KeptLooksStyle*>(QApplication::style()))
        QApplication::setStyle(new KeptLooksStyle());
}

} // namespace host
