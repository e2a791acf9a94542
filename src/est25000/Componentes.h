#pragma once
// Creation of the non-visual components the forms own, named as the forms name them:
// client datasets and lookup queries with their persistent fields, and data sources.

#include <est25000/Campos.h>

#include <QStringList>

class QObject;
class TADOIBQuery;
namespace dataset {
class ClientDataSet;
class DataSource;
} // namespace dataset

namespace est25000 {

// An open, empty client dataset with its fields defined.
dataset::ClientDataSet* criaConjunto(QObject* owner, const char* name,
                                     const QList<CampoDef>& campos);
// A closed query over the suite's database with its statement and fields.
TADOIBQuery* criaConsulta(QObject* owner, const char* name, const QStringList& sql,
                          const QList<CampoDef>& campos);
dataset::DataSource* criaFonte(QObject* owner, const char* name, dataset::ClientDataSet* dataSet);

} // namespace est25000
