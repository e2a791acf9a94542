#include <host/search/Btnpesquisa.h>

#include <host/core/DisplayBatch.h>

#include <host/core/EventBoundary.h>
#include <host/library/MensErro.h>
#include <host/search/SearchWindow.h>

#include <QKeyEvent>
#include <QStyle>

namespace host {

TBtnPesquisa::TBtnPesquisa(QWidget* parent, const QString& name)
    : QToolButton(parent), TControl(this) {
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    setText(QStringLiteral("..."));
    setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    SetHint(QStringLiteral("Pesquisar (F4)"));
    connect(this, &QToolButton::clicked, this, [this] { Guard([this] { Execute(); }); });
}

void TBtnPesquisa::SetAssociate(QWidget* edit) {
    if (associate_)
        associate_->removeEventFilter(this);
    associate_ = edit;
    if (edit)
        edit->installEventFilter(this);
}

bool TBtnPesquisa::eventFilter(QObject* watched, QEvent* event) {
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier && isVisible() &&
            isEnabled()) {
            click();
            return true;
        }
    }
    return QToolButton::eventFilter(watched, event);
}

bool TBtnPesquisa::Execute() {
    bool goOn = true;
    if (OnBeforePesq)
        OnBeforePesq(this, goOn);
    if (!goOn)
        return false;
    dataset::ClientDataSet* ds = DataSource ? DataSource->dataSet() : nullptr;
    if (!ds || !ds->active() || ds->isEmpty())
        Consiste::MensErro(EmptyError.isEmpty() ? QStringLiteral("Não há registros.") : EmptyError);
    bool picked = false;
    if (PesqType == TPesqType::ptArvore && !FieldNivel.isEmpty() && !FieldCodigo.isEmpty()) {
        // The tree shows the codes the user types (the tree code when the rows carry one).
        const QString code =
            ds->findField(QStringLiteral("CDARVPROD")) ? QStringLiteral("CDARVPROD") : FieldCodigo;
        const TreeFields tree{FieldNivel, code, FieldNome};
        picked = RunSearchWindow(ds, Title, QString(), &tree);
    } else {
        picked = RunSearchWindow(ds, Title);
    }
    if (picked && OnAfterPesq) {
        const DisplayBatch batch;
        OnAfterPesq(this);
    }
    return picked;
}

} // namespace host
