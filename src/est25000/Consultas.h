#pragma once
// Statement texts of the module's direct reads of the suite's database. Each is a list of
// lines, joined with line breaks when the query is set up; values are always bound through
// the :P_ parameters.

#include <QStringList>

namespace est25000::sql {

// Sample screen (TfrmAmostraProc).
const QStringList& serieNF();       // qrySerieNF: P_CDSERIEENTR, P_TCDSERIEENTR ('T' = all)
const QStringList& fornecedor();    // qryFornecedor: P_NRINSJURFORN, P_TNRINSJURFORN ('T' = all)
const QStringList& validProdItem(); // qryValidProdItem: P_CDPRODUTO (a tree code)
const QStringList& prodItem();      // qryProdItem: P_CDNVPRODUTO

// Filter dialog (TfrmFiltroAmostraProc).
const QStringList& filtroFornecedor(); // qryFornecedor: every supplier
const QStringList& filtroValidForn();  // qryValidForn: P_NRINSJURFORN
const QStringList& filtroProduto();    // qryProduto: every product
const QStringList& filtroValidProd();  // qryValidProd: P_CDPRODUTO (a tree code)

inline QString text(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

} // namespace est25000::sql
