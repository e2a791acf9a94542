#pragma once
// The product-code picture as the edit mask of the module's code fields. Tree codes are
// stored without the picture's literals ("101001" shows as "1.01.001"); the host's DBPict
// already gives the mask that way ("9.99.999;0;_").

#include <host/library/Quorvan.h>

#include <QString>

namespace est25000 {

inline QString mascaraProduto() {
    return Quorvan::DBPict(Quorvan::tpProduto);
}

} // namespace est25000
