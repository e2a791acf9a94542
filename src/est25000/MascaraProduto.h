#pragma once
// The product-code picture as the edit mask of the module's code fields. Tree codes are
// stored without the picture's literals ("101001" shows as "1.01.001"), so a picture that
// the host gives without sections ("9.99.999") is used as "9.99.999;0;_".

#include <Quorvan.h>

#include <QString>

namespace est25000 {

inline QString mascaraProduto() {
    const QString pict = Quorvan::DBPict(Quorvan::tpProduto);
    if (pict.isEmpty() || pict.contains(QLatin1Char(';')))
        return pict;
    return pict + QStringLiteral(";0;_");
}

} // namespace est25000
