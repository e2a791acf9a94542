#include <est25000/Componentes.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <host/database/Adoibquery.h>

namespace est25000 {

dataset::ClientDataSet* criaConjunto(QObject* owner, const char* name,
                                     const QList<CampoDef>& campos) {
    auto* dataSet = new dataset::ClientDataSet(owner);
    dataSet->setObjectName(QString::fromLatin1(name));
    defineCampos(*dataSet, campos);
    dataSet->createDataSet();
    return dataSet;
}

TADOIBQuery* criaConsulta(QObject* owner, const char* name, const QStringList& sql,
                          const QList<CampoDef>& campos) {
    auto* query = new TADOIBQuery(owner);
    query->setObjectName(QString::fromLatin1(name));
    query->SQL = sql;
    defineCampos(*query->Query(), campos);
    return query;
}

dataset::DataSource* criaFonte(QObject* owner, const char* name, dataset::ClientDataSet* dataSet) {
    auto* source = new dataset::DataSource(dataSet, owner);
    source->setObjectName(QString::fromLatin1(name));
    return source;
}

} // namespace est25000
