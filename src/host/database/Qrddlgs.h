#pragma once
// Parameter lookup of the query component.

#include <host/database/Adoibquery.h>

// True when the statement's parameters hold one of that name (letter case ignored).
bool ExistParam(const TParams& params, const QString& name);
