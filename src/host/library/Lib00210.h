#pragma once
// Product library: whether a product may be used in a branch, and the product search of
// the last level of the product tree in a branch. Reads the database through dtmDBGeral.

#include <QString>

class TADOIBQuery;

namespace Lib00210 {

// Raises host::EHostError when the product (tree code) is unknown, not registered or
// inactive in the branch, or, when the branch's IDBLPRCOMEST is "S", blocked there.
void Validacao_Produto(const QString& branch, const QString& treeCode, const QString& idBlPrComEst);

// Puts into query the search of the products of one tree level (parameter P_CDNVPRODUTO)
// that the branch (parameter P_CDFILIAL) may use: active there, and not blocked when
// IDBLPRCOMEST is "S"; with activeOnly false, every product of that level. Answers the text
// that the search window adds to its description. The caller opens the query.
QString SQL_Pesquisa_Produto(const QString& branch, const QString& idBlPrComEst, TADOIBQuery* query,
                             bool activeOnly);

} // namespace Lib00210
