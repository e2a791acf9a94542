// End to end, on SQLite and on PostgreSQL: a real est-server process on demo data, the package
// loaded by path, items typed through the keyboard into the real item grid. Two typed codes
// get their name and unit, a second "Sim" clears the former principal, Ctrl+Delete asks, and
// Check takes the stored items back.
#include "TestSupport.h"

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLibrary>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

using testsupport::Backend;

QStringList coluna(const QString& sql, const QVariantList& valores = {}) {
    QSqlQuery query(dtmDBGeral::Database());
    query.prepare(sql);
    for (const QVariant& v : valores)
        query.addBindValue(v);
    EXPECT_TRUE(query.exec()) << sql.toStdString();
    QStringList lista;
    while (query.next())
        lista << query.value(0).toString();
    return lista;
}

template <class T> T* componente(host::TForm* form, const char* nome) {
    auto* c = qobject_cast<T*>(form->FindComponent(QString::fromLatin1(nome)));
    EXPECT_NE(c, nullptr) << nome;
    return c;
}

class ItensE2E : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        banco = std::make_unique<testsupport::ScratchDatabase>(GetParam());
        token = QUuid::createUuid().toString(QUuid::WithoutBraces);
        servidor.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/est-server"));
        servidor.setArguments({QStringLiteral("--database"), banco->url(), QStringLiteral("--init"),
                               QStringLiteral("--demo"), QStringLiteral("1"),
                               QStringLiteral("--token"), token});
        servidor.start();
        ASSERT_TRUE(servidor.waitForStarted());
        QString saida;
        const QRegularExpression pronto(QStringLiteral("escutando em ([0-9.]+):(\\d+)"));
        QRegularExpressionMatch m;
        while (!(m = pronto.match(saida)).hasMatch()) {
            ASSERT_TRUE(servidor.waitForReadyRead(120000))
                << "est-server did not start: " << servidor.readAllStandardError().toStdString();
            saida += QString::fromUtf8(servidor.readAllStandardOutput());
        }
        host::Configuration::Override(host::cfg::kServer,
                                      m.captured(1) + QLatin1Char(':') + m.captured(2));
        host::Configuration::Override(host::cfg::kToken, token);
        host::Configuration::Override(host::cfg::kDatabase, banco->url());
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
        host::Configuration::Override(host::cfg::kDecimal, QStringLiteral(","));
        host::Configuration::Override(host::cfg::kThousands, QStringLiteral("."));
        host::Configuration::ApplySeparators();
        TNetConnection::SetAccessToken(token);
        dtmDBGeral::Open(banco->url());
        Quorvan::InstallMessageHook();
    }
    void TearDown() override {
        for (const auto& form : host::Application->Forms())
            if (form && form->objectName() == QLatin1String("frmAmostraProc")) {
                componente<dataset::ClientDataSet>(form, "cdsItemAmostra")->cancelUpdates();
                form->Close();
            }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (dtmDBGeral::IsOpen())
            dtmDBGeral::Close();
        servidor.terminate();
        servidor.waitForFinished(10000);
    }

    void tecla(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
        QApplication::processEvents();
    }
    void digita(const QString& texto) {
        for (QChar c : texto)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QApplication::processEvents();
    }

    std::unique_ptr<testsupport::ScratchDatabase> banco;
    QString token;
    QProcess servidor;
};

TEST_P(ItensE2E, ItemsTypedInTheRealGrid) {
    QLibrary pacote(QCoreApplication::applicationDirPath() + QStringLiteral("/libPkg_est25000.so"));
    ASSERT_TRUE(pacote.load()) << pacote.errorString().toStdString();
    auto iniProc = reinterpret_cast<void (*)()>(pacote.resolve("IniProc"));
    ASSERT_NE(iniProc, nullptr);

    host::DialogScript script;
    script.OnModal([](host::TForm& filtro) {
        componente<host::TButtonFlat>(&filtro, "sbtConfirma")->Click();
    });
    iniProc();
    host::TForm* tela = nullptr;
    for (const auto& form : host::Application->Forms())
        if (form && form->objectName() == QLatin1String("frmAmostraProc"))
            tela = form;
    ASSERT_NE(tela, nullptr);
    // The filter dialog's own activations arrive first; then the screen is the active window.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    QApplication::setActiveWindow(tela->window());
    QApplication::processEvents();
    if (!tela->Active())
        tela->DoActivate();
    auto* amostras = componente<dataset::ClientDataSet>(tela, "cdsAmostraProc");
    auto* itens = componente<dataset::ClientDataSet>(tela, "cdsItemAmostra");
    auto* grade = componente<host::TDBGrid>(tela, "dbgItensAmostra");
    auto* descricao = componente<host::TDBEdit>(tela, "dbeDescAmostra");
    ASSERT_TRUE(amostras && itens && grade && descricao);
    const auto texto = [](dataset::ClientDataSet* ds, const char* campo) {
        return ds->fieldByName(QString::fromLatin1(campo))->asString();
    };

    // A stored sample whose items the current branch may use, and two more products of its
    // unit for new items.
    const QStringList numeros = coluna(QStringLiteral(
        "SELECT A.NRAMOSTRA FROM AMOSTRAPROC A WHERE EXISTS (SELECT 1 FROM ITEMAMOSTRAPROC I "
        "WHERE I.NRAMOSTRA = A.NRAMOSTRA AND I.IDPRODPRINC = 'S') AND NOT EXISTS (SELECT 1 FROM "
        "ITEMAMOSTRAPROC I JOIN PRODFILIAL PF ON PF.CDPRODUTO = I.CDPRODUTO AND PF.CDFILIAL = "
        "'0001' WHERE I.NRAMOSTRA = A.NRAMOSTRA AND PF.IDATIVO <> 'S') ORDER BY A.NRAMOSTRA"));
    ASSERT_FALSE(numeros.isEmpty());
    const QString nr = numeros.first();
    ASSERT_TRUE(amostras->locate(QStringLiteral("NRAMOSTRA"), nr));
    const int guardados = itens->recordCount();
    ASSERT_GE(guardados, 1);
    const QStringList novos = coluna(
        QStringLiteral(
            "SELECT PR.CDARVPROD FROM PRODUTO PR JOIN PRODFILIAL PF ON PF.CDPRODUTO = "
            "PR.CDPRODUTO AND PF.CDFILIAL = '0001' JOIN PRODUTO NAT ON NAT.CDPRODUTO = "
            "(SELECT CDPRODUTO FROM AMOSTRAPROC WHERE NRAMOSTRA = ?) WHERE PR.CDNVPRODUTO = 3 AND "
            "PF.IDATIVO = 'S' AND PR.SGUNIDADE = NAT.SGUNIDADE AND PR.CDPRODUTO <> NAT.CDPRODUTO "
            "AND PR.CDPRODUTO NOT IN (SELECT CDPRODUTO FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = ?) "
            "ORDER BY PR.CDARVPROD"),
        {nr, nr});
    ASSERT_GE(novos.size(), 2);

    // Down on the last row appends a row and puts the sample into editing.
    grade->SetFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), grade);
    itens->last();
    tecla(Qt::Key_Down);
    ASSERT_EQ(itens->state(), dataset::DataSetState::Insert);
    EXPECT_EQ(amostras->state(), dataset::DataSetState::Edit);
    digita(novos[0]);
    tecla(Qt::Key_Tab); // the code's check fills name and unit, which Tab skips
    digita(QStringLiteral("1,5"));
    tecla(Qt::Key_Tab); // over the unit
    digita(QStringLiteral("Sim"));
    tecla(Qt::Key_Down); // posts it, clears the former principal, appends another row
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    ASSERT_EQ(itens->state(), dataset::DataSetState::Insert)
        << itens->recNo() << ' ' << grade->SelectedIndex() << ' '
        << texto(itens, "IDPRODPRINC").toStdString();
    digita(novos[1]);
    tecla(Qt::Key_Tab);
    digita(QStringLiteral("2"));
    descricao->SetFocus(); // leaving the grid posts the row
    QApplication::processEvents();
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    ASSERT_EQ(itens->state(), dataset::DataSetState::Browse);
    ASSERT_EQ(itens->recordCount(), guardados + 2);

    QStringList principais;
    for (itens->first(); !itens->eof(); itens->next()) {
        const QString codigo = texto(itens, "CDARVPROD");
        if (texto(itens, "IDPRODPRINC") == QLatin1String("S"))
            principais << codigo;
        if (!novos.mid(0, 2).contains(codigo))
            continue;
        EXPECT_EQ(
            texto(itens, "NMPRODUTO"),
            coluna(QStringLiteral("SELECT NMPRODUTO FROM PRODUTO WHERE CDARVPROD = ?"), {codigo})
                .value(0));
        EXPECT_EQ(
            texto(itens, "SGUNIDADE"),
            coluna(QStringLiteral("SELECT SGUNIDADE FROM PRODUTO WHERE CDARVPROD = ?"), {codigo})
                .value(0));
        EXPECT_EQ(texto(itens, "NRAMOSTRA"), nr);
    }
    EXPECT_EQ(principais, QStringList{novos[0]}) << "the second \"Sim\" cleared the first";

    // Ctrl+Delete asks; No keeps the item, Yes deletes it.
    ASSERT_TRUE(itens->locate(QStringLiteral("CDARVPROD"), novos[1]));
    grade->SetFocus();
    QApplication::processEvents();
    script.Answer(host::mrNo);
    tecla(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Confirma exclusão do produto?"));
    EXPECT_EQ(itens->recordCount(), guardados + 2);
    script.Answer(host::mrYes);
    tecla(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(script.Messages().size(), 2);
    EXPECT_EQ(itens->recordCount(), guardados + 1);

    // Check: the list and the items as the server holds them (Yes: discard the deletion).
    script.Answer(host::mrYes);
    componente<host::TButtonFlat>(tela, "sbtVerificar")->Click();
    const QString atual = texto(amostras, "NRAMOSTRA");
    EXPECT_EQ(amostras->recordCount(),
              coluna(QStringLiteral("SELECT NRAMOSTRA FROM AMOSTRAPROC")).size());
    QStringList vistos;
    for (itens->first(); !itens->eof(); itens->next())
        vistos << texto(itens, "CDPRODUTO");
    vistos.sort();
    QStringList noBanco = coluna(
        QStringLiteral("SELECT CDPRODUTO FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = ?"), {atual});
    noBanco.sort();
    EXPECT_EQ(vistos, noBanco);
    EXPECT_EQ(itens->changeCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Bancos, ItensE2E, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::backendName(info.param); });

} // namespace
