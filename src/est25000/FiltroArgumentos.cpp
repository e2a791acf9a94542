#include <est25000/FiltroArgumentos.h>

#include <host/library/Consiste.h>

namespace Cli_est25200 {

namespace {

const QString todos = QStringLiteral("T");
const QString branco = QStringLiteral(" ");

// Steps 1 and 2: a sample number given is brought to ten characters in its field.
QString numeroAmostra(CriteriosFiltro& criterios, CampoFiltro campo) {
    const QString texto = criterios.texto(campo);
    if (Consiste::EmptyString(texto))
        return branco;
    criterios.setTexto(campo, Consiste::Ajusta(texto, 10));
    return criterios.texto(campo);
}

} // namespace

QStringList argumentosGetAmostraProc(CriteriosFiltro& criterios, int tamCodigo) {
    QStringList args(8);
    const auto vazio = [&](CampoFiltro campo) {
        return Consiste::EmptyString(criterios.texto(campo));
    };

    args[1] = numeroAmostra(criterios, CampoFiltro::InterInic);
    args[2] = numeroAmostra(criterios, CampoFiltro::InterFinal);

    const bool semInic = vazio(CampoFiltro::InterInic);
    const bool semFinal = vazio(CampoFiltro::InterFinal);
    if (semInic && semFinal)
        args[0] = todos;
    else if (semFinal)
        throw RecusaFiltro{CampoFiltro::InterFinal, QStringLiteral("Inter")};
    else if (semInic)
        throw RecusaFiltro{CampoFiltro::InterInic, QStringLiteral("Inter")};
    else
        args[0] = branco;

    if (!semInic && !semFinal &&
        criterios.texto(CampoFiltro::InterInic) > criterios.texto(CampoFiltro::InterFinal))
        throw RecusaFiltro{CampoFiltro::InterInic, QStringLiteral("Inter_Maior")};

    if (vazio(CampoFiltro::Fornecedor)) {
        args[4] = branco;
        args[3] = todos;
    } else {
        criterios.validaFornecedor();
        args[4] = criterios.texto(CampoFiltro::Fornecedor);
        args[3] = branco;
    }

    const bool semProdInic = vazio(CampoFiltro::ProdInic);
    if (semProdInic) {
        args[6] = branco;
    } else {
        criterios.validaProduto(CampoFiltro::ProdInic);
        args[6] = criterios.texto(CampoFiltro::ProdInic);
    }

    const bool semProdFim = vazio(CampoFiltro::ProdFim);
    if (semProdFim) {
        args[7] = branco;
    } else {
        criterios.validaProduto(CampoFiltro::ProdFim);
        const QString fim = Consiste::AllTrim(criterios.texto(CampoFiltro::ProdFim));
        args[7] = fim + Consiste::Replicate(QStringLiteral("z"), tamCodigo - fim.size());
    }

    if (semProdInic && semProdFim)
        args[5] = todos;
    else if (semProdFim)
        throw RecusaFiltro{CampoFiltro::ProdFim, QStringLiteral("Prod")};
    else if (semProdInic)
        throw RecusaFiltro{CampoFiltro::ProdInic, QStringLiteral("Prod")};
    else
        args[5] = branco;

    if (!semProdInic && !semProdFim &&
        criterios.texto(CampoFiltro::ProdInic) > criterios.texto(CampoFiltro::ProdFim))
        throw RecusaFiltro{CampoFiltro::ProdInic, QStringLiteral("Prod_Maior")};

    return args;
}

} // namespace Cli_est25200
