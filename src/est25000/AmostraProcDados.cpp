// The sample screen's data: client datasets with their fields, lookup queries with their
// statements, data sources and the three application-server connections.
#include <est25000/Cli_est25000.h>

#include <est25000/Componentes.h>
#include <est25000/Consultas.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <host/database/Adoibquery.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/remote/Netconnection.h>

namespace Cli_est25000 {

namespace {

TNetConnection* conexao(QObject* owner, const char* name, const QString& serverName) {
    auto* connection = new TNetConnection(owner);
    connection->setObjectName(QString::fromLatin1(name));
    connection->ServerName = serverName;
    connection->ThrowException = false;
    return connection;
}

} // namespace

void TfrmAmostraProc::criaDados() {
    using namespace est25000;
    cdsAmostraProc = criaConjunto(this, "cdsAmostraProc", campos::amostraProc());
    cdsItemAmostra = criaConjunto(this, "cdsItemAmostra", campos::itemAmostra());
    cdsProdAmostra = criaConjunto(this, "cdsProdAmostra", campos::prodAmostra());
    cdsNotaFiscal = criaConjunto(this, "cdsNotaFiscal", campos::notaFiscal());
    cdsParamFilial = criaConjunto(this, "cdsParamFilial", campos::paramFilial());
    cdsValidQuant = criaConjunto(this, "cdsValidQuant", campos::validQuant());
    cdsPosicao = criaConjunto(this, "cdsPosicao", campos::posicao());

    qrySerieNF = criaConsulta(this, "qrySerieNF", sql::serieNF(), campos::qrySerieNF());
    qryFornecedor = criaConsulta(this, "qryFornecedor", sql::fornecedor(), campos::qryFornecedor());
    qryValidProdItem =
        criaConsulta(this, "qryValidProdItem", sql::validProdItem(), campos::qryValidProdItem());
    qryProdItem = criaConsulta(this, "qryProdItem", sql::prodItem(), campos::qryProdItem());

    // The items request goes out first on a move, then the controls show the record reached.
    // The form's grid, caption and navigator were bound to dtsPadrao before this handler;
    // bound again, they come after it. The header edits are bound later.
    connect(dtsPadrao, &dataset::DataSource::scrolled, this, [this] { pedeItens(); });
    dbgPadrao->SetDataSource(dtsPadrao);
    dbtNome->SetDataSource(dtsPadrao);
    dbnPadrao->SetDataSource(dtsPadrao);
    dtsPadrao->setDataSet(cdsAmostraProc);
    dtsItemAmostra = criaFonte(this, "dtsItemAmostra", cdsItemAmostra);
    dtsProdAmostra = criaFonte(this, "dtsProdAmostra", cdsProdAmostra);
    dtsFornecedor = criaFonte(this, "dtsFornecedor", qryFornecedor->Query());
    dtsSerieNF = criaFonte(this, "dtsSerieNF", qrySerieNF->Query());
    dtsNotaFiscal = criaFonte(this, "dtsNotaFiscal", cdsNotaFiscal);
    dtsProdItem = criaFonte(this, "dtsProdItem", qryProdItem->Query());
    dtsPosicao = criaFonte(this, "dtsPosicao", cdsPosicao);

    netAmostraProc = conexao(this, "netAmostraProc", QStringLiteral("Est25000.rdmAmostraProc"));
    netEstoque = conexao(this, "netEstoque", QStringLiteral("Est00000.rdmEstoque"));
    netInfoProd = conexao(this, "netInfoProd", QStringLiteral("Est00000.rdmEstoque"));

    // --- Wiring
    dataset::Field* principal = cdsItemAmostra->fieldByName(QStringLiteral("IDPRODPRINC"));
    principal->onGetText = [this](dataset::Field& f, QString& text, bool display) {
        cdsItemAmostraIDPRODPRINCGetText(f, text, display);
    };
    principal->onSetText = [this](dataset::Field& f, const QString& text) {
        cdsItemAmostraIDPRODPRINCSetText(f, text);
    };
    cdsAmostraProc->afterScroll = [this](dataset::ClientDataSet& ds) {
        cdsAmostraProcAfterScroll(ds);
    };
    cdsAmostraProc->onCalcFields = [this](dataset::ClientDataSet& ds) {
        cdsAmostraProcCalcFields(ds);
    };
    netAmostraProc->BeforeConnect = [this](QObject* s) { netAmostraProcBeforeConnect(s); };
    netEstoque->BeforeConnect = [this](QObject* s) { netEstoqueBeforeConnect(s); };
    netInfoProd->BeforeConnect = [this](QObject* s) { netInfoProdBeforeConnect(s); };
}

// The principal flag is stored "S" or "N" and shown "Sim" or "Não" (exact comparisons).
void TfrmAmostraProc::cdsItemAmostraIDPRODPRINCGetText(dataset::Field& Sender, QString& Text,
                                                       bool) {
    Text = Sender.asString() == QLatin1String("S") ? QStringLiteral("Sim") : QStringLiteral("Não");
}

void TfrmAmostraProc::cdsItemAmostraIDPRODPRINCSetText(dataset::Field& Sender,
                                                       const QString& Text) {
    Sender.setAsString(Text == QLatin1String("Sim") ? QStringLiteral("S") : QStringLiteral("N"));
}

} // namespace Cli_est25000
