#pragma once
// Writing samples through the screen in tests: demo-data cases that the screen's and the
// server's checks accept (found by SQL on the database the host reads), filling the header
// and the item grid as the lookups and the user do, and pressing the tool buttons.

#include <est25000/Cli_est25000.h>

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace host {
class TButtonFlat;
}

namespace est25000::teste {

struct Produto {
    QString cdProduto; // internal code
    QString cdArvProd; // tree code
    QString nmProduto;
    QString sgUnidade;
};

// An in-natura product of branch 0001 with its stock of the day, and products of the same
// unit that may be its items there (active, not blocked, controlling stock).
struct CasoEstoque {
    Produto inNatura;
    double estoque = 0;
    QList<Produto> itens;
};
CasoEstoque casoEstoque(const QSqlDatabase& db, int nItens = 3);

// An invoice entry of the branch with a product line that still has room for a sample, and
// items that both that branch and the current one (0001) accept.
struct CasoNota {
    QString cdFornecedor, nrInscricao, idTipo, nmRazaoSocial;
    QString cdSerie, nrNota, nrLancto, cdFilial;
    Produto inNatura;
    double disponivel = 0; // what the line still has beyond the samples already on it
    QList<Produto> itens;
};
CasoNota casoNota(const QSqlDatabase& db, const QString& filial, int nItens = 3);

// A product of that unit in branch 0001 that is active but does not control stock.
Produto produtoSemEstoque(const QSqlDatabase& db, const QString& unidade, const QString& exceto);

// The numbers of the first stored samples of branch 0001 that are (or are not) processed.
QStringList amostrasGuardadas(const QSqlDatabase& db, bool processada, int quantas = 1);

// The header as the lookups leave it: description, product and quantity; no invoice.
void preencheCabecalho(Cli_est25000::TfrmAmostraProc& tela, const QString& descricao,
                       const Produto& produto, double quantidade);
// The supplier, series and invoice of the case, and the invoice list the invoice check loads
// (the confirmation takes the sample's branch from that list).
void preencheNota(Cli_est25000::TfrmAmostraProc& tela, const CasoNota& nota);
// Appends an item row in the grid and posts it.
void adicionaItem(Cli_est25000::TfrmAmostraProc& tela, const Produto& produto, double quantidade,
                  bool principal);

// A mouse click on the tool button, as the user gives it (errors shown, not thrown).
void clica(host::TButtonFlat* botao);

// A column of a stored sample, as text (empty when the sample is not stored).
QString campoNoBanco(const QSqlDatabase& db, const char* campo, const QString& nrAmostra);
// Product and quantity of each stored item of the sample, by product.
QList<QPair<QString, double>> itensNoBanco(const QSqlDatabase& db, const QString& nrAmostra);

// Rows of the database: counts and one value.
int conta(const QSqlDatabase& db, const QString& sql, const QVariantList& valores = {});
QVariant valor(const QSqlDatabase& db, const QString& sql, const QVariantList& valores = {});

} // namespace est25000::teste
