// Layout of the filter dialog: the three criteria groups inside grbDadosRel, the undo button,
// the four queries and their data sources, and the wiring of every handler.
#include <est25000/Cli_est25200.h>

#include <est25000/Componentes.h>
#include <est25000/Consultas.h>
#include <est25000/Mensagens.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/MaskEdit.h>
#include <host/controls/StdControls.h>
#include <host/database/Adoibquery.h>
#include <host/library/Consiste.h>
#include <host/library/Qvn_msg.h>
#include <host/search/Btnpesquisa.h>

#include <QStyle>

namespace Cli_est25200 {

namespace {

template <class T> T* nomeado(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

host::TGroupBox* grupo(QWidget* parent, const char* name, const QString& caption, int top,
                       int height) {
    auto* box = nomeado(new host::TGroupBox(parent, caption), name);
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
    box->SetBounds(4, top, 421, height);
    return box;
}

// A masked edit of a criteria group; the group's bold font does not reach the fields.
host::TMaskEdit* campo(QWidget* parent, const char* name, const QString& mask, int maxLength,
                       int left, int top, int width, int tabOrder) {
    auto* edit = nomeado(new host::TMaskEdit(parent), name);
    QFont font = edit->font();
    font.setBold(false);
    edit->setFont(font);
    edit->SetEditMask(mask);
    edit->SetMaxLength(maxLength);
    edit->SetBounds(left, top, width, 21);
    edit->SetTabOrder(tabOrder);
    return edit;
}

host::TEdit* nome(QWidget* parent, const char* name, int left, int top, int width) {
    auto* edit = nomeado(new host::TEdit(parent), name);
    QFont font = edit->font();
    font.setBold(false);
    edit->setFont(font);
    edit->SetBounds(left, top, width, 21);
    edit->setEnabled(false);
    edit->SetColor(host::clBtnFace);
    edit->SetTabStop(false);
    return edit;
}

host::TLabel* rotulo(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = nomeado(new host::TLabel(parent, caption), name);
    QFont font = label->font();
    font.setBold(false);
    label->setFont(font);
    label->SetBounds(left, top, label->sizeHint().width(), 13);
    return label;
}

} // namespace

void TfrmFiltroAmostraProc::criaComponentes() {
    setObjectName(QStringLiteral("frmFiltroAmostraProc"));
    SetCaption(QStringLiteral("Filtro de Amostras para Processamento"));
    SetClientSize(484, 180);
    grbDadosRel->SetBounds(0, 0, 429, 180);
    SetHelpFile(QStringLiteral("Dfehelp.hlp"));
    SetHelpContext(10811300);
    lblCodTela->SetCaption(QStringLiteral("EST25200"));
    msgPadrao->Strings = est25000::mensagensFiltroAmostraProc();

    // --- Queries and their data sources
    qryFornecedor = est25000::criaConsulta(this, "qryFornecedor", est25000::sql::filtroFornecedor(),
                                           est25000::campos::filtroFornecedor());
    qryValidForn = est25000::criaConsulta(this, "qryValidForn", est25000::sql::filtroValidForn(),
                                          est25000::campos::filtroValidForn());
    qryProduto = est25000::criaConsulta(this, "qryProduto", est25000::sql::filtroProduto(),
                                        est25000::campos::filtroProduto());
    qryValidProd = est25000::criaConsulta(this, "qryValidProd", est25000::sql::filtroValidProd(),
                                          est25000::campos::filtroValidProd());
    dtsFornecedor = est25000::criaFonte(this, "dtsFornecedor", qryFornecedor->Query());
    dtsProduto = est25000::criaFonte(this, "dtsProduto", qryProduto->Query());
    // Tax ids show in the lookup list in the format of the supplier's person type.
    qryFornecedor->Query()->fieldByName(QStringLiteral("NRINSJURFORN"))->onGetText =
        [this](dataset::Field& field, QString& text, bool) {
            const QString numero = field.asString();
            if (numero.isEmpty()) {
                text.clear();
                return;
            }
            const QString tipo =
                field.dataSet()->fieldByName(QStringLiteral("IDTPIJURFORN"))->asString();
            text = dataset::formatMaskText(Consiste::PictPess(tipo), numero);
        };

    // --- Sample-number range
    GroupBox1 =
        grupo(grbDadosRel, "GroupBox1", QStringLiteral("Intervalo do Nº da Amostra"), 4, 46);
    Label1 = rotulo(GroupBox1, "Label1", QStringLiteral("de"), 10, 21);
    medInterInic =
        campo(GroupBox1, "medInterInic", QStringLiteral("9999999999;0; "), 10, 28, 17, 90, 0);
    Label2 = rotulo(GroupBox1, "Label2", QStringLiteral("até"), 130, 21);
    medInterFinal =
        campo(GroupBox1, "medInterFinal", QStringLiteral("9999999999;0; "), 10, 154, 17, 90, 1);

    // --- Supplier
    GroupBox2 = grupo(grbDadosRel, "GroupBox2", QStringLiteral("Fornecedor"), 52, 46);
    medFornecedor =
        campo(GroupBox2, "medFornecedor", mascaraDigitacaoFornecedor(), 20, 10, 17, 140, 0);
    btnFornecedor = nomeado(new host::TBtnPesquisa(GroupBox2), "btnFornecedor");
    btnFornecedor->SetBounds(152, 18, 21, 19);
    btnFornecedor->SetHint(QStringLiteral("Pesquisar"));
    btnFornecedor->SetAssociate(medFornecedor);
    btnFornecedor->Title = QStringLiteral("Fornecedor");
    btnFornecedor->DataSource = dtsFornecedor;
    btnFornecedor->EmptyError = QStringLiteral("Não há fornecedor cadastrado.");
    edtNmFornecedor = nome(GroupBox2, "edtNmFornecedor", 176, 17, 237);

    // --- Product range
    GroupBox3 = grupo(grbDadosRel, "GroupBox3", QStringLiteral("Produto"), 100, 76);
    Label3 = rotulo(GroupBox3, "Label3", QStringLiteral("Inicial"), 10, 21);
    medProdInic = campo(GroupBox3, "medProdInic", QStringLiteral(">aaaaaa;0; "), 6, 48, 17, 100, 0);
    btnProdIni = nomeado(new host::TBtnPesquisa(GroupBox3), "btnProdIni");
    btnProdIni->SetBounds(150, 18, 21, 19);
    edtProdInic = nome(GroupBox3, "edtProdInic", 176, 17, 237);
    Label4 = rotulo(GroupBox3, "Label4", QStringLiteral("Final"), 10, 50);
    medProdFim = campo(GroupBox3, "medProdFim", QStringLiteral(">aaaaaa;0; "), 6, 48, 46, 100, 1);
    btnProdFinal = nomeado(new host::TBtnPesquisa(GroupBox3), "btnProdFinal");
    btnProdFinal->SetBounds(150, 47, 21, 19);
    edtProdFinal = nome(GroupBox3, "edtProdFinal", 176, 46, 237);
    for (auto [button, edit] : {std::pair{btnProdIni, medProdInic}, {btnProdFinal, medProdFim}}) {
        button->SetHint(QStringLiteral("Pesquisar"));
        button->SetAssociate(edit);
        button->PesqType = host::TPesqType::ptArvore;
        button->Title = QStringLiteral("Produto");
        button->DataSource = dtsProduto;
        button->FieldNivel = QStringLiteral("CDNVPRODUTO");
        button->FieldCodigo = QStringLiteral("CDPRODUTO");
        button->FieldNome = QStringLiteral("NMPRODUTO");
        button->EmptyError = QStringLiteral("Não há produto cadastrado.");
        button->PesqChave = true;
    }
    GroupBox1->SetTabOrder(0);
    GroupBox2->SetTabOrder(1);
    GroupBox3->SetTabOrder(2);

    // --- Undo, at the bottom of the button panel
    sbtDesfazer = nomeado(new host::TButtonFlat(panBotoes), "sbtDesfazer");
    sbtDesfazer->SetHint(QStringLiteral("Desfazer"));
    sbtDesfazer->SetGlyph(style()->standardIcon(QStyle::SP_DialogResetButton));
    sbtDesfazer->SetBounds(sbtConfirma->Left(), panBotoes->height() - 25, 21, 21);

    // --- Wiring
    using Self = TfrmFiltroAmostraProc;
    const auto liga = [this](void (Self::*handler)(QObject*)) {
        return [this, handler](QObject* sender) { (this->*handler)(sender); };
    };
    sbtDesfazer->OnClick = liga(&Self::sbtDesfazerClick);
    medInterInic->OnExit = liga(&Self::medInterInicExit);
    medInterFinal->OnExit = liga(&Self::medInterFinalExit);
    medFornecedor->OnExit = liga(&Self::medFornecedorExit);
    medProdInic->OnExit = liga(&Self::medProdInicExit);
    medProdFim->OnExit = liga(&Self::medProdFimExit);
    medFornecedor->OnChange = liga(&Self::medFornecedorChange);
    medFornecedor->OnEnter = liga(&Self::medFornecedorEnter);
    medProdInic->OnChange = liga(&Self::medProdInicChange);
    medProdFim->OnChange = liga(&Self::medProdFimChange);
    btnFornecedor->OnBeforePesq = [this](QObject* s, bool& c) { btnFornecedorBeforePesq(s, c); };
    btnFornecedor->OnAfterPesq = liga(&Self::btnFornecedorAfterPesq);
    btnProdIni->OnBeforePesq = [this](QObject* s, bool& c) { btnProdIniBeforePesq(s, c); };
    btnProdIni->OnAfterPesq = liga(&Self::btnProdIniAfterPesq);
    btnProdFinal->OnBeforePesq = [this](QObject* s, bool& c) { btnProdFinalBeforePesq(s, c); };
    btnProdFinal->OnAfterPesq = liga(&Self::btnProdFinalAfterPesq);
}

} // namespace Cli_est25200
