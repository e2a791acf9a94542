#pragma once
// Arithmetic of the item-total check: the items' quantities must add up to the sample's,
// both sides rounded to three decimals before they are compared.

#include <QList>
#include <QString>

#include <optional>

namespace Cli_est25000 {

// The rounded sum minus the rounded sample quantity, or nothing when both agree.
std::optional<double> diferencaSomaItens(const QList<double>& quantidades, double qtAmostra);

// The difference as the item-total message shows it ("#,##0.0000", user's separators).
QString textoDiferenca(double diferenca);

} // namespace Cli_est25000
