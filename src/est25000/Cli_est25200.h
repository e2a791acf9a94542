#pragma once
// Unit Cli_est25200: the sample filter dialog TfrmFiltroAmostraProc (screen EST25200) and its
// factory CriaFiltroAmostraProc. The dialog collects a sample-number range, a supplier and a
// product range, validates them against the database and loads the matching samples from the
// server into the screen's list; closing it only hides it, so the screen can re-apply it.

#include <Frmrotgeral.h>

#include <QString>

#include <memory>

class TDBPicture;
class TADOIBQuery;
class TMaskEdit;
class TEdit;
class TLabel;
class TGroupBox;
class TBtnPesquisa;
class TButtonFlat;
namespace dataset {
class DataSource;
}

namespace Cli_est25200 {

class TfrmFiltroAmostraProc;

// The dialog instance; null until the screen first opens it, then kept (hidden) until the
// screen closes.
extern TfrmFiltroAmostraProc* frmFiltroAmostraProc;

// Creates the dialog when frmFiltroAmostraProc is null and shows it modally.
void CriaFiltroAmostraProc();

void Initialization();
void Finalization();

class TfrmFiltroAmostraProc : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmFiltroAmostraProc(QWidget* owner = nullptr);
    ~TfrmFiltroAmostraProc() override;

    void FormCreate(QObject* Sender) override;
    void FormActivate(QObject* Sender) override;
    void FormClose(QObject* Sender, host::TCloseAction& Action) override;
    void sbtConfirmaClick(QObject* Sender) override;
    void sbtDesfazerClick(QObject* Sender);
    void medInterInicExit(QObject* Sender);
    void medInterFinalExit(QObject* Sender);
    void medFornecedorExit(QObject* Sender);
    void medProdInicExit(QObject* Sender);
    void medProdFimExit(QObject* Sender);
    void medFornecedorChange(QObject* Sender);
    void medProdInicChange(QObject* Sender);
    void medProdFimChange(QObject* Sender);
    void btnFornecedorBeforePesq(QObject* Sender, bool& Continua);
    void btnFornecedorAfterPesq(QObject* Sender);
    void btnProdIniBeforePesq(QObject* Sender, bool& Continua);
    void btnProdIniAfterPesq(QObject* Sender);
    void btnProdFinalBeforePesq(QObject* Sender, bool& Continua);
    void btnProdFinalAfterPesq(QObject* Sender);

    void Vd_Fornecedor(const QString& nrInscricao);
    void Vd_Produto(TMaskEdit* codigo, TEdit* nome);

    TGroupBox* GroupBox1;
    TLabel* Label1;
    TMaskEdit* medInterInic;
    TLabel* Label2;
    TMaskEdit* medInterFinal;
    TGroupBox* GroupBox2;
    TMaskEdit* medFornecedor;
    TBtnPesquisa* btnFornecedor;
    TEdit* edtNmFornecedor;
    TGroupBox* GroupBox3;
    TLabel* Label3;
    TMaskEdit* medProdInic;
    TBtnPesquisa* btnProdIni;
    TEdit* edtProdInic;
    TLabel* Label4;
    TMaskEdit* medProdFim;
    TBtnPesquisa* btnProdFinal;
    TEdit* edtProdFinal;
    TButtonFlat* sbtDesfazer;

    TADOIBQuery* qryFornecedor;
    TADOIBQuery* qryValidForn;
    TADOIBQuery* qryProduto;
    TADOIBQuery* qryValidProd;
    dataset::DataSource* dtsFornecedor;
    dataset::DataSource* dtsProduto;

private:
    void criaComponentes();
    void focaSeVisivel(TMaskEdit* campo);
};

} // namespace Cli_est25200
