#pragma once
// Persistent field definitions of the module's datasets and queries, as data: name, type,
// size, display label, visibility, display format. Edit masks that come from the host's
// product-code picture or from a person type are set at run time by the forms.

#include <dataset/DataPacket.h>

#include <QList>
#include <QString>

namespace dataset {
class ClientDataSet;
}

namespace est25000 {

struct CampoDef {
    QString name;
    dataset::FieldType type = dataset::FieldType::String;
    int size = 0; // characters, text fields only
    QString label;
    bool visible = true;
    QString displayFormat;
    QString editMask;
    bool calculated = false;
    bool required = false;
    int displayWidth = 0; // 0 = from the size
};

namespace campos {

// Sample screen.
const QList<CampoDef>& amostraProc();
const QList<CampoDef>& itemAmostra();
const QList<CampoDef>& prodAmostra();
const QList<CampoDef>& notaFiscal();
const QList<CampoDef>& paramFilial();
const QList<CampoDef>& validQuant();
const QList<CampoDef>& posicao();
const QList<CampoDef>& qrySerieNF();
const QList<CampoDef>& qryFornecedor();
const QList<CampoDef>& qryValidProdItem();
const QList<CampoDef>& qryProdItem();

// Filter dialog.
const QList<CampoDef>& filtroFornecedor();
const QList<CampoDef>& filtroValidForn();
const QList<CampoDef>& filtroProduto();
const QList<CampoDef>& filtroValidProd();

} // namespace campos

// The packet layout of a list of definitions (data fields only).
QList<dataset::FieldDef> fieldDefs(const QList<CampoDef>& defs);

// Defines the fields on a dataset from code (they then survive every load).
void defineCampos(dataset::ClientDataSet& dataSet, const QList<CampoDef>& defs);

} // namespace est25000
