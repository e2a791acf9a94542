// The package as the suite meets it: loaded by path with QLibrary, its units initialised in
// order, its module variables exported under their names, IniProc callable any number of times.
#include "Ambiente.h"

#include <host/controls/Buttonflat.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>
#include <host/forms/Screen.h>
#include <host/library/Quorvan.h>

#include <QCoreApplication>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QString packagePath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libPkg_est25000.so");
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        library.setFileName(packagePath());
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    }
    void TearDown() override { library.unload(); }

    template <typename T> T* variable(const char* mangled) {
        auto* address = reinterpret_cast<T*>(library.resolve(mangled));
        EXPECT_NE(address, nullptr) << mangled;
        return address;
    }
    QStringList initialisedUnits() {
        using Fn = QStringList (*)();
        auto fn = reinterpret_cast<Fn>(library.resolve("_ZN12Pkg_est2500016initialisedUnitsEv"));
        EXPECT_NE(fn, nullptr);
        return fn ? fn() : QStringList();
    }
    void call(const char* name) {
        auto fn = reinterpret_cast<void (*)()>(library.resolve(name));
        ASSERT_NE(fn, nullptr) << name;
        fn();
    }

    QLibrary library;
};

// Module variables, by their (Itanium ABI) exported names.
constexpr const char* boIdCriado25000 = "_ZN12Cli_est2500010boIdCriadoE";
constexpr const char* boPrimVez = "_ZN12Cli_est250009boPrimVezE";
constexpr const char* boDelAmostra = "_ZN12Cli_est2500012boDelAmostraE";
constexpr const char* boDelete = "_ZN12Cli_est250008boDeleteE";
constexpr const char* boLoop = "_ZN12Cli_est250006boLoopE";
constexpr const char* stProdPrinc = "_ZN12Cli_est2500011stProdPrincE";
constexpr const char* frmAmostraProc = "_ZN12Cli_est2500014frmAmostraProcE";
constexpr const char* boIdCriado25100 = "_ZN12Cli_est2510010boIdCriadoE";
constexpr const char* stCdProduto = "_ZN12Cli_est2510011stCdProdutoE";
constexpr const char* frmVisualErros = "_ZN12Cli_est2510014frmVisualErrosE";
constexpr const char* frmFiltroAmostraProc = "_ZN12Cli_est2520020frmFiltroAmostraProcE";
constexpr const char* stTtNiveis = "_ZN12Cli_est2520010stTtNiveisE";

TEST_F(PackageTest, LoadingInitialisesTheUnitsInOrderWithTheirInitialValues) {
    EXPECT_EQ(initialisedUnits(), (QStringList{"Cli_est25100", "Cli_est25200", "Cli_est25000"}));
    EXPECT_NE(library.resolve("IniProc"), nullptr) << "IniProc under its plain name";
    for (const char* flag :
         {boIdCriado25000, boPrimVez, boDelAmostra, boDelete, boLoop, boIdCriado25100})
        EXPECT_FALSE(*variable<bool>(flag)) << flag;
    EXPECT_TRUE(variable<QString>(stProdPrinc)->isEmpty());
    EXPECT_TRUE(variable<QString>(stCdProduto)->isEmpty());
    EXPECT_EQ(*variable<void*>(frmAmostraProc), nullptr);
    EXPECT_EQ(*variable<void*>(frmVisualErros), nullptr);
    EXPECT_EQ(*variable<void*>(frmFiltroAmostraProc), nullptr);
}

TEST_F(PackageTest, FinalisationClearsTheTextsAndAReloadInitialisesEachUnitOnce) {
    *variable<QString>(stProdPrinc) = QStringLiteral("1.01.001");
    *variable<QString>(stCdProduto) = QStringLiteral("0000000001");
    *variable<QString>(stTtNiveis) = QStringLiteral("3");
    *variable<bool>(boIdCriado25000) = true;
    *variable<bool>(boIdCriado25100) = true;
    *variable<bool>(boLoop) = true;
    *variable<bool>(boPrimVez) = true;

    call("Pkg_est25000_Finalize");
    EXPECT_TRUE(initialisedUnits().isEmpty());
    EXPECT_TRUE(variable<QString>(stProdPrinc)->isEmpty());
    EXPECT_TRUE(variable<QString>(stCdProduto)->isEmpty());
    EXPECT_TRUE(variable<QString>(stTtNiveis)->isEmpty());
    call("Pkg_est25000_Finalize"); // nothing left to finalise: harmless

    call("Pkg_est25000_Initialize");
    call("Pkg_est25000_Initialize"); // each unit at most once per load
    EXPECT_EQ(initialisedUnits(), (QStringList{"Cli_est25100", "Cli_est25200", "Cli_est25000"}));
    EXPECT_FALSE(*variable<bool>(boIdCriado25000));
    EXPECT_FALSE(*variable<bool>(boIdCriado25100));
    EXPECT_FALSE(*variable<bool>(boLoop));
    EXPECT_TRUE(*variable<bool>(boPrimVez)) << "initialisation leaves boPrimVez alone";
    *variable<bool>(boPrimVez) = false;
}

// Every screen the host application holds.
QList<host::TForm*> telas() {
    QList<host::TForm*> forms;
    for (const auto& form : host::Application->Forms())
        if (form && form->objectName() == QLatin1String("frmAmostraProc"))
            forms << form;
    return forms;
}

TEST_F(PackageTest, IniProcCreatesOneScreenAndLaterOnlyBringsItBack) {
    est25000::teste::Ambiente::instancia();
    Quorvan::InstallMessageHook();
    host::DialogScript script;
    script.DefaultAnswer = host::mrOk;
    auto iniProc = reinterpret_cast<void (*)()>(library.resolve("IniProc"));
    ASSERT_NE(iniProc, nullptr);

    iniProc();
    ASSERT_EQ(telas().size(), 1);
    host::TForm* tela = telas().first();
    EXPECT_EQ(*variable<host::TForm*>(frmAmostraProc), tela);
    EXPECT_TRUE(*variable<bool>(boIdCriado25000));
    if (!tela->Active())
        tela->DoActivate();
    EXPECT_FALSE(*variable<bool>(boPrimVez)) << "the first activation cleared it";
    EXPECT_EQ(script.ModalCaptions().size(), 1) << "and showed the filter";
    EXPECT_EQ(host::Screen->Cursor(), host::crDefault);

    // Minimised, with the base form's icons narrowed: a second call on an 800 x 600 display
    // restores it and leaves the icons alone.
    host::Screen->SetDisplaySize(QSize(800, 600));
    tela->SetWindowState(host::TWindowState::wsMinimized);
    tela->SetBorderIcons(host::biSystemMenu);
    iniProc();
    EXPECT_EQ(telas(), QList<host::TForm*>{tela}) << "no second screen";
    EXPECT_EQ(tela->WindowState(), host::TWindowState::wsNormal);
    EXPECT_EQ(tela->BorderIcons(), host::biSystemMenu);
    host::Screen->SetDisplaySize(QSize(640, 400));
    iniProc();
    EXPECT_EQ(tela->BorderIcons(), host::biSystemMenu);

    // On exactly 640 x 480 the screen gets the system menu, minimise and maximise.
    host::Screen->SetDisplaySize(QSize(640, 480));
    iniProc();
    EXPECT_EQ(tela->BorderIcons(), host::biSystemMenu | host::biMinimize | host::biMaximize);
    host::Screen->SetDisplaySize(QSize());
    EXPECT_EQ(script.ModalCaptions().size(), 1) << "later calls open no filter";

    tela->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(telas().isEmpty());
    EXPECT_FALSE(*variable<bool>(boIdCriado25000));
    EXPECT_EQ(*variable<void*>(frmFiltroAmostraProc), nullptr);
}

} // namespace
