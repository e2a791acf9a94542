// The record commands against the real server and database: New, Edit, Confirm with the
// server's refusal and its error list, Cancel, Delete and Search, the state in which only New
// is possible, and what stays pending in the change logs after each of them.
#include "Ambiente.h"
#include "Gravacao.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25100.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/FormatFloat.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Menus.h>
#include <host/controls/Showavi.h>
#include <host/controls/StdControls.h>
#include <host/core/Configuration.h>
#include <host/core/EventBoundary.h>
#include <host/core/Exceptions.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Application.h>
#include <host/remote/ChangeJournal.h>
#include <host/remote/Netconnection.h>
#include <host/search/SearchWindow.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScreen>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace est25000::teste;
using Cli_est25000::TfrmAmostraProc;
using dataset::DataSetState;

namespace {

QSqlDatabase banco() {
    return dtmDBGeral::Database();
}

int amostrasNoBanco() {
    return conta(banco(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
}

QString texto(dataset::ClientDataSet* ds, const char* campo) {
    return ds->fieldByName(QString::fromLatin1(campo))->asString();
}

QString descricaoNoBanco(const QString& nr) {
    return campoNoBanco(banco(), "DSAMOSTRA", nr);
}

QList<QPair<QString, double>> itensNoBanco(const QString& nr) {
    return est25000::teste::itensNoBanco(banco(), nr);
}

// What the screen's window shows, and what painting it whole again would show: the same when
// every control that changed asked to be repainted.
void esperaTelaAtual(TfrmAmostraProc& tela) {
    processaEventos();
    QWidget* janela = tela.window();
    const QImage naTela = janela->screen()
                              ->grabWindow(janela->winId())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    const QImage inteira = janela->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(naTela.size(), inteira.size());
    EXPECT_TRUE(naTela == inteira) << "part of the screen shows what it was before";
}

bool naLista(TfrmAmostraProc& tela, const QString& nr) {
    const dataset::DataPacket lista = tela.cdsAmostraProc->data();
    const int col = lista.indexOf(QStringLiteral("NRAMOSTRA"));
    return std::any_of(lista.rows.cbegin(), lista.rows.cend(),
                       [&](const dataset::Row& r) { return r.at(col).toString() == nr; });
}

// Between the screen and the server: the request goes through whole, and the connection is
// dropped as soon as the server starts answering, so the answer never arrives; or, given an
// answer of its own, that answer goes back instead of the server's. Given aoResponder, it is
// called as the server starts answering (the request stored), before anything goes back.
class SemResposta {
public:
    explicit SemResposta(int portaServidor, QByteArray trocaPor = {},
                         std::function<void()> aoResponder = {})
        : servidor_(portaServidor), trocaPor_(std::move(trocaPor)),
          aoResponder_(std::move(aoResponder)) {
        escuta_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in endereco{};
        endereco.sin_family = AF_INET;
        endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t tamanho = sizeof endereco;
        ::bind(escuta_, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco);
        ::listen(escuta_, 4);
        ::getsockname(escuta_, reinterpret_cast<sockaddr*>(&endereco), &tamanho);
        porta_ = ntohs(endereco.sin_port);
        fio_ = std::thread([this] { atende(); });
    }
    ~SemResposta() {
        ::shutdown(escuta_, SHUT_RDWR);
        ::close(escuta_);
        fio_.join();
    }
    int porta() const { return porta_; }

private:
    void atende() {
        const int cliente = ::accept(escuta_, nullptr, nullptr);
        if (cliente < 0)
            return;
        const int servidor = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in endereco{};
        endereco.sin_family = AF_INET;
        endereco.sin_port = htons(static_cast<uint16_t>(servidor_));
        endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(servidor, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0) {
            char bloco[65536];
            for (bool segue = true; segue;) {
                pollfd fds[2] = {{cliente, POLLIN, 0}, {servidor, POLLIN, 0}};
                if (::poll(fds, 2, 20000) <= 0)
                    break;
                if (fds[1].revents & (POLLIN | POLLHUP)) { // the answer starts
                    if (aoResponder_)
                        aoResponder_();
                    if (!trocaPor_.isEmpty())
                        (void)!::write(cliente, trocaPor_.constData(),
                                       static_cast<size_t>(trocaPor_.size()));
                    break;
                }
                const ssize_t lidos = ::read(cliente, bloco, sizeof bloco);
                segue = lidos > 0 && ::write(servidor, bloco, static_cast<size_t>(lidos)) == lidos;
            }
        }
        ::close(servidor);
        ::shutdown(cliente, SHUT_RDWR);
        ::close(cliente);
    }

    int servidor_ = 0;
    QByteArray trocaPor_;
    std::function<void()> aoResponder_;
    int escuta_ = -1;
    int porta_ = 0;
    std::thread fio_;
};

class ComandosTest : public ::testing::Test {
protected:
    void SetUp() override {
        tela = &abreTela(script);
        caso = casoEstoque(banco());
        script.Clear();
    }
    void TearDown() override { fechaTela(); }

    // Edits a sample of the list and changes its description.
    void alteraDescricao(const QString& nr, const QString& descricao) {
        ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr));
        clica(tela->sbtAlterar);
        ASSERT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
        tela->cdsAmostraProc->fieldByName(QStringLiteral("DSAMOSTRA"))->setAsString(descricao);
    }
    void esperaSemPendencias() {
        EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 0);
        EXPECT_EQ(tela->cdsItemAmostra->changeCount(), 0);
    }

    host::DialogScript script;
    TfrmAmostraProc* tela = nullptr;
    CasoEstoque caso;
};

TEST_F(ComandosTest, NewEditAndConfirmStoreTheSampleAndLandOnIt) {
    const int antes = amostrasNoBanco();
    clica(tela->sbtIncluir);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Insert);
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);
    EXPECT_EQ(host::TControl::Of(tela->ActiveControl()), tela->dbeDescAmostra);

    // Without items nothing is sent: the grid is where they go.
    preencheCabecalho(*tela, QStringLiteral("Rendimento do lote 7"), caso.inNatura, 10);
    clica(tela->sbtConfirmar);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto deve ser informado."));
    EXPECT_EQ(host::TControl::Of(tela->ActiveControl()), tela->dbgItensAmostra);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Insert);
    EXPECT_EQ(amostrasNoBanco(), antes);

    script.Clear();
    adicionaItem(*tela, caso.itens[0], 5, true);
    adicionaItem(*tela, caso.itens[1], 3, false);
    adicionaItem(*tela, caso.itens[2], 2, false);
    clica(tela->sbtConfirmar);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty()) << "the progress window is gone";

    const QString nr =
        valor(banco(), QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    EXPECT_EQ(nr.size(), 10);
    EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Rendimento do lote 7"));
    EXPECT_EQ(
        valor(banco(), QStringLiteral("SELECT CDFILIAL FROM AMOSTRAPROC WHERE NRAMOSTRA = ?"), {nr})
            .toString(),
        QStringLiteral("0001"))
        << "no invoice looked up: the current branch";
    EXPECT_EQ(itensNoBanco(nr).size(), 3);
    // The reloaded list holds it, current, with its items and nothing pending.
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse);
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes + 1);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), nr);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 3);
    EXPECT_EQ(texto(tela->cdsItemAmostra, "NRAMOSTRA"), nr);
    esperaSemPendencias();
    EXPECT_FALSE(tela->sbtVisualizaErros->isEnabled());
    EXPECT_FALSE(Cli_est25000::boDelete);
    EXPECT_FALSE(tela->cdsAmostraProc->controlsDisabled());
    esperaTelaAtual(*tela);

    // Edit it: more quantity, the first item takes it.
    clica(tela->sbtAlterar);
    EXPECT_TRUE(host::Application->StatusText().isEmpty()) << "kept until the next command";
    EXPECT_EQ(host::TControl::Of(tela->ActiveControl()), tela->dbeDescAmostra);
    tela->cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->setAsFloat(12);
    ASSERT_TRUE(tela->cdsItemAmostra->locate(QStringLiteral("CDPRODUTO"), caso.itens[0].cdProduto));
    tela->cdsItemAmostra->edit();
    tela->cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"))->setAsFloat(7);
    clica(tela->sbtConfirmar); // the item still in edit is posted by the confirmation
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_DOUBLE_EQ(valor(banco(),
                           QStringLiteral("SELECT QTPRODPROC FROM AMOSTRAPROC WHERE NRAMOSTRA = ?"),
                           {nr})
                         .toDouble(),
                     12);
    EXPECT_EQ(itensNoBanco(nr).first(), qMakePair(caso.itens[0].cdProduto, 7.0));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), nr);
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    esperaSemPendencias();
    esperaTelaAtual(*tela);
}

// A refused sample keeps everything typed and shows why; cancelled, it is gone for good:
// neither the list shows it nor does the next confirmation of another sample send it.
TEST_F(ComandosTest, ARefusedSampleShowsItsErrorsAndOnceCancelledIsNeverSent) {
    const int antes = amostrasNoBanco();
    const Produto semEstoque =
        produtoSemEstoque(banco(), caso.inNatura.sgUnidade, caso.inNatura.cdProduto);
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Recusada"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, semEstoque, 4, false);
    clica(tela->sbtConfirmar);
    EXPECT_TRUE(script.Messages().isEmpty()) << "a refusal shows no message";
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), QStringLiteral("Recusada"));
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 2);
    EXPECT_TRUE(tela->sbtVisualizaErros->isEnabled());
    EXPECT_EQ(amostrasNoBanco(), antes);
    EXPECT_EQ(host::Application->StatusText(),
              QStringLiteral("Amostra não gravada: veja a lista de erros."));

    // Its row marked, not the other; its error list centred on the main window, lines of 13 px.
    ASSERT_TRUE(tela->cdsItemAmostra->locate(QStringLiteral("CDPRODUTO"), semEstoque.cdProduto));
    const auto marca = [&](int l) {
        return tela->dbgItensAmostra->model()->index(l, 0).data(Qt::ToolTipRole);
    };
    EXPECT_EQ(marca(tela->cdsItemAmostra->recNo() - 1), "Item com erro: veja a lista de erros.");
    EXPECT_FALSE(marca(2 - tela->cdsItemAmostra->recNo()).isValid());
    QStringList linhas;
    script.OnModal([&](host::TForm& f) {
        auto& dialogo = dynamic_cast<Cli_est25100::TfrmVisualErros&>(f);
        EXPECT_EQ(dialogo.Position(), host::TPosition::poMainFormCenter);
        EXPECT_EQ(dialogo.lsbErros->ItemHeight(), 13);
        if (dialogo.lsbErros->count() > 0) {
            EXPECT_EQ(dialogo.lsbErros->visualItemRect(dialogo.lsbErros->item(0)).height(), 13);
        }
        linhas = dialogo.lsbErros->Items();
    });
    clica(tela->sbtVisualizaErros);
    processaEventos();
    EXPECT_EQ(linhas, QStringList{QStringLiteral("Produto não controla estoque.")});

    // The second try fails the same way: what was posted is sent again, not twice.
    clica(tela->sbtConfirmar);
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 1);
    EXPECT_EQ(tela->cdsItemAmostra->changeCount(), 2);
    EXPECT_EQ(amostrasNoBanco(), antes);

    // Cancel with an item in edit cancels only the item; the next Cancel asks.
    tela->cdsItemAmostra->edit();
    clica(tela->sbtCancelar);
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(tela->cdsItemAmostra->state(), DataSetState::Browse);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    script.Answer(host::mrYes);
    clica(tela->sbtCancelar);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Cancelar operação?"));
    EXPECT_FALSE(naLista(*tela, QString())) << "the refused new sample left the list";
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes);
    esperaSemPendencias();
    EXPECT_FALSE(tela->sbtVisualizaErros->isEnabled());

    // A stored sample refused the same way: its cancelled description never reaches the
    // database with the next confirmation of another sample.
    script.Clear();
    const QStringList livres = amostrasGuardadas(banco(), false, 2);
    const QString recusada = livres[0];
    const QString guardada = descricaoNoBanco(recusada);
    const auto itensGuardados = itensNoBanco(recusada);
    alteraDescricao(recusada, QStringLiteral("Descrição recusada"));
    ASSERT_FALSE(tela->cdsItemAmostra->isEmpty());
    tela->cdsItemAmostra->first();
    const double qt = tela->cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"))->asFloat();
    tela->cdsItemAmostra->edit();
    tela->cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"))->setAsFloat(qt / 2);
    tela->cdsItemAmostra->post();
    adicionaItem(*tela,
                 produtoSemEstoque(banco(), texto(tela->cdsAmostraProc, "SGUNIDADE"),
                                   texto(tela->cdsAmostraProc, "CDPRODUTO")),
                 qt / 2, false);
    clica(tela->sbtConfirmar);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    ASSERT_TRUE(tela->sbtVisualizaErros->isEnabled()) << "refused";
    script.Answer(host::mrYes);
    clica(tela->sbtCancelar);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), guardada) << "the list shows it stored";
    esperaSemPendencias();

    script.Clear();
    alteraDescricao(livres[1], QStringLiteral("Outra amostra"));
    clica(tela->sbtConfirmar);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(descricaoNoBanco(livres[1]), QStringLiteral("Outra amostra"));
    EXPECT_EQ(descricaoNoBanco(recusada), guardada);
    EXPECT_EQ(itensNoBanco(recusada), itensGuardados);
    EXPECT_EQ(amostrasNoBanco(), antes);
}

// Any error row (here EST25000_4 alone, a processed sample's deletion) means nothing stored.
TEST_F(ComandosTest, AnyErrorRowInTheAnswerMeansNothingWasStored) {
    const QString livre = amostrasGuardadas(banco(), false).first();
    const QString guardada = descricaoNoBanco(livre);
    ASSERT_TRUE(tela->cdsAmostraProc->locate("NRAMOSTRA", amostrasGuardadas(banco(), true)[0]));
    tela->cdsAmostraProc->remove();
    alteraDescricao(livre, QStringLiteral("Nunca gravada"));
    clica(tela->sbtConfirmar);
    EXPECT_EQ(descricaoNoBanco(livre), guardada);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 2) << "the deletion and the edit, unsent";
}

// A processed sample shows it; typing in its locked edits starts nothing; its description changes.
TEST_F(ComandosTest, AProcessedSampleShowsItAndChangesOnlyItsDescription) {
    const QString processada = amostrasGuardadas(banco(), true).first();
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), processada));
    EXPECT_EQ(tela->cdsAmostraProc->fieldByName("IDPROCESSADO")->displayText(), "Sim");
    EXPECT_TRUE(tela->lblProcessada->isVisibleTo(tela) && tela->dbgItensAmostra->ReadOnly());
    tela->ShowPage(tela->tshFormulario);
    tela->dbeQuantProd->SetFocus();
    QTest::keyClick(tela->dbeQuantProd, Qt::Key_5);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse) << "typing started nothing";
    alteraDescricao(processada, QStringLiteral("Revisada"));
    clica(tela->sbtConfirmar);
    EXPECT_EQ(descricaoNoBanco(processada), "Revisada") << script.LastMessage().toStdString();
}

TEST_F(ComandosTest, DeleteAsksThenDeletesOrReportsAProcessedSample) {
    const int antes = amostrasNoBanco();
    const QString processada = amostrasGuardadas(banco(), true).first();
    const QString livre = amostrasGuardadas(banco(), false, 5).last();

    // A bare Enter answers No, the default: nothing changes, nothing is sent.
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), livre));
    clica(tela->sbtExcluir);
    EXPECT_TRUE(script.LastMessage().startsWith(QStringLiteral("ATENÇÃO! Ao confirmar essa")));
    EXPECT_EQ(script.Messages().last().defaultButton, host::mbNo);
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), livre);
    EXPECT_FALSE(Cli_est25000::boDelAmostra);
    esperaSemPendencias();

    // Processed: refused, the list reloaded with the sample back and current.
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), processada));
    script.Answer(host::mrYes);
    clica(tela->sbtExcluir);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Exclusão bloqueada!Processamento da amostra já realizado."));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), processada);
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes);
    EXPECT_EQ(amostrasNoBanco(), antes);
    EXPECT_FALSE(Cli_est25000::boDelAmostra) << "item deletions ask again";
    esperaSemPendencias();

    // Unprocessed: deleted with its items; nothing of it stays pending.
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), livre));
    script.Answer(host::mrYes);
    clica(tela->sbtExcluir);
    EXPECT_EQ(amostrasNoBanco(), antes - 1);
    EXPECT_TRUE(itensNoBanco(livre).isEmpty());
    EXPECT_FALSE(naLista(*tela, livre));
    esperaSemPendencias();
    EXPECT_FALSE(Cli_est25000::boDelAmostra);

    // Search: the items while the item grid has the focus, the samples otherwise.
    const auto procura = [&](int linha) {
        int linhas = -1;
        script.OnModal([&](host::TForm& f) {
            auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
            linhas = janela.RowCount();
            janela.SelectRow(linha);
            janela.Pick();
        });
        clica(tela->sbtProcurar);
        return linhas;
    };
    const QString comItens =
        valor(banco(), QStringLiteral("SELECT MIN(NRAMOSTRA) FROM ITEMAMOSTRAPROC GROUP BY "
                                      "NRAMOSTRA HAVING COUNT(*) > 1 ORDER BY 1"))
            .toString();
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), comItens));
    ASSERT_GE(tela->cdsItemAmostra->recordCount(), 2);
    tela->cdsItemAmostra->first();
    tela->dbgItensAmostra->SetFocus();
    EXPECT_EQ(procura(1), tela->cdsItemAmostra->recordCount());
    EXPECT_EQ(tela->cdsItemAmostra->recNo(), 2);
    tela->ShowPage(tela->tshFolhaDados);
    tela->dbgPadrao->SetFocus();
    EXPECT_EQ(procura(2), tela->cdsAmostraProc->recordCount());
    EXPECT_EQ(tela->cdsAmostraProc->recNo(), 3);
}

// Deleting the only sample, and cancelling a new one in an empty list, leave only New.
TEST(ComandosLista, AnEmptyListLeavesOnlyNew) {
    host::DialogScript script;
    const QString nr = amostrasGuardadas(banco(), false, 7).last();
    TfrmAmostraProc& tela = abreTela(script, [nr](Cli_est25200::TfrmFiltroAmostraProc& filtro) {
        filtro.medInterInic->SetText(nr);
        filtro.medInterFinal->SetText(nr);
        confirma(filtro);
    });
    ASSERT_EQ(tela.cdsAmostraProc->recordCount(), 1);
    const auto soNovo = [&] {
        EXPECT_EQ(tela.pgcPadrao->ActivePage(), tela.tshFolhaDados);
        EXPECT_FALSE(tela.pgcPadrao->isEnabled());
        EXPECT_TRUE(tela.sbtIncluir->isEnabled());
        for (host::TButtonFlat* b : {tela.sbtAlterar, tela.sbtExcluir, tela.sbtProcurar,
                                     tela.sbtVerificar, tela.sbtConfirmar, tela.sbtCancelar})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_FALSE(tela.mnuFormulario->Enabled());
        EXPECT_FALSE(tela.mnuFolhaDados->Enabled());
    };
    script.Answer(host::mrYes);
    clica(tela.sbtExcluir);
    EXPECT_EQ(conta(banco(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC WHERE NRAMOSTRA = ?"),
                    {nr}),
              0);
    EXPECT_TRUE(tela.cdsAmostraProc->isEmpty());
    soNovo();

    clica(tela.sbtIncluir);
    EXPECT_TRUE(tela.pgcPadrao->isEnabled());
    EXPECT_EQ(tela.pgcPadrao->ActivePage(), tela.tshFormulario);
    script.Answer(host::mrYes);
    clica(tela.sbtCancelar);
    EXPECT_TRUE(tela.cdsAmostraProc->isEmpty());
    soNovo();
    fechaTela();
}

// Nothing typed is lost without a word: the close and the Filter ask first.
TEST_F(ComandosTest, ClosingOrFilteringWithChangesAsksFirst) {
    const QString nr = amostrasGuardadas(banco(), false, 3).last();
    const QString guardada = descricaoNoBanco(nr);
    alteraDescricao(nr, QStringLiteral("Digitada e não confirmada"));
    tela->Close(); // a bare Enter: No, the default
    processaEventos();
    ASSERT_TRUE(Cli_est25000::boIdCriado) << "No goes back to editing";
    EXPECT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.Messages().last().defaultButton, host::mbNo);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"),
              QStringLiteral("Digitada e não confirmada"));
    script.Answer(host::mrNo);
    tela->close(); // the window's close box
    processaEventos();
    ASSERT_TRUE(Cli_est25000::boIdCriado);
    EXPECT_EQ(script.Messages().size(), 2);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);

    // A sample left for another one in the list is posted, still unconfirmed: Filter and
    // Check ask too, and Yes takes the stored samples back.
    tela->cdsAmostraProc->next();
    ASSERT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse);
    ASSERT_EQ(tela->cdsAmostraProc->changeCount(), 1);
    script.Clear();
    script.Answer(host::mrNo);
    clica(tela->sbtFiltro);
    EXPECT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.ModalCaptions().size(), 1) << "the filter did not open";
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 1);
    script.Answer(host::mrYes);
    clica(tela->sbtVerificar);
    EXPECT_EQ(script.Messages().size(), 2);
    esperaSemPendencias();
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), guardada);

    // Yes on closing discards and closes; nothing reached the database.
    alteraDescricao(nr, QStringLiteral("Outra vez"));
    script.Answer(host::mrYes);
    tela->Close();
    processaEventos();
    EXPECT_FALSE(Cli_est25000::boIdCriado);
    EXPECT_EQ(descricaoNoBanco(nr), guardada);
}

// While a sample is typed the list may be looked at but not moved in: a move would post the
// sample unconfirmed and load another sample's items over those typed. Confirm still moves it
// and lands on the stored sample with everything typed.
TEST_F(ComandosTest, TheListCannotLeaveTheSampleBeingTyped) {
    const int antes = amostrasNoBanco();
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Vista na lista"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, caso.itens[1], 4, false);
    tela->dbeDescAmostra->SetFocus();
    processaEventos();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    processaEventos();
    ASSERT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFolhaDados);
    ASSERT_EQ(host::TControl::Of(tela->ActiveControl()), tela->dbgPadrao);
    ASSERT_GT(tela->cdsAmostraProc->recordCount(), 1);

    const std::function<void()> movimentos[] = {
        [&] { QTest::keyClick(tela->dbgPadrao, Qt::Key_Up); },
        [&] { QTest::keyClick(tela->dbgPadrao, Qt::Key_Home, Qt::ControlModifier); },
        [&] {
            const QRect primeira =
                tela->dbgPadrao->visualRect(tela->dbgPadrao->model()->index(0, 0));
            QTest::mouseClick(tela->dbgPadrao->viewport(), Qt::LeftButton, {}, primeira.center());
        },
        [&] { tela->Primeiro1->Click(); }, // the list's context menu
        [&] { QTest::keyClick(tela->dbgPadrao, Qt::Key_Escape); },
    };
    for (const auto& movimento : movimentos) {
        movimento();
        processaEventos();
        EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Insert);
        EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), QStringLiteral("Vista na lista"));
        EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 2);
    }
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 0) << "nothing posted behind the user";
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();

    tela->mnuFormulario->Click();
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 2);
    clica(tela->sbtConfirmar);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    const QString nr = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Vista na lista"));
    EXPECT_EQ(itensNoBanco(nr).size(), 2);
    esperaSemPendencias();

    // Its items deleted, none is left to carry its number; a look at the list and back keeps
    // the deletions.
    script.Answer(host::mrYes);
    script.Answer(host::mrYes);
    tela->cdsItemAmostra->remove();
    tela->cdsItemAmostra->remove();
    ASSERT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    tela->mnuFolhaDados->Click();
    tela->mnuFormulario->Click();
    EXPECT_TRUE(tela->cdsItemAmostra->isEmpty());
    EXPECT_EQ(tela->cdsItemAmostra->changeCount(), 2);
    script.Answer(host::mrYes);
    clica(tela->sbtCancelar);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 2);

    // Stored, the list moves again.
    tela->ShowPage(tela->tshFolhaDados);
    tela->dbgPadrao->SetFocus();
    const int linha = tela->cdsAmostraProc->recNo();
    QTest::keyClick(tela->dbgPadrao, linha > 1 ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_NE(tela->cdsAmostraProc->recNo(), linha);
}

// Another user stored the sample first: the conflict is told plainly, nothing is stored and
// everything typed is still there to confirm again or cancel.
TEST_F(ComandosTest, AConflictWithAnotherUserKeepsTheSampleInEdit) {
    const QString nr = amostrasGuardadas(banco(), false, 4).last();
    alteraDescricao(nr, QStringLiteral("Minha descrição"));
    const int itens = tela->cdsItemAmostra->recordCount();
    QSqlQuery outro(banco());
    ASSERT_TRUE(outro.exec(
        QStringLiteral(
            "UPDATE AMOSTRAPROC SET DSAMOSTRA = 'Do outro usuário' WHERE NRAMOSTRA = '%1'")
            .arg(nr)));
    clica(tela->sbtConfirmar);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("A amostra %1 foi alterada por outro usuário. Nada foi gravado. "
                             "Recarregue os dados e repita a operação.")
                  .arg(nr));
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty());
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), QStringLiteral("Minha descrição"));
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), itens);
    EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Do outro usuário"));
}

// The items of the sample reached cannot be loaded: the grid does not go on showing the
// previous sample's items, and the sample is edited only with its own.
TEST_F(ComandosTest, ItemsThatCannotBeLoadedAreNotShownNorSentUnderAnotherSample) {
    tela->cdsAmostraProc->first();
    const QString primeira = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    const auto itensPrimeira = itensNoBanco(primeira);
    ASSERT_FALSE(tela->cdsItemAmostra->isEmpty());

    const int porta = Ambiente::portaSemServidor();
    ASSERT_GT(porta, 0);
    // The next call opens the connection again, on the address configured then.
    const QString servidor = host::Configuration::Value(host::cfg::kServer);
    struct Volta {
        QString servidor;
        ~Volta() { host::Configuration::Override(host::cfg::kServer, servidor); }
    } volta{servidor};
    host::Configuration::Override(host::cfg::kServer, QStringLiteral("127.0.0.1:%1").arg(porta));
    tela->netAmostraProc->SetConnected(false);
    host::Guard([&] { tela->dbnPadrao->BtnClick(host::nbNext); }); // as a click does
    EXPECT_FALSE(script.Messages().isEmpty()) << "the failure was shown";
    const QString segunda = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    ASSERT_NE(segunda, primeira);
    EXPECT_EQ(tela->cdsItemAmostra->rowCount(), 0) << "no items of the first under the second";
    EXPECT_EQ(tela->dbgItensAmostra->model()->rowCount(), 0);

    // Back online: Edit takes the sample's own items first.
    host::Configuration::Override(host::cfg::kServer, servidor);
    tela->netAmostraProc->SetConnected(false);
    clica(tela->sbtAlterar);
    ASSERT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(texto(tela->cdsItemAmostra, "NRAMOSTRA"), segunda);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), itensNoBanco(segunda).size());
    script.Clear();
    clica(tela->sbtConfirmar);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(itensNoBanco(primeira), itensPrimeira);
}

// The list and the logs agree with the database when the server fails around a command: a
// confirmation stored but not reloaded is not left pending to be stored twice, and a deletion
// that did not reach the server brings the sample back.
TEST_F(ComandosTest, WhenTheServerFailsTheListStillAgreesWithTheDatabase) {
    const int antes = amostrasNoBanco();
    // Criteria left in the hidden filter that no longer pass: the reload after the store fails.
    Cli_est25200::frmFiltroAmostraProc->medProdInic->SetText(QStringLiteral("999999"));
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Guardada sem recarga"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, caso.itens[1], 4, false);
    clica(tela->sbtConfirmar);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto não cadastrado."));
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse) << "not back into edit";
    esperaSemPendencias();
    EXPECT_FALSE(tela->sbtConfirmar->isEnabled()) << "nothing left to store twice";
    EXPECT_FALSE(Cli_est25000::boDelete);
    EXPECT_FALSE(tela->cdsAmostraProc->controlsDisabled());
    Cli_est25200::frmFiltroAmostraProc->medProdInic->SetText(QString());

    // The server down during a deletion: the sample stays listed, current, not pending.
    const QString nr = amostrasGuardadas(banco(), false, 6).last();
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr));
    const QString servidor = host::Configuration::Value(host::cfg::kServer);
    struct Volta {
        QString servidor;
        ~Volta() { host::Configuration::Override(host::cfg::kServer, servidor); }
    } volta{servidor};
    host::Configuration::Override(host::cfg::kServer,
                                  QStringLiteral("127.0.0.1:%1").arg(Ambiente::portaSemServidor()));
    tela->netAmostraProc->SetConnected(false);
    script.Clear();
    script.Answer(host::mrYes);
    clica(tela->sbtExcluir);
    EXPECT_EQ(script.Messages().size(), 2) << "the question, then the failure";
    EXPECT_TRUE(naLista(*tela, nr));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), nr);
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 0);
    EXPECT_FALSE(Cli_est25000::boDelAmostra);
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty());
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
}

// The outcome of a Confirm is unknown to the screen although the server stored the sample (the
// answer lost, or a 503 saying the store may have happened): the clerk is told so, and the same
// Confirm repeated is answered with that sample instead of storing it again.
class ConfirmaIncerto : public ComandosTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConfirmaIncerto, ARepeatedConfirmDoesNotStoreTheSampleTwice) {
    const bool com503 = GetParam();
    const QByteArray corpo =
        QJsonDocument(
            QJsonObject{{QStringLiteral("error"),
                         QJsonObject{{QStringLiteral("code"), "resultado_indeterminado"},
                                     {QStringLiteral("message"),
                                      QStringLiteral("A confirmação pode ter sido gravada.")}}}})
            .toJson(QJsonDocument::Compact);
    const QByteArray resposta503 =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
        "Connection: close\r\nContent-Length: " +
        QByteArray::number(corpo.size()) + "\r\n\r\n" + corpo;
    const int antes = amostrasNoBanco();
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Resposta perdida"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, caso.itens[1], 4, false);
    const QString servidor = host::Configuration::Value(host::cfg::kServer);
    struct Volta {
        QString servidor;
        TfrmAmostraProc* tela;
        ~Volta() {
            host::Configuration::Override(host::cfg::kServer, servidor);
            tela->netAmostraProc->SetConnected(false);
        }
    } volta{servidor, tela};
    {
        SemResposta perde(servidor.section(QLatin1Char(':'), -1).toInt(),
                          com503 ? resposta503 : QByteArray());
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(perde.porta()));
        tela->netAmostraProc->SetConnected(false);
        clica(tela->sbtConfirmar);
    }
    ASSERT_EQ(script.Messages().size(), 1);
    if (com503) {
        EXPECT_EQ(script.LastMessage(), QStringLiteral("A confirmação pode ter sido gravada."));
    } else {
        EXPECT_TRUE(script.LastMessage().contains(QStringLiteral("a gravação pode ter sido feita")))
            << script.LastMessage().toStdString();
        EXPECT_TRUE(script.LastMessage().contains(QStringLiteral("não será gravada duas vezes")));
    }
    EXPECT_EQ(amostrasNoBanco(), antes + 1) << "stored all the same";
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty());
    EXPECT_NE(tela->cdsAmostraProc->state(), dataset::DataSetState::Browse) << "still pending";
    const QString gravada =
        valor(banco(), QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();

    // The answers come back: the same Confirm stores nothing more and shows the sample stored.
    host::Configuration::Override(host::cfg::kServer, servidor);
    tela->netAmostraProc->SetConnected(false);
    script.Clear();
    clica(tela->sbtConfirmar);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    EXPECT_EQ(tela->cdsAmostraProc->state(), dataset::DataSetState::Browse);
    EXPECT_EQ(tela->cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString(), gravada);
    EXPECT_EQ(descricaoNoBanco(gravada), QStringLiteral("Resposta perdida"));
    esperaSemPendencias();
}

INSTANTIATE_TEST_SUITE_P(Falhas, ConfirmaIncerto, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "Resposta503" : "RespostaPerdida");
});

// A stored sample that the filter's criteria leave out is stored all the same; the reloaded
// list does not hold it and stays where the reload left it.
TEST_F(ComandosTest, ASampleTheFilterLeavesOutIsStoredButNotListed) {
    auto* filtro = Cli_est25200::frmFiltroAmostraProc;
    const QStringList primeiras = amostrasGuardadas(banco(), false, 3);
    QMainWindow janela;
    host::Application->SetMainWindow(&janela, nullptr);
    filtro->medInterInic->SetText(primeiras[0]);
    filtro->medInterFinal->SetText(primeiras[2]);
    const int antes = amostrasNoBanco();
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Fora do filtro"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, caso.itens[1], 4, false);
    clica(tela->sbtConfirmar);
    filtro->medInterInic->SetText(QString());
    filtro->medInterFinal->SetText(QString());
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(amostrasNoBanco(), antes + 1);
    const QString nr =
        valor(banco(), QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();
    EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Fora do filtro"));
    EXPECT_FALSE(naLista(*tela, nr));
    EXPECT_EQ(tela->cdsAmostraProc->recNo(), 1) << "where the reload left it";
    esperaSemPendencias();
    // Said in the main window's status bar, in a text named for assistive technology.
    auto* mensagem = janela.findChild<QLabel*>(QStringLiteral("lblMensagem"));
    ASSERT_NE(mensagem, nullptr);
    EXPECT_EQ(mensagem->accessibleName(), QStringLiteral("Mensagem"));
    EXPECT_EQ(mensagem->text(), "Amostra " + nr + " gravada. (fora do filtro atual)");
}

// A stored sample of another branch, edited from a fresh screen (no invoice looked up), keeps
// its branch: the current branch is given only to a new stock sample.
TEST_F(ComandosTest, AStoredSampleOfAnotherBranchKeepsItsBranch) {
    const QString nr =
        valor(banco(), QStringLiteral("SELECT MIN(NRAMOSTRA) FROM AMOSTRAPROC"
                                      " WHERE CDFILIAL = '0002' AND IDPROCESSADO = 'N'"
                                      " AND NRLANCTONF IS NULL"))
            .toString();
    ASSERT_FALSE(nr.isEmpty());
    alteraDescricao(nr, QStringLiteral("Da filial 0002"));
    clica(tela->sbtConfirmar);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Da filial 0002"));
    EXPECT_EQ(campoNoBanco(banco(), "CDFILIAL", nr), QStringLiteral("0002"));
    const QString sql = QStringLiteral("SELECT QTESTOQDIA FROM POSICAOESTOQUE JOIN AMOSTRAPROC "
                                       "USING (CDFILIAL, CDPRODUTO) WHERE NRAMOSTRA = ? "
                                       "ORDER BY DTPOSICAO DESC");
    clica(tela->sbtAlterar);
    tela->dbeQuantProd->SetFocus();
    tela->cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->setAsFloat(1e9);
    EXPECT_THROW(tela->Vd_QuantAmostra(true), host::EAbort);
    EXPECT_TRUE(script.LastMessage().endsWith(
        dataset::formatFloat("#,##0.000", valor(banco(), sql, {nr}).toDouble()) + " ."));
}

// The child process of the journal test: types a sample and two items (role "digita"), or
// also confirms it with the answer lost (role "gravada"), says so, and waits to be killed; or
// confirms it and says so while the server's answer is on its way (role "morre"), to be killed
// before the answer arrives.
TEST(ComandosDiario, Digitador) {
    const QByteArray papel = qgetenv("EST_TESTE_DIGITADOR");
    if (papel.isEmpty())
        GTEST_SKIP() << "run as the child process of TypedWorkSurvivesAKilledScreen";
    host::DialogScript script;
    TfrmAmostraProc& tela = abreTela(script);
    const CasoEstoque caso = casoEstoque(banco());
    clica(tela.sbtIncluir);
    preencheCabecalho(tela, QStringLiteral("Digitada antes da queda"), caso.inNatura, 10);
    adicionaItem(tela, caso.itens[0], 6, true);
    adicionaItem(tela, caso.itens[1], 4, false);
    if (papel == "digita") {
        // Typing goes on in the description, not yet left, until the journal holds it.
        tela.dbeDescAmostra->SetFocus();
        tela.dbeDescAmostra->end(false);
        QTest::keyClicks(tela.dbeDescAmostra, QStringLiteral(" mais"));
        QFile diario(
            QDir(host::ChangeJournal::Folder()).filePath(QStringLiteral("est25000-amostra.json")));
        for (int i = 0; i < 200 && !(diario.open(QIODevice::ReadOnly) &&
                                     QString::fromUtf8(diario.readAll()).contains("queda mais"));
             ++i) {
            diario.close();
            QTest::qWait(50);
        }
    }
    if (papel == "gravada") {
        const QString servidor = host::Configuration::Value(host::cfg::kServer);
        SemResposta perde(servidor.section(QLatin1Char(':'), -1).toInt());
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(perde.porta()));
        tela.netAmostraProc->SetConnected(false);
        clica(tela.sbtConfirmar);
    }
    if (papel == "morre") {
        const QString servidor = host::Configuration::Value(host::cfg::kServer);
        SemResposta segura(servidor.section(QLatin1Char(':'), -1).toInt(), {}, [] {
            std::fputs("DIGITADO\n", stdout);
            std::fflush(stdout);
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        });
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(segura.porta()));
        tela.netAmostraProc->SetConnected(false);
        clica(tela.sbtConfirmar);
    }
    std::fputs("DIGITADO\n", stdout);
    std::fflush(stdout);
    for (;;)
        QTest::qWait(1000);
}

// Typed work outlives the desktop: a screen process killed with SIGKILL after the second item
// leaves its journal, and the next screen offers it back. Não leaves nothing; Sim restores the
// header and the items in edit and the Confirm stores them once; a journal whose key the server
// stored is dropped without a question. A cancelled or confirmed sample leaves no journal.
TEST(ComandosDiario, TypedWorkSurvivesAKilledScreen) {
    Ambiente& ambiente = Ambiente::instancia();
    const QString diario =
        QDir(host::ChangeJournal::Folder()).filePath(QStringLiteral("est25000-amostra.json"));
    const auto digitaEMorre = [&](const char* papel) {
        QProcess filho;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("EST_TESTE_DIGITADOR"), QString::fromLatin1(papel));
        env.insert(QStringLiteral("EST_TESTE_AMBIENTE"), ambiente.paraFilho());
        filho.setProcessEnvironment(env);
        filho.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        filho.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ComandosDiario.Digitador")});
        QByteArray saida;
        while (!saida.contains("DIGITADO") && filho.waitForReadyRead(120000))
            saida += filho.readAllStandardOutput();
        filho.kill(); // SIGKILL: no destructor, no close, nothing flushed
        filho.waitForFinished();
        EXPECT_TRUE(saida.contains("DIGITADO")) << saida.toStdString();
        EXPECT_TRUE(QFile::exists(diario)) << papel;
    };
    // The journal is removed beside the desktop's thread: gone a moment after.
    const auto semDiario = [&] {
        for (int i = 0; i < 500 && QFile::exists(diario); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !QFile::exists(diario);
    };
    // The next screen finds the journal's key stored: no question, no journal left.
    const auto abreSemPergunta = [&] {
        host::DialogScript script;
        TfrmAmostraProc& tela = abreTela(script);
        EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
        EXPECT_EQ(tela.cdsAmostraProc->state(), DataSetState::Browse);
        EXPECT_TRUE(semDiario());
        fechaTela();
    };
    const CasoEstoque caso = casoEstoque(banco());
    const int antes = amostrasNoBanco();

    digitaEMorre("digita");
    {
        host::DialogScript script;
        script.Answer(host::mrNo);
        TfrmAmostraProc& tela = abreTela(script);
        ASSERT_EQ(script.Messages().size(), 1);
        EXPECT_EQ(script.LastMessage(), TfrmAmostraProc::kPerguntaRecuperar);
        EXPECT_EQ(tela.cdsAmostraProc->state(), DataSetState::Browse);
        EXPECT_EQ(tela.cdsAmostraProc->changeCount() + tela.cdsItemAmostra->changeCount(), 0);
        EXPECT_TRUE(semDiario());
        // Typing journals the sample; cancelling it removes the journal.
        clica(tela.sbtIncluir);
        preencheCabecalho(tela, QStringLiteral("Cancelada"), caso.inNatura, 10);
        adicionaItem(tela, caso.itens[0], 10, true);
        EXPECT_TRUE(QFile::exists(diario));
        script.Answer(host::mrYes);
        clica(tela.sbtCancelar);
        EXPECT_EQ(tela.cdsAmostraProc->state(), DataSetState::Browse);
        EXPECT_TRUE(semDiario());
        fechaTela();
    }
    EXPECT_EQ(amostrasNoBanco(), antes);

    digitaEMorre("digita");
    {
        host::DialogScript script;
        script.Answer(host::mrYes);
        TfrmAmostraProc& tela = abreTela(script);
        ASSERT_EQ(script.Messages().size(), 1);
        EXPECT_EQ(script.LastMessage(), TfrmAmostraProc::kPerguntaRecuperar);
        EXPECT_EQ(tela.cdsAmostraProc->state(), DataSetState::Insert);
        EXPECT_EQ(texto(tela.cdsAmostraProc, "DSAMOSTRA"),
                  QStringLiteral("Digitada antes da queda"));
        EXPECT_EQ(QApplication::focusWidget(), tela.dbeDescAmostra) << "where the typing was";
        EXPECT_EQ(tela.dbeDescAmostra->text(), QStringLiteral("Digitada antes da queda mais"));
        QTest::keyClicks(tela.dbeDescAmostra, QStringLiteral("!"));
        EXPECT_EQ(tela.dbeDescAmostra->text(), QStringLiteral("Digitada antes da queda mais!"))
            << "typing goes on after the text";
        EXPECT_EQ(texto(tela.cdsAmostraProc, "CDPRODUTO"), caso.inNatura.cdProduto);
        EXPECT_EQ(texto(tela.cdsAmostraProc, "NMPRODUTO"), caso.inNatura.nmProduto);
        EXPECT_DOUBLE_EQ(tela.cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->asFloat(),
                         10);
        EXPECT_EQ(tela.cdsItemAmostra->recordCount(), 2);
        EXPECT_EQ(tela.cdsItemAmostra->changeCount(), 2);
        ASSERT_TRUE(
            tela.cdsItemAmostra->locate(QStringLiteral("CDPRODUTO"), caso.itens[0].cdProduto));
        EXPECT_EQ(texto(tela.cdsItemAmostra, "IDPRODPRINC"), QStringLiteral("S"));
        script.Clear();
        clica(tela.sbtConfirmar);
        ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
        const QString nr =
            valor(banco(), QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();
        EXPECT_EQ(amostrasNoBanco(), antes + 1);
        EXPECT_EQ(descricaoNoBanco(nr), QStringLiteral("Digitada antes da queda mais!"));
        QList<QPair<QString, double>> esperados{{caso.itens[0].cdProduto, 6},
                                                {caso.itens[1].cdProduto, 4}};
        std::sort(esperados.begin(), esperados.end());
        EXPECT_EQ(itensNoBanco(nr), esperados);
        EXPECT_TRUE(semDiario()) << "a confirmed sample leaves no journal";
        fechaTela();
    }

    digitaEMorre("gravada");
    EXPECT_EQ(amostrasNoBanco(), antes + 2) << "the confirmation whose answer was lost";
    abreSemPergunta();
    EXPECT_EQ(amostrasNoBanco(), antes + 2);

    // The desktop ends while the stored sample's answer is on its way: the journal already
    // holds the key, so the next screen neither offers the sample again nor stores it twice.
    digitaEMorre("morre");
    EXPECT_EQ(amostrasNoBanco(), antes + 3) << "stored before the desktop ended";
    abreSemPergunta();
    EXPECT_EQ(amostrasNoBanco(), antes + 3);
}

} // namespace
