// Layout of the sample screen: window settings, tool bar, the header of the form page with its
// edits and lookup buttons, the item grid and the list grid's columns.
#include <est25000/Cli_est25000.h>

#include <est25000/Mensagens.h>

#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/library/Qvn_msg.h>
#include <host/search/Btnpesquisa.h>

#include <QKeySequence>
#include <QStyle>

#include <utility>

namespace Cli_est25000 {

namespace {

template <class T> T* nomeado(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// Rows of the header: the edits' tops and their captions' tops.
constexpr int topoLinha[] = {0, 19, 50, 82};
constexpr int topoRotulo[] = {0, 6, 38, 69};

enum class Papel { Obrigatorio, Opcional, SoExibe };

struct Edicao {
    host::TLabel*& rotulo;
    host::TDBEdit*& edit;
    const char* rotuloNome;
    const char* nome;
    const char* campo;
    QString legenda;
    int linha;
    int esquerda;
    int largura; // the longest text is the field's size
    Papel papel;
};

} // namespace

TfrmAmostraProc::TfrmAmostraProc() {
    setObjectName(QStringLiteral("frmAmostraProc"));
    SetCaption(QStringLiteral("Amostras para Processamento"));
    SetBorderStyle(host::TBorderStyle::bsSingle);
    SetClientSize(555, 404);
    SetHelpFile(QStringLiteral("EstHelp.hlp"));
    SetHelpContext(11225000);
    lblCodTela->SetCaption(QStringLiteral("EST25000"));
    msgPadrao->Strings = est25000::mensagensAmostraProc();

    // --- Tool bar
    sbtFiltro = nomeado(new host::TButtonFlat(panMenu), "sbtFiltro");
    sbtFiltro->SetBounds(181, sbtImprimir->Top(), 21, 21);
    sbtFiltro->SetHint(QStringLiteral("Filtrar"));
    sbtFiltro->SetGlyph(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    sbtVisualizaErros = nomeado(new host::TButtonFlat(panMenu), "sbtVisualizaErros");
    sbtVisualizaErros->SetBounds(248, sbtImprimir->Top(), 21, 21);
    sbtVisualizaErros->SetHint(QStringLiteral("Visualizar Erros"));
    sbtVisualizaErros->SetGlyph(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    sbtVisualizaErros->SetEnabled(false);
    sbtImprimir->SetBounds(217, sbtImprimir->Top(), sbtImprimir->Width(), sbtImprimir->Height());
    sbtImprimir->SetEnabled(false);
    sbtAjuda->SetBounds(269, sbtAjuda->Top(), sbtAjuda->Width(), sbtAjuda->Height());
    sbtFechar->SetBounds(305, sbtFechar->Top(), sbtFechar->Width(), sbtFechar->Height());
    mnuListagem->SetEnabled(false);
    mnuConfigImpressora->SetEnabled(false);
    mnuExibir->AddSeparator();
    mnuHistorico =
        mnuExibir->Add(QStringLiteral("mnuHistorico"), QStringLiteral("&Histórico da amostra"));
    mnuHistorico->OnClick = [this](QObject* sender) { mnuHistoricoClick(sender); };
    // The screen's own buttons in the Operação menu too, with letters no other entry has and
    // their keys beside them, so that every command is within reach of the keyboard.
    mnuFiltrar =
        mnuOperacao->Insert(mnuListagem, QStringLiteral("mnuFiltrar"), QStringLiteral("Fil&trar"));
    mnuFiltrar->SetShortCut(QKeySequence(Qt::Key_F3));
    mnuVisualizaErros = mnuOperacao->Insert(mnuListagem, QStringLiteral("mnuVisualizaErros"),
                                            QStringLiteral("Vi&sualizar Erros"));
    mnuVisualizaErros->SetShortCut(QKeySequence(Qt::Key_F7));
    mnuOperacao->InsertSeparator(mnuListagem);
    for (auto [item, botao] :
         {std::pair{mnuFiltrar, sbtFiltro}, std::pair{mnuVisualizaErros, sbtVisualizaErros}}) {
        item->FollowEnabled(botao);
        item->OnClick = [botao](QObject*) {
            if (botao->isEnabled())
                botao->Click();
        };
    }

    criaDados();
    criaCabecalho();
    criaGrades();
    ligaFornecedor();
    ligaProduto();
    ligaItens();
    ligaComandos();
    ligaTotalItens();
    ligaDiario();
    ligaProcessada();

    sbtFiltro->OnClick = [this](QObject* s) { sbtFiltroClick(s); };
    sbtVisualizaErros->OnClick = [this](QObject* s) { sbtVisualizaErrosClick(s); };
    dbgPadrao->OnEnter = [this](QObject* s) { dbgPadraoEnter(s); };

    pgcPadrao->SetActivePage(tshFormulario);
}

void TfrmAmostraProc::criaCabecalho() {
    panAmostra = nomeado(new host::TPanel(scbFormulario), "panAmostra");
    panAmostra->SetBounds(0, 0, 553, 114);
    panAmostra->SetAlign(host::TAlign::alTop);
    panAmostra->SetBevelOuter(host::TBevelCut::bvNone);
    panAmostra->SetTabOrder(0);
    grbDadosAmostra = nomeado(new host::TGroupBox(panAmostra), "grbDadosAmostra");
    grbDadosAmostra->SetBounds(8, 2, 530, 110);

    const Edicao edicoes[] = {
        {lblNrAmostra, dbeNrAmostra, "lblNrAmostra", "dbeNrAmostra", "NRAMOSTRA",
         QStringLiteral("Nº da Amostra"), 1, 4, 76, Papel::SoExibe},
        {lblDescAmostra, dbeDescAmostra, "lblDescAmostra", "dbeDescAmostra", "DSAMOSTRA",
         QStringLiteral("Descrição"), 1, 79, 443, Papel::Obrigatorio},
        {lblNrInscForn, dbeNrInscForn, "lblNrInscForn", "dbeNrInscForn", "NRINSJURNF",
         QStringLiteral("Fornecedor"), 2, 4, 121, Papel::Opcional},
        {lblNmRazSocForn, dbeNmRazSocForn, "lblNmRazSocForn", "dbeNmRazSocForn", "NMRAZSOCFORN",
         QStringLiteral("Nome/Razão Social"), 2, 150, 177, Papel::SoExibe},
        {lblCdSerie, dbeCdSerie, "lblCdSerie", "dbeCdSerie", "CDSERIEENTR",
         QStringLiteral("Série NF"), 2, 330, 50, Papel::Opcional},
        {lblNrNotaFisc, dbeNrNotaFisc, "lblNrNotaFisc", "dbeNrNotaFisc", "NRNOTAFISC",
         QStringLiteral("Número NF"), 2, 405, 91, Papel::Opcional},
        {lblCdProduto, dbeCdProduto, "lblCdProduto", "dbeCdProduto", "CDARVPROD",
         QStringLiteral("Código"), 3, 4, 100, Papel::Obrigatorio},
        {lblNmProduto, dbeNmProduto, "lblNmProduto", "dbeNmProduto", "NMPRODUTO",
         QStringLiteral("Produto"), 3, 129, 268, Papel::SoExibe},
        {lblQuantProd, dbeQuantProd, "lblQuantProd", "dbeQuantProd", "QTPRODPROC",
         QStringLiteral("Quantidade"), 3, 396, 100, Papel::Obrigatorio},
        {lblUnidProd, dbeUnidProd, "lblUnidProd", "dbeUnidProd", "SGUNIDADE", QStringLiteral("UN"),
         3, 495, 27, Papel::SoExibe},
    };
    int ordem = 0;
    for (const Edicao& e : edicoes) {
        e.rotulo = nomeado(new host::TLabel(grbDadosAmostra, e.legenda), e.rotuloNome);
        e.rotulo->SetBounds(e.esquerda, topoRotulo[e.linha], e.rotulo->sizeHint().width(), 13);
        e.edit = nomeado(new host::TDBEdit(grbDadosAmostra), e.nome);
        e.edit->SetBounds(e.esquerda, topoLinha[e.linha], e.largura, 21);
        e.edit->SetDataSource(dtsPadrao);
        e.edit->SetDataField(QString::fromLatin1(e.campo));
        e.edit->SetTabOrder(ordem++);
        switch (e.papel) {
        case Papel::Obrigatorio:
            e.edit->SetColor(host::clInfoBk);
            break;
        case Papel::Opcional:
            e.edit->SetColor(host::clBtnHighlight);
            break;
        case Papel::SoExibe:
            e.edit->setEnabled(false);
            e.edit->SetColor(host::clBtnFace);
            break;
        }
        e.rotulo->SetFocusControl(e.edit);
    }
    dbeCdSerie->SetCharCase(host::TEditCharCase::ecUpperCase);

    struct Pesquisa {
        host::TBtnPesquisa*& botao;
        const char* nome;
        int linha;
        int esquerda;
        host::TDBEdit* associado;
        QString titulo;
        dataset::DataSource* fonte;
        QString vazio;
    };
    const Pesquisa pesquisas[] = {
        {btpFornecedor, "btpFornecedor", 2, 127, dbeNrInscForn, QStringLiteral("Fornecedor"),
         dtsFornecedor, QStringLiteral("Não há fornecedor cadastrado.")},
        {btpSerie, "btpSerie", 2, 382, dbeCdSerie, QStringLiteral("Série NF"), dtsSerieNF,
         QStringLiteral("Não há série nf cadastrada.")},
        {btpNrNf, "btpNrNf", 2, 499, dbeNrNotaFisc, QStringLiteral("Nota Fiscal"), dtsNotaFiscal,
         QStringLiteral("Não há nota fiscal cadastrada.")},
        {btpProduto, "btpProduto", 3, 106, dbeCdProduto, QStringLiteral("Produto"), dtsProdAmostra,
         QStringLiteral("Não há produto cadastrado.")},
    };
    for (const Pesquisa& p : pesquisas) {
        p.botao = nomeado(new host::TBtnPesquisa(grbDadosAmostra), p.nome);
        p.botao->SetBounds(p.esquerda, topoLinha[p.linha] + 1, 21, 19);
        p.botao->SetHint(QStringLiteral("Pesquisar"));
        p.botao->SetAssociate(p.associado);
        p.botao->Title = p.titulo;
        p.botao->DataSource = p.fonte;
        p.botao->EmptyError = p.vazio;
    }
}

void TfrmAmostraProc::criaGrades() {
    // --- Items of the sample, below the header
    panItensAmostra = nomeado(new host::TPanel(scbFormulario), "panItensAmostra");
    panItensAmostra->SetAlign(host::TAlign::alClient);
    panItensAmostra->SetBevelOuter(host::TBevelCut::bvNone);
    panItensAmostra->SetTabOrder(1);
    grbItensAmostra = nomeado(new host::TGroupBox(panItensAmostra, QStringLiteral(" Produtos ")),
                              "grbItensAmostra");
    grbItensAmostra->SetAlign(host::TAlign::alClient);
    dbgItensAmostra = nomeado(new host::TDBGrid(grbItensAmostra), "dbgItensAmostra");
    host::SetAlign(dbgItensAmostra, host::TAlign::alClient);
    dbgItensAmostra->SetDataSource(dtsItemAmostra);
    dbgItensAmostra->setFrameShape(QFrame::NoFrame);
    dbgItensAmostra->SetColor(host::clInfoBk);
    // No indicator, no column resizing, no delete question, an insert kept on exit.
    dbgItensAmostra->SetOptions(host::dgEditing | host::dgTitles | host::dgColLines |
                                host::dgRowLines | host::dgTabs);
    dbgItensAmostra->AddColumn(QStringLiteral("CDARVPROD"), 100, QStringLiteral("Código"));
    dbgItensAmostra->AddColumn(QStringLiteral("NMPRODUTO"), 246, QStringLiteral("Nome"))
        ->SetReadOnly(true);
    dbgItensAmostra->AddColumn(QStringLiteral("QTPRODGERADO"), 84, QStringLiteral("Quantidade"))
        ->SetAlignment(host::TAlignment::taRightJustify);
    dbgItensAmostra->AddColumn(QStringLiteral("SGUNIDADE"), 24, QStringLiteral("UN"))
        ->SetReadOnly(true);
    dbgItensAmostra->AddColumn(QStringLiteral("IDPRODPRINC"), 45, QStringLiteral("Principal"))
        ->SetPickList({QStringLiteral("Sim"), QStringLiteral("Não")});

    // --- The list of samples
    dbgPadrao->AddColumn(QStringLiteral("NRAMOSTRA"), 75, QStringLiteral("Nº da Amostra"));
    dbgPadrao->AddColumn(QStringLiteral("DSAMOSTRA"), 204, QStringLiteral("Descrição"));
    dbgPadrao->AddColumn(QStringLiteral("PRODDESC"), 189, QStringLiteral("Produto"));
    dbgPadrao->AddColumn(QStringLiteral("IDPROCESSADO"), 64, QStringLiteral("Processada"));
    dbtNome->SetDataField(QStringLiteral("DESCAMOSTRA"));
}

} // namespace Cli_est25000
