#include <est25000/SomaItens.h>

#include <dataset/FormatFloat.h>
#include <host/library/Consiste.h>

namespace Cli_est25000 {

std::optional<double> diferencaSomaItens(const QList<double>& quantidades, double qtAmostra) {
    double soma = 0;
    for (double quantidade : quantidades)
        soma += quantidade;
    const double somaArredondada = Consiste::RoundDec(soma, 3);
    const double amostraArredondada = Consiste::RoundDec(qtAmostra, 3);
    if (somaArredondada == amostraArredondada)
        return std::nullopt;
    return somaArredondada - amostraArredondada;
}

QString textoDiferenca(double diferenca) {
    return dataset::formatFloat(QStringLiteral("#,##0.0000"), diferenca);
}

} // namespace Cli_est25000
