#include <host/controls/StdControls.h>

#include <host/controls/TextLayoutCache.h>

#include <host/core/EventBoundary.h>
#include <host/core/VirtualKeys.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextDocument>

namespace host {

// --- TLabel

TLabel::TLabel(QWidget* parent, const QString& caption) : QLabel(parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    SetCaption(caption);
}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    if (autoSize_)
        adjustSize();
}

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on)
        adjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taLeftJustify:
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        break;
    case TAlignment::taRightJustify:
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case TAlignment::taCenter:
        setAlignment(Qt::AlignCenter);
        break;
    }
}

void TLabel::SetBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
    if (autoSize_)
        adjustSize();
}

const TLabel::Measure& TLabel::measured() const {
    const QString caption = text();
    if (measure_.text != caption || measure_.font != font()) {
        measure_ = Measure{caption, font(), 0, -1, QString()};
        QString shown = caption;
        shown.remove(QLatin1Char('&')); // measured without the accelerator's mark
        measure_.width = fontMetrics().horizontalAdvance(shown);
    }
    return measure_;
}

int TLabel::CaptionWidth() const {
    return measured().width;
}

void TLabel::changeEvent(QEvent* event) {
    // A style or screen may measure the same font otherwise.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        measure_ = Measure();
    QLabel::changeEvent(event);
}

bool TLabel::plainCaption(const QString& caption) const {
    return textFormat() != Qt::RichText && textFormat() != Qt::MarkdownText && isEnabled() &&
           margin() == 0 && indent() < 0 && frameWidth() == 0 &&
           !(textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard)) &&
           !caption.contains(QLatin1Char('&'));
}

int TLabel::roomForText() const {
    int right = width();
    if (QWidget* parent = parentWidget()) {
        for (QObject* o : parent->children()) {
            auto* other = qobject_cast<QLabel*>(o);
            if (!other || other == this || !other->isVisibleTo(parent))
                continue;
            // A neighbour clips only where its text is painted: an empty one paints nothing,
            // and a right-justified one starts its text at the right of its bounds.
            QString shown = other->text();
            shown.remove(QLatin1Char('&'));
            if (shown.isEmpty())
                continue;
            const QRect g = other->geometry();
            int left = g.left();
            if (other->alignment() & Qt::AlignRight) {
                auto* label = qobject_cast<TLabel*>(other);
                const int width =
                    label ? label->CaptionWidth() : other->fontMetrics().horizontalAdvance(shown);
                left = qMax(left, g.right() - other->contentsMargins().right() - width);
            }
            const bool sameLine = g.top() < geometry().bottom() && g.bottom() > geometry().top();
            if (sameLine && left > x() && left < x() + right)
                right = left - x() - 3;
        }
    }
    return right - contentsMargins().left() - contentsMargins().right();
}

void TLabel::paintEvent(QPaintEvent* event) {
    const QString caption = text();
    if (wordWrap() || caption.isEmpty() || Qt::mightBeRichText(caption)) {
        QLabel::paintEvent(event);
        return;
    }
    const int room = roomForText();
    const bool plain = plainCaption(caption);
    if (measured().width <= room) {
        if (!plain) {
            QLabel::paintEvent(event);
            return;
        }
        // As QLabel writes a plain caption, with its layout kept.
        QPainter painter(this);
        drawFrame(&painter);
        painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
        paintText(&painter, contentsRect(),
                  static_cast<int>(QStyle::visualAlignment(Qt::LeftToRight, alignment())) |
                      Qt::TextForceLeftToRight,
                  caption);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    QRect area = contentsRect();
    area.setWidth(qMax(0, room));
    if (measure_.room != area.width()) {
        QString shown = caption;
        shown.remove(QLatin1Char('&'));
        measure_.elided = fontMetrics().elidedText(shown, Qt::ElideRight, area.width());
        measure_.room = area.width();
    }
    if (!plain) {
        style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                              measure_.elided, foregroundRole());
        return;
    }
    painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
    paintText(&painter, area, static_cast<int>(alignment()), measure_.elided);
}

// --- TEdit

TEdit::TEdit(QWidget* parent) : QLineEdit(parent), TControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QLineEdit::textChanged, this, [this] {
        // Without the focus a long text shows its start, not its end.
        if (!hasFocus())
            setCursorPosition(0);
        if (OnChange && !quietChange_)
            Guard([this] { OnChange(this); });
    });
}

void TEdit::SetMaxLength(int length) {
    declaredMaxLength_ = qMax(0, length);
    applyMaxLength();
}

void TEdit::applyMaxLength() {
    if (!inputMask().isEmpty())
        return;
    const int limit = lengthLimit();
    const int wanted = limit > 0 ? limit : 32767;
    if (maxLength() != wanted)
        setMaxLength(wanted);
}

void TEdit::setQtInputMask(const QString& qtMask) {
    setInputMask(qtMask);
    if (qtMask.isEmpty())
        applyMaxLength();
}

QString TEdit::applyCase(const QString& text) const {
    switch (charCase_) {
    case TEditCharCase::ecUpperCase:
        return text.toUpper();
    case TEditCharCase::ecLowerCase:
        return text.toLower();
    case TEditCharCase::ecNormal:
        break;
    }
    return text;
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        int key = virtualKeyOf(*event);
        const int original = key;
        Guard([&] { OnKeyDown(this, key, event->modifiers()); });
        if (key == 0 && original != 0) {
            event->accept();
            return;
        }
    }
    if (charCase_ != TEditCharCase::ecNormal && !event->text().isEmpty() &&
        event->text().at(0).isPrint()) {
        QKeyEvent changed(event->type(), event->key(), event->modifiers(), applyCase(event->text()),
                          event->isAutoRepeat(), event->count());
        QLineEdit::keyPressEvent(&changed);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Entering by keyboard selects the whole text, as the classic edits do. A masked edit
    // selects it however the focus arrives (also with its window's activation, as at a form's
    // first showing) so that typing replaces the blanks; a click places the cursor afterwards.
    const bool byKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                            reason == Qt::OtherFocusReason;
    const bool masked =
        !inputMask().isEmpty() && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason;
    if (byKeyboard || masked)
        SelectAll();
}

int TEdit::typedEnd() const {
    const QString mask = inputMask().section(QLatin1Char(';'), 0, 0);
    const QString blankSection = inputMask().section(QLatin1Char(';'), 1);
    const QChar blank = blankSection.isEmpty() ? QLatin1Char(' ') : blankSection.at(0);
    const QString shown = displayText();
    static const QString placeholders = QStringLiteral("AaNnXx90Dd#HhBb");
    QList<int> places; // positions that take a typed character
    int position = 0;
    int end = 0;
    for (int i = 0; i < mask.size() && position < shown.size(); ++i) {
        const QChar m = mask.at(i);
        if (m == QLatin1Char('>') || m == QLatin1Char('<') || m == QLatin1Char('!'))
            continue; // case switches take no position
        if (m == QLatin1Char('\\')) {
            ++i; // the next character is a literal
            ++position;
            continue;
        }
        if (placeholders.contains(m)) {
            places.append(position);
            if (shown.at(position) != blank)
                end = position + 1;
        }
        ++position;
    }
    // The first blank after the typed text: a literal there would make Qt step back onto the
    // last typed character, which a masked edit overwrites.
    for (int place : places)
        if (place >= end)
            return place;
    return static_cast<int>(shown.size());
}

void TEdit::keepCursorInTypedText() {
    if (inputMask().isEmpty() || hasSelectedText())
        return;
    const int end = typedEnd();
    if (cursorPosition() > end)
        setCursorPosition(end);
}

void TEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        keepCursorInTypedText();
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        keepCursorInTypedText();
}

// --- TListBox

namespace {

// Gives every line of a list box the same height.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

} // namespace

void TListBox::SetItemHeight(int height) {
    itemHeight_ = height;
    QAbstractItemDelegate* previous = itemDelegate();
    setItemDelegate(height > 0 ? new FixedHeightDelegate(height, this)
                               : new QStyledItemDelegate(this));
    if (previous && previous->parent() == this)
        previous->deleteLater();
}

TListBox::TListBox(QWidget* parent) : QListWidget(parent), TControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QListWidget::itemClicked, this, [this] {
        if (OnClick)
            Guard([this] { OnClick(this); });
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] {
        if (OnDblClick)
            Guard([this] { OnDblClick(this); });
    });
}

QStringList TListBox::Items() const {
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out.append(item(i)->text());
    return out;
}

void TListBox::SetItems(const QStringList& items) {
    clear();
    addItems(items);
}

// --- TPanel

TPanel::TPanel(QWidget* parent) : QFrame(parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    SetBevelOuter(TBevelCut::bvRaised);
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanel::SetBevelOuter(TBevelCut cut) {
    switch (cut) {
    case TBevelCut::bvNone:
        setFrameStyle(QFrame::NoFrame);
        break;
    case TBevelCut::bvLowered:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    case TBevelCut::bvRaised:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    }
}

void TPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    RealignChildren(this);
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter p(this);
    paintText(&p, contentsRect(), Qt::AlignCenter, caption_);
}

// --- TGroupBox

TGroupBox::TGroupBox(QWidget* parent, const QString& caption)
    : QGroupBox(caption, parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
}

void TGroupBox::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    RealignChildren(this);
}

// --- TScrollBox, TImage

TScrollBox::TScrollBox(QWidget* parent) : TPanel(parent) {
    SetBevelOuter(TBevelCut::bvNone);
}

TImage::TImage(QWidget* parent) : QLabel(parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
}

} // namespace host
