#pragma once
// What the sample screen sends, as it sends it: the arguments of each remote method (JSON
// arrays, compact, as the desktop writes them) and the text of each of its own reads, one
// simple query with the values written in. Taken from the screen's traffic on a real run.

#include "Casos.h"

#include <string>

namespace clerks::pedidos {

inline const std::string kAmostraProc = "Est25000.rdmAmostraProc";
inline const std::string kEstoque = "Est00000.rdmEstoque";
inline const std::string kServidor = "Sistema.rdmServidor";

// Sample numbers as the screen writes them: ten digits.
std::string numero(long n);

// The filter by a range of sample numbers, every supplier and product.
std::string filtroPorNumeros(long inicio, long fim);
// The same filter's changes since the list's mark.
std::string alteradasDesde(long inicio, long fim, const std::string& marca);
// The list's mark in an answer of either ({..., "marca": "1742"}); empty when there is none.
std::string marcaDa(const std::string& resposta);
// The items of a sample (empty number: the new sample's, none).
std::string itens(const std::string& nrAmostra);
std::string paramEstoque();
std::string notasDoFornecedor(const CasoNota& nota);
std::string prodAmostra(const CasoNota& nota);
std::string padraoDoProduto(const std::string& cdProduto); // warehouse and location
std::string validQuant(const CasoNota& nota);
// The new sample of the invoice line, quantity 2, its three items 1 + 0.5 + 0.5.
std::string confirmaAmostra(const CasoNota& nota, const std::string& descricao);

// The desktop's own reads.
std::string leFornecedor(const std::string& nrInscricao);
std::string leSerie(const std::string& cdSerie);
std::string leProdutoDoItem(const std::string& cdArvProd);
std::string leSituacaoDoItem(const std::string& cdArvProd);

} // namespace clerks::pedidos
