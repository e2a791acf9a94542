#pragma once
// TfrmRotiGeral: the suite's base parameter dialog. The input group box grbDadosRel on the
// left; on the right the panel panMenu with panHelp and the button panel panBotoes holding
// the confirm button sbtConfirma. Closing hides the dialog, so the instance and its values
// survive until its owner frees it. Esc closes it too.

#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>
#include <host/forms/Form.h>
#include <host/library/Qvn_msg.h>

namespace host {

class TfrmRotiGeral : public TForm {
    Q_OBJECT
public:
    explicit TfrmRotiGeral(QWidget* parent = nullptr);

    TLabel* lblCodTela;
    TGroupBox* grbDadosRel;
    TPanel* panMenu;
    TPanel* panHelp;
    TPanel* panBotoes;
    TButtonFlat* sbtConfirma;
    TButtonFlat* sbtAjuda;
    TMessages* msgPadrao;

    void FormCreate(QObject* Sender) override;
    // Hides the dialog (caHide).
    void FormClose(QObject* Sender, TCloseAction& Action) override;
    // The confirm button's click; the base one closes the dialog with mrOk.
    virtual void sbtConfirmaClick(QObject* Sender);
    virtual void sbtAjudaClick(QObject* Sender);

    // Lays the dialog out for a client size: the group box on the left, the menu panel in
    // the remaining width on the right.
    void SetClientSize(int width, int height);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Esc closes the dialog as its close button does.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace host
