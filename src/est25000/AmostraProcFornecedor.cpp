// The sample header's second row: supplier, invoice series and invoice number, their checks,
// edits and lookups.
#include <est25000/Cli_est25000.h>

#include <est25000/VerificacaoCampo.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/controls/ComCtrls.h>
#include <host/database/Adoibquery.h>
#include <host/dbcontrols/DBControls.h>
#include <host/library/Consiste.h>
#include <host/library/Quorvan.h>
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

namespace {

QString valor(TADOIBQuery* qry, const char* nome) {
    return qry->FieldByName(QString::fromLatin1(nome))->asString();
}

// The width the supplier's invoices of the series are numbered to: the number listed that
// the typed one stands for (leading zeros aside), else the widest listed.
int larguraNotas(const dataset::DataPacket& notas, const QString& digitado) {
    const auto semZeros = [](const QString& numero) {
        qsizetype i = 0;
        while (i < numero.size() - 1 && numero.at(i) == QLatin1Char('0'))
            ++i;
        return numero.mid(i);
    };
    const int coluna = notas.indexOf(QStringLiteral("NRNOTAFISC"));
    int largura = 0;
    for (const dataset::Row& linha : notas.rows) {
        const QString numero = linha.value(coluna).toString().trimmed();
        if (semZeros(numero) == semZeros(digitado.trimmed()))
            return static_cast<int>(numero.size());
        largura = qMax(largura, static_cast<int>(numero.size()));
    }
    return largura;
}

// Opens a one-or-all lookup query: the row of the value, or every row with the flag "T".
void abreUmOuTodos(TADOIBQuery* qry, const char* parametro, const QString& valor,
                   const char* parametroTodos, const QString& todos) {
    qry->Close();
    qry->ParamByName(QString::fromLatin1(parametro))->SetAsString(valor);
    qry->ParamByName(QString::fromLatin1(parametroTodos))->SetAsString(todos);
    qry->Open();
}

} // namespace

void TfrmAmostraProc::ligaFornecedor() {
    dbeNrInscForn->OnEnter = [this](QObject* s) { dbeNrInscFornEnter(s); };
    dbeNrInscForn->OnChange = [this](QObject* s) { dbeNrInscFornChange(s); };
    dbeNrInscForn->OnExit = [this](QObject* s) { dbeNrInscFornExit(s); };
    btpFornecedor->OnBeforePesq = [this](QObject* s, bool& c) { btpFornecedorBeforePesq(s, c); };
    btpFornecedor->OnAfterPesq = [this](QObject* s) { btpFornecedorAfterPesq(s); };
    qryFornecedor->Query()->fieldByName(QStringLiteral("NRINSJURFORN"))->onGetText =
        [this](dataset::Field& f, QString& text, bool display) {
            qryFornecedorNRINSJURFORNGetText(f, text, display);
        };
    dbeCdSerie->OnChange = [this](QObject* s) { dbeCdSerieChange(s); };
    dbeCdSerie->OnExit = [this](QObject* s) { dbeCdSerieExit(s); };
    btpSerie->OnBeforePesq = [this](QObject* s, bool& c) { btpSerieBeforePesq(s, c); };
    btpSerie->OnAfterPesq = [this](QObject* s) { btpSerieAfterPesq(s); };
    dbeNrNotaFisc->OnExit = [this](QObject* s) { dbeNrNotaFiscExit(s); };
    btpNrNf->OnBeforePesq = [this](QObject* s, bool& c) { btpNrNfBeforePesq(s, c); };
    btpNrNf->OnAfterPesq = [this](QObject* s) { btpNrNfAfterPesq(s); };
}

// --- Checks

void TfrmAmostraProc::Vd_Fornecedor(bool final) {
    try {
        est25000::verificaCampo(*this, dbeNrInscForn, final, "Forn_inf", [&](const QString& texto) {
            // Suppliers are kept by the bare number in upper case: punctuation and lower-case
            // letters of an alphanumeric CNPJ typed by the user still find it.
            abreUmOuTodos(qryFornecedor, "P_NRINSJURFORN", Consiste::SoAlfanumericos(texto),
                          "P_TNRINSJURFORN", QString());
            if (qryFornecedor->IsEmpty())
                falha(msgPadrao, "Forn_cad");
            campo(cdsAmostraProc, "NRINSJURNF")
                ->setEditMask(Consiste::PictPess(valor(qryFornecedor, "IDTPIJURFORN")));
            atribui(cdsAmostraProc, "NMRAZSOCFORN", valor(qryFornecedor, "NMRAZSOCFORN"));
            atribui(cdsAmostraProc, "IDTPIJURNF", valor(qryFornecedor, "IDTPIJURFORN"));
            atribui(cdsAmostraProc, "NRINSJURNF", valor(qryFornecedor, "NRINSJURFORN"));
            atribui(cdsAmostraProc, "CDFORNECED", valor(qryFornecedor, "CDFORNECED"));
        });
    } catch (...) {
        // The supplier's failure also brings the form page forward; hidden on the other
        // page, the edit could not take the focus before.
        if (pgcPadrao->ActivePage() != tshFormulario) {
            pgcPadrao->SetActivePage(tshFormulario);
            pgcPadraoChange(pgcPadrao);
            dbeNrInscForn->SetFocus();
        }
        throw;
    }
}

void TfrmAmostraProc::Vd_SerieNF(bool final) {
    est25000::verificaCampo(*this, dbeCdSerie, final, "Serie_inf", [&](const QString& texto) {
        abreUmOuTodos(qrySerieNF, "P_CDSERIEENTR", texto, "P_TCDSERIEENTR", QString());
        if (qrySerieNF->IsEmpty())
            falha(msgPadrao, "Serie_cad");
        atribui(cdsAmostraProc, "CDSERIEENTR", valor(qrySerieNF, "CDSERIEENTR"));
    });
}

void TfrmAmostraProc::Vd_NotaFiscal(bool final) {
    est25000::verificaCampo(*this, dbeNrNotaFisc, final, "NF_inf", [&](const QString& texto) {
        cdsParamFilial->setDataJsonText(
            netEstoque->CallText(QStringLiteral("GetParamEstoque"),
                                 {Quorvan::FiliProc(), QStringLiteral("E"), QStringLiteral("10")}));
        // The typed number is filled with zeros to the width of this supplier's invoices of the
        // series.
        const QString fornecedor = campo(cdsAmostraProc, "CDFORNECED")->asString();
        const QString serie = campo(cdsAmostraProc, "CDSERIEENTR")->asString();
        dataset::DataPacket notas = dataset::dataPacketFromJsonText(
            netAmostraProc->CallText(QStringLiteral("GetNotaFiscal"),
                                     {fornecedor, serie, QString(), QStringLiteral("T")}),
            cdsNotaFiscal->fieldCount());
        atribui(cdsAmostraProc, "NRNOTAFISC", Consiste::Ajusta(texto, larguraNotas(notas, texto)));
        // The invoice of that number is among them, as the lookup of the one number would
        // answer it (the same rows in the same order): no second call.
        const QString numero = campo(cdsAmostraProc, "NRNOTAFISC")->asString().trimmed();
        const int coluna = notas.indexOf(QStringLiteral("NRNOTAFISC"));
        notas.rows.removeIf(
            [&](const dataset::Row& linha) { return linha.value(coluna).toString() != numero; });
        cdsNotaFiscal->setData(std::move(notas));
        if (cdsNotaFiscal->isEmpty())
            falha(msgPadrao, "NF_cad");
        atribui(cdsAmostraProc, "CDFILIAL", campo(cdsNotaFiscal, "CDFILIAL")->asString());
        atribui(cdsAmostraProc, "NRLANCTONF", campo(cdsNotaFiscal, "NRLANCTONF")->asString());
    });
}

// --- Supplier edit and lookup

void TfrmAmostraProc::dbeNrInscFornEnter(QObject*) {
    // The bare number is edited; taking the mask off is no change of supplier.
    const host::TNotifyEvent aoMudar = std::move(dbeNrInscForn->OnChange);
    dbeNrInscForn->OnChange = nullptr;
    campo(cdsAmostraProc, "NRINSJURNF")->setEditMask(QString());
    dbeNrInscForn->SelectAll();
    dbeNrInscForn->OnChange = aoMudar;
}

// Only another tax id clears the dependents: the mask put on or taken off, or the same
// supplier picked again, shows the same number and leaves its invoice alone.
void TfrmAmostraProc::dbeNrInscFornChange(QObject*) {
    if (!emEdicao(dtsPadrao) || !fornecedorMudou(est25000::textoDigitado(dbeNrInscForn)))
        return;
    for (const char* nome : {"IDTPIJURNF", "NMRAZSOCFORN", "NRLANCTONF", "NRNOTAFISC"})
        limpa(cdsAmostraProc, nome);
}

void TfrmAmostraProc::dbeNrInscFornExit(QObject*) {
    Vd_Fornecedor(false);
    if (emNavegacao(dtsPadrao))
        campo(cdsAmostraProc, "NRINSJURNF")
            ->setEditMask(Consiste::PictPess(campo(cdsAmostraProc, "IDTPIJURNF")->asString()));
}

void TfrmAmostraProc::btpFornecedorBeforePesq(QObject*, bool&) {
    abreUmOuTodos(qryFornecedor, "P_NRINSJURFORN", QString(), "P_TNRINSJURFORN",
                  QStringLiteral("T"));
}

bool TfrmAmostraProc::fornecedorMudou(const QString& inscricao) const {
    return Consiste::SoAlfanumericos(inscricao) !=
           Consiste::SoAlfanumericos(campo(cdsAmostraProc, "NRINSJURNF")->asString());
}

void TfrmAmostraProc::btpFornecedorAfterPesq(QObject*) {
    if (emNavegacao(dtsPadrao))
        cdsAmostraProc->edit();
    const QString escolhido = valor(qryFornecedor, "NRINSJURFORN");
    if (fornecedorMudou(escolhido))
        for (const char* nome : {"NRLANCTONF", "NRNOTAFISC"})
            limpa(cdsAmostraProc, nome);
    // The picked supplier's own mask, but for the bare number of an edit being typed in.
    campo(cdsAmostraProc, "NRINSJURNF")
        ->setEditMask(ActiveControl() == dbeNrInscForn
                          ? QString()
                          : Consiste::PictPess(valor(qryFornecedor, "IDTPIJURFORN")));
    campo(cdsAmostraProc, "CDFORNECED")->setAsString(valor(qryFornecedor, "CDFORNECED"));
    campo(cdsAmostraProc, "NRINSJURNF")->setAsString(valor(qryFornecedor, "NRINSJURFORN"));
    campo(cdsAmostraProc, "IDTPIJURNF")->setAsString(valor(qryFornecedor, "IDTPIJURFORN"));
    campo(cdsAmostraProc, "NMRAZSOCFORN")->setAsString(valor(qryFornecedor, "NMRAZSOCFORN"));
}

void TfrmAmostraProc::qryFornecedorNRINSJURFORNGetText(dataset::Field& Sender, QString& Text,
                                                       bool) {
    const QString tipo = Sender.dataSet()->fieldByName(QStringLiteral("IDTPIJURFORN"))->asString();
    Text = Sender.isNull() ? QString()
                           : dataset::formatMaskText(Consiste::PictPess(tipo), Sender.asString());
}

// --- Series edit and lookup

void TfrmAmostraProc::dbeCdSerieChange(QObject*) {
    if (emEdicao(dtsPadrao))
        limpa(cdsAmostraProc, "NRNOTAFISC");
}

void TfrmAmostraProc::dbeCdSerieExit(QObject*) {
    if (emEdicao(dtsPadrao))
        Vd_SerieNF(false);
}

void TfrmAmostraProc::btpSerieBeforePesq(QObject*, bool&) {
    abreUmOuTodos(qrySerieNF, "P_CDSERIEENTR", QString(), "P_TCDSERIEENTR", QStringLiteral("T"));
}

void TfrmAmostraProc::btpSerieAfterPesq(QObject*) {
    if (emNavegacao(dtsPadrao))
        cdsAmostraProc->edit();
    campo(cdsAmostraProc, "CDSERIEENTR")->setAsString(valor(qrySerieNF, "CDSERIEENTR"));
}

// --- Invoice number edit and lookup

void TfrmAmostraProc::dbeNrNotaFiscExit(QObject*) {
    Vd_NotaFiscal(false);
}

void TfrmAmostraProc::btpNrNfBeforePesq(QObject*, bool&) {
    // A supplier or series still being typed is looked up first.
    Vd_Fornecedor(true);
    Vd_SerieNF(true);
    cdsNotaFiscal->setDataJsonText(netAmostraProc->CallText(
        QStringLiteral("GetNotaFiscal"),
        {campo(cdsAmostraProc, "CDFORNECED")->asString(),
         campo(cdsAmostraProc, "CDSERIEENTR")->asString(), QString(), QStringLiteral("T")}));
}

void TfrmAmostraProc::btpNrNfAfterPesq(QObject*) {
    if (emNavegacao(dtsPadrao))
        cdsAmostraProc->edit();
    for (const char* nome : {"CDFILIAL", "NRLANCTONF", "NRNOTAFISC"})
        campo(cdsAmostraProc, nome)->setAsString(campo(cdsNotaFiscal, nome)->asString());
}

} // namespace Cli_est25000
