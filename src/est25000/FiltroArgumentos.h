#pragma once
// The filter dialog's confirm, steps 1 to 9, without widgets: it reads and adjusts the five
// criteria, runs the supplier and product validations in their order, checks presence and
// order of both ranges and builds the eight arguments of GetAmostraProc.

#include <QString>
#include <QStringList>

namespace Cli_est25200 {

enum class CampoFiltro { InterInic, InterFinal, Fornecedor, ProdInic, ProdFim };

// A criterion the confirm refuses: the field that gets the focus and the message key.
struct RecusaFiltro {
    CampoFiltro campo;
    QString chave;
};

// What the confirm needs of the dialog.
class CriteriosFiltro {
public:
    virtual ~CriteriosFiltro() = default;
    virtual QString texto(CampoFiltro campo) const = 0;
    virtual void setTexto(CampoFiltro campo, const QString& texto) = 0;
    // Vd_Fornecedor on the supplier field's text; raises when the supplier is unknown.
    virtual void validaFornecedor() = 0;
    // Vd_Produto on a product field and its name field; raises when the product is unknown.
    virtual void validaProduto(CampoFiltro campo) = 0;
};

// The eight texts, in order: sample range unrestricted, first and last sample number,
// supplier unrestricted, supplier tax id, product range unrestricted, first and last
// product tree code. tamCodigo is the full length of a product tree code. Throws
// RecusaFiltro; whatever a validation raises passes through.
QStringList argumentosGetAmostraProc(CriteriosFiltro& criterios, int tamCodigo);

} // namespace Cli_est25200
