#include <host/dbcontrols/DBControls.h>

#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/core/DisplayBatch.h>
#include <host/core/EventBoundary.h>
#include <host/forms/Form.h>

#include <QKeyEvent>
#include <QKeySequence>
#include <QStyle>

namespace host {

using dataset::DataSetState;

// --- TDataLinkBase

TDataLinkBase::~TDataLinkBase() {
    for (const auto& c : connections_)
        QObject::disconnect(c);
}

dataset::Field* TDataLinkBase::Field() const {
    dataset::ClientDataSet* dataSet = source_ ? source_->dataSet() : nullptr;
    if (!dataSet || fieldName_.isEmpty())
        return nullptr;
    if (foundIn_ != dataSet || foundVersion_ != dataSet->fieldsVersion()) {
        found_ = dataSet->findField(fieldName_);
        foundIn_ = dataSet;
        foundVersion_ = dataSet->fieldsVersion();
    }
    return found_;
}

void TDataLinkBase::fieldChanged(dataset::Field*) {
    dataChanged();
}

void TDataLinkBase::bind(QObject* self, dataset::DataSource* source, const QString& fieldName) {
    for (const auto& c : connections_)
        QObject::disconnect(c);
    connections_.clear();
    self_ = self;
    source_ = source;
    fieldName_ = fieldName;
    foundIn_ = nullptr;
    if (source) {
        using DS = dataset::DataSource;
        connections_ << QObject::connect(source, &DS::dataChanged, self, [this] {
            dataChanged();
        }) << QObject::connect(source, &DS::scrolled, self, [this] {
            dataChanged();
        }) << QObject::connect(source, &DS::layoutChanged, self, [this](dataset::Field* f) {
            // Another field's mask shows nothing here.
            if (!f || f == Field())
                dataChanged();
        }) << QObject::connect(source, &DS::stateChanged, self, [this] {
            stateChanged();
            dataChanged();
        }) << QObject::connect(source, &DS::recordChanged, self, [this](dataset::Field* f) {
            fieldChanged(f);
        });
    }
    dataChanged();
}

// --- TDBEdit

TDBEdit::TDBEdit(QWidget* parent) : TEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { modified_ = true; });
}

TDBEdit::~TDBEdit() {
    if (DataSource())
        DataSource()->removeEditor(this);
}

void TDBEdit::SetDataSource(dataset::DataSource* source) {
    if (DataSource())
        DataSource()->removeEditor(this);
    bind(this, source, DataField());
    if (source)
        source->addEditor(this, [this] { UpdateRecord(); });
}

void TDBEdit::SetDataField(const QString& fieldName) {
    bind(this, DataSource(), fieldName);
}

void TDBEdit::showField(bool editing, bool fireChange) {
    displayPending_ = false;
    dataset::Field* f = Field();
    const bool active = f && DataSource()->dataSet()->active();
    QString mask;
    QString text;
    if (active) {
        if (editing) {
            mask = f->editMask();
            text = f->editText();
        } else {
            text = f->displayText();
        }
    }
    editing_ = editing;
    {
        // The field, and so its size, may be new; a text cut here is replaced below.
        const bool wasQuiet = quietChange_;
        quietChange_ = true;
        applyMaxLength();
        quietChange_ = wasQuiet;
    }
    const bool readOnly = lineReadOnly();
    // A record change, a state change and a recalculation each ask again: when what would be
    // shown is what is shown, the line edit is left alone (its text layout is the costly part).
    if (!modified_ && shownValid_ && shownText_ == text && shownMask_ == mask &&
        isReadOnly() == readOnly && QLineEdit::text() == shownLineText_)
        return;
    const QString qtMask = mask.isEmpty() ? QString() : dataset::toQtInputMask(mask);
    const bool wasQuiet = quietChange_;
    quietChange_ = !fireChange;
    const bool sameMask = inputMask() == qtMask;
    if (!sameMask)
        setQtInputMask(qtMask);
    // Compare values, not texts: a masked text carries the literals and blanks.
    const QString shown = mask.isEmpty() ? this->text() : f->valueFromEditText(this->text());
    if (!sameMask || shown != text || (mask.isEmpty() && displayText() != text)) {
        const int cursor = cursorPosition();
        setText(text);
        if (editing && hasFocus())
            setCursorPosition(qMin(cursor, static_cast<int>(this->text().size())));
    }
    quietChange_ = wasQuiet;
    setReadOnly(readOnly);
    shownValid_ = true;
    shownText_ = text;
    shownMask_ = mask;
    shownLineText_ = QLineEdit::text();
}

int TDBEdit::lengthLimit() const {
    const int declared = TEdit::lengthLimit();
    const dataset::Field* f = Field();
    // The display text, or a get-text handler's, may be longer than what is stored.
    if (!editing_ || !f || f->onGetText || f->dataType() != dataset::FieldType::String ||
        f->size() <= 0)
        return declared;
    return declared > 0 ? qMin(declared, f->size()) : f->size();
}

void TDBEdit::Reset() {
    modified_ = false;
    showField(editing_, true);
}

void TDBEdit::dataChanged() {
    modified_ = false;
    if (!deferDisplay())
        showField(editing_, true);
}

bool TDBEdit::deferDisplay() {
    if (!DisplayBatch::IsOpen() || hasFocus() || OnChange || OnEnter || OnExit)
        return false;
    if (!displayPending_) {
        displayPending_ = true;
        DisplayBatch::Defer(this, [this] { showPendingText(); });
    }
    return true;
}

// A batch still open when Qt paints (a message box of a failed check) or when code reads the
// text: the value is shown first.
void TDBEdit::paintEvent(QPaintEvent* event) {
    showPendingText();
    TEdit::paintEvent(event);
}

void TDBEdit::showPendingText() {
    if (displayPending_)
        showField(editing_, true);
}

void TDBEdit::fieldChanged(dataset::Field* field) {
    if (field && field != Field())
        return;
    dataChanged();
}

void TDBEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    setReadOnly(lineReadOnly());
}

bool TDBEdit::lineReadOnly() const {
    dataset::Field* f = Field();
    const bool active = f && DataSource()->dataSet()->active();
    return readOnly_ || !active || f->readOnly() || f->isCalculated();
}

bool TDBEdit::startEditing() {
    dataset::Field* f = Field();
    if (!f || isReadOnly())
        return false;
    const DataSetState state = DataSource()->dataSet()->state();
    if (state == DataSetState::Edit || state == DataSetState::Insert)
        return true;
    bool ok = false;
    Guard([&] { ok = DataSource()->edit(); });
    return ok;
}

void TDBEdit::UpdateRecord() {
    if (!modified_)
        return;
    dataset::Field* f = Field();
    if (!f)
        return;
    f->setEditText(f->valueFromEditText(text()));
    modified_ = false;
}

void TDBEdit::DoExit() {
    UpdateRecord();
    if (editing_)
        showField(false, false);
    TControl::DoExit();
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    const bool changesText = (!event->text().isEmpty() && event->text().at(0).isPrint() &&
                              !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) ||
                             event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
                             event->matches(QKeySequence::Paste) ||
                             event->matches(QKeySequence::Cut);
    if (event->key() == Qt::Key_Escape && modified_) {
        // Escape drops what was typed, as the classic data-aware edits do.
        Reset();
        SelectAll();
        event->accept();
        return;
    }
    if (changesText && !startEditing()) {
        event->accept();
        return;
    }
    TEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    if (!editing_ && !modified_)
        showField(true, false);
    TEdit::focusInEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    TEdit::focusOutEvent(event);
    // The focus went to another control of the form without this edit's exit (a move that
    // was undone): nothing typed, so show the display text again.
    TForm* form = ParentForm();
    if (editing_ && !modified_ && form && form->ActiveControl() != this &&
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        showField(false, false);
}

// --- TDBText

TDBText::TDBText(QWidget* parent) : TLabel(parent) {
    SetAutoSize(false);
}

void TDBText::SetDataSource(dataset::DataSource* source) {
    bind(this, source, DataField());
}
void TDBText::SetDataField(const QString& fieldName) {
    bind(this, DataSource(), fieldName);
}

void TDBText::dataChanged() {
    dataset::Field* f = Field();
    setText(f && DataSource()->dataSet()->active() ? f->displayText() : QString());
}

// --- TDBNavigator

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    struct ButtonDef {
        TNavigateBtn button;
        QStyle::StandardPixmap icon;
        const char* hint;
    };
    const ButtonDef buttons[] = {
        {nbFirst, QStyle::SP_MediaSkipBackward, "Primeiro"},
        {nbPrior, QStyle::SP_MediaSeekBackward, "Anterior"},
        {nbNext, QStyle::SP_MediaSeekForward, "Próximo"},
        {nbLast, QStyle::SP_MediaSkipForward, "Último"},
        {nbInsert, QStyle::SP_FileDialogNewFolder, "Incluir"},
        {nbDelete, QStyle::SP_TrashIcon, "Excluir"},
        {nbEdit, QStyle::SP_FileDialogDetailedView, "Alterar"},
        {nbPost, QStyle::SP_DialogApplyButton, "Confirmar"},
        {nbCancel, QStyle::SP_DialogCancelButton, "Cancelar"},
        {nbRefresh, QStyle::SP_BrowserReload, "Atualizar"},
    };
    for (const ButtonDef& s : buttons) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(s.icon));
        b->setToolTip(QString::fromUtf8(s.hint));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        const TNavigateBtn which = s.button;
        connect(b, &QToolButton::clicked, this, [this, which] { Guard([&] { BtnClick(which); }); });
        buttons_.append({s.button, b});
    }
    layoutButtons();
    dataChanged();
}

void TDBNavigator::SetDataSource(dataset::DataSource* source) {
    bind(this, source, QString());
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
    visible_ = buttons;
    layoutButtons();
}

QToolButton* TDBNavigator::Button(TNavigateBtn button) const {
    for (const auto& [which, b] : buttons_)
        if (which == button)
            return b;
    return nullptr;
}

void TDBNavigator::layoutButtons() {
    int count = 0;
    for (const auto& [which, b] : buttons_)
        if (visible_ & which)
            ++count;
    const int w = count ? width() / count : 0;
    int x = 0;
    for (const auto& [which, b] : buttons_) {
        b->setVisible(visible_ & which);
        if (visible_ & which) {
            b->setGeometry(x, 0, w, height());
            x += w;
        }
    }
}

void TDBNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutButtons();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    dataset::ClientDataSet* ds = DataSource() ? DataSource()->dataSet() : nullptr;
    if (!ds || !ds->active())
        return;
    switch (button) {
    case nbFirst:
        ds->first();
        break;
    case nbPrior:
        ds->prior();
        break;
    case nbNext:
        ds->next();
        break;
    case nbLast:
        ds->last();
        break;
    case nbInsert:
        ds->insert();
        break;
    case nbDelete:
        ds->remove();
        break;
    case nbEdit:
        ds->edit();
        break;
    case nbPost:
        ds->post();
        break;
    case nbCancel:
        ds->cancel();
        break;
    case nbRefresh:
        break;
    }
    if (OnClick)
        OnClick(this, button);
}

void TDBNavigator::dataChanged() {
    dataset::ClientDataSet* ds = DataSource() ? DataSource()->dataSet() : nullptr;
    const bool active = ds && ds->active();
    const bool browsing = active && ds->state() == DataSetState::Browse;
    const bool editing = active && !browsing;
    const bool empty = !active || ds->isEmpty();
    for (const auto& [which, b] : buttons_) {
        bool on = active;
        switch (which) {
        case nbFirst:
        case nbPrior:
            on = active && !empty && (editing || !ds->bof()) && ds->recNo() > 1;
            break;
        case nbNext:
        case nbLast:
            on = active && !empty && ds->recNo() < ds->recordCount();
            break;
        case nbDelete:
        case nbEdit:
            on = browsing && !empty;
            break;
        case nbPost:
        case nbCancel:
            on = editing;
            break;
        default:
            break;
        }
        b->setEnabled(on);
    }
}

} // namespace host
