#pragma once
// The check that a product has a default warehouse and stock location in a branch, asked of the
// stock object once per branch and product while one sample is typed: the product's exit, each
// item's code and each item's post would ask again for answers that do not change meanwhile.
// The screen discards both values; a refusal (the product not registered in the branch) is
// never kept, so it is raised again at every check.

#include <QString>

#include <set>
#include <utility>

class TNetConnection;

namespace Cli_est25000 {

class EstoquePadrao {
public:
    // Asks GetAlmoxarifadoPadrao and GetLocalEstoquePadrao unless both answered already for this
    // branch and product; raises as they do.
    void confere(TNetConnection* net, const QString& filial, const QString& produto);
    // Forgets every answer: another sample, or the same one edited again.
    void esquece() { conferidos_.clear(); }

private:
    std::set<std::pair<QString, QString>> conferidos_;
};

} // namespace Cli_est25000
