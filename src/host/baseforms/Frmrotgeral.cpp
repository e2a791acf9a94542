#include <host/baseforms/Frmrotgeral.h>

#include <host/core/EventBoundary.h>
#include <host/forms/Dialogs.h>
#include <host/forms/HelpWindow.h>

#include <QKeyEvent>

#include <QStyle>

namespace host {

TfrmRotiGeral::TfrmRotiGeral(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmRotiGeral"));
    SetBorderStyle(TBorderStyle::bsDialog);
    SetBorderIcons(biSystemMenu);

    grbDadosRel = new TGroupBox(this);
    grbDadosRel->setObjectName(QStringLiteral("grbDadosRel"));
    panMenu = new TPanel(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panHelp = new TPanel(panMenu);
    panHelp->setObjectName(QStringLiteral("panHelp"));
    panHelp->SetBevelOuter(TBevelCut::bvNone);
    lblCodTela = new TLabel(panHelp);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    // The screen code fills the narrow panel's width in a smaller bold font.
    QFont codeFont = lblCodTela->font();
    codeFont.setBold(true);
    codeFont.setPixelSize(10);
    lblCodTela->setFont(codeFont);
    lblCodTela->SetAutoSize(false);
    lblCodTela->SetAlignment(TAlignment::taCenter);
    sbtAjuda = new TButtonFlat(panHelp, QStringLiteral("sbtAjuda"));
    sbtAjuda->SetHint(QStringLiteral("Ajuda"));
    sbtAjuda->SetGlyph(HelpGlyph());
    panBotoes = new TPanel(panMenu);
    panBotoes->setObjectName(QStringLiteral("panBotoes"));
    panBotoes->SetBevelOuter(TBevelCut::bvNone);
    sbtConfirma = new TButtonFlat(panBotoes, QStringLiteral("sbtConfirma"));
    sbtConfirma->SetHint(QStringLiteral("Confirmar"));
    sbtConfirma->SetGlyph(style()->standardIcon(QStyle::SP_DialogApplyButton));
    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));

    sbtConfirma->OnClick = [this](QObject* s) { sbtConfirmaClick(s); };
    sbtAjuda->OnClick = [this](QObject* s) { sbtAjudaClick(s); };
    SetClientSize(484, 180);
}

void TfrmRotiGeral::SetClientSize(int width, int height) {
    TForm::SetClientSize(width, height);
    const int menuWidth = qMin(55, qMax(40, width / 8));
    grbDadosRel->SetBounds(0, 0, width - menuWidth, height);
    panMenu->SetBounds(width - menuWidth, 0, menuWidth, height);
    panHelp->SetBounds(2, 2, menuWidth - 4, 44);
    lblCodTela->SetBounds(0, 2, menuWidth - 4, 14);
    sbtAjuda->SetBounds((menuWidth - 4 - 21) / 2, 20, 21, 21);
    panBotoes->SetBounds(2, 48, menuWidth - 4, height - 50);
    sbtConfirma->SetBounds((menuWidth - 4 - 21) / 2, 4, 21, 21);
}

void TfrmRotiGeral::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
}

void TfrmRotiGeral::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        Guard([this] { Close(); });
        return;
    }
    // The confirm button takes no focus: Ctrl+Enter presses it from the keyboard.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        event->accept();
        Guard([this] { sbtConfirma->Click(); });
        return;
    }
    TForm::keyPressEvent(event);
}

void TfrmRotiGeral::FormCreate(QObject*) {}

void TfrmRotiGeral::FormClose(QObject*, TCloseAction& Action) {
    Action = TCloseAction::caHide;
}

void TfrmRotiGeral::sbtConfirmaClick(QObject*) {
    if (Modal())
        SetModalResult(mrOk);
    else
        Close();
}

void TfrmRotiGeral::sbtAjudaClick(QObject*) {
    ShowHelp(HelpFile(), HelpContext());
}

} // namespace host
