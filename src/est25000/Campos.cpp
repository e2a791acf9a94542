#include <est25000/Campos.h>

#include <dataset/ClientDataSet.h>

namespace est25000 {

namespace {

using dataset::FieldType;

CampoDef texto(const char* name, int size, const QString& label = {}, bool visible = true) {
    CampoDef def;
    def.name = QString::fromLatin1(name);
    def.size = size;
    def.label = label;
    def.visible = visible;
    return def;
}

CampoDef oculto(const char* name, int size, const QString& label = {}) {
    return texto(name, size, label, false);
}

CampoDef real(const char* name, const QString& label, bool visible, const QString& format = {}) {
    CampoDef def;
    def.name = QString::fromLatin1(name);
    def.type = FieldType::Float;
    def.label = label;
    def.visible = visible;
    def.displayFormat = format;
    return def;
}

CampoDef calculado(CampoDef def) {
    def.calculated = true;
    return def;
}

CampoDef obrigatorio(CampoDef def) {
    def.required = true;
    return def;
}

CampoDef comMascara(CampoDef def, const QString& mask) {
    def.editMask = mask;
    return def;
}

CampoDef largura(CampoDef def, int width) {
    def.displayWidth = width;
    return def;
}

} // namespace

namespace campos {

const QList<CampoDef>& amostraProc() {
    static const QList<CampoDef> defs{
        texto("NRAMOSTRA", 10, QStringLiteral("Nº da Amostra")),
        texto("DSAMOSTRA", 50, QStringLiteral("Descrição")),
        texto("CDARVPROD", 20, QStringLiteral("Código")),
        oculto("CDPRODUTO", 10, QStringLiteral("Código")),
        real("QTPRODPROC", QStringLiteral("Quantidade"), false, QStringLiteral("###0.000")),
        oculto("SGUNIDADE", 10, QStringLiteral("UN")),
        oculto("NMPRODUTO", 50, QStringLiteral("Produto")),
        calculado(oculto("DESCAMOSTRA", 200)),
        calculado(texto("PRODDESC", 200, QStringLiteral("Produto"))),
        oculto("CDFILIAL", 4),
        oculto("NRLANCTONF", 10),
        oculto("CDSERIEENTR", 5),
        oculto("NRINSJURNF", 20),
        oculto("IDTPIJURNF", 1),
        oculto("NMRAZSOCFORN", 40),
        oculto("CDFORNECED", 21),
        comMascara(oculto("NRNOTAFISC", 20), QStringLiteral("99999999999999999999;0; ")),
        // "S" once processing moved the sample's stock: only its description may change then.
        texto("IDPROCESSADO", 1, QStringLiteral("Processada")),
    };
    return defs;
}

const QList<CampoDef>& itemAmostra() {
    static const QList<CampoDef> defs{
        oculto("NRAMOSTRA", 10),
        texto("CDARVPROD", 20, QStringLiteral("Código")),
        oculto("CDPRODUTO", 10, QStringLiteral("Código")),
        texto("NMPRODUTO", 50, QStringLiteral("Nome")),
        texto("SGUNIDADE", 10, QStringLiteral("UN")),
        real("QTPRODGERADO", QStringLiteral("Quantidade"), true, QStringLiteral("###0.000")),
        oculto("IDPRODPRINC", 1),
    };
    return defs;
}

const QList<CampoDef>& prodAmostra() {
    static const QList<CampoDef> defs{
        oculto("CDFILIRECE", 4),
        texto("CDARVPROD", 20, QStringLiteral("Código")),
        largura(oculto("CDPRODUTO", 10, QStringLiteral("Código")), 15),
        texto("NMPRODUTO", 50, QStringLiteral("Nome")),
        texto("SGUNIDADE", 10, QStringLiteral("UN")),
    };
    return defs;
}

const QList<CampoDef>& notaFiscal() {
    static const QList<CampoDef> defs{
        texto("NRNOTAFISC", 20, QStringLiteral("Nº da NF")),      oculto("CDFILIAL", 4),
        texto("NRLANCTONF", 10, QStringLiteral("Nº Lançamento")), oculto("CDFORNECED", 21),
        texto("VRNOTAFISC", 40, QStringLiteral("Valor da NF")),
    };
    return defs;
}

const QList<CampoDef>& paramFilial() {
    static const QList<CampoDef> defs{
        texto("IDBLPRCOMEST", 1),
        real("NRTAMNUMNFUT", {}, true),
    };
    return defs;
}

const QList<CampoDef>& validQuant() {
    static const QList<CampoDef> defs{
        real("QTITEMPROD", QStringLiteral("Quantidade"), true, QStringLiteral("#####0.000")),
    };
    return defs;
}

const QList<CampoDef>& posicao() {
    static const QList<CampoDef> defs{
        texto("CDARVPROD", 20),  texto("CDPRODUTO", 10),   texto("NMPRODUTO", 50),
        texto("CDPRODESTO", 10), texto("NMPRODNIVEL", 50), real("QTESTOQDIA", {}, true),
    };
    return defs;
}

const QList<CampoDef>& qrySerieNF() {
    static const QList<CampoDef> defs{
        obrigatorio(texto("CDSERIEENTR", 5, QStringLiteral("Código"))),
        texto("DSSERIEENTR", 20, QStringLiteral("Descrição")),
    };
    return defs;
}

const QList<CampoDef>& qryFornecedor() {
    static const QList<CampoDef> defs{
        texto("NRINSJURFORN", 20, QStringLiteral("Inscrição")),
        obrigatorio(oculto("CDFORNECED", 21)),
        oculto("IDTPIJURFORN", 1),
        texto("NMRAZSOCFORN", 40, QStringLiteral("Razão Social")),
    };
    return defs;
}

const QList<CampoDef>& qryValidProdItem() {
    static const QList<CampoDef> defs{
        obrigatorio(texto("CDPRODUTO", 10)),
        texto("NMPRODUTO", 50),
        texto("SGUNIDADE", 10),
        texto("CDARVPROD", 20),
    };
    return defs;
}

const QList<CampoDef>& qryProdItem() {
    static const QList<CampoDef> defs{
        texto("CDARVPROD", 20, QStringLiteral("Código")),
        obrigatorio(oculto("CDPRODUTO", 10, QStringLiteral("Código"))),
        texto("NMPRODUTO", 50, QStringLiteral("Nome")),
        oculto("SGUNIDADE", 10),
    };
    return defs;
}

const QList<CampoDef>& filtroFornecedor() {
    static const QList<CampoDef> defs{
        oculto("CDFORNECED", 21),
        oculto("IDTPIJURFORN", 16),
        texto("NRINSJURFORN", 20, QStringLiteral("Inscrição")),
        texto("NMRAZSOCFORN", 40, QStringLiteral("Razão Social")),
        oculto("IDSITUCADA", 16),
    };
    return defs;
}

const QList<CampoDef>& filtroValidForn() {
    static const QList<CampoDef> defs{
        texto("IDTPIJURFORN", 1),
        texto("NRINSJURFORN", 20),
        texto("NMRAZSOCFORN", 40),
    };
    return defs;
}

const QList<CampoDef>& filtroProduto() {
    static const QList<CampoDef> defs{
        texto("CDARVPROD", 20, QStringLiteral("Código")),
        oculto("CDPRODUTO", 10, QStringLiteral("Código")),
        texto("NMPRODUTO", 50, QStringLiteral("Nome")),
        oculto("CDNVPRODUTO", 1),
    };
    return defs;
}

const QList<CampoDef>& filtroValidProd() {
    static const QList<CampoDef> defs{
        texto("CDPRODUTO", 10),
        texto("CDARVPROD", 20),
        texto("NMPRODUTO", 50),
        texto("CDNVPRODUTO", 16),
    };
    return defs;
}

} // namespace campos

QList<dataset::FieldDef> fieldDefs(const QList<CampoDef>& defs) {
    QList<dataset::FieldDef> out;
    for (const CampoDef& def : defs) {
        if (!def.calculated)
            out.append({def.name, def.type, def.type == FieldType::String ? def.size : 0});
    }
    return out;
}

void defineCampos(dataset::ClientDataSet& dataSet, const QList<CampoDef>& defs) {
    for (const CampoDef& def : defs) {
        dataset::Field* field = dataSet.addField(
            def.name, def.type, def.type == FieldType::String ? def.size : 0,
            def.calculated ? dataset::FieldKind::Calculated : dataset::FieldKind::Data);
        if (!def.label.isEmpty())
            field->setDisplayLabel(def.label);
        field->setVisible(def.visible);
        if (!def.displayFormat.isEmpty())
            field->setDisplayFormat(def.displayFormat);
        if (!def.editMask.isEmpty())
            field->setEditMask(def.editMask);
        field->setRequired(def.required);
        if (def.displayWidth > 0)
            field->setDisplayWidth(def.displayWidth);
    }
}

} // namespace est25000
