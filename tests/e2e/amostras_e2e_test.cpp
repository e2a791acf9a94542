// End to end: a real est-server process on SQLite demo data, the package loaded by path as the
// suite loads it, the host framework. The filter dialog appears at the screen's first
// activation, its confirm loads the samples from the server, and moving through them shows
// each one's items. The test reaches the screen only as the host does: through IniProc and
// the forms' named components.
#include "Formularios.h"

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>

#include <QCoreApplication>
#include <QLibrary>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

using e2e::componente;
using e2e::formulario;

class ServidorEst : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pasta.isValid());
        banco = QStringLiteral("sqlite:") + pasta.filePath(QStringLiteral("e2e.db"));
        token = QUuid::createUuid().toString(QUuid::WithoutBraces);
        servidor.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/est-server"));
        servidor.setArguments({QStringLiteral("--database"), banco, QStringLiteral("--init"),
                               QStringLiteral("--demo"), QStringLiteral("1"),
                               QStringLiteral("--token"), token});
        servidor.start();
        ASSERT_TRUE(servidor.waitForStarted());
        QString saida;
        const QRegularExpression pronto(QStringLiteral("escutando em ([0-9.]+):(\\d+)"));
        QRegularExpressionMatch m;
        while (!(m = pronto.match(saida)).hasMatch()) {
            ASSERT_TRUE(servidor.waitForReadyRead(60000))
                << "est-server did not start: " << servidor.readAllStandardError().toStdString();
            saida += QString::fromUtf8(servidor.readAllStandardOutput());
        }
        host::Configuration::Override(host::cfg::kServer,
                                      m.captured(1) + QLatin1Char(':') + m.captured(2));
        host::Configuration::Override(host::cfg::kToken, token);
        host::Configuration::Override(host::cfg::kDatabase, banco);
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        TNetConnection::SetAccessToken(token);
        dtmDBGeral::Open(banco);
        Quorvan::InstallMessageHook();
    }
    void TearDown() override {
        servidor.terminate();
        servidor.waitForFinished(10000);
    }

    QTemporaryDir pasta;
    QString banco;
    QString token;
    QProcess servidor;
};

QList<QPair<QString, QString>> itensNoBanco(const QString& nrAmostra) {
    QSqlQuery query(dtmDBGeral::Database());
    query.prepare(QStringLiteral("SELECT I.CDPRODUTO, P.CDARVPROD FROM ITEMAMOSTRAPROC I "
                                 "JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO "
                                 "WHERE I.NRAMOSTRA = ? ORDER BY P.CDARVPROD"));
    query.addBindValue(nrAmostra);
    EXPECT_TRUE(query.exec());
    QList<QPair<QString, QString>> itens;
    while (query.next())
        itens.append({query.value(0).toString(), query.value(1).toString()});
    return itens;
}

TEST_F(ServidorEst, TheSuitePiecesOpenFilterAndBrowseTheSamples) {
    QLibrary pacote(QCoreApplication::applicationDirPath() + QStringLiteral("/libPkg_est25000.so"));
    ASSERT_TRUE(pacote.load()) << pacote.errorString().toStdString();
    auto iniProc = reinterpret_cast<void (*)()>(pacote.resolve("IniProc"));
    ASSERT_NE(iniProc, nullptr);

    host::DialogScript script;
    script.OnModal([](host::TForm& filtro) {
        EXPECT_EQ(filtro.Caption(), QStringLiteral("Filtro de Amostras para Processamento"));
        componente<host::TButtonFlat>(&filtro, "sbtConfirma")->Click();
    });
    iniProc();
    host::TForm* tela = formulario("frmAmostraProc");
    ASSERT_NE(tela, nullptr);
    if (!tela->Active())
        tela->DoActivate();
    ASSERT_EQ(script.ModalCaptions().size(), 1) << "the filter at the first activation";
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();

    auto* amostras = componente<dataset::ClientDataSet>(tela, "cdsAmostraProc");
    auto* itens = componente<dataset::ClientDataSet>(tela, "cdsItemAmostra");
    auto* navegador = componente<host::TDBNavigator>(tela, "dbnPadrao");
    ASSERT_TRUE(amostras && itens && navegador);
    QSqlQuery total(dtmDBGeral::Database());
    ASSERT_TRUE(total.exec(QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC")) && total.next());
    ASSERT_EQ(amostras->recordCount(), total.value(0).toInt());
    ASSERT_GT(amostras->recordCount(), 20);

    for (int passo = 0; passo < 20; ++passo) {
        const QString nr = amostras->fieldByName(QStringLiteral("NRAMOSTRA"))->asString();
        QList<QPair<QString, QString>> vistos;
        for (itens->first(); !itens->eof(); itens->next())
            vistos.append({itens->fieldByName(QStringLiteral("CDPRODUTO"))->asString(),
                           itens->fieldByName(QStringLiteral("CDARVPROD"))->asString()});
        EXPECT_EQ(vistos, itensNoBanco(nr)) << "items of sample " << nr.toStdString();
        EXPECT_FALSE(vistos.isEmpty());
        navegador->BtnClick(host::nbNext);
    }

    tela->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(formulario("frmAmostraProc"), nullptr) << "the screen was closed and destroyed";
    EXPECT_EQ(formulario("frmFiltroAmostraProc"), nullptr) << "and its filter dialog with it";
}

} // namespace
