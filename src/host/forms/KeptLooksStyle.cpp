#include <host/forms/KeptLooksStyle.h>

#include <host/forms/ControlImageCache.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QStyleOption>
#include <QWidget>

namespace host {

namespace {

// The frames kept, by what each one's look depends on beyond the option's common part.
bool kept(QStyle::PrimitiveElement element, const QStyleOption& option, const QWidget& widget,
          QByteArray& key) {
    switch (element) {
    case QStyle::PE_PanelLineEdit:
    case QStyle::PE_FrameGroupBox: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(&option);
        // A line edit inside a combo or spin box is drawn with its owner.
        if (!frame || qobject_cast<const QComboBox*>(widget.parentWidget()) ||
            qobject_cast<const QAbstractSpinBox*>(widget.parentWidget()))
            return false;
        for (int part :
             {frame->lineWidth, frame->midLineWidth, int(frame->features), int(frame->frameShape)})
            ControlImageCache::append(key, part);
        return true;
    }
    case QStyle::PE_FrameTabWidget: {
        const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(&option);
        if (!frame)
            return false;
        for (int part : {frame->lineWidth, frame->midLineWidth, int(frame->shape)})
            ControlImageCache::append(key, part);
        for (const QSize& size :
             {frame->tabBarSize, frame->rightCornerWidgetSize, frame->leftCornerWidgetSize})
            ControlImageCache::append(key, size);
        ControlImageCache::append(key, frame->tabBarRect.translated(-frame->rect.topLeft()));
        ControlImageCache::append(key, frame->selectedTabRect.translated(-frame->rect.topLeft()));
        return true;
    }
    default:
        return false;
    }
}

} // namespace

void KeptLooksStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    const bool keptElement =
        element == PE_PanelLineEdit || element == PE_FrameGroupBox || element == PE_FrameTabWidget;
    if (keptElement && option && painter && widget) {
        QByteArray key = ControlImageCache::keyOf(*widget, *option);
        ControlImageCache::append(key, int(element));
        if (kept(element, *option, *widget, key) &&
            ControlImageCache::instance().paint(*painter, key, option->rect, [&](QPainter* on) {
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
