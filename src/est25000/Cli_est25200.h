#pragma once
// Unit Cli_est25200: the sample filter dialog TfrmFiltroAmostraProc (screen EST25200) and its
// factory CriaFiltroAmostraProc. The dialog collects a sample-number range, a supplier and a
// product range, validates them against the database and loads the matching samples from the
// server into the screen's list; closing it only hides it, so the screen can re-apply it.

#include <host/baseforms/Frmrotgeral.h>
#include <host/controls/MaskEdit.h>

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class TDBPicture;
class TADOIBQuery;
namespace host {
class TMaskEdit;
class TEdit;
class TLabel;
class TGroupBox;
class TBtnPesquisa;
class TButtonFlat;
} // namespace host
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

class TfrmFiltroAmostraProc : public host::TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmFiltroAmostraProc(QWidget* owner = nullptr);
    ~TfrmFiltroAmostraProc() override;

    void FormCreate(QObject* Sender) override;
    void FormActivate(QObject* Sender) override;
    void FormClose(QObject* Sender, host::TCloseAction& Action) override;
    void sbtConfirmaClick(QObject* Sender) override;
    // After a confirmation: the screen's list as the filter reloads it, with the cursor on
    // sample nrAmostra when the criteria list it, else where the reload leaves it (answers
    // whether it is listed). Asks only for what changed since the list was read while the
    // criteria are those it was read with; otherwise, or when that fails, reloads it whole.
    bool atualizaLista(const QString& nrAmostra);
    void sbtDesfazerClick(QObject* Sender);
    void medInterInicExit(QObject* Sender);
    void medInterFinalExit(QObject* Sender);
    void medFornecedorExit(QObject* Sender);
    void medProdInicExit(QObject* Sender);
    void medProdFimExit(QObject* Sender);
    void medFornecedorChange(QObject* Sender);
    // Entering the supplier field brings back its typing mask (letters and digits), so that
    // any tax id can be typed over one shown in a person type's picture.
    void medFornecedorEnter(QObject* Sender);
    // The supplier field's mask while a tax id is typed: 20 letters or digits, upper case.
    static QString mascaraDigitacaoFornecedor() {
        return QStringLiteral(">aaaaaaaaaaaaaaaaaaaa;0; ");
    }
    void medProdInicChange(QObject* Sender);
    void medProdFimChange(QObject* Sender);
    void btnFornecedorBeforePesq(QObject* Sender, bool& Continua);
    void btnFornecedorAfterPesq(QObject* Sender);
    void btnProdIniBeforePesq(QObject* Sender, bool& Continua);
    void btnProdIniAfterPesq(QObject* Sender);
    void btnProdFinalBeforePesq(QObject* Sender, bool& Continua);
    void btnProdFinalAfterPesq(QObject* Sender);

    void Vd_Fornecedor(const QString& nrInscricao);
    void Vd_Produto(host::TMaskEdit* codigo, host::TEdit* nome);

    host::TGroupBox* GroupBox1 = nullptr;
    host::TLabel* Label1 = nullptr;
    host::TMaskEdit* medInterInic = nullptr;
    host::TLabel* Label2 = nullptr;
    host::TMaskEdit* medInterFinal = nullptr;
    host::TGroupBox* GroupBox2 = nullptr;
    host::TMaskEdit* medFornecedor = nullptr;
    host::TBtnPesquisa* btnFornecedor = nullptr;
    host::TEdit* edtNmFornecedor = nullptr;
    host::TGroupBox* GroupBox3 = nullptr;
    host::TLabel* Label3 = nullptr;
    host::TMaskEdit* medProdInic = nullptr;
    host::TBtnPesquisa* btnProdIni = nullptr;
    host::TEdit* edtProdInic = nullptr;
    host::TLabel* Label4 = nullptr;
    host::TMaskEdit* medProdFim = nullptr;
    host::TBtnPesquisa* btnProdFinal = nullptr;
    host::TEdit* edtProdFinal = nullptr;
    host::TButtonFlat* sbtDesfazer = nullptr;

    TADOIBQuery* qryFornecedor = nullptr;
    TADOIBQuery* qryValidForn = nullptr;
    TADOIBQuery* qryProduto = nullptr;
    TADOIBQuery* qryValidProd = nullptr;
    dataset::DataSource* dtsFornecedor = nullptr;
    dataset::DataSource* dtsProduto = nullptr;

private:
    void criaComponentes();
    void focaSeVisivel(host::TMaskEdit* campo);
    bool aplicaAlteradas(const QStringList& args, const QString& nrAmostra, bool& listada);

    // The list last read whole or brought up to date: its dataset, criteria and change mark.
    QPointer<QObject> listaLida_;
    QStringList argsLidos_;
    QString marcaLida_;
};

} // namespace Cli_est25200
