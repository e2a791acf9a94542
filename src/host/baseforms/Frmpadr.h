#pragma once
// TfrmPadrao: the suite's base maintenance form, shown as a child window of the main window.
// A list page with a grid of the master records, a form page that receives the screen's own
// panels, a tool bar with the record commands (each with its menu entry), a navigator bar,
// the master data source dtsPadrao whose state enables the commands, and two message tables.
// A derived screen overrides the handlers below and calls the base ones explicitly.

#include <dataset/DataSource.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Menus.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Form.h>
#include <host/library/Qvn_msg.h>

namespace host {

class TfrmPadrao : public TForm {
    Q_OBJECT
public:
    explicit TfrmPadrao(QWidget* parent = nullptr);
    ~TfrmPadrao() override;

    // --- Components
    TMainMenu* mnuMenu;
    TMenuItem* mnuOperacao;
    TMenuItem* mnuIncluir;
    TMenuItem* mnuAlterar;
    TMenuItem* mnuExcluir;
    TMenuItem* mnuConfirmar;
    TMenuItem* mnuCancelar;
    TMenuItem* mnuProcurar;
    TMenuItem* mnuVerificar;
    TMenuItem* mnuListagem;
    TMenuItem* mnuConfigImpressora;
    TMenuItem* mnuFechar;
    TMenuItem* mnuExibir;
    TMenuItem* mnuFolhaDados; // shows the list page
    TMenuItem* mnuFormulario; // shows the form page
    TMenuItem* mnuAjuda;
    TPopupMenu* pmnNavegar;
    TMenuItem* Primeiro1;
    TMenuItem* Anterior1;
    TMenuItem* Proximo1;
    TMenuItem* Ultimo1;
    QObject* prdImprimir; // print dialogs: kept for the forms that name them
    QObject* psdConfigurar;

    TPanel* panMenu;
    TLabel* lblCodTela;
    TButtonFlat* sbtIncluir;
    TButtonFlat* sbtAlterar;
    TButtonFlat* sbtExcluir;
    TButtonFlat* sbtConfirmar;
    TButtonFlat* sbtCancelar;
    TButtonFlat* sbtProcurar;
    TButtonFlat* sbtVerificar;
    TButtonFlat* sbtImprimir;
    TButtonFlat* sbtAjuda;
    TButtonFlat* sbtFechar;

    TPageControl* pgcPadrao;
    TTabSheet* tshFolhaDados;
    TScrollBox* scbFolhaDados;
    TPanel* panDbgPadrao;
    TDBGrid* dbgPadrao;
    TTabSheet* tshFormulario;
    TPanel* panFormulario;
    TScrollBox* scbFormulario;

    TPanel* panNavigator;
    TDBText* dbtNome;
    TDBNavigator* dbnPadrao;

    dataset::DataSource* dtsPadrao;
    TMessages* msgPadrao;
    TMessages* msgMensagensPadroes;

    // --- Handlers (base behaviour)
    void FormCreate(QObject* Sender) override;
    // Lets the form be destroyed (caFree).
    void FormClose(QObject* Sender, TCloseAction& Action) override;
    virtual void pgcPadraoChange(QObject* Sender);
    // Enables the commands from the state of dtsPadrao.
    virtual void dtsPadraoStateChange(QObject* Sender);
    // New: the master dataset inserts a new record.
    virtual void sbtIncluirClick(QObject* Sender);
    // Edit: the master dataset goes into edit state.
    virtual void sbtAlterarClick(QObject* Sender);
    virtual void sbtExcluirClick(QObject* Sender);
    virtual void sbtConfirmarClick(QObject* Sender);
    virtual void sbtCancelarClick(QObject* Sender);
    // Search: the record search over the master list.
    virtual void sbtProcurarClick(QObject* Sender);
    virtual void sbtVerificarClick(QObject* Sender);
    virtual void sbtImprimirClick(QObject* Sender);
    virtual void sbtAjudaClick(QObject* Sender);
    virtual void sbtFecharClick(QObject* Sender);

    // Sets every command button and its menu entry from the state of dtsPadrao.
    void UpdateCommands();
    // Shows a page from a menu entry or code and runs the page-change handling.
    void ShowPage(TTabSheet* page);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    TButtonFlat* toolButton(const QString& name, int left, const QString& hint, int icon);
};

} // namespace host
