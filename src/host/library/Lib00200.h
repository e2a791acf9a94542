#pragma once
// Stock library: a product's default warehouse and stock location in a branch, answered by
// the stock object of the application server (Est00000.rdmEstoque).

#include <QString>

class TNetConnection;

namespace Lib00200 {

// Raise host::EHostError when the product is not registered in the branch.
QString Almoxarifado_Padrao(TNetConnection* net, const QString& branch, const QString& product);
QString LocalEstoque_Padrao(TNetConnection* net, const QString& branch, const QString& product);

} // namespace Lib00200
