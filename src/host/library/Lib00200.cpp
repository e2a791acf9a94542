#include <host/library/Lib00200.h>

#include <host/remote/Netconnection.h>

namespace Lib00200 {

QString Almoxarifado_Padrao(TNetConnection* net, const QString& branch, const QString& product) {
    return net->Call(QStringLiteral("GetAlmoxarifadoPadrao"), {branch, product}).toString();
}

QString LocalEstoque_Padrao(TNetConnection* net, const QString& branch, const QString& product) {
    return net->Call(QStringLiteral("GetLocalEstoquePadrao"), {branch, product}).toString();
}

} // namespace Lib00200
