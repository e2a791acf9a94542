// The host's configuration: command line over environment over INI file over the database's
// settings table over defaults; the processing date from FILIAL; Brazilian number and date
// formats whatever the machine's locale.
#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>
#include <host/core/Configuration.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Form.h>
#include <host/library/Picture.h>
#include <host/library/Quorvan.h>

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace host;

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Configuration::Reset();
    }
    void TearDown() override {
        Configuration::AttachDatabase(nullptr);
        Configuration::Reset();
        QLocale::setDefault(QLocale::c());
        if (QSqlDatabase::contains("cfgtest"))
            QSqlDatabase::removeDatabase("cfgtest");
    }
    QString writeIni(const QString& text) {
        const QString path = dir.filePath("suite.ini");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }
    QProcessEnvironment env(std::initializer_list<std::pair<QString, QString>> vars) {
        QProcessEnvironment e;
        e.insert("EST_CONFIG", dir.filePath("suite.ini"));
        for (const auto& [k, v] : vars)
            e.insert(k, v);
        return e;
    }
    QTemporaryDir dir;
};

TEST_F(ConfigurationTest, EachValueComesFromTheStrongestSourceThatHasIt) {
    writeIni("branch=0004\npicture_produto=99.99\ndecimal_separator=.\nthousand_separator=,\n"
             "server=ini-host:9000\n");
    Configuration::Load({"suite", "--branch", "0002", "--server", "10.0.0.5:8181"},
                        env({{"EST_BRANCH", "0003"}, {"EST_PICTURE_PRODUTO", "9.99"}}));
    EXPECT_EQ(Quorvan::FiliProc(), "0002");                     // command line
    EXPECT_EQ(Quorvan::DBPict(Quorvan::tpProduto), "9.99;0;_"); // environment
    EXPECT_EQ(Configuration::DecimalSeparator(), '.');          // INI
    EXPECT_EQ(Quorvan::WebURL(), "10.0.0.5");
    EXPECT_EQ(Quorvan::WebPort(), 8181);
    EXPECT_EQ(dataset::FormatSettings::decimalSeparator(), '.');
    EXPECT_EQ(dataset::formatFloat("#,##0.000", 1234.5), "1,234.500");
}

// Without EST_CONFIG: the user's file, key by key over the machine's (the package's template).
TEST_F(ConfigurationTest, TheUsersFileGoesOverTheMachinesKeyByKey) {
    for (const char* folder : {"usuario/est", "maquina/est"})
        ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    QFile user(dir.filePath("usuario/est/suite.ini")),
        machine(dir.filePath("maquina/est/suite.ini"));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly) && machine.open(QIODevice::WriteOnly));
    user.write("server=do-usuario:1\n");
    machine.write(
        "; comentado: vale o padrao\n;date_format=yyyy\nserver=da-maquina:2\nbranch=0007\n");
    user.close();
    machine.close();
    qputenv("XDG_CONFIG_HOME", dir.filePath("usuario").toUtf8());
    qputenv("XDG_CONFIG_DIRS", dir.filePath("maquina").toUtf8());
    Configuration::Load({"suite"}, QProcessEnvironment());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(Configuration::Value(cfg::kServer), "do-usuario:1");
    EXPECT_EQ(Configuration::Value(cfg::kBranch), "0007");
    EXPECT_EQ(Configuration::DateFormat(), "dd/MM/yyyy");
}

TEST_F(ConfigurationTest, DefaultsAreBrazilianWhateverTheLocale) {
    QLocale::setDefault(QLocale::c()); // a fresh machine runs in C.UTF-8
    Configuration::Load({"suite"}, env({}));
    EXPECT_EQ(Configuration::DecimalSeparator(), ',');
    EXPECT_EQ(Configuration::ThousandSeparator(), '.');
    EXPECT_EQ(dataset::formatFloat("#,##0.000", 1234.5), "1.234,500");
    EXPECT_EQ(Quorvan::DBPict(Quorvan::tpProduto), "9.99.999;0;_");
    EXPECT_EQ(Quorvan::DBPictObj(Quorvan::tpProduto)->GetTtNiveis(), 3);
    EXPECT_EQ(Quorvan::FiliProc(), "0001");
    EXPECT_EQ(dataset::FormatSettings::dateFormat(), "dd/MM/yyyy");
}

// What a clerk meets on a machine in the C locale: a quantity edit of a form shows and takes
// Brazilian numbers, a date shows day first; a configuration key chooses other formats.
TEST_F(ConfigurationTest, AQuantityEditShowsAndTakesBrazilianNumbersUnderTheCLocale) {
    QLocale::setDefault(QLocale::c());
    dataset::FormatSettings::setDecimalSeparator(QLatin1Char('.')); // as the C locale left them
    dataset::FormatSettings::setThousandSeparator(QLatin1Char(','));
    Configuration::Load({"suite"}, env({}));

    TForm form;
    auto* cds = new dataset::ClientDataSet(&form);
    dataset::Field* qt = cds->addField("QTPRODPROC", dataset::FieldType::Float);
    qt->setDisplayFormat("###0.000");
    dataset::Field* dt = cds->addField("DTPROCESSAMENTO", dataset::FieldType::Date);
    cds->createDataSet();
    cds->append();
    qt->setAsFloat(761.075);
    dt->setAsDate(QDate(2026, 12, 7));
    cds->post();
    auto* dts = new dataset::DataSource(cds, &form);
    auto* dbeQuant = new TDBEdit(&form);
    dbeQuant->SetBounds(10, 10, 100, 21);
    dbeQuant->SetDataSource(dts);
    dbeQuant->SetDataField("QTPRODPROC");
    auto* dbeData = new TDBEdit(&form);
    dbeData->SetBounds(10, 40, 100, 21);
    dbeData->SetDataSource(dts);
    dbeData->SetDataField("DTPROCESSAMENTO");
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    EXPECT_EQ(dbeQuant->text(), "761,075");
    EXPECT_EQ(dbeData->text(), "07/12/2026");
    dbeQuant->SetFocus();
    dbeQuant->selectAll();
    QTest::keyClicks(dbeQuant, "100,5");
    dbeData->SetFocus(); // a refused number would raise here and keep the focus
    EXPECT_EQ(form.ActiveControl(), dbeData);
    EXPECT_DOUBLE_EQ(qt->asFloat(), 100.5);
    EXPECT_EQ(dbeQuant->text(), "100,500");
    EXPECT_EQ(dataset::formatFloat("#,##0.000", 1104.5), "1.104,500");
    cds->post();

    // An administrator's choice: points for decimals, ISO dates.
    writeIni("decimal_separator=.\nthousand_separator=,\ndate_format=yyyy-MM-dd\n");
    Configuration::Load({"suite"}, env({}));
    EXPECT_EQ(qt->displayText(), "100.500");
    EXPECT_EQ(dt->displayText(), "2026-12-07");
    EXPECT_EQ(dataset::formatFloat("#,##0.000", 1104.5), "1,104.500");
    cds->edit();
    dt->setEditText("2026-12-24");
    EXPECT_EQ(dt->asDate(), QDate(2026, 12, 24));
    cds->cancel();
}

// Tree codes are stored without the picture's dots: the mask DBPict gives shows them and keeps
// them out of the value; a configured mask that already has sections is given as it is.
TEST_F(ConfigurationTest, ProductPictureIsAnEditMaskThatDoesNotStoreItsLiterals) {
    Configuration::Load({"suite"}, env({}));
    const QString mask = Quorvan::DBPict(Quorvan::tpProduto);
    EXPECT_EQ(dataset::formatMaskText(mask, "101001"), "1.01.001");
    EXPECT_EQ(dataset::EditMask(mask).valueFromText("1.01.001"), "101001");
    EXPECT_EQ(Quorvan::DBPictObj(Quorvan::tpProduto)->TamAcNivel("3"), 6);

    Configuration::Load({"suite"}, env({{"EST_PICTURE_PRODUTO", "99.999;1;_"}}));
    EXPECT_EQ(Quorvan::DBPict(Quorvan::tpProduto), "99.999;1;_");
    EXPECT_EQ(Quorvan::DBPictObj(Quorvan::tpProduto)->GetTtNiveis(), 2);
    EXPECT_EQ(Quorvan::DBPictObj(Quorvan::tpProduto)->TamAcNivel("2"), 5);
}

TEST_F(ConfigurationTest, DatabaseSettingsAndProcessingDates) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "cfgtest");
    db.setDatabaseName(dir.filePath("est.sqlite"));
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(
        q.exec("CREATE TABLE CONFIGURACAO (CHAVE VARCHAR(40) PRIMARY KEY, VALOR VARCHAR(255))"));
    ASSERT_TRUE(q.exec("INSERT INTO CONFIGURACAO VALUES ('PICTURE_PRODUTO', '99.999.9')"));
    ASSERT_TRUE(
        q.exec("CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) PRIMARY KEY, DTPROCESSAMENTO DATE)"));
    ASSERT_TRUE(q.exec("INSERT INTO FILIAL VALUES ('0001', '2026-11-30'), ('0002', '2026-12-01')"));
    writeIni("[dtprocessamento]\n0002=2026-12-24\n");
    Configuration::Load({"suite"}, env({}));
    Configuration::AttachDatabase([db]() -> std::optional<QSqlDatabase> { return db; });

    EXPECT_EQ(Quorvan::DBPict(Quorvan::tpProduto), "99.999.9;0;_");
    EXPECT_EQ(Quorvan::DBPictObj(Quorvan::tpProduto)->TamAcNivel("3"), 6);
    EXPECT_EQ(Quorvan::DataProc("0001"), QDate(2026, 11, 30));  // from FILIAL
    EXPECT_EQ(Quorvan::DataProc("0002"), QDate(2026, 12, 24));  // the INI file says otherwise
    EXPECT_EQ(Quorvan::DataProc("9999"), QDate::currentDate()); // unknown branch: today

    // Read at the moment of use: a new processing date is seen at once.
    ASSERT_TRUE(q.exec("UPDATE FILIAL SET DTPROCESSAMENTO = '2026-12-02' WHERE CDFILIAL = '0001'"));
    EXPECT_EQ(Quorvan::DataProc("0001"), QDate(2026, 12, 2));
}

TEST_F(ConfigurationTest, OverrideStandsAboveEverySource) {
    Configuration::Load({"suite", "--server", "a:1"}, env({}));
    Configuration::Override(cfg::kServer, "127.0.0.1:40123");
    EXPECT_EQ(Quorvan::WebURL(), "127.0.0.1");
    EXPECT_EQ(Quorvan::WebPort(), 40123);
}

} // namespace
