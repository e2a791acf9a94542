#include <host/dbcontrols/PlainCellPainter.h>

#include <host/controls/TextLayoutCache.h>
#include <host/dbcontrols/CellImageCache.h>
#include <host/forms/KeptLooksStyle.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace host {

namespace {

constexpr int kCellText = 1; // the cache's kind for cell texts

// Styles whose item painting is the common style's own.
bool commonItemPainting(const QStyle* style) {
    // The application's own proxy keeps frames only: the items are its base style's.
    if (const auto* kept = qobject_cast<const KeptLooksStyle*>(style)) {
        style = kept->baseStyle();
        if (!style || style->proxy() != kept)
            return false;
    } else if (!style || style->proxy() != style) {
        return false;
    }
    if (style->inherits("QStyleSheetStyle"))
        return false;
    const QString name = style->name();
    return name == QLatin1String("fusion") || name == QLatin1String("windows");
}

Qt::Alignment alignmentOf(const QVariant& value, Qt::Alignment fallback) {
    if (!value.isValid())
        return fallback;
    if (value.metaType() == QMetaType::fromType<Qt::Alignment>())
        return value.value<Qt::Alignment>();
    if (value.metaType() == QMetaType::fromType<Qt::AlignmentFlag>())
        return value.value<Qt::AlignmentFlag>();
    return Qt::Alignment(value.toInt());
}

// The cell's text laid out in a box of the given size at the origin, as the common style does:
// lines of the box's width (broken at words when wrapping), placed as aligned, the last line
// that shows elided when it does not fit or when less than half of the next one would show.
void layCellText(LaidOutText& out, const QString& text, const QFont& font, QSize size,
                 Qt::Alignment alignment, Qt::LayoutDirection direction, bool wrap,
                 Qt::TextElideMode elide) {
    const QRect box(QPoint(0, 0), size);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    option.setTextDirection(direction);
    option.setAlignment(QStyle::visualAlignment(direction, alignment));

    QTextLayout whole(text, font);
    whole.setTextOption(option);
    // Centred text shows from its first line when not all of it fits.
    const bool centred = alignment & Qt::AlignVCenter;
    int lastVisible = -1;
    layOutLines(whole, box.width(), centred ? box.height() : -1, &lastVisible);
    const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, alignment,
                                             whole.boundingRect().size().toSize(), box);
    QPointF start(box.x(), placed.top());

    QString shown;
    qreal height = 0;
    const int lines = whole.lineCount();
    for (int i = 0; i < lines; ++i) {
        const QTextLine line = whole.lineAt(i);
        height += line.height();
        if (height + placed.top() <= box.top()) { // above the box
            start.ry() += line.height();
            continue;
        }
        const bool tooWide = line.naturalTextWidth() > box.width();
        bool lastShown = lastVisible == i;
        if (!tooWide && i + 1 < lines) {
            const int nextHeight = static_cast<int>(height + whole.lineAt(i + 1).height() / 2);
            if (nextHeight + placed.top() > box.height() + box.top())
                lastShown = true;
        }
        QString part = whole.text().mid(line.textStart(), line.textLength());
        if (tooWide || lastShown) {
            if (lastShown) {
                if (part.endsWith(QChar::LineSeparator))
                    part.chop(1);
                part += QChar(0x2026);
            }
            shown += QFontMetrics(font).elidedText(part, elide, box.width());
            if (i < lines - 1 && !shown.endsWith(QChar::LineSeparator))
                shown += QChar::LineSeparator;
        } else {
            shown += part;
        }
        if (height + placed.top() >= box.bottom() || (lastVisible >= 0 && lastVisible == i))
            break;
    }

    out.layout.setText(shown);
    out.layout.setFont(font);
    out.layout.setTextOption(option);
    layOutLines(out.layout, box.width());
    out.offset = start;
}

bool opaqueColour(const QBrush& brush) {
    return brush.style() == Qt::SolidPattern && brush.color().alpha() == 255;
}

// The one opaque colour the whole cell shows under its text once its ground is painted: its
// own ground's, or else the view's, which the view paints before its cells (invalid when it is
// not one opaque colour, or when the view paints rows of its own ground).
QColor groundUnder(const QStyleOptionViewItem& opt, const QBrush& ground) {
    if (ground.style() != Qt::NoBrush)
        return opaqueColour(ground) ? ground.color() : QColor();
    const auto* view = qobject_cast<const QAbstractScrollArea*>(opt.widget);
    const QWidget* viewport = view ? view->viewport() : nullptr;
    if (!viewport || !viewport->autoFillBackground() ||
        (opt.features & QStyleOptionViewItem::Alternate))
        return QColor();
    const QBrush& base = viewport->palette().brush(viewport->backgroundRole());
    return opaqueColour(base) ? base.color() : QColor();
}

} // namespace

bool paintPlainCell(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) {
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (!commonItemPainting(style) || (option.state & QStyle::State_Editing) ||
        !option.showDecorationSelected || !index.isValid())
        return false;

    QModelRoleData roles[] = {
        QModelRoleData(Qt::DisplayRole),    QModelRoleData(Qt::TextAlignmentRole),
        QModelRoleData(Qt::BackgroundRole), QModelRoleData(Qt::DecorationRole),
        QModelRoleData(Qt::CheckStateRole), QModelRoleData(Qt::FontRole),
        QModelRoleData(Qt::ForegroundRole)};
    index.multiData(roles);
    for (int i = 3; i < 7; ++i)
        if (roles[i].data().isValid())
            return false;
    const QVariant& display = roles[0].data();
    if (display.isValid() && display.metaType() != QMetaType::fromType<QString>())
        return false;
    const QString text = display.toString();
    if (text.contains(QLatin1Char('\n')))
        return false;

    // The option the style would be given, for what is asked of the style itself.
    QStyleOptionViewItem opt = option;
    opt.displayAlignment = alignmentOf(roles[1].data(), option.displayAlignment);
    if (roles[2].data().isValid())
        opt.backgroundBrush = qvariant_cast<QBrush>(roles[2].data());
    if (display.isValid()) {
        opt.features |= QStyleOptionViewItem::HasDisplay;
        opt.text = text;
    }

    const bool selected = opt.state & QStyle::State_Selected;
    // The ground: the selection, or the cell's own colour.
    QPalette::ColorGroup group =
        (widget ? widget->isEnabled() : (opt.state & QStyle::State_Enabled)) ? QPalette::Normal
                                                                             : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const bool selectionGround =
        selected && style->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &opt, widget);
    const QBrush ground = selectionGround ? opt.palette.brush(group, QPalette::Highlight)
                          : selected      ? QBrush() // the text's part only, below
                                          : opt.backgroundBrush;

    // The text's colour and options; its layout is looked up only when the cell is painted.
    QColor pen;
    int flags = 0;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect box = opt.rect.adjusted(margin, 0, -margin, 0);
    const bool wrap = opt.features & QStyleOptionViewItem::WrapText;
    if (!text.isEmpty()) {
        QPalette::ColorGroup textGroup =
            (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        if (textGroup == QPalette::Normal && !(opt.state & QStyle::State_Active))
            textGroup = QPalette::Inactive;
        pen = opt.palette.color(textGroup, selected ? QPalette::HighlightedText : QPalette::Text);
        flags = static_cast<int>(opt.displayAlignment) | (wrap ? 1 << 24 : 0) |
                (opt.direction == Qt::RightToLeft ? 1 << 25 : 0) |
                (static_cast<int>(opt.textElideMode) << 26);
    }
    // Ground and text as painted from the cell's top-left at the given point.
    const auto paintCell = [&](QPainter* on, QPoint origin) {
        const QPoint shift = origin - opt.rect.topLeft();
        const QRect rect = opt.rect.translated(shift);
        if (ground.style() != Qt::NoBrush) {
            const QPointF brushOrigin = on->brushOrigin();
            on->setBrushOrigin(rect.topLeft());
            on->fillRect(rect, ground);
            on->setBrushOrigin(brushOrigin);
        }
        if (selected) // the text's part of the cell, here all of it
            on->fillRect(rect, opt.palette.brush(group, QPalette::Highlight));
        if (text.isEmpty())
            return;
        const TextLayoutKey key{kCellText, text, opt.font, box.size(), flags};
        const LaidOutText& laid = TextLayoutCache::instance().get(key, [&](LaidOutText& out) {
            layCellText(out, text, opt.font, box.size(), opt.displayAlignment, opt.direction, wrap,
                        opt.textElideMode);
        });
        on->setPen(pen);
        laid.layout.draw(on, QPointF(box.topLeft() + shift) + laid.offset);
    };

    // A cell whose whole ground is one opaque colour is copied from its kept pixels.
    const QImage::Format format = CellImageCache::copyFormat(painter);
    const QColor under =
        format == QImage::Format_Invalid
            ? QColor()
            : groundUnder(opt, selected ? opt.palette.brush(group, QPalette::Highlight) : ground);
    if (under.isValid()) {
        const CellImageKey key{
            text,   opt.font,     opt.rect.size(), flags,
            margin, under.rgba(), pen.rgba(),      static_cast<int>(painter->renderHints()),
            format};
        painter->drawImage(opt.rect.topLeft(),
                           CellImageCache::instance().get(key, [&](QPainter* on) {
                               on->fillRect(QRect(QPoint(0, 0), opt.rect.size()), under);
                               paintCell(on, QPoint(0, 0));
                           }));
    } else {
        painter->save();
        painter->setClipRect(opt.rect,
                             painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        paintCell(painter, opt.rect.topLeft());
        painter->restore();
    }

    if (opt.state & QStyle::State_HasFocus) {
        painter->save();
        painter->setClipRect(opt.rect,
                             painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &opt, widget);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        const QPalette::ColorGroup focusGroup =
            (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        focus.backgroundColor =
            opt.palette.color(focusGroup, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        painter->restore();
    }
    return true;
}

} // namespace host
