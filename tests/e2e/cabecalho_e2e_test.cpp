// End to end, on SQLite and on PostgreSQL: a real est-server process on demo data, the package
// loaded by path, the host framework. A new sample's header is filled as a user fills it: the
// supplier (an alphanumeric CNPJ) and the invoice picked in the lookups, the series, product
// and quantity typed, Enter moving on; a quantity one unit above the invoice line is refused
// with the limit shown, the line's own quantity passes.
#include "Formularios.h"
#include "TestSupport.h"

#include <dataset/ClientDataSet.h>
#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Consiste.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>
#include <host/search/Btnpesquisa.h>
#include <host/search/SearchWindow.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLibrary>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

using testsupport::Backend;

namespace {

using e2e::componente;
using e2e::formulario;

// An invoice line of a supplier with an alphanumeric CNPJ, read straight from the database.
struct Linha {
    QString inscricao, nome, serie, numero, filial, lancto, arvProd, nmProduto, unidade;
    double quantidade = 0;
};

Linha linhaAlfanumerica() {
    QSqlQuery q(dtmDBGeral::Database());
    EXPECT_TRUE(q.exec(QStringLiteral(
        "SELECT F.NRINSJURFORN, F.NMRAZSOCFORN, N.CDSERIEENTR, N.NRNOTAFISC, N.CDFILIAL,"
        " N.NRLANCTONF, P.CDARVPROD, P.NMPRODUTO, P.SGUNIDADE, I.QTITEMNF"
        " FROM NOTAFISCENTR N JOIN FORNECEDOR F ON F.CDFORNECED = N.CDFORNECED"
        " JOIN ITEMNOTAFISCENTR I ON I.CDFILIAL = N.CDFILIAL AND I.NRLANCTONF = N.NRLANCTONF"
        " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
        " WHERE F.IDTPIJURFORN = 'J' ORDER BY N.NRNOTAFISC, P.CDARVPROD")));
    while (q.next()) {
        const QString inscricao = q.value(0).toString();
        if (std::none_of(inscricao.begin(), inscricao.end(), [](QChar c) { return c.isLetter(); }))
            continue;
        return {inscricao,
                q.value(1).toString(),
                q.value(2).toString(),
                q.value(3).toString(),
                q.value(4).toString(),
                q.value(5).toString(),
                q.value(6).toString(),
                q.value(7).toString(),
                q.value(8).toString(),
                q.value(9).toDouble()};
    }
    ADD_FAILURE() << "no invoice of an alphanumeric CNPJ in the demo data";
    return {};
}

class CabecalhoE2E : public ::testing::TestWithParam<Backend> {
protected:
    // The screen goes with its test, whatever stopped it, so the next one opens its own.
    void TearDown() override {
        if (host::TForm* tela = formulario("frmAmostraProc")) {
            for (const char* nome : {"cdsItemAmostra", "cdsAmostraProc"}) {
                auto* ds = componente<dataset::ClientDataSet>(tela, nome);
                if (ds->state() != dataset::DataSetState::Browse)
                    ds->cancel();
            }
            tela->Close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dtmDBGeral::Close();
    }

    // Answers every message box and modal form, also those of the closing.
    host::DialogScript script;
};

TEST_P(CabecalhoE2E, HeaderFilledFromLookupsAndTypingAgainstTheRealServer) {
    testsupport::ScratchDatabase banco(GetParam());
    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    testsupport::ServerProcess servidor({QStringLiteral("--database"), banco.url(),
                                         QStringLiteral("--init"), QStringLiteral("--demo"),
                                         QStringLiteral("1"), QStringLiteral("--token"), token});
    ASSERT_TRUE(servidor.waitReady()) << servidor.readAllStandardError().toStdString();
    host::Configuration::Override(host::cfg::kServer,
                                  QStringLiteral("127.0.0.1:%1").arg(servidor.port()));
    host::Configuration::Override(host::cfg::kToken, token);
    host::Configuration::Override(host::cfg::kDatabase, banco.url());
    host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
    host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
    host::Configuration::Override(host::cfg::kDecimal, QStringLiteral(","));
    host::Configuration::Override(host::cfg::kThousands, QStringLiteral("."));
    host::Configuration::ApplySeparators();
    TNetConnection::SetAccessToken(token);
    dtmDBGeral::Open(banco.url());
    Quorvan::InstallMessageHook();
    const Linha l = linhaAlfanumerica();

    QLibrary pacote(QCoreApplication::applicationDirPath() + QStringLiteral("/libPkg_est25000.so"));
    ASSERT_TRUE(pacote.load()) << pacote.errorString().toStdString();
    auto iniProc = reinterpret_cast<void (*)()>(pacote.resolve("IniProc"));
    ASSERT_NE(iniProc, nullptr);
    script.OnModal([](host::TForm& filtro) {
        componente<host::TButtonFlat>(&filtro, "sbtConfirma")->Click();
    });
    iniProc();
    host::TForm* tela = formulario("frmAmostraProc");
    ASSERT_NE(tela, nullptr);
    // The window system gives the screen back the activation when a modal window closes
    // (the filter, a lookup's list); the offscreen platform has none to do it.
    const auto ativa = [tela] {
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(tela->window());
        QCoreApplication::processEvents();
        if (!tela->Active())
            tela->DoActivate();
    };
    ativa();
    auto* amostra = componente<dataset::ClientDataSet>(tela, "cdsAmostraProc");
    const auto campo = [&](const char* nome) {
        return amostra->fieldByName(QString::fromLatin1(nome))->asString();
    };
    const auto edit = [&](const char* nome) { return componente<host::TDBEdit>(tela, nome); };
    const auto focado = [&] { return tela->ActiveControl(); };
    // Types into the screen's active control and presses Enter, which moves on like Tab.
    const auto digitaEnter = [&](const QString& valor) {
        QWidget* alvo = tela->ActiveControl();
        EXPECT_NE(alvo, nullptr);
        if (!alvo)
            return;
        if (auto* linha = qobject_cast<QLineEdit*>(alvo))
            linha->selectAll();
        QTest::keyClicks(alvo, valor);
        QTest::keyClick(alvo, Qt::Key_Return);
        QApplication::processEvents();
    };

    componente<host::TButtonFlat>(tela, "sbtIncluir")->Click();
    ASSERT_EQ(amostra->state(), dataset::DataSetState::Insert);
    edit("dbeDescAmostra")->SetFocus();
    digitaEnter(QStringLiteral("Amostra de ponta a ponta"));
    ASSERT_EQ(focado(), edit("dbeNrInscForn"));

    // The supplier picked in its lookup, found by the tax id as the list shows it.
    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        ASSERT_TRUE(janela.Search(
            dataset::formatMaskText(Consiste::PictPess(QStringLiteral("J")), l.inscricao)));
        janela.Pick();
    });
    QTest::mouseClick(componente<host::TBtnPesquisa>(tela, "btpFornecedor"), Qt::LeftButton);
    ativa();
    EXPECT_EQ(campo("NMRAZSOCFORN"), l.nome);
    EXPECT_EQ(campo("NRINSJURNF"), l.inscricao);
    EXPECT_EQ(focado(), edit("dbeNrInscForn")) << "the lookup button takes no focus";
    digitaEnter(QString()); // leaving the edit puts the number under the CNPJ mask
    EXPECT_EQ(edit("dbeNrInscForn")->text(),
              dataset::formatMaskText(Consiste::PictPess(QStringLiteral("J")), l.inscricao));
    EXPECT_EQ(edit("dbeNmRazSocForn")->text(), l.nome);
    ASSERT_EQ(focado(), edit("dbeCdSerie"));
    digitaEnter(l.serie.toLower());
    EXPECT_EQ(campo("CDSERIEENTR"), l.serie);
    ASSERT_EQ(focado(), edit("dbeNrNotaFisc"));

    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        ASSERT_TRUE(janela.Search(l.numero));
        janela.Pick();
    });
    QTest::mouseClick(componente<host::TBtnPesquisa>(tela, "btpNrNf"), Qt::LeftButton);
    ativa();
    EXPECT_EQ(campo("NRNOTAFISC"), l.numero);
    EXPECT_EQ(campo("CDFILIAL"), l.filial);
    EXPECT_EQ(campo("NRLANCTONF"), l.lancto);
    digitaEnter(QString());
    ASSERT_EQ(focado(), edit("dbeCdProduto")) << script.LastMessage().toStdString();

    digitaEnter(l.arvProd);
    ASSERT_EQ(focado(), edit("dbeQuantProd")) << script.LastMessage().toStdString();
    EXPECT_EQ(edit("dbeNmProduto")->text(), l.nmProduto);
    EXPECT_EQ(edit("dbeUnidProd")->text(), l.unidade);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();

    digitaEnter(dataset::formatFloat(QStringLiteral("###0.000"), l.quantidade + 1));
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Quantidade não pode ser maior que a quantidade informada na nota :  "
                             "%1 .")
                  .arg(dataset::formatFloat(QStringLiteral("#,##0.000"), l.quantidade)));
    EXPECT_EQ(focado(), edit("dbeQuantProd")) << "refused: the focus stays";
    script.Clear();
    digitaEnter(dataset::formatFloat(QStringLiteral("###0.000"), l.quantidade));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_NE(focado(), edit("dbeQuantProd"));
    EXPECT_EQ(amostra->fieldByName(QStringLiteral("QTPRODPROC"))->asFloat(), l.quantidade);
}

INSTANTIATE_TEST_SUITE_P(Bancos, CabecalhoE2E,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return testsupport::backendName(info.param);
                         });

} // namespace
