#pragma once
// Unit Cli_est25000: the sample-processing screen TfrmAmostraProc (screen EST25000), its
// factory CriaAmostraProc and the package's entry IniProc.

#include <est25000/EstoquePadrao.h>
#include <host/baseforms/Frmpadr.h>
#include <host/dbcontrols/DBGrid.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <memory>

namespace dataset {
class ClientDataSet;
class DataSource;
class Field;
} // namespace dataset
namespace Quorvan {
struct tagMSG;
}
namespace host {
class ChangeJournal;
class TBtnPesquisa;
class TColumn;
} // namespace host
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
    void cdsItemAmostraIDPRODPRINCGetText(dataset::Field& Sender, QString& Text, bool DisplayText);
    void cdsItemAmostraIDPRODPRINCSetText(dataset::Field& Sender, const QString& Text);
    void dbgPadraoEnter(QObject* Sender);
    void sbtFiltroClick(QObject* Sender);
    void sbtVisualizaErrosClick(QObject* Sender);
    // Exibir, "Histórico da amostra": the current stored sample's history, read only.
    void mnuHistoricoClick(QObject* Sender);

    // --- Header: supplier, series and invoice (AmostraProcFornecedor.cpp)
    void Vd_Fornecedor(bool final);
    void Vd_SerieNF(bool final);
    void Vd_NotaFiscal(bool final);
    void dbeNrInscFornEnter(QObject* Sender);
    void dbeNrInscFornChange(QObject* Sender);
    void dbeNrInscFornExit(QObject* Sender);
    void btpFornecedorBeforePesq(QObject* Sender, bool& Continua);
    void btpFornecedorAfterPesq(QObject* Sender);
    void qryFornecedorNRINSJURFORNGetText(dataset::Field& Sender, QString& Text, bool DisplayText);
    void dbeCdSerieChange(QObject* Sender);
    void dbeCdSerieExit(QObject* Sender);
    void btpSerieBeforePesq(QObject* Sender, bool& Continua);
    void btpSerieAfterPesq(QObject* Sender);
    void dbeNrNotaFiscExit(QObject* Sender);
    void btpNrNfBeforePesq(QObject* Sender, bool& Continua);
    void btpNrNfAfterPesq(QObject* Sender);

    // --- Header: description, product and quantity (AmostraProcProduto.cpp)
    void Vd_DescAmostra();
    void Vd_ProdAmostra(bool final);
    void Vd_QuantAmostra(bool final);
    void panAmostraExit(QObject* Sender);
    void dbeCdProdutoChange(QObject* Sender);
    void dbeCdProdutoExit(QObject* Sender);
    void btpProdutoBeforePesq(QObject* Sender, bool& Continua);
    void btpProdutoAfterPesq(QObject* Sender);
    void dbeQuantProdExit(QObject* Sender);

    // --- Item grid (AmostraProcItens.cpp)
    void Vd_ProdItem(bool final);
    void Vd_QuantItem(bool final);
    void dbgItensAmostraEnter(QObject* Sender);
    void dbgItensAmostraExit(QObject* Sender);
    void dbgItensAmostraColEnter(QObject* Sender);
    void dbgItensAmostraColExit(QObject* Sender);
    void dbgItensAmostraEditButtonClick(QObject* Sender);
    void dbgItensAmostraKeyDown(QObject* Sender, int& Key, host::TShiftState Shift);
    void dbgItensAmostraDrawColumnCell(QObject* Sender, const QRect& Rect, int DataCol,
                                       host::TColumn* Column, host::TGridDrawState State);
    void dtsItemAmostraStateChange(QObject* Sender);
    void cdsItemAmostraBeforeInsert(dataset::ClientDataSet& DataSet);
    void cdsItemAmostraAfterInsert(dataset::ClientDataSet& DataSet);
    void cdsItemAmostraAfterEdit(dataset::ClientDataSet& DataSet);
    void cdsItemAmostraBeforePost(dataset::ClientDataSet& DataSet);
    void cdsItemAmostraAfterPost(dataset::ClientDataSet& DataSet);
    void cdsItemAmostraBeforeDelete(dataset::ClientDataSet& DataSet);
    void qryProdItemBeforeOpen(TADOIBQuery& Sender);
    void sbtVerificarClick(QObject* Sender) override;

    // --- Record commands and the server round trip (AmostraProcComandos.cpp)
    void sbtIncluirClick(QObject* Sender) override;
    void sbtAlterarClick(QObject* Sender) override;
    void sbtConfirmarClick(QObject* Sender) override;
    void sbtCancelarClick(QObject* Sender) override;
    void sbtExcluirClick(QObject* Sender) override;
    void sbtProcurarClick(QObject* Sender) override;
    void cdsAmostraProcBeforePost(dataset::ClientDataSet& DataSet);
    void cdsAmostraProcAfterEdit(dataset::ClientDataSet& DataSet);
    // Leaves only New possible: no current sample to act on.
    void DisableForInsert();
    // Whether the sample or its items hold changes not yet confirmed (typed text included).
    bool AlteracoesPendentes();
    // True when nothing is pending or the user agreed to discard it (then discarded);
    // false when the user chose to go back to editing.
    bool DescartaAlteracoes();

    // --- Live total of the items while a sample is edited (AmostraProcTotalItens.cpp)
    // "Itens 9,500 de 10,000 — faltam 0,500" in the items group's title row, while the
    // sample is being edited or inserted; empty otherwise. It checks nothing.
    host::TLabel* lblTotalItens = nullptr;
    void mostraTotalItens();

    // --- Journal of the sample being typed (AmostraProcDiario.cpp)
    static const QString kPerguntaRecuperar; // "Recuperar a amostra não confirmada?"
    host::ChangeJournal* diario() const { return diario_; }

    // --- A processed sample (AmostraProcProcessada.cpp): only its description may change.
    host::TLabel* lblProcessada = nullptr;
    bool AmostraProcessada() const;
    void mostraProcessada();

    // --- Checks and tests over the server's answer
    void Vd_SomaItens();
    bool RetornouErro();
    bool ResultErroItem(const QString& cdObjeto);

    // --- Data
    dataset::ClientDataSet* cdsAmostraProc = nullptr;
    dataset::ClientDataSet* cdsItemAmostra = nullptr;
    dataset::ClientDataSet* cdsProdAmostra = nullptr;
    dataset::ClientDataSet* cdsNotaFiscal = nullptr;
    dataset::ClientDataSet* cdsParamFilial = nullptr;
    dataset::ClientDataSet* cdsValidQuant = nullptr;
    dataset::ClientDataSet* cdsPosicao = nullptr;
    // The error rows of the server's last answer; created with the screen (FormCreate).
    dataset::ClientDataSet* cdsErros() const { return cdsErros_.get(); }
    TADOIBQuery* qrySerieNF = nullptr;
    TADOIBQuery* qryFornecedor = nullptr;
    TADOIBQuery* qryValidProdItem = nullptr;
    TADOIBQuery* qryProdItem = nullptr;
    dataset::DataSource* dtsItemAmostra = nullptr;
    dataset::DataSource* dtsProdAmostra = nullptr;
    dataset::DataSource* dtsFornecedor = nullptr;
    dataset::DataSource* dtsSerieNF = nullptr;
    dataset::DataSource* dtsNotaFiscal = nullptr;
    dataset::DataSource* dtsProdItem = nullptr;
    dataset::DataSource* dtsPosicao = nullptr;
    TNetConnection* netAmostraProc = nullptr;
    TNetConnection* netEstoque = nullptr;
    TNetConnection* netInfoProd = nullptr;

    // --- Controls
    host::TButtonFlat* sbtFiltro = nullptr;
    host::TButtonFlat* sbtVisualizaErros = nullptr;
    host::TMenuItem* mnuHistorico = nullptr;
    host::TMenuItem* mnuFiltrar = nullptr;
    host::TMenuItem* mnuVisualizaErros = nullptr;
    host::TPanel* panAmostra = nullptr;
    host::TGroupBox* grbDadosAmostra = nullptr;
    host::TLabel* lblNrAmostra = nullptr;
    host::TDBEdit* dbeNrAmostra = nullptr;
    host::TLabel* lblDescAmostra = nullptr;
    host::TDBEdit* dbeDescAmostra = nullptr;
    host::TLabel* lblNrInscForn = nullptr;
    host::TDBEdit* dbeNrInscForn = nullptr;
    host::TBtnPesquisa* btpFornecedor = nullptr;
    host::TLabel* lblNmRazSocForn = nullptr;
    host::TDBEdit* dbeNmRazSocForn = nullptr;
    host::TLabel* lblCdSerie = nullptr;
    host::TDBEdit* dbeCdSerie = nullptr;
    host::TBtnPesquisa* btpSerie = nullptr;
    host::TLabel* lblNrNotaFisc = nullptr;
    host::TDBEdit* dbeNrNotaFisc = nullptr;
    host::TBtnPesquisa* btpNrNf = nullptr;
    host::TLabel* lblCdProduto = nullptr;
    host::TDBEdit* dbeCdProduto = nullptr;
    host::TBtnPesquisa* btpProduto = nullptr;
    host::TLabel* lblNmProduto = nullptr;
    host::TDBEdit* dbeNmProduto = nullptr;
    host::TLabel* lblQuantProd = nullptr;
    host::TDBEdit* dbeQuantProd = nullptr;
    host::TLabel* lblUnidProd = nullptr;
    host::TDBEdit* dbeUnidProd = nullptr;
    host::TPanel* panItensAmostra = nullptr;
    host::TGroupBox* grbItensAmostra = nullptr;
    host::TDBGrid* dbgItensAmostra = nullptr;

private:
    // Each part of the screen connects its own handlers, after the components exist.
    void ligaFornecedor();
    // Whether the tax id (with or without the mask's literals) is another than the sample's.
    bool fornecedorMudou(const QString& inscricao) const;
    void ligaProduto();
    void ligaItens();
    bool gradeItensFocada() const;
    QString marcaErroItem(int linha) const;
    void focaColunaItem(const QString& campo);
    QString bloqueioFilial() const;
    QString filialAmostra() const;
    // Loads cdsProdAmostra with the products of that branch's invoice entry (its stock
    // products without one), with the tree code or all of them.
    void carregaProdAmostra(const QString& filial, const QString& lancamento, const QString& codigo,
                            bool todos);
    QString filialRecebimento() const;
    void ligaComandos();
    void ligaTotalItens();
    void ligaDiario();
    // The pending changes and the confirmation key; empty when nothing is pending.
    QJsonObject conteudoDiario() const;
    bool chaveNoDiario() const;
    host::TDBEdit* edicaoPendente() const;
    // At the first activation: offers back the journal an earlier run left, then journals.
    void ofereceRecuperacao();
    void restauraDiario(const QJsonObject& diario);
    bool chaveGravada(const QString& chave);
    void ligaProcessada();

    void criaDados();
    void criaCabecalho();
    void criaGrades();
    QJsonArray argumentosItens() const;
    static QJsonArray argumentosItens(const QString& nrAmostra);
    void pedeItens();
    void carregaItens();
    void atualizaPaginas();
    void focaSemAmostras();
    void teclado(Quorvan::tagMSG& Msg);
    QString colunaItemSelecionada() const;
    void proximoItem();
    void moveParaOutroContainer(QWidget* inicio, bool avante);
    void esvaziaErros();
    void defineFilial();
    void descartaAmostra();
    void restauraAmostra(const QString& nrAmostra);
    // Sends the pending changes with ConfirmaAmostra under the progress window and loads the
    // error rows of the answer; answers [error rows, sample number].
    QJsonArray enviaAoServidor(const QString& chaveProgresso);
    // Re-runs the hidden filter dialog's confirm: the list reloaded with the same criteria.
    void reaplicaFiltro();

    std::unique_ptr<dataset::ClientDataSet> cdsErros_;
    // The items' change packet while a command sends it.
    QByteArray pacoteItens_;
    // The key and arguments of the last ConfirmaAmostra whose answer never came: sent again
    // unchanged, it goes under the same key, and the server answers what it stored then.
    QString chaveGravacao_;
    QByteArray gravacaoSemResposta_;
    // Branch and launch number of the invoice entry whose products cdsProdAmostra holds.
    QString prodAmostraDaNota_;
    // The last load of the items failed: the grid holds none of the current sample's.
    bool itensFalharam_ = false;
    EstoquePadrao estoquePadrao_;
    host::ChangeJournal* diario_ = nullptr;
};

} // namespace Cli_est25000

extern "C" void IniProc();
