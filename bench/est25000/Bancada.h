#pragma once
// What the module's benchmarks share: the screen they start from (demo data on SQLite at a
// scale, or on the database EST_BENCH_DB names, the application server in-process on loopback, the
// host configured for both, the sample screen open with the whole list loaded through its filter)
// and the median of the single operations they time.

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/forms/Dialogs.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace est25000::bench {

struct TelaAberta {
    QTemporaryDir pasta;
    std::unique_ptr<server::EmbeddedServer> servidor;
    std::unique_ptr<host::DialogScript> script;
    Cli_est25000::TfrmAmostraProc* tela = nullptr;

    // EST_BENCH_DB names an empty database to use instead (postgresql://...): the server's
    // calls and the screen's direct reads then cross loopback, as on a LAN.
    explicit TelaAberta(int escala) {
        const QString banco =
            qEnvironmentVariableIsSet("EST_BENCH_DB")
                ? qEnvironmentVariable("EST_BENCH_DB")
                : QStringLiteral("sqlite:") + pasta.filePath(QStringLiteral("b.db"));
        server::ServerOptions opcoes;
        opcoes.databaseUrl = banco;
        opcoes.init = true;
        opcoes.demoScale = escala;
        opcoes.threads = 4; // a worker for each of the screen's connections
        opcoes.token = QStringLiteral("bench");
        servidor = std::make_unique<server::EmbeddedServer>(opcoes);
        const int porta = servidor->start();
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(porta));
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
        TNetConnection::SetAccessToken(opcoes.token);
        dtmDBGeral::Open(banco);
        script = std::make_unique<host::DialogScript>();
        script->OnModal([](host::TForm& f) {
            dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f).sbtConfirma->Click();
        });
        Cli_est25000::CriaAmostraProc();
        tela = Cli_est25000::frmAmostraProc;
        QApplication::setActiveWindow(tela);
        if (!tela->Active())
            tela->DoActivate();
    }
};

using Clock = std::chrono::steady_clock;

inline double micros(Clock::time_point inicio) {
    return std::chrono::duration<double, std::micro>(Clock::now() - inicio).count();
}

inline double medianaDe(std::vector<double>& tempos) {
    std::nth_element(tempos.begin(), tempos.begin() + tempos.size() / 2, tempos.end());
    return tempos[tempos.size() / 2];
}

} // namespace est25000::bench
