#pragma once
// Unit Cli_est25000: the sample-processing screen TfrmAmostraProc (screen EST25000), its
// factory CriaAmostraProc and the package's entry IniProc.

#include <Frmpadr.h>

#include <QString>

#include <memory>

namespace dataset {
class ClientDataSet;
class DataSource;
} // namespace dataset
namespace Quorvan {
struct tagMSG;
}
namespace host {
class TBtnPesquisa;
}
class TADOIBQuery;
class TNetConnection;

namespace Cli_est25000 {

class TfrmAmostraProc;

// The one sample screen; meaningful only while boIdCriado is true.
extern TfrmAmostraProc* frmAmostraProc;
// True while a screen instance exists.
extern bool boIdCriado;
// True from the creation of a screen until its first activation, which opens the filter.
extern bool boPrimVez;
// True while a whole sample is being deleted.
extern bool boDelAmostra;
// True while a sample is deleted from the list or the list is reloaded after a confirmation.
extern bool boDelete;
// True while the item grid clears the principal flag of the other items.
extern bool boLoop;
// Tree code of the item last posted as principal; empty when it was not principal.
extern QString stProdPrinc;

// Creates the screen when none exists, shows it and restores it to normal size.
void CriaAmostraProc();

void Initialization();
void Finalization();

class TfrmAmostraProc : public host::TfrmPadrao {
    Q_OBJECT
public:
    TfrmAmostraProc();
    ~TfrmAmostraProc() override;

    // --- Handlers
    void FormCreate(QObject* Sender) override;
    void FormActivate(QObject* Sender) override;
    void FormDeactivate(QObject* Sender) override;
    void FormClose(QObject* Sender, host::TCloseAction& Action) override;
    void pgcPadraoChange(QObject* Sender) override;
    void dtsPadraoStateChange(QObject* Sender) override;
    void netAmostraProcBeforeConnect(QObject* Sender);
    void netEstoqueBeforeConnect(QObject* Sender);
    void netInfoProdBeforeConnect(QObject* Sender);
    void OnMessage(Quorvan::tagMSG& Msg, bool& Handled);
    void cdsAmostraProcAfterScroll(dataset::ClientDataSet& DataSet);
    void cdsAmostraProcCalcFields(dataset::ClientDataSet& DataSet);
    void dbgPadraoEnter(QObject* Sender);
    void sbtFiltroClick(QObject* Sender);
    void sbtVisualizaErrosClick(QObject* Sender);

    // --- Checks and tests over the server's answer
    void Vd_SomaItens();
    bool RetornouErro();
    bool ResultErroItem(const QString& cdObjeto);

    // --- Data
    dataset::ClientDataSet* cdsAmostraProc;
    dataset::ClientDataSet* cdsItemAmostra;
    dataset::ClientDataSet* cdsProdAmostra;
    dataset::ClientDataSet* cdsNotaFiscal;
    dataset::ClientDataSet* cdsParamFilial;
    dataset::ClientDataSet* cdsValidQuant;
    dataset::ClientDataSet* cdsPosicao;
    // The error rows of the server's last answer; created with the screen (FormCreate).
    dataset::ClientDataSet* cdsErros() const { return cdsErros_.get(); }
    TADOIBQuery* qrySerieNF;
    TADOIBQuery* qryFornecedor;
    TADOIBQuery* qryValidProdItem;
    TADOIBQuery* qryProdItem;
    dataset::DataSource* dtsItemAmostra;
    dataset::DataSource* dtsProdAmostra;
    dataset::DataSource* dtsFornecedor;
    dataset::DataSource* dtsSerieNF;
    dataset::DataSource* dtsNotaFiscal;
    dataset::DataSource* dtsProdItem;
    dataset::DataSource* dtsPosicao;
    TNetConnection* netAmostraProc;
    TNetConnection* netEstoque;
    TNetConnection* netInfoProd;

    // --- Controls
    host::TButtonFlat* sbtFiltro;
    host::TButtonFlat* sbtVisualizaErros;
    host::TPanel* panAmostra;
    host::TGroupBox* grbDadosAmostra;
    host::TLabel* lblNrAmostra;
    host::TDBEdit* dbeNrAmostra;
    host::TLabel* lblDescAmostra;
    host::TDBEdit* dbeDescAmostra;
    host::TLabel* lblNrInscForn;
    host::TDBEdit* dbeNrInscForn;
    host::TBtnPesquisa* btpFornecedor;
    host::TLabel* lblNmRazSocForn;
    host::TDBEdit* dbeNmRazSocForn;
    host::TLabel* lblCdSerie;
    host::TDBEdit* dbeCdSerie;
    host::TBtnPesquisa* btpSerie;
    host::TLabel* lblNrNotaFisc;
    host::TDBEdit* dbeNrNotaFisc;
    host::TBtnPesquisa* btpNrNf;
    host::TLabel* lblCdProduto;
    host::TDBEdit* dbeCdProduto;
    host::TBtnPesquisa* btpProduto;
    host::TLabel* lblNmProduto;
    host::TDBEdit* dbeNmProduto;
    host::TLabel* lblQuantProd;
    host::TDBEdit* dbeQuantProd;
    host::TLabel* lblUnidProd;
    host::TDBEdit* dbeUnidProd;
    host::TPanel* panItensAmostra;
    host::TGroupBox* grbItensAmostra;
    host::TDBGrid* dbgItensAmostra;

private:
    void criaDados();
    void criaCabecalho();
    void criaGrades();
    void carregaItens();
    void atualizaPaginas();
    void teclado(Quorvan::tagMSG& Msg);
    void moveParaOutroContainer(QWidget* inicio, bool avante);

    std::unique_ptr<dataset::ClientDataSet> cdsErros_;
};

} // namespace Cli_est25000

extern "C" void IniProc();
