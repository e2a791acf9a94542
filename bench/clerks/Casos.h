#pragma once
// What the simulated clerks type, read once from the demo data before they start: invoice
// lines of branch 0001 with room for many samples, each with three items the branch accepts,
// and the range of stored sample numbers their filters list.

#include <string>
#include <vector>

namespace clerks {

struct Produto {
    std::string cdProduto, cdArvProd, nmProduto, sgUnidade;
};

struct CasoNota {
    std::string cdFornecedor, nrInscricao, idTipo, nmRazaoSocial;
    std::string cdSerie, nrNota, nrLancto, cdFilial;
    Produto inNatura;
    double disponivel = 0; // what the line still takes
    std::vector<Produto> itens;
};

struct Casos {
    std::vector<CasoNota> notas;
    long primeiraAmostra = 0, ultimaAmostra = 0; // stored before the run
};

// Reads them through a direct connection (url). Throws std::runtime_error when the data holds
// no usable invoice line.
Casos leCasos(const std::string& url);

} // namespace clerks
