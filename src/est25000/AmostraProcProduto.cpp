// The sample header's description, in-natura product and quantity: their checks, the product
// lookup and the final header check when the focus leaves the header.
#include <est25000/Cli_est25000.h>

#include <est25000/VerificacaoCampo.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBControls.h>
#include <host/library/Consiste.h>
#include <host/library/MensErro.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/CheckResultServ.h>
#include <host/remote/Netconnection.h>
#include <host/search/Btnpesquisa.h>

#include <QJsonArray>

namespace Cli_est25000 {

using est25000::atribui;
using est25000::campo;
using est25000::emEdicao;
using est25000::emNavegacao;
using est25000::falha;
using est25000::limpa;
using est25000::temTexto;

namespace {

// A quantity limit refused: the message's "%s" takes the limit.
[[noreturn]] void falhaLimite(const host::TMessages* mensagens, const char* chave, double limite) {
    Consiste::MensErro(mensagens->Msg(QString::fromLatin1(chave))
                           .replace(QStringLiteral("%s"),
                                    dataset::formatFloat(QStringLiteral("#,##0.000"), limite)),
                       true);
}

// Tree codes as text up to ten characters: the code itself and every code that begins with it.
constexpr int kLarguraFaixa = 10;

} // namespace

void TfrmAmostraProc::ligaProduto() {
    panAmostra->OnExit = [this](QObject* s) { panAmostraExit(s); };
    dbeCdProduto->OnChange = [this](QObject* s) { dbeCdProdutoChange(s); };
    dbeCdProduto->OnExit = [this](QObject* s) { dbeCdProdutoExit(s); };
    btpProduto->OnBeforePesq = [this](QObject* s, bool& c) { btpProdutoBeforePesq(s, c); };
    btpProduto->OnAfterPesq = [this](QObject* s) { btpProdutoAfterPesq(s); };
    dbeQuantProd->OnExit = [this](QObject* s) { dbeQuantProdExit(s); };
    // New, Edit, Cancel and Confirm all change the sample's state: the next sample asks anew.
    connect(dtsPadrao, &dataset::DataSource::stateChanged, this,
            [this] { estoquePadrao_.esquece(); });
}

void TfrmAmostraProc::panAmostraExit(QObject*) {
    Vd_DescAmostra();
    // The supplier group is optional, but whole once any of its edits holds text.
    if (temTexto(dbeNrInscForn) || temTexto(dbeCdSerie) || temTexto(dbeNrNotaFisc)) {
        Vd_Fornecedor(true);
        Vd_SerieNF(true);
        Vd_NotaFiscal(true);
    }
    Vd_ProdAmostra(true);
    Vd_QuantAmostra(true);
}

void TfrmAmostraProc::Vd_DescAmostra() {
    // Always required, never looked up.
    est25000::verificaCampo(*this, dbeDescAmostra, true, "Desc_inf", [](const QString&) {});
}

void TfrmAmostraProc::Vd_ProdAmostra(bool final) {
    est25000::verificaCampo(*this, dbeCdProduto, final, "Prod_inf", [&](const QString& texto) {
        // Candidates of the sample's invoice, or of the sample's branch without one.
        const QJsonArray argumentos =
            !temTexto(dbeNrNotaFisc) ? QJsonArray{filialAmostra(), QString()}
                                     : QJsonArray{campo(cdsAmostraProc, "CDFILIAL")->asString(),
                                                  campo(cdsAmostraProc, "NRLANCTONF")->asString()};
        carregaProdAmostra(argumentos.at(0).toString(), argumentos.at(1).toString(), texto, false);
        if (cdsProdAmostra->isEmpty())
            falha(msgPadrao, "Prod_cad");
        // The product must have a default warehouse and location in the branch; their
        // values are not needed here.
        const QString cdProduto = campo(cdsProdAmostra, "CDPRODUTO")->asString();
        estoquePadrao_.confere(netEstoque, filialAmostra(), cdProduto);
        for (const char* nome : {"CDARVPROD", "CDPRODUTO", "NMPRODUTO", "SGUNIDADE"})
            atribui(cdsAmostraProc, nome, campo(cdsProdAmostra, nome)->asString());
    });
}

void TfrmAmostraProc::Vd_QuantAmostra(bool final) {
    est25000::verificaCampo(*this, dbeQuantProd, final, "Quant_inf", [&](const QString&) {
        const double quantidade = campo(cdsAmostraProc, "QTPRODPROC")->asFloat();
        if (!(quantidade > 0))
            falha(msgPadrao, "Quant_menor");
        if (temTexto(dbeNrNotaFisc)) {
            // At most the quantity of the product on the invoice entry.
            cdsValidQuant->setDataJsonText(Consiste::CheckResultServText(
                netAmostraProc->CallText(QStringLiteral("GetValidQuant"),
                                         {campo(cdsAmostraProc, "NRLANCTONF")->asString(),
                                          campo(cdsAmostraProc, "CDFILIAL")->asString(),
                                          filialRecebimento(),
                                          campo(cdsAmostraProc, "CDPRODUTO")->asString()}),
                true, 0));
            const double limite = campo(cdsValidQuant, "QTITEMPROD")->asFloat();
            if (limite < quantidade)
                falhaLimite(msgPadrao, "Quant_Maior", limite);
        } else {
            // At most the stock of the day of the product's code range, in the sample's branch.
            const QString inicial = campo(cdsAmostraProc, "CDARVPROD")->asString();
            const QString ultimo =
                inicial + Consiste::Replicate(QStringLiteral("z"), kLarguraFaixa - inicial.size());
            const QString filial = filialAmostra();
            cdsPosicao->setDataJsonText(Consiste::CheckResultServText(
                netAmostraProc->CallText(
                    QStringLiteral("GetPosicao"),
                    {filial, Quorvan::DataProc(filial).toString(Qt::ISODate), inicial, ultimo}),
                true, 0));
            const double estoque = campo(cdsPosicao, "QTESTOQDIA")->asFloat();
            if (quantidade > estoque)
                falhaLimite(msgPadrao, "Quant_M_Est", estoque);
        }
    });
}

// --- Product edit and lookup, quantity edit

void TfrmAmostraProc::dbeCdProdutoChange(QObject*) {
    if (!emEdicao(dtsPadrao))
        return;
    limpa(cdsAmostraProc, "NMPRODUTO");
    limpa(cdsAmostraProc, "SGUNIDADE");
}

void TfrmAmostraProc::dbeCdProdutoExit(QObject*) {
    Vd_ProdAmostra(false);
}

void TfrmAmostraProc::btpProdutoBeforePesq(QObject*, bool&) {
    const QString filial =
        temTexto(dbeNrNotaFisc) ? campo(cdsAmostraProc, "CDFILIAL")->asString() : filialAmostra();
    carregaProdAmostra(filial, campo(cdsAmostraProc, "NRLANCTONF")->asString(), QString(), true);
}

void TfrmAmostraProc::carregaProdAmostra(const QString& filial, const QString& lancamento,
                                         const QString& codigo, bool todos) {
    prodAmostraDaNota_.clear();
    cdsProdAmostra->setDataJsonText(netAmostraProc->CallText(
        QStringLiteral("GetProdAmostra"),
        {filial, lancamento, codigo, todos ? QStringLiteral("T") : QString()}));
    if (!lancamento.trimmed().isEmpty())
        prodAmostraDaNota_ = filial + QLatin1Char('/') + lancamento.trimmed();
}

// The receiving branch of the line of the sample's own product on its own invoice entry, from
// the products loaded for that entry; empty when none was (any branch's line is then taken).
QString TfrmAmostraProc::filialRecebimento() const {
    const QString nota = campo(cdsAmostraProc, "CDFILIAL")->asString() + QLatin1Char('/') +
                         campo(cdsAmostraProc, "NRLANCTONF")->asString().trimmed();
    if (prodAmostraDaNota_.isEmpty() || prodAmostraDaNota_ != nota)
        return QString();
    const QString produto = campo(cdsAmostraProc, "CDPRODUTO")->asString();
    const int colProduto = campo(cdsProdAmostra, "CDPRODUTO")->index();
    const int colFilial = campo(cdsProdAmostra, "CDFILIRECE")->index();
    for (int linha = 0; linha < cdsProdAmostra->rowCount(); ++linha)
        if (cdsProdAmostra->valueAt(linha, colProduto).toString() == produto)
            return cdsProdAmostra->valueAt(linha, colFilial).toString();
    return QString();
}

void TfrmAmostraProc::btpProdutoAfterPesq(QObject*) {
    if (emNavegacao(dtsPadrao))
        cdsAmostraProc->edit();
    // The code's new text clears name and unit, written after it.
    for (const char* nome : {"CDARVPROD", "CDPRODUTO", "NMPRODUTO", "SGUNIDADE"})
        campo(cdsAmostraProc, nome)->setAsString(campo(cdsProdAmostra, nome)->asString());
}

void TfrmAmostraProc::dbeQuantProdExit(QObject*) {
    Vd_QuantAmostra(false);
}

} // namespace Cli_est25000
