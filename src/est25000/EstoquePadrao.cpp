#include <est25000/EstoquePadrao.h>

#include <host/library/Lib00200.h>

namespace Cli_est25000 {

void EstoquePadrao::confere(TNetConnection* net, const QString& filial, const QString& produto) {
    std::pair<QString, QString> chave{filial, produto};
    if (conferidos_.count(chave) != 0)
        return;
    Lib00200::Almoxarifado_Padrao(net, filial, produto);
    Lib00200::LocalEstoque_Padrao(net, filial, produto);
    conferidos_.insert(std::move(chave));
}

} // namespace Cli_est25000
